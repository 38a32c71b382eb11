#!/usr/bin/env bash
# The test command: installs what the project needs, builds everything and runs every test,
# checks the Debian package made from that build, then runs the tests again in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then runs every fuzzer and the thread-safety
# check for a bounded time (ZV_FUZZ_SECONDS per fuzz target, ZV_TSAN_SECONDS in all).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${ZV_JOBS:-$(nproc)}
"$root/scripts/install-deps.sh"
# Formatting first: a drifted file fails in a second, not after the builds.
"$root/scripts/check-format.sh"

# Every test runs on one virtual X display that lives for the whole run. Without it, the framework
# falls back to display :0, which a test's own short-lived server might hold, and every other
# process connected to it would die with that server. The display never resets: by default an X
# server resets when its last client leaves, and a test connecting in that moment had its
# connection dropped and died of SIGPIPE now and then.
run_ctest() {
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" ctest --output-on-failure "$@"
}

"$root/scripts/build.sh"
(cd "$root/build" && run_ctest --timeout 600 -j "$jobs")

# The engine on another processor: built for arm64 and run under an emulator, golden renders
# included, so that its fallback lanes are proven to give the same bits.
"$root/scripts/test-arm64.sh"

# The Debian package, made from that release build: checked with lintian, installed with apt-get,
# found by Ardour and the shell in the system's locations, and removed without a trace.
"$root/scripts/package-check.sh"

# The sanitizer build leaves out the benchmarks and the checks that run the plug-in inside
# third-party hosts, which cannot load a sanitized library.
ZV_BUILD_DIR="$root/build-sanitize" "$root/scripts/build.sh" -DZV_SANITIZE=ON -DZV_BUILD_BENCHMARKS=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$root/build-sanitize" && run_ctest --timeout 900 -j "$jobs" -E 'lv2_bundle|ardour|vst2_exports')

# Fuzzing (clang, libFuzzer, ASan and UBSan) and the ThreadSanitizer check, each in a build of its
# own. Longer campaigns: scripts/fuzz.sh SECONDS, scripts/tsan.sh SECONDS.
"$root/scripts/fuzz.sh" "${ZV_FUZZ_SECONDS:-30}"
"$root/scripts/tsan.sh" "${ZV_TSAN_SECONDS:-60}"
