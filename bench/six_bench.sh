#!/usr/bin/env bash
# Six channels, run by hand: the car's six one-minute cameras (1280x960, 36 fps, H.264) played
# by Q-MARL's players kept in step at 1x, 3x, 15x and 60x, next to six mpv command-line
# players on the same files with the viewer's options (no video output, software decoding, no
# sound); first the same for three 640x360 channels as the baseline. Prints the time until
# every pane shows a picture, how far each channel strays from the front, the CPU use and the
# resident memory of the viewer's process against the mpv players' together.
#     bench/six_bench.sh [build folder] [seconds per rate]
set -euo pipefail
build=$(realpath "${1:-build}")
seconds=${2:-10}
[[ -x "$build/bin/six_bench" ]] || { echo "build six_bench first (in $build)" >&2; exit 1; }
source "$(dirname "$0")/needs_mpv.sh"

media="$build/bench-media/six"
source "$(dirname "$0")/six_bench_media.sh"

mpv_players() { # rate files...
    local rate=$1; shift
    local pids=() rss=0
    # About the same wall time as the viewer's, within the minute the files hold.
    local length=$((seconds * rate < 57 ? seconds * rate : 57))
    for f in "$@"; do
        mpv --no-config --no-terminal --vo=null --hwdec=no --ao=null --speed="$rate" \
            --start=2 --length="$length" "$f" &
        pids+=($!)
    done
    sleep 3
    for p in "${pids[@]}"; do
        rss=$((rss + $(ps -o rss= -p "$p" 2>/dev/null || echo 0)))
    done
    echo "$rss" > "$media/rss.txt"
    wait
}
export -f mpv_players
export seconds media

run_set() { # title files...
    local title=$1; shift
    echo "== $title: Q-MARL players, kept in step"
    env -u DISPLAY QT_QPA_PLATFORM=offscreen Q_MARL_MPV_OPTIONS=vo=null,hwdec=no,ao=null \
        QT_LOGGING_RULES="*.warning=false" "$build/bin/six_bench" "$seconds" "$@"
    echo "== $title: $# mpv command-line players"
    for rate in 1 3 15 60; do
        /usr/bin/time -f "%U %S %e" -o "$media/time.txt" bash -c 'mpv_players "$@"' _ "$rate" "$@" \
            || true
        read -r user sys wall < "$media/time.txt"
        awk -v r="$rate" -v u="$user" -v s="$sys" -v w="$wall" -v m="$(cat "$media/rss.txt")" \
            'BEGIN { printf "%sx  CPU %.0f %% of one core (over %.1f s)", r, (u + s) / w * 100, w
                     if (r == 1) printf ", resident %.0f MiB together (3 s in)", m / 1024
                     print "" }'
    done
}

run_set "three 640x360 channels" "$media"/2024_0516_101500_001{A,B,C}.MP4
car=()
for camera in front back left_repeater right_repeater left_pillar right_pillar; do
    car+=("$media/2025-11-20_14-03-12-$camera.mp4")
done
run_set "six 1280x960 channels" "${car[@]}"
