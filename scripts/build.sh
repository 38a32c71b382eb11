#!/usr/bin/env bash
# Configures and builds everything (plug-in formats, tools, tests, benchmarks) into build/.
# Usage: scripts/build.sh [extra cmake arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZV_BUILD_DIR:-$root/build}
jobs=${ZV_JOBS:-$(nproc)}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" > "$build.configure.log" 2>&1 ||
    { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j "$jobs"
