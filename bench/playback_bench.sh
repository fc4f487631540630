#!/usr/bin/env bash
# Playback CPU figures, run by hand: three 1080p 30 fps channels played for 20 s at 1x in
# Q-MARL's players (vo=null, hwdec=no), then the same three files in three mpv command-line
# players in parallel. Prints both CPU times and their ratio.
#     bench/playback_bench.sh [build folder] [seconds]
set -euo pipefail
build=$(realpath "${1:-build}")
seconds=${2:-20}
bench="$build/bin/playback_bench"
[[ -x "$bench" ]] || { echo "build playback_bench first (in $build)" >&2; exit 1; }

source "$(dirname "$0")/needs_mpv.sh"

# Dash-camera-like channels: H.264 at about 10 Mbit/s with changing content, AAC sound.
media="$build/bench-media"
mkdir -p "$media"
length=$((seconds + 5))
if [[ ! -f "$media/channel_${length}s.mp4" ]]; then
    echo "writing a ${length} s 1080p30 test channel (takes a while)"
    ffmpeg -nostdin -loglevel error -y \
        -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=$length" \
        -f lavfi -i "sine=frequency=440:duration=$length" \
        -vf "noise=alls=12:allf=t" -c:v libx264 -preset veryfast -b:v 10M -maxrate 12M \
        -bufsize 20M -pix_fmt yuv420p -c:a aac -b:a 64k -f mp4 "$media/part.mp4"
    mv "$media/part.mp4" "$media/channel_${length}s.mp4"
fi
files=()
for name in front back inside; do
    cp -f "$media/channel_${length}s.mp4" "$media/$name.mp4"
    files+=("$media/$name.mp4")
done


echo "== Q-MARL players"
read -r ours_user ours_sys ours_wall < <(
    env -u DISPLAY QT_QPA_PLATFORM=offscreen Q_MARL_MPV_OPTIONS=vo=null,hwdec=no,ao=null \
        /usr/bin/time -f "%U %S %e" -o "$media/time.txt" "$bench" "$seconds" "${files[@]}" >&2
    cat "$media/time.txt")
echo "whole process: user $ours_user s, sys $ours_sys s, wall $ours_wall s"

echo "== mpv command-line players"
mpv_one() {
    mpv --no-config --no-terminal --vo=null --hwdec=no --ao=null --length="$seconds" "$1"
}
export -f mpv_one
export seconds
read -r mpv_user mpv_sys mpv_wall < <(
    /usr/bin/time -f "%U %S %e" -o "$media/time.txt" \
        bash -c 'mpv_one "$1" & mpv_one "$2" & mpv_one "$3" & wait' _ "${files[@]}"
    cat "$media/time.txt")
echo "three processes: user $mpv_user s, sys $mpv_sys s, wall $mpv_wall s"

awk -v ou="$ours_user" -v os="$ours_sys" -v mu="$mpv_user" -v ms="$mpv_sys" 'BEGIN {
    ours = ou + os; theirs = mu + ms;
    printf "cpu: ours %.2f s, mpv %.2f s, ours/mpv %.3f (overhead %+.1f %%)\n",
           ours, theirs, ours / theirs, 100 * (ours / theirs - 1) }'
