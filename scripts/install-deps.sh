#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Q-MARL need, skipping
# those already present. Runs as root or through sudo.
set -euo pipefail

packages=(
    cmake
    ninja-build
    g++
    pkg-config
    qtbase5-dev
    libqt5sql5-sqlite
    qtwebengine5-dev
    libqt5webchannel5-dev
    qttools5-dev
    qttools5-dev-tools
    libmpv-dev
    libx11-dev
    libavformat-dev
    libavcodec-dev
    libavfilter-dev
    libswscale-dev
    libavutil-dev
    ffmpeg
    libimage-exiftool-perl
    clang
    xvfb
    xauth
    librsvg2-bin
    desktop-file-utils
    libgl1-mesa-dri
    fonts-noto-cjk
    locales
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

as_root=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    as_root=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
