#!/usr/bin/env bash
# The test command: installs what the project needs, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure --timeout 600 -j "${ZV_JOBS:-$(nproc)}"
