#!/usr/bin/env bash
# Cross-compiles the engine, its tests and the engine's golden renders for arm64 (Debian's
# aarch64-linux-gnu compilers) and runs them under qemu's user-mode emulator: the engine must
# build on a processor without SSE and give the same bits there. Uses the shared ccache.
# Usage: scripts/test-arm64.sh   (ZV_ARM64_BUILD_DIR, ZV_JOBS override the defaults)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZV_ARM64_BUILD_DIR:-$root/build-arm64}
jobs=${ZV_JOBS:-$(nproc)}
mkdir -p "$build"
started=$SECONDS
cmake -S "$root/tests/arm64" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake" > "$build/configure.log" 2>&1 ||
    { cat "$build/configure.log"; exit 1; }
if ! cmake --build "$build" -j "$jobs" > "$build/build.log" 2>&1; then
    grep -E -A12 '(error|FAILED)' "$build/build.log" | head -150
    echo "arm64 build failed; the whole output is in $build/build.log"
    exit 1
fi
echo "arm64 build: $((SECONDS - started)) s."
(cd "$build" && ctest --output-on-failure --timeout 900 -j "$jobs")
echo "arm64 build and tests: $((SECONDS - started)) s."
