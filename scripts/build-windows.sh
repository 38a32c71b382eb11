#!/usr/bin/env bash
# The Windows command: installs what the Windows build needs (Debian packages only), cross-builds
# the 64-bit plug-in DLL and the CLAP plug-in with mingw-w64 into build-windows/, runs the Windows
# tests under wine, comparing the audio with the Linux build's, makes the installer
# (build-windows/windows/ZV-Reverb-LX-<version>-win64-setup.exe, with NSIS) and proves it under
# wine: install, upgrade and removal in a fresh prefix (scripts/windows/check-installer.sh).
# Usage: scripts/build-windows.sh
#   ZV_JOBS          parallel jobs (default: the number of processors)
#   ZV_LINUX_BUILD   the Linux build folder whose VST 2.4 library renders the reference audio
#                    (default: build-windows/linux, configured here without tests; pointing it
#                    at an existing build/ saves compiling the framework for Linux once more)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-windows
jobs=${ZV_JOBS:-$(nproc)}
toolchain=$root/cmake/mingw-w64-x86_64.cmake
started=$SECONDS
step() { printf '== %s (%ds)\n' "$*" $((SECONDS - started)); }

step "Installing packages"
"$root/scripts/install-deps.sh"
windows_packages=(
  # the cross compilers with POSIX threads, and the Windows zlib
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev libz-mingw-w64-dev
  # runs the Windows programs; the editor check draws on Xvfb
  wine wine64 xvfb xauth
  # makes the installer
  nsis
  # apt-get source unpacks the image libraries' source packages with dpkg-source
  dpkg-dev
)
missing=()
for p in "${windows_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
mkdir -p "$build"

step "Building static libpng and libjpeg for Windows from Debian's sources"
ZV_JOBS=$jobs "$root/scripts/windows/build-image-libraries.sh" "$build/deps" "$build/deps/prefix" "$toolchain"

step "Rendering the reference audio with the Linux build"
linux_build=${ZV_LINUX_BUILD:-$build/linux}
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DZV_BUILD_TESTS=OFF -DZV_BUILD_BENCHMARKS=OFF > "$build/linux.configure.log" 2>&1 ||
    { cat "$build/linux.configure.log"; exit 1; }
fi
# The installer's files that our own programs make (the icon, the factory bank and presets).
cmake --build "$linux_build" -j "$jobs" --target ZVReverbLX_VST zv_windows_installer_files
linux_library=$(find "$linux_build/plugin" -path '*/VST/*.so' -print -quit)
mkdir -p "$build/reference"
g++ -std=c++17 -O2 -Wall -Wextra -Wno-cpp -o "$build/reference/render-linux-reference" \
  "$root/tests/windows/RenderLinuxReference.cpp" -ldl
"$build/reference/render-linux-reference" "$linux_library" "$build/reference/linux-output.f32"
# The CLAP build's reference, through our CLAP host built for Linux.
cmake --build "$linux_build" -j "$jobs" --target ZVReverbLX_CLAP
g++ -std=c++17 -O2 -Wall -Wextra -I"$root" -o "$build/reference/clap-render-check" \
  "$root/tests/clap/ClapRenderCheck.cpp" -ldl
"$build/reference/clap-render-check" "$linux_build/plugin/clap/ZV-Reverb LX.clap" --write "$build/reference/linux-clap-output.f32"

step "Cross-building the Windows DLL"
wine_prefix=$build/wine
cmake -S "$root" -B "$build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DZV_WINDOWS_PREFIX="$build/deps/prefix" \
  -DZV_BUILD_TESTS=OFF -DZV_BUILD_BENCHMARKS=OFF \
  "-DCMAKE_CROSSCOMPILING_EMULATOR=env;WINEPREFIX=$wine_prefix;WINEARCH=win64;WINEDEBUG=-all;wine" \
  -DZV_LINUX_REFERENCE="$build/reference/linux-output.f32" \
  -DZV_CLAP_LINUX_REFERENCE="$build/reference/linux-clap-output.f32" \
  -DZV_INSTALLER_FILES="$linux_build/windows-installer-files" > "$build/windows.configure.log" 2>&1 ||
  { cat "$build/windows.configure.log"; exit 1; }
cmake --build "$build/windows" -j "$jobs" --target ZVReverbLX_VST zv_windows_host_tests ZVReverbLX_CLAP zv_clap_render_check

step "Making the installer"
cmake --build "$build/windows" --target zv_windows_installer
installer=$(find "$build/windows" -maxdepth 1 -name 'ZV-Reverb-LX-*-win64-setup.exe' -print -quit)

step "Running the Windows tests under wine"
if [ ! -f "$wine_prefix/system.reg" ]; then
  WINEPREFIX=$wine_prefix WINEARCH=win64 WINEDEBUG=-all wineboot --init > "$build/wineboot.log" 2>&1 ||
    { cat "$build/wineboot.log"; exit 1; }
fi
# Wine's desktop process, once started without a display, would serve the editor check's windows
# without one too: let every wine process of the set-up end before the tests start theirs.
WINEPREFIX=$wine_prefix wineserver -w || true
status=0
xvfb-run -a -s "-screen 0 1024x768x24" \
  ctest --test-dir "$build/windows/tests/windows" --output-on-failure --timeout 600 || status=$?
# Wine's server stays behind for a few seconds after the last program; wait for it to go.
WINEPREFIX=$wine_prefix wineserver -w || true

step "Installing, upgrading and removing with the installer under wine, in a fresh prefix"
"$root/scripts/windows/check-installer.sh" "$installer" \
  "$build/windows/tests/windows/zv_windows_host_tests.exe" "$build/reference/linux-output.f32" 1e-6 \
  "$build/windows/tests/windows/zv_clap_render_check.exe" "$build/reference/linux-clap-output.f32" || status=1

dll=$(find "$build/windows/plugin" -name 'ZV-Reverb LX.dll' -print -quit)
step "Done"
echo "DLL: $dll ($(stat -c %s "$dll") bytes)"
echo "Installer: $installer ($(stat -c %s "$installer") bytes)"
exit $status
