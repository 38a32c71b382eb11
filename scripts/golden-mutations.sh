#!/usr/bin/env bash
# Shows that the golden renders catch plausible slips in the engine: applies each slip below to
# the engine sources in turn, rebuilds only the golden test programs, runs the golden tests and
# puts the sources back. Prints which tests fail (kill the slip) for each. Not part of the test
# command or CI: it edits engine sources while it runs, so run it only in a clean work tree.
# Usage: scripts/golden-mutations.sh   (ZV_BUILD_DIR overrides build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZV_BUILD_DIR:-$root/build}
cd "$root"
if ! git diff --quiet -- engine; then
    echo "engine/ has uncommitted changes; commit or stash them first" >&2
    exit 1
fi
restore() { git checkout -- engine; }
trap restore EXIT

targets=(golden_engine_tests golden_processor_tests golden_vst2_tests)
tests='^(Cases/Golden|GoldenEngineLong|GoldenInBlock)'

# name | file | perl substitution (must match exactly once)
slips=(
    'a-no-cross-feedback|engine/zLateReflection.h|s/feedbackIntoRight_ = left_->loopOutput\(\);\n(\s*)feedbackIntoLeft_ = right_->loopOutput\(\);/feedbackIntoRight_ = right_->loopOutput();\n$1feedbackIntoLeft_ = left_->loopOutput();/'
    'b-decay-from-stage-2-period|engine/zLateDiff.cpp|s/loopExponent\(period, decayTime_\)/loopExponent(notePeriod(m + 3.0f), decayTime_)/'
    'c-note-law-single|engine/zNoteLaw.h|s/static_cast<float>\(8\.17742 \* static_cast<double>\(power\)\)/8.17742f * power/; s/static_cast<float>\(1\.0 \/ static_cast<double>\(noteFrequency\(note\)\)\)/1.0f \/ noteFrequency(note)/'
    'd-listener-weights-single|engine/zReverb.cpp|s/static_cast<float>\(\(2\.0 - static_cast<double>\(m\)\) \* static_cast<double>\(m\)\)/(2.0f - m) * m/; s/static_cast<float>\(\(2\.0 - static_cast<double>\(n\)\) \* static_cast<double>\(n\)\)/(2.0f - n) * n/'
    'e1-zDelay-wrap-off-by-one|engine/zDelay.h|s/\+\+writeIndex_ >= length/++writeIndex_ > length/'
    'e2-zDelay4p-wrap-off-by-one|engine/zDelay4p.h|s/\+\+writeIndex_ >= length/++writeIndex_ > length/'
    # The same slips where block processing has code of its own.
    'a2-no-cross-feedback-in-blocks|engine/zLateReflection.cpp|s/l\[i\] = l\[i\] \+ crossed\[1\]\[i\];\n(\s*)r\[i\] = r\[i\] \+ crossed\[0\]\[i\];/l[i] = l[i] + crossed[0][i];\n$1r[i] = r[i] + crossed[1][i];/'
    'e3-block-wrap-off-by-one|engine/zDelayBuffer.h|s/if \(writeIndex >= length\)\n(\s*)writeIndex -= length;/if (writeIndex > length)\n$1writeIndex -= length;/'
)

build_and_run() {
    cmake --build "$build" --target "${targets[@]}" > "$build/golden-mutations-build.log" 2>&1 ||
        { tail -30 "$build/golden-mutations-build.log"; exit 1; }
    # One process per test, so a crash fails only its own test.
    (cd "$build" && ctest -R "$tests" -j 2 --timeout 300 2>&1 || true) |
        sed -n 's/.*Test *#[0-9]*: \([^ ]*\) .*\(Passed\|Failed\|Exception\|Timeout\).*/\1 \2/p' | sort
}

echo "== unchanged engine"
baseline=$(build_and_run)
if grep -qv ' Passed$' <<< "$baseline"; then
    echo "the golden tests fail without any slip:"; grep -v ' Passed$' <<< "$baseline"; exit 1
fi
echo "$(wc -l <<< "$baseline") golden tests pass"

for slip in "${slips[@]}"; do
    IFS='|' read -r name file substitution <<< "$slip"
    before=$(md5sum < "$file")
    perl -0pi -e "$substitution" "$file"
    if [ "$(md5sum < "$file")" = "$before" ]; then
        echo "slip $name did not apply to $file" >&2
        exit 1
    fi
    echo "== $name ($file)"
    git diff -U0 -- engine | grep "^[-+][^-+]" | sed "s/^/    /"
    result=$(build_and_run)
    killed=$(grep -cv ' Passed$' <<< "$result" || true)
    echo "killed by $killed of $(wc -l <<< "$result") tests:"
    grep -v ' Passed$' <<< "$result" | sed 's/^/  /' || true
    restore
done

echo "== sources restored; rebuilding the golden tests"
build_and_run > /dev/null
