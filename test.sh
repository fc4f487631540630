#!/usr/bin/env bash
# Installs what is missing, builds Q-MARL with warnings as errors and runs the whole suite,
# then builds it again with AddressSanitizer and UndefinedBehaviorSanitizer and runs it again,
# and finally fuzzes the track readers with libFuzzer for a bounded time (QMARL_FUZZ_SECONDS each).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
# Every include points down the rooms of src/, and the README lists them in that order.
./scripts/check-layers.sh

jobs=$(nproc)
configure() {
    local dir=$1; shift
    # A folder configured earlier for another generator is configured afresh.
    if [[ -f "$dir/CMakeCache.txt" ]] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
        rm -rf "$dir"
    fi
    cmake -G Ninja -S . -B "$dir" -DQMARL_WERROR=ON -DQMARL_UNITY_BUILD=ON "$@" >/dev/null
}
run_tests() {
    (cd "$1" && ctest --output-on-failure --timeout 600 --parallel "$jobs")
}
# A build started in the background while a suite runs; its output lands in a log shown on failure.
background_build() {
    local dir=$1; shift
    cmake --build "$dir" --parallel "$jobs" "$@" >"$dir.log" 2>&1 &
    build_pid=$!
}
finish_build() {
    wait "$1" || { tail -n 80 "$2.log"; echo "build of $2 failed" >&2; exit 1; }
}
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT

# Line tables are all the debug information a failure's stack trace needs, and they build in a
# fraction of the time full debug information takes. The benchmarks are built (so they compile
# without warnings) once, not again with the sanitizers. The suite spends most of its time
# waiting for players and pages, so the next build runs beside it: the suite must pass on a
# busy machine anyway.
fuzz=build/fuzz
echo "== Build (warnings as errors)"
configure build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
cmake --build build/test --parallel "$jobs"
configure build/asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DQMARL_SANITIZE=ON \
    -DQMARL_BUILD_BENCH=OFF
background_build build/asan
asan_build=$build_pid
echo "== Suite (the sanitizer build runs beside it)"
run_tests build/test
finish_build "$asan_build" build/asan

# The fuzzers are built and run beside the sanitizer suite: each runs on one core, and the suite
# mostly waits for players and pages.
fuzz_all() {
    cmake --build "$fuzz" --parallel "$jobs" --target fuzz_extracttrack fuzz_trackline fuzz_boxwalk \
        make_track_fixtures || return 1
    fuzz_seconds=${QMARL_FUZZ_SECONDS:-20}
    # Seeds: tiny recordings in every layout (a few KiB each) and single track lines.
    rm -rf "$fuzz/seeds"
    "$fuzz/bin/make_track_fixtures" --seconds 3 --size 64x48 --fps 2 "$fuzz/seeds/videos" || return 1
    mkdir -p "$fuzz/seeds/lines"
    cat "$fuzz/seeds/videos/expected/"*.txt | split -l 1 - "$fuzz/seeds/lines/line-"
    rm -rf "$fuzz/seeds/videos/expected"
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
            echo "fuzzing: $name failed; the input is in $fuzz/artifacts/$name/"
            return 1
        fi
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "$name: ${runs:-0} executions in ${fuzz_seconds} s"
        total=$((total + ${runs:-0}))
    done
    echo "fuzzing: $total executions in total, no failure"
}
configure "$fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQMARL_FUZZ=ON
fuzz_all >"$fuzz.log" 2>&1 &
fuzz_run=$!
# Packagers and IDEs use CMake's default generator (Make), which, unlike Ninja, makes no output
# folders of its own: one test program built with it proves the tests' build steps still work there.
make_check() {
    env -u CMAKE_GENERATOR cmake -S . -B build/make -DQMARL_WERROR=ON -DQMARL_UNITY_BUILD=ON -DQMARL_BUILD_BENCH=OFF &&
        cmake --build build/make --parallel "$jobs" --target tst_settings
}
rm -rf build/make
make_check >build/make.log 2>&1 &
make_run=$!
echo "== Suite under AddressSanitizer + UndefinedBehaviorSanitizer (the fuzzers and a Make build run beside it)"
run_tests build/asan
if ! wait "$make_run"; then
    tail -n 40 build/make.log
    echo "the build with CMake's default generator failed (log: build/make.log)" >&2
    exit 1
fi
grep -q '^CMAKE_GENERATOR:INTERNAL=Unix Makefiles$' build/make/CMakeCache.txt
echo "default generator (Make): tst_settings built"

echo "== Fuzzing (libFuzzer with AddressSanitizer + UndefinedBehaviorSanitizer, clang)"
if ! wait "$fuzz_run"; then
    tail -n 80 "$fuzz.log"
    echo "fuzzing: failed (log: $fuzz.log)" >&2
    exit 1
fi
grep -E '^(fuzz_[a-z]+: |fuzzing: )' "$fuzz.log"
