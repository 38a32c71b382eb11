#!/usr/bin/env bash
# Rebuilds the artwork program and redraws the editor's six pictures into resources/.
# Usage: scripts/draw-artwork.sh [build folder]   (default: build-artwork in the repository)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-artwork}"
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DZV_BUILD_TESTS=OFF -DZV_BUILD_BENCHMARKS=OFF
ninja -C "$build" -j2 zv_draw_artwork
"$(find "$build" -type f -name zv_draw_artwork -perm -u+x | head -n 1)" "$root/resources"
