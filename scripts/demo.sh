#!/usr/bin/env bash
# The main job: installs what the project needs, builds everything, synthesises the demo phrase
# and puts it through the reverb. Leaves the dry and the reverberated sound and a picture of the
# result in out/demo/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
bin="$root/build/bin"
out="$root/out/demo"
mkdir -p "$out"
"$bin/zv-demo-sound" "$out/demo.wav"
"$bin/zv-render" --set LateSize=0.65 --set Decay=0.65 --set Dry-Wet=0.45 \
    "$out/demo.wav" "$out/demo-reverb.wav" --plot "$out/demo-reverb.png"
echo
echo "Listen to $out/demo-reverb.wav (dry: $out/demo.wav); picture: $out/demo-reverb.png"
echo "Plug-ins: $root/build/plugin/ZVReverbLX_artefacts/Release/{VST,VST3,LV2,Standalone}"
echo "CLAP plug-in: $root/build/plugin/clap/ZV-Reverb LX.clap"
