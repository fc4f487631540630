#!/usr/bin/env bash
# Writes the six-channel benchmark's recordings once (sourced by bench/six_bench.sh): six
# one-minute car cameras of 1280x960 at 36 fps, H.264 as the car writes them, each a moving
# test picture of its own colour cast; and the baseline of three 640x360 30 fps channels.
#     media=FOLDER; source bench/six_bench_media.sh
mkdir -p "$media"
car_stamp=2025-11-20_14-03-12
car_cameras=(front back left_repeater right_repeater left_pillar right_pillar)
for i in "${!car_cameras[@]}"; do
    out="$media/$car_stamp-${car_cameras[$i]}.mp4"
    [[ -f "$out" ]] && continue
    echo "writing $out (1280x960 at 36 fps, 60 s)"
    nice -n 10 ffmpeg -nostdin -loglevel error -y \
        -f lavfi -i "testsrc2=size=1280x960:rate=36:duration=60" \
        -vf "hue=h=$((i * 60)),noise=alls=8:allf=t" -c:v libx264 -preset veryfast -b:v 8M \
        -maxrate 10M -bufsize 16M -g 36 -pix_fmt yuv420p -an -f mp4 "$media/part.mp4"
    mv "$media/part.mp4" "$out"
done
for letter in A B C; do
    out="$media/2024_0516_101500_001$letter.MP4"
    [[ -f "$out" ]] && continue
    echo "writing $out (640x360 at 30 fps, 60 s)"
    nice -n 10 ffmpeg -nostdin -loglevel error -y \
        -f lavfi -i "testsrc2=size=640x360:rate=30:duration=60" \
        -vf "noise=alls=8:allf=t" -c:v libx264 -preset veryfast -b:v 2M -g 30 \
        -pix_fmt yuv420p -an -f mp4 "$media/part.mp4"
    mv "$media/part.mp4" "$out"
done
