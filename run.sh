#!/usr/bin/env bash
# Installs what is missing, builds Q-MARL and starts the viewer. Arguments go to the viewer.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQMARL_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --parallel "$(nproc)"
exec build/release/bin/q-marl "$@"
