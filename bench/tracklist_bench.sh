#!/usr/bin/env bash
# A card's folder of N three-channel one-minute recordings, then K switches within its drive,
# drawn for real: under Xvfb with mpv's software OpenGL output, so the blank time at each switch
# is what a user would see.
#     bench/tracklist_bench.sh [build folder] [N] [K]
set -euo pipefail
build=$(realpath "${1:-build/test}")
[[ -x "$build/bin/tracklist_bench" ]] || { echo "build tracklist_bench first (in $build)" >&2; exit 1; }
QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none \
    Q_MARL_MPV_OPTIONS=vo=gpu,gpu-sw=yes,hwdec=no,ao=null \
    xvfb-run -a -s "-screen 0 1600x1000x24" "$build/bin/tracklist_bench" "${2:-500}" "${3:-5}"
