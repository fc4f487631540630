#!/usr/bin/env bash
# Channels in step, run by hand: three 5-minute 1080p30 channels whose frames carry their time
# (made once by the fixture generator), played at 1x, 3x, 15x and 60x by Q-MARL's players kept
# in step; then the CPU use of the same three files in three mpv command-line players at each
# rate, for comparison.
#     bench/sync_bench.sh [build folder] [seconds per rate]
set -euo pipefail
build=$(realpath "${1:-build/test}")
seconds=${2:-10}
for tool in sync_bench make_track_fixtures; do
    [[ -x "$build/bin/$tool" ]] || { echo "build $tool first (in $build)" >&2; exit 1; }
done
source "$(dirname "$0")/needs_mpv.sh"

media="$build/bench-media/clock"
files=("$media/2024_0516_120000_007A.MP4" "$media/2024_0516_120000_007B.MP4"
       "$media/2024_0516_120000_007C.MP4")
if [[ ! -f "${files[2]}" ]]; then
    echo "writing three 5-minute 1080p30 channels (takes several minutes, once)"
    "$build/bin/make_track_fixtures" --clock --seconds 300 --size 1920x1080 --fps 30 "$media"
fi

echo "== Q-MARL players, kept in step"
env -u DISPLAY QT_QPA_PLATFORM=offscreen Q_MARL_MPV_OPTIONS=vo=null,hwdec=no,ao=null \
    QT_LOGGING_RULES="*.warning=false" "$build/bin/sync_bench" "$seconds" "${files[@]}"

echo "== three mpv command-line players"
for rate in 1 3 15 60; do
    start=$(awk -v r="$rate" 'BEGIN { print (r >= 15) ? 2 : 2 }')
    /usr/bin/time -f "%U %S %e" -o "$media/time.txt" bash -c '
        for f in "$@"; do
            timeout '"$seconds"' mpv --no-config --no-terminal --vo=null --hwdec=no --ao=null \
                --speed='"$rate"' --start='"$start"' "$f" &
        done; wait' _ "${files[@]}" || true
    read -r user sys wall < "$media/time.txt"
    awk -v r="$rate" -v u="$user" -v s="$sys" -v w="$wall" \
        'BEGIN { printf "%sx  CPU %.0f %% of one core (over %.1f s)\n", r, (u + s) / w * 100, w }'
done
