#!/usr/bin/env bash
# Times track extraction on 1 GiB recordings with one hour of samples (3600) per layout, and the
# transport-stream reader's throughput against `cat` on the same cached file. Run by hand:
#   bench/track_bench.sh [BUILD_DIR]      (default build/bench, configured Release)
# Targets: under 20 ms per MP4/MOV file; transport stream at 80 % or more of cat's throughput.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel 2 --target track_bench make_track_fixtures >/dev/null

work=$(mktemp -d /tmp/qmarl-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/bin/make_track_fixtures" --only plain.ts "$work/template" >/dev/null

echo "== extraction time per 1 GiB file (best of 5; transport stream best of 3, cached)"
"$build/bin/track_bench" "$work" "$work/template/plain.ts" | tee "$work/results"

echo "== cat on the same cached transport stream"
cat "$work/drive.ts" >/dev/null
start=$(date +%s%N)
cat "$work/drive.ts" >/dev/null
cat_ms=$(( ($(date +%s%N) - start) / 1000000 ))
ts_ms=$(awk '$1 == "drive.ts" { print $2 }' "$work/results")
awk -v c="$cat_ms" -v t="$ts_ms" 'BEGIN {
    printf "cat: %d ms (%.0f MiB/s); reader: %.0f ms; reader throughput = %.0f %% of cat\n",
           c, 1024 / (c / 1000), t, 100 * c / t }'
