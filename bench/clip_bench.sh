#!/usr/bin/env bash
# Clip export figures, run by hand on a 70 s three-channel 1080p30 recording (made once by the
# fixture generator, which takes a few minutes):
#   - the lossless cut of 60 s from all three channels (target: under 1 s in all);
#   - the composed 60 s at 1280x720, 30 fps, next to an ffmpeg command line doing the same
#     layout and encoding (target: ratio at most 1.2), and its real-time factor.
#   - a drive across recordings: see below (CLIP_BENCH_PART=drive runs that part alone).
#     bench/clip_bench.sh [build folder]        (default build/test; needs q-marl-clip and
#                                                make_track_fixtures built there)
set -euo pipefail
build=$(realpath "${1:-build/test}")
clip="$build/bin/q-marl-clip"
[[ -x "$clip" && -x "$build/bin/make_track_fixtures" ]] ||
    { echo "build q-marl-clip and make_track_fixtures first (in $build)" >&2; exit 1; }

work=$(mktemp -d /tmp/qmarl-clip-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# "wall user+sys" seconds of a command into a fresh output folder, its output thrown away.
measure() {
    rm -rf "${work:?}"/out && mkdir "$work/out"
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >/dev/null
    awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time"
}
# The smaller of two "wall cpu" pairs, by wall time.
better() {
    awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " ");
        print (b == "" || x[1] + 0 < y[1] + 0) ? a : b }'
}

if [[ "${CLIP_BENCH_PART:-all}" != drive ]]; then
    media="$build/bench-media/clip70"
    if [[ ! -f "$media/2024_0516_101500_001C.MP4" ]]; then
        echo "writing three 70 s 1080p30 channels (takes a while)"
        "$build/bin/make_track_fixtures" --demo --seconds 70 --size 1920x1080 --fps 30 "$media.part"
        rm -rf "$media" && mv "$media.part" "$media"
    fi
    channels=("$media/2024_0516_101500_001A.MP4" "$media/2024_0516_101500_001B.MP4"
              "$media/2024_0516_101500_001C.MP4")
    echo "== lossless cut of 60 s, three channels (best of 3)"
    cut=""
    for _ in 1 2 3; do
        cut=$(better "$(measure "$clip" --from 5 --to 65 --no-composed --no-gpx --output "$work/out" \
                       "${channels[@]}")" "$cut")
    done
    echo "q-marl-clip: ${cut% *} s wall"

    # The same picture from ffmpeg: the window's three-channel placement of q-marl-clip at 720p
    # (a 48-pixel strip below 1280x672: front 1280x448 at the top, back and inside 640x224 below,
    # at even coordinates), the same scaling, encoder settings and faststart, the front's sound.
    ffmpeg_cmd=(ffmpeg -nostdin -loglevel error -y
        -ss 5 -t 60 -i "${channels[0]}" -ss 5 -t 60 -i "${channels[1]}" -ss 5 -t 60 -i "${channels[2]}"
        -f lavfi -i "color=c=black:s=1280x720:r=30:d=60"
        -filter_complex "[0:v]scale=1280:448:flags=bilinear[a];[1:v]scale=640:224:flags=bilinear[b];\
[2:v]scale=640:224:flags=bilinear[c];[3:v][a]overlay=0:0:shortest=1[ab];[ab][b]overlay=0:446[abb];\
[abb][c]overlay=638:446,drawbox=x=0:y=672:w=1280:h=48:color=black:t=fill,format=yuv420p[v]"
        -map "[v]" -map 0:a? -c:v libx264 -preset veryfast -crf 23 -g 60 -r 30 -c:a copy
        -movflags +faststart "$work/out/ffmpeg.mp4")

    # Taken in turns, so a busy spell of the machine weighs on both alike.
    echo "== composed 60 s, 1280x720 at 30 fps (best of 3 each, in turns; wall and CPU seconds)"
    ours="" theirs=""
    for _ in 1 2 3; do
        ours=$(better "$(measure "$clip" --from 5 --to 65 --no-copy --no-gpx --output "$work/out" \
                        "${channels[@]}")" "$ours")
        theirs=$(better "$(measure "${ffmpeg_cmd[@]}")" "$theirs")
    done
    echo "q-marl-clip: ${ours% *} s wall, ${ours#* } s CPU"
    echo "ffmpeg:      ${theirs% *} s wall, ${theirs#* } s CPU"
    awk -v o="${ours% *}" -v t="${theirs% *}" 'BEGIN {
        printf "ratio q-marl-clip / ffmpeg = %.2f; real-time factor = %.2f (60 s of video)\n",
               o / t, 60 / o }'
