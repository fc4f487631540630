#!/usr/bin/env bash
# Installs what is missing, builds Q-MARL with warnings as errors and runs the whole suite,
# then builds it again with AddressSanitizer and UndefinedBehaviorSanitizer and runs it again.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
    local dir=$1; shift
    cmake -S . -B "$dir" -DQMARL_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" --parallel "$jobs"
    (cd "$dir" && ctest --output-on-failure --timeout 600)
}

echo "== Suite (warnings as errors)"
run_suite build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== Suite under AddressSanitizer + UndefinedBehaviorSanitizer"
run_suite build/asan -DCMAKE_BUILD_TYPE=Debug -DQMARL_SANITIZE=ON
