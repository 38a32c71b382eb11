#!/usr/bin/env bash
# The main job: installs what the project needs, builds everything and lists the plug-ins built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
artefacts="$root/build/plugin/ZVReverbLX_artefacts/Release"
echo
echo "Built plug-ins:"
find "$artefacts" -maxdepth 2 \( -name '*.so' -o -name '*.lv2' -o -name '*.vst3' -o -type f -path '*Standalone*' \) | sort
