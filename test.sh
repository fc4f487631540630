#!/usr/bin/env bash
# Installs what is missing, builds Q-MARL with warnings as errors and runs the whole suite,
# then builds it again with AddressSanitizer and UndefinedBehaviorSanitizer and runs it again,
# and finally fuzzes the track readers with libFuzzer for a bounded time (QMARL_FUZZ_SECONDS each).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
    local dir=$1; shift
    cmake -S . -B "$dir" -DQMARL_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" --parallel "$jobs"
    (cd "$dir" && ctest --output-on-failure --timeout 600 --parallel "$jobs")
}

# Line tables are all the debug information a failure's stack trace needs, and they build in a
# fraction of the time full debug information takes. The benchmarks are built (so they compile
# without warnings) once, not again with the sanitizers.
echo "== Suite (warnings as errors)"
run_suite build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
echo "== Suite under AddressSanitizer + UndefinedBehaviorSanitizer"
run_suite build/asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DQMARL_SANITIZE=ON \
    -DQMARL_BUILD_BENCH=OFF

echo "== Fuzzing (libFuzzer with AddressSanitizer + UndefinedBehaviorSanitizer, clang)"
fuzz=build/fuzz
fuzz_seconds=${QMARL_FUZZ_SECONDS:-30}
cmake -S . -B "$fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQMARL_FUZZ=ON >/dev/null
cmake --build "$fuzz" --parallel "$jobs" \
    --target fuzz_extracttrack fuzz_trackline fuzz_boxwalk make_track_fixtures
# Seeds: tiny recordings in every layout (a few KiB each) and single track lines.
rm -rf "$fuzz/seeds"
"$fuzz/bin/make_track_fixtures" --seconds 3 --size 64x48 --fps 2 "$fuzz/seeds/videos"
rm -rf "$fuzz/seeds/videos/expected"
mkdir -p "$fuzz/seeds/lines"
cat tests/data/track/*.txt | split -l 1 - "$fuzz/seeds/lines/line-"
total=0
for target in fuzz_extracttrack:videos fuzz_trackline:lines fuzz_boxwalk:videos; do
    name=${target%%:*}
    mkdir -p "$fuzz/corpus/$name" "$fuzz/artifacts/$name"
    log="$fuzz/$name.log"
    # A crash, a leak, a hang (-timeout) or running out of memory ends the run with a non-zero status.
    if ! "$fuzz/bin/$name" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=3072 \
            -print_final_stats=1 -artifact_prefix="$fuzz/artifacts/$name/" \
            "$fuzz/corpus/$name" "$fuzz/seeds/${target##*:}" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "fuzzing: $name failed; the input is in $fuzz/artifacts/$name/" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$name: ${runs:-0} executions in ${fuzz_seconds} s"
    total=$((total + ${runs:-0}))
done
echo "fuzzing: $total executions in total, no failure"
