#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Q-MARL need, skipping
# those already present. Runs as root or through sudo. Then, as the calling user, ExifTool 13.59
# into build/exiftool-13.59 (never system-wide): the test suite judges the layouts that only the
# 13 series reads with it, and Debian's ExifTool 12.57 the others.
set -euo pipefail
cd "$(dirname "$0")/.."

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

# npm's package of ExifTool's Perl source, pinned: a newer release may read a layout differently.
exiftool_version=13.59
exiftool_package=exiftool-vendored.pl@13.59.3
exiftool_dir=build/exiftool-$exiftool_version
install_exiftool() {
    local program=$exiftool_dir/node_modules/exiftool-vendored.pl/bin/exiftool
    [[ -x "$program" && "$("$program" -ver 2>/dev/null)" == "$exiftool_version" ]] && return 0
    echo "install-deps: installing ExifTool $exiftool_version into $exiftool_dir"
    mkdir -p "$exiftool_dir"
    npm install --silent --no-audit --no-fund --prefix "$exiftool_dir" "$exiftool_package"
    [[ "$("$program" -ver)" == "$exiftool_version" ]]
}

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
command -v npm >/dev/null || missing+=(npm)
if [[ ${#missing[@]} -eq 0 ]]; then
    install_exiftool
    exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    as_root=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
install_exiftool
