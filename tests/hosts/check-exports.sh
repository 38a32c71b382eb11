#!/usr/bin/env bash
# Usage: check-exports.sh LIBRARY SYMBOL...  — fails unless every symbol is a defined dynamic export.
set -euo pipefail
lib=$1; shift
exports=$(nm -D --defined-only "$lib" | awk '{print $3}')
status=0
for sym in "$@"; do
    if grep -qx "$sym" <<<"$exports"; then echo "exported: $sym"; else echo "MISSING: $sym"; status=1; fi
done
exit $status
