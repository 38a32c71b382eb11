#!/usr/bin/env bash
# Measures what an open standalone window costs while nothing changes: for each scale it starts
# the application on a private virtual display (Xvfb, no audio device) with that scale chosen in
# a scratch settings folder, lets it settle, and reads its processor time from /proc over a
# period. Prints the share of one core per scale.
# Usage: scripts/idle-cpu.sh [seconds per scale, default 60] [build folder, default build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$root/build}
app="$build/plugin/ZVReverbLX_artefacts/Release/Standalone/zv-reverb-lx"
[ -x "$app" ] || { echo "build the standalone first: cmake --build $build --target ZVReverbLX_Standalone"; exit 1; }
ticks=$(getconf CLK_TCK)

for percent in 100 125 150 175 200; do
    home=$(mktemp -d)
    mkdir -p "$home/config/ZV-Reverb LX"
    echo "scale=$percent" > "$home/config/ZV-Reverb LX/settings"
    HOME=$home XDG_CONFIG_HOME=$home/config APP=$app SECONDS_TO_MEASURE=$seconds TICKS=$ticks PERCENT=$percent \
        xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
            "$APP" >/dev/null 2>&1 &
            pid=$!
            sleep 5
            # User and system time, the 14th and 15th fields; the name before them may hold spaces.
            cpu_ticks() { sed "s/.*) //" "/proc/$1/stat" | awk "{ print \$12 + \$13 }"; }
            start=$(cpu_ticks $pid)
            sleep "$SECONDS_TO_MEASURE"
            end=$(cpu_ticks $pid)
            kill $pid
            wait $pid 2>/dev/null || true
            awk -v s="$start" -v e="$end" -v t="$TICKS" -v d="$SECONDS_TO_MEASURE" -v p="$PERCENT" \
                "BEGIN { printf \"%3d %%: %.2f %% of a core (%d ticks in %d s)\n\", p, 100 * (e - s) / t / d, e - s, d }"'
    rm -rf "$home"
done
