#!/usr/bin/env bash
# Builds static mingw-w64 libpng and libjpeg for the framework's image loaders, from Debian's own
# source packages. Debian's framework leaves out the copies it usually carries, and Debian has no
# Windows builds of these two libraries.
# Usage: build-image-libraries.sh WORK_DIR PREFIX TOOLCHAIN_FILE
# Does nothing when PREFIX already holds both libraries.
set -euo pipefail
mkdir -p "$1" "$2"
work=$(cd "$1" && pwd) prefix=$(cd "$2" && pwd) toolchain=$(realpath "$3")
jobs=${ZV_JOBS:-$(nproc)}

if [ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpegint.h" ]; then
    exit 0
fi

# apt fetches the sources through a configuration of our own, so that the machine's package
# sources stay untouched (they usually list no source packages at all).
apt_dir=$work/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d" "$work/src"
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" \
    > "$apt_dir/sources.list"
apt_options=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "Debug::NoLocking=1"
)
apt-get "${apt_options[@]}" -qq update
(cd "$work/src" && apt-get "${apt_options[@]}" -qq source libpng1.6 libjpeg-turbo > "$work/src/apt-source.log" 2>&1) ||
    { cat "$work/src/apt-source.log"; exit 1; }

png_src=$(find "$work/src" -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
jpeg_src=$(find "$work/src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)

cmake -S "$png_src" -B "$work/png-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON \
    > "$work/png-configure.log" 2>&1 || { cat "$work/png-configure.log"; exit 1; }
cmake --build "$work/png-build" -j "$jobs" --target install > "$work/png-build.log" 2>&1 ||
    { cat "$work/png-build.log"; exit 1; }

cmake -S "$jpeg_src" -B "$work/jpeg-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DWITH_JAVA=OFF \
    > "$work/jpeg-configure.log" 2>&1 || { cat "$work/jpeg-configure.log"; exit 1; }
cmake --build "$work/jpeg-build" -j "$jobs" --target install > "$work/jpeg-build.log" 2>&1 ||
    { cat "$work/jpeg-build.log"; exit 1; }

# The framework includes jpeglib.h inside a namespace of its own, after <windows.h>, with the
# library's internal definitions switched on: jpegint.h must be installed, and the boolean type
# must be declared in that namespace even though the Windows headers already declared one
# globally (both are unsigned char).
cp "$jpeg_src/jpegint.h" "$prefix/include/"
sed -i '/^#ifndef __RPCNDR_H__/{N;N;s/^#ifndef __RPCNDR_H__[^\n]*\n\(typedef unsigned char boolean;\)\n#endif/\1/}' \
    "$prefix/include/jconfig.h"
grep -q '^typedef unsigned char boolean;' "$prefix/include/jconfig.h"
