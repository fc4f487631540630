#!/usr/bin/env bash
# Installs what is missing, builds Q-MARL and starts the viewer. Arguments go to the viewer.
#
# The first run also makes a short three-channel demo recording in build/release/demo; every run
# makes sure the viewer's file list holds it, next to whatever the list already holds.
# QMARL_NO_DEMO=1 leaves the demo out.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQMARL_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --parallel "$(nproc)"

if [[ "${QMARL_NO_DEMO:-0}" != 1 ]]; then
    demo=build/release/demo/2024_0516_101500_001
    [[ -f "$demo"A.MP4 && -f "$demo"B.MP4 && -f "$demo"C.MP4 ]] ||
        echo "run.sh: making the demo recording in build/release/demo (once)"
    # The demo is a nicety: without it the viewer still starts.
    if cmake --build build/release --target qmarl_demo >/dev/null; then
        build/release/bin/qmarl_demo_seed "$demo"A.MP4 "$demo"B.MP4 "$demo"C.MP4 ||
            echo "run.sh: could not put the demo recording into the viewer's list" >&2
    else
        echo "run.sh: could not make the demo recording; starting without it" >&2
    fi
fi

# Started without files of its own, the viewer plays the demo at once.
if [[ $# -eq 0 && "${QMARL_NO_DEMO:-0}" != 1 && -f build/release/demo/2024_0516_101500_001A.MP4 ]]; then
    set -- build/release/demo/2024_0516_101500_001A.MP4
fi
exec build/release/bin/q-marl "$@"
