#!/usr/bin/env bash
# Configures and builds everything (plug-in formats, tools, tests, benchmarks) into build/.
# The compiler's output goes to a log; warnings in our own sources are shown, the framework's are not.
# Usage: scripts/build.sh [extra cmake arguments]   (ZV_BUILD_DIR, ZV_JOBS override the defaults;
# ZV_TARGETS, a space-separated list, builds only those targets and what they need)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZV_BUILD_DIR:-$root/build}
jobs=${ZV_JOBS:-$(nproc)}
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" > "$build/configure.log" 2>&1 ||
    { cat "$build/configure.log"; exit 1; }
echo "Building in $build with $jobs jobs (compiler output in $build/build.log)"
started=$SECONDS
targets=()
for t in ${ZV_TARGETS:-}; do targets+=(--target "$t"); done
if ! cmake --build "$build" -j "$jobs" "${targets[@]}" > "$build/build.log" 2>&1; then
    grep -E -A12 '(error|FAILED)' "$build/build.log" | head -150
    echo "Build failed; the whole output is in $build/build.log"
    exit 1
fi
ours="^$root/(engine|processor|editor|resources|plugin|tools|tests|bench)/[^:]*:[0-9]+:[0-9]+: warning"
if grep -E -A4 "$ours" "$build/build.log"; then
    echo "Warnings in our own sources (above)."
fi
echo "Built in $((SECONDS - started)) s."
