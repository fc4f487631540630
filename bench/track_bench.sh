#!/usr/bin/env bash
# Times track extraction on 1 GiB recordings with one hour of samples (3600) per layout, and the
# transport-stream reader's throughput against `cat` on the same cached file. Run by hand:
#   bench/track_bench.sh [BUILD_DIR]      (default build/bench, configured Release)
# Targets: under 20 ms per MP4/MOV file; transport stream at 80 % or more of cat's throughput.
# The further layouts (every fixture the generator writes beyond the six older layouts) are made
# as one hour of samples in 1 GiB files by the fixture generator itself (streams padded with null
# packets), one at a time, and timed beside `cat`, `exiftool -ee3` and ExifTool 13.59 on the same
# file: found through an index or a metadata track, 20 ms or less; found by scanning the media
# data, at least as fast as cat; at least 50 times faster than ExifTool. One recording per layout;
# QMARL_BENCH_ALL=1 times every generated one, QMARL_BENCH_ONLY="NAME..." those named only.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel 2 --target track_bench make_track_fixtures q-marl-track >/dev/null

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

echo "== further layouts: one hour of samples in a 1 GiB file each (best of 5, cached)"
older=" gps0.mp4 gpsindex-old.mp4 gpsindex-new.mp4 hisilicon.mp4 freegps.mov tokyo.ts shenzhen-head.ts chip-end0.mp4 chip-end5.mov chip-end8.mp4 plain.mp4 plain.ts "
"$build/bin/make_track_fixtures" --seconds 3 --size 64x48 --fps 2 "$work/small" >/dev/null
printf "%-28s %10s %10s %10s %10s %8s %8s %8s  %s\n" file ours_ms cat_ms exiftool_ms exif13_ms vs_cat vs_exif vs_exif13 layout
declare -A seen
exiftool13=${QMARL_EXIFTOOL_13:-build/exiftool-13.59/node_modules/exiftool-vendored.pl/bin/exiftool}
for small in "$work"/small/*.mp4 "$work"/small/*.mov "$work"/small/*.ts; do
    name=$(basename "$small")
    [[ "$older" == *" $name "* ]] && continue
    [[ -n "${QMARL_BENCH_ONLY:-}" && " $QMARL_BENCH_ONLY " != *" $name "* ]] && continue
    # The probe exits non-zero for a layout it names but cannot decode (a cipher not learnt
    # from three seconds): the hour-long file is still timed.
    probe=$("$build/bin/q-marl-track" --probe "$small" 2>/dev/null || true)
    # One recording per layout (freeGPS blocks: one through the index, one by scanning), unless
    # QMARL_BENCH_ALL=1 asks for every one.
    key=$(awk '/^layout:/ { l = $2 } /^variant: found by scanning/ { s = "-scan" } END { print l s }' <<<"$probe")
    if [[ -z "${QMARL_BENCH_ALL:-}" && -z "${QMARL_BENCH_ONLY:-}" ]]; then
        [[ -n "${seen[$key]:-}" ]] && continue
        seen[$key]=1
    fi
    rm -rf "$work/hour"
    "$build/bin/make_track_fixtures" --seconds 3600 --size 64x48 --fps 1 --pad-mib 1024 \
        --only "$name" "$work/hour" >/dev/null
    file="$work/hour/$name"
    # The generator pads only the MP4 and MOV bases: a stream gets null packets up to 1 GiB.
    if [[ "$name" == *.ts ]]; then
        # A trailer found from the file's end ("&&&&" and its length in the last 8 bytes) stays
        # at the end: the packets go before it.
        perl -e 'open my $f, "+<", $ARGV[0] or die; binmode $f; my $size = -s $ARGV[0];
                 my $trailer = ""; seek $f, $size - 8, 0; read $f, my $tail, 8;
                 if (substr($tail, 0, 4) eq "&&&&") { my $l = unpack("N", substr($tail, 4));
                     seek $f, $size - $l, 0; read $f, $trailer, $l; truncate $f, $size - $l; }
                 seek $f, 0, 2; my $p = "\x47\x1f\xff\x10" . ("\xff" x 184);
                 my $n = int((2**30 - $size) / 188);
                 while ($n > 0) { my $k = $n < 10000 ? $n : 10000; print $f $p x $k; $n -= $k }
                 print $f $trailer' "$file"
    fi
    line=$("$build/bin/track_bench" --time "$file" 2>/dev/null)
    ours=$(awk '{ print $2 }' <<<"$line")
    layout=$(awk '{ print $NF }' <<<"$line")
    cat "$file" >/dev/null
    start=$(date +%s%N); cat "$file" >/dev/null; cat_ms=$(( ($(date +%s%N) - start) / 1000000 ))
    # ExifTool is given five minutes; a ratio printed from 300000 ms means it took longer.
    start=$(date +%s%N); timeout 300 exiftool -ee3 -n -j "$file" >/dev/null || true
    exif_ms=$(( ($(date +%s%N) - start) / 1000000 ))
    start=$(date +%s%N); timeout 300 "$exiftool13" -ee3 -n -j "$file" >/dev/null 2>&1 || true
    exif13_ms=$(( ($(date +%s%N) - start) / 1000000 ))
    awk -v n="$name" -v o="$ours" -v c="$cat_ms" -v e="$exif_ms" -v e3="$exif13_ms" -v l="$layout" -v lines="$(awk '{ print $7 }' <<<"$line")" 'BEGIN {
        printf "%-28s %10.2f %10d %10d %10d %7.1fx %7.0fx %7.0fx  %s (%s lines)\n", n, o, c, e, e3, (o > 0 ? c / o : 0), (o > 0 ? e / o : 0), (o > 0 ? e3 / o : 0), l, lines }'
    rm -rf "$work/hour"
done