fi

# A drive: 30 minutes of three 1080p30 channels across 10 recordings (made once, takes long;
# DRIVE_RECORDINGS, DRIVE_SECONDS and DRIVE_SIZE make it smaller):
#   - the lossless join of the whole drive, all three channels, next to `cat` reading and
#     writing the same bytes (target: ratio at most 1.5);
#   - the composed 16x time-lapse at 1280x720 next to an ffmpeg command line doing the same
#     layout from the concatenated recordings (target: ratio at most 1.2).
recordings=${DRIVE_RECORDINGS:-10} seconds=${DRIVE_SECONDS:-180} size=${DRIVE_SIZE:-1920x1080}
total=$((recordings * seconds))
drive="$build/bench-media/drive-${recordings}x${seconds}-$size"
if [[ ! -f "$drive/done" ]]; then
    echo "writing $recordings recordings of $seconds s, three $size channels (takes a while)"
    rm -rf "$drive.part"
    "$build/bin/make_track_fixtures" --clock --recordings "$recordings" --seconds "$seconds" \
        --size "$size" --fps 30 "$drive.part"
    touch "$drive.part/done"
    rm -rf "$drive" && mv "$drive.part" "$drive"
fi
fronts=("$drive"/*A.MP4)
for c in A B C; do
    for f in "$drive"/*"$c".MP4; do echo "file '$f'"; done >"$work/list$c.txt"
done
bytes=$(cat "$drive"/*.MP4 | wc -c)

echo "== lossless join of $total s over $recordings recordings, three channels" \
     "($((bytes >> 20)) MiB; best of 3 each, in turns)"
join="" copy=""
for _ in 1 2 3; do
    join=$(better "$(measure "$clip" --drive --from 0 --to "$total" --no-composed --no-gpx \
                     --output "$work/out" "${fronts[@]}")" "$join")
    copy=$(better "$(measure sh -c "for c in A B C; do cat '$drive'/*\$c.MP4 >'$work/out/'\$c; done")" \
                  "$copy")
done
echo "q-marl-clip: ${join% *} s wall"
echo "cat:         ${copy% *} s wall"
awk -v o="${join% *}" -v t="${copy% *}" 'BEGIN { printf "ratio q-marl-clip / cat = %.2f\n", o / t }'

# The same layout as above, each channel the concatenated recordings, every 16th moment at 30 fps.
lapse=$(awk -v t="$total" 'BEGIN { printf "%.3f", t / 16 }')
ffmpeg_lapse=(ffmpeg -nostdin -loglevel error -y
    -f concat -safe 0 -i "$work/listA.txt" -f concat -safe 0 -i "$work/listB.txt"
    -f concat -safe 0 -i "$work/listC.txt" -f lavfi -i "color=c=black:s=1280x720:r=30:d=$lapse"
    -filter_complex "[0:v]setpts=(PTS-STARTPTS)/16,fps=30,scale=1280:448:flags=bilinear[a];\
[1:v]setpts=(PTS-STARTPTS)/16,fps=30,scale=640:224:flags=bilinear[b];\
[2:v]setpts=(PTS-STARTPTS)/16,fps=30,scale=640:224:flags=bilinear[c];\
[3:v][a]overlay=0:0:shortest=1[ab];[ab][b]overlay=0:446[abb];\
[abb][c]overlay=638:446,drawbox=x=0:y=672:w=1280:h=48:color=black:t=fill,format=yuv420p[v]"
    -map "[v]" -an -c:v libx264 -preset veryfast -crf 23 -g 60 -r 30 -movflags +faststart
    "$work/out/ffmpeg.mp4")

echo "== composed 16x time-lapse of $total s at 1280x720 (${lapse} s of video; best of 2 each," \
     "in turns; wall and CPU seconds)"
ours="" theirs=""
for _ in 1 2; do
    ours=$(better "$(measure "$clip" --drive --speed 16 --from 0 --to "$total" --no-copy --no-gpx \
                     --output "$work/out" "${fronts[@]}")" "$ours")
    theirs=$(better "$(measure "${ffmpeg_lapse[@]}")" "$theirs")
done
echo "q-marl-clip: ${ours% *} s wall, ${ours#* } s CPU"
echo "ffmpeg:      ${theirs% *} s wall, ${theirs#* } s CPU"
awk -v o="${ours% *}" -v t="${theirs% *}" 'BEGIN {
    printf "ratio q-marl-clip / ffmpeg = %.2f\n", o / t }'
