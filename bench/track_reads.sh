#!/usr/bin/env bash
# Counts how often extraction opens a 1 GiB recording and how many bytes it reads from it, per
# further layout (one hour of samples each, made by the fixture generator): the readers of the
# further layouts share one opened and indexed file, so a layout found through the movie box reads
# a few KiB however large the file, and one found by scanning reads what it scans once.
# Run by hand:  bench/track_reads.sh [BUILD_DIR]   (default build/bench, configured Release)
# Needs strace. QMARL_BENCH_ONLY=NAME counts one generated recording only.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
if [[ ! -x "$build/bin/track_bench" ]]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --parallel 2 --target track_bench make_track_fixtures q-marl-track >/dev/null
fi
command -v strace >/dev/null || { echo "track_reads.sh: needs strace" >&2; exit 1; }

work=$(mktemp -d /tmp/qmarl-reads-XXXXXX)
trap 'rm -rf "$work"' EXIT
older=" gps0.mp4 gpsindex-old.mp4 gpsindex-new.mp4 hisilicon.mp4 freegps.mov tokyo.ts shenzhen-head.ts chip-end0.mp4 chip-end5.mov chip-end8.mp4 plain.mp4 plain.ts "
"$build/bin/make_track_fixtures" --seconds 3 --size 64x48 --fps 2 "$work/small" >/dev/null
# track_bench --time extracts once to warm the cache, then five times: six extractions.
runs=6
printf "%-28s %8s %12s  %s\n" file opens read_KiB layout
for small in "$work"/small/*.mp4 "$work"/small/*.mov; do
    name=$(basename "$small")
    [[ "$older" == *" $name "* ]] && continue
    [[ -n "${QMARL_BENCH_ONLY:-}" && "$QMARL_BENCH_ONLY" != "$name" ]] && continue
    rm -rf "$work/hour"
    "$build/bin/make_track_fixtures" --seconds 3600 --size 64x48 --fps 1 --pad-mib 1024 \
        --only "$name" "$work/hour" >/dev/null
    file="$work/hour/$name"
    log="$work/strace.log"
    line=$(strace -f -qq -P "$file" -e trace=openat,read,pread64 -o "$log" \
        "$build/bin/track_bench" --time "$file")
    layout=$(awk '{ print $NF }' <<<"$line")
    awk -v n="$name" -v runs="$runs" -v l="$layout" '
        /openat\(/ { opens++ }
        /(^|[ ])(read|pread64)\(/ { split($0, p, "= "); if (p[2] + 0 > 0) bytes += p[2] }
        END { printf "%-28s %8.1f %12.1f  %s\n", n, opens / runs, bytes / runs / 1024, l }' "$log"
    rm -rf "$work/hour"
done
