#!/usr/bin/env bash
# The thread-safety check: builds the thread tests with ThreadSanitizer into build-tsan/ and runs
# them on a virtual X display. A hostile host calls the plug-in from many threads at once (see
# tests/threads/); any data race the sanitizer sees stops the run with a report and a failure.
# Reports from inside the framework are suppressed only as tests/threads/tsan.supp lists, each
# with its reason.
# Usage: scripts/tsan.sh [seconds]   (the threads' total running time, default ZV_TSAN_SECONDS or
# 60; ZV_JOBS as for scripts/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-${ZV_TSAN_SECONDS:-60}}
build="$root/build-tsan"
tests=(processor_thread_tests vst2_thread_tests)

# Only the two test programs and what they need (the shared code and the VST 2.4 library).
ZV_BUILD_DIR="$build" ZV_TARGETS="${tests[*]}" "$root/scripts/build.sh" -DZV_TSAN=ON -DZV_BUILD_BENCHMARKS=OFF

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/threads/tsan.supp"
# The running time is shared between the programs.
export ZV_THREAD_TEST_SECONDS=$(awk -v s="$seconds" -v n="${#tests[@]}" 'BEGIN { print s / n }')
started=$SECONDS
for test in "${tests[@]}"; do
    echo "== $test (${ZV_THREAD_TEST_SECONDS} s)"
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$build/tests/threads/$test"
done
echo "Thread tests ran in $((SECONDS - started)) s."
