#!/usr/bin/env bash
# Takes the picture of the installer's first page for the README: the installer runs under wine on
# a virtual display of its own (Xvfb) in a throwaway prefix, and its window is saved as a PNG.
# Usage: scripts/windows/screenshot-installer.sh INSTALLER OUT.png
# Needs xwd (x11-apps) and netpbm, which it installs; nothing else of the project uses them.
set -euo pipefail
installer=$(realpath "$1")
out=$(realpath -m "$2")
missing=()
for p in x11-apps netpbm; do
    dpkg-query -W -f='${Status}' "$p" 2> /dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
work=$(mktemp -d)
trap 'WINEPREFIX=$work/prefix wineserver -k 2> /dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
wineboot --init > /dev/null 2>&1
wineserver -w
version=$(basename "$installer" | sed -E 's/^ZV-Reverb-LX-(.*)-win64-setup\.exe$/\1/')
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wine "$1" &
    for i in $(seq 1 60); do
        sleep 1
        xwd -silent -name "$2" > "$3/page.xwd" 2> /dev/null && break
    done
    sleep 2 # the page finishes drawing
    xwd -silent -name "$2" | xwdtopnm 2> /dev/null | pnmtopng > "$4"
    wineserver -k
' _ "$installer" "ZV-Reverb LX $version Setup" "$work" "$out"
echo "wrote $out"
