#!/usr/bin/env bash
# The test command: installs what the project needs, builds everything and runs every test, then
# runs the tests again in a build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${ZV_JOBS:-$(nproc)}
"$root/scripts/install-deps.sh"

"$root/scripts/build.sh"
(cd "$root/build" && ctest --output-on-failure --timeout 600 -j "$jobs")

# The sanitizer build leaves out the benchmarks and the checks that run the plug-in inside
# third-party hosts, which cannot load a sanitized library.
ZV_BUILD_DIR="$root/build-sanitize" "$root/scripts/build.sh" -DZV_SANITIZE=ON -DZV_BUILD_BENCHMARKS=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$root/build-sanitize" && ctest --output-on-failure --timeout 900 -j "$jobs" -E 'lv2_bundle|ardour|vst2_exports')
