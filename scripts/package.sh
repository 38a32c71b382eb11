#!/usr/bin/env bash
# The packaging command: installs what the project needs, builds what the package holds into
# build/ (the plug-in in every Linux format, the standalone application, zv-render and the manual
# pages; not the tests) and makes the Debian package with CPack:
# out/package/zv-reverb-lx_<version>_<architecture>.deb.
# Usage: scripts/package.sh   (ZV_BUILD_DIR, ZV_JOBS as for build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZV_BUILD_DIR:-$root/build}
out=$root/out/package
"$root/scripts/install-deps.sh"
ZV_BUILD_DIR="$build" ZV_TARGETS=zv_installed_files "$root/scripts/build.sh"

mkdir -p "$out"
rm -f "$out"/*.deb
# CPack installs into a staging folder of its own (stripped, prefix /usr) and packs that; it
# builds nothing itself.
if ! cpack --config "$build/CPackConfig.cmake" -B "$out" > "$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    exit 1
fi
rm -rf "$out/_CPack_Packages"
deb=$(find "$out" -maxdepth 1 -name '*.deb')
echo "Package: $deb ($(stat -c %s "$deb") bytes)"
echo "Install it with: sudo apt-get install $deb"
