#!/usr/bin/env bash
# Fails when any C or C++ file of the project differs from what clang-format makes of it with the
# repository's .clang-format. To mend: clang-format -i FILE... (or every file: see below).
#   git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
drifted=()
while IFS= read -r f; do
    clang-format "$f" | cmp -s - "$f" || drifted+=("$f")
done < <(git ls-files '*.cpp' '*.h' '*.c')
if [ ${#drifted[@]} -gt 0 ]; then
    echo "not formatted with .clang-format (clang-format -i FILE to mend):" >&2
    printf '  %s\n' "${drifted[@]}" >&2
    exit 1
fi
