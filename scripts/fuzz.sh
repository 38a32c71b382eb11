#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (everything instrumented, AddressSanitizer and
# UndefinedBehaviorSanitizer on) into build-fuzz/ and runs each for a bounded time from its seed
# corpus in tests/fuzz/corpus/. Any crash, leak, sanitizer report or hang fails the run; the input
# that caused it is left in build-fuzz/findings/.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${ZV_FUZZ_BUILD_DIR:-$root/build-fuzz}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_state_reader fuzz_state_load fuzz_vst2 fuzz_aax fuzz_render fuzz_vst3_state fuzz_lv2_state fuzz_clap)

"$root/scripts/install-deps.sh"
CC=clang CXX=clang++ ZV_BUILD_DIR="$build" ZV_TARGETS="${targets[*]}" "$root/scripts/build.sh" -DZV_FUZZ=ON -DZV_BUILD_TESTS=OFF \
    -DZV_BUILD_BENCHMARKS=OFF

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/findings"
status=0
for target in "${targets[@]}"; do
    [ -x "$build/tests/fuzz/$target" ] || { echo "no fuzz target $target"; status=1; continue; }
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target for $seconds s"
    # Seeds are read, new inputs go to the working corpus. The timeout catches hangs, not slowness:
    # instrumented, an input of many state saves or long blocks legitimately takes over a second
    # (1.2 s measured for a CLAP input of 64 saves on an idle machine, more on a loaded one), so the
    # limit sits far above the slowest legitimate input and far below a real hang.
    if ! xvfb-run -a -s "-screen 0 640x480x24 -nolisten tcp" \
        "$build/tests/fuzz/$target" "$corpus" "$root/tests/fuzz/corpus/${target#fuzz_}" \
        -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=65536 \
        -artifact_prefix="$build/findings/$target-" -print_final_stats=1 > "$build/$target.log" 2>&1; then
        tail -60 "$build/$target.log"
        echo "FAILED: $target (log: $build/$target.log)"
        status=1
    else
        grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/$target.log" | sed "s/^/  /"
    fi
done
exit $status
