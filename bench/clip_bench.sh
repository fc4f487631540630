#!/usr/bin/env bash
# Clip export figures, run by hand on a 70 s three-channel 1080p30 recording (made once by the
# fixture generator, which takes a few minutes):
#   - the lossless cut of 60 s from all three channels (target: under 1 s in all);
#   - the composed 60 s at 1280x720, 30 fps, next to an ffmpeg command line doing the same
#     layout and encoding (target: ratio at most 1.2), and its real-time factor.
#     bench/clip_bench.sh [build folder]        (default build/test; needs q-marl-clip and
#                                                make_track_fixtures built there)
set -euo pipefail
build=$(realpath "${1:-build/test}")
clip="$build/bin/q-marl-clip"
[[ -x "$clip" && -x "$build/bin/make_track_fixtures" ]] ||
    { echo "build q-marl-clip and make_track_fixtures first (in $build)" >&2; exit 1; }

media="$build/bench-media/clip70"
if [[ ! -f "$media/2024_0516_101500_001C.MP4" ]]; then
    echo "writing three 70 s 1080p30 channels (takes a while)"
    "$build/bin/make_track_fixtures" --demo --seconds 70 --size 1920x1080 --fps 30 "$media.part"
    rm -rf "$media" && mv "$media.part" "$media"
fi
channels=("$media/2024_0516_101500_001A.MP4" "$media/2024_0516_101500_001B.MP4"
          "$media/2024_0516_101500_001C.MP4")
work=$(mktemp -d /tmp/qmarl-clip-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Wall seconds of a command, its output thrown away.
wall() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    awk -v n=$((end - start)) 'BEGIN { printf "%.3f", n / 1e9 }'
}
best_of_3() {
    local best="" t
    for _ in 1 2 3; do
        rm -rf "${work:?}"/out && mkdir "$work/out"
        t=$(wall "$@")
        best=$(awk -v a="$t" -v b="${best:-$t}" 'BEGIN { print (a < b ? a : b) }')
    done
    echo "$best"
}

echo "== lossless cut of 60 s, three channels (best of 3)"
cut=$(best_of_3 "$clip" --from 5 --to 65 --no-composed --no-gpx --output "$work/out" "${channels[@]}")
echo "q-marl-clip: $cut s"

echo "== composed 60 s, 1280x720 at 30 fps"
ours=$(best_of_3 "$clip" --from 5 --to 65 --no-copy --no-gpx --output "$work/out" "${channels[@]}")
echo "q-marl-clip: $ours s"

# The same picture from ffmpeg: the window's three-channel placement of q-marl-clip at 720p
# (a 48-pixel strip below 1280x672: front 1280x448 at the top, back and inside 640x224 below,
# at even coordinates), the same scaling, encoder settings and faststart, the front's sound.
rm -rf "${work:?}"/out && mkdir "$work/out"
ffmpeg_cmd=(ffmpeg -nostdin -loglevel error -y
    -ss 5 -t 60 -i "${channels[0]}" -ss 5 -t 60 -i "${channels[1]}" -ss 5 -t 60 -i "${channels[2]}"
    -f lavfi -i "color=c=black:s=1280x720:r=30:d=60"
    -filter_complex "[0:v]scale=1280:448:flags=bilinear[a];[1:v]scale=640:224:flags=bilinear[b];\
[2:v]scale=640:224:flags=bilinear[c];[3:v][a]overlay=0:0:shortest=1[ab];[ab][b]overlay=0:446[abb];\
[abb][c]overlay=638:446,drawbox=x=0:y=672:w=1280:h=48:color=black:t=fill,format=yuv420p[v]"
    -map "[v]" -map 0:a? -c:v libx264 -preset veryfast -crf 23 -g 60 -r 30 -c:a copy
    -movflags +faststart "$work/out/ffmpeg.mp4")
theirs=$(best_of_3 "${ffmpeg_cmd[@]}")
echo "ffmpeg:      $theirs s"
awk -v o="$ours" -v t="$theirs" 'BEGIN {
    printf "ratio q-marl-clip / ffmpeg = %.2f; real-time factor = %.2f (60 s of video)\n",
           o / t, 60 / o }'
