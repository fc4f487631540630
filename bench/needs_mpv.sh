# Sourced by the benchmark scripts that compare with the mpv command-line player: installs it
# when missing (as root or through sudo).
if ! command -v mpv >/dev/null; then
    as_root=()
    [[ $(id -u) -eq 0 ]] || as_root=(sudo)
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends mpv
fi
