#!/usr/bin/env bash
# Usage: check-ardour.sh [--restore | --installed] VST2_LIBRARY VST3_BUNDLE LV2_BUNDLE
# Runs our plug-in in Ardour 7, headless: its Lua session tool on the Dummy audio back end (no
# sound card, no JACK) loads the VST 2.4, VST3 and LV2 builds, processes Ardour's noise through
# each, sets parameters and a program, saves, reopens the session in a fresh process and checks
# that everything came back (ardour/zv_session.lua).
#
# Everything Ardour writes (its configuration, its plug-in scan cache, the session) goes into a
# temporary folder that is removed afterwards. Ardour finds the plug-ins through its search-path
# variables, pointed at folders holding only our builds, and each run rescans them (Ardour caches
# scans, and a fresh build must not be mistaken for the cached one).
#
# Without --restore the verdict covers everything but the parameter values after the reload;
# with --restore it is whether those values came back.
#
# --installed checks an installed copy instead: no search-path variables, so Ardour must find
# the plug-ins in its own default locations. Ardour's scanners are run on the given files, as
# Ardour does for new files in those locations, and the session is created but not reopened.
set -euo pipefail
restore=0
installed=0
case "${1:-}" in
    --restore) restore=1; shift ;;
    --installed) installed=1; shift ;;
esac
vst2=$(realpath "$1")
vst3=$(realpath "$2")
lv2=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)

command -v ardour7-lua > /dev/null || { echo "FAIL: ardour7-lua not installed (apt-get install ardour)"; exit 1; }
libdir=/usr/lib/ardour7

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_DATA_HOME="$HOME/.local/share"
mkdir -p "$XDG_CONFIG_HOME/ardour7/scripts"
cp "$here/ardour/zv_signal_probe.lua" "$XDG_CONFIG_HOME/ardour7/scripts/"
if [ $installed -eq 1 ]; then
    unset LXVST_PATH VST3_PATH LV2_PATH
    phases=(create)
else
    mkdir -p "$work/lxvst" "$work/vst3" "$work/lv2"
    ln -s "$vst2" "$work/lxvst/"
    ln -s "$vst3" "$work/vst3/"
    ln -s "$lv2" "$work/lv2/"
    export LXVST_PATH="$work/lxvst" VST3_PATH="$work/vst3" LV2_PATH="$work/lv2"
    vst2="$work/lxvst/$(basename "$vst2")"
    vst3="$work/vst3/$(basename "$vst3")"
    phases=(create reload)
fi

# The plug-ins open windows and a message thread of the framework, so give them an X display.
run() { timeout 300 xvfb-run -a "$@"; }

echo "== scanning"
LD_LIBRARY_PATH=$libdir run "$libdir/ardour-vst-scanner" -f "$vst2"
LD_LIBRARY_PATH=$libdir run "$libdir/ardour-vst3-scanner" -f "$vst3"

status=0
for phase in "${phases[@]}"; do
    echo "== $phase"
    run ardour7-lua "$here/ardour/zv_session.lua" "$phase" "$work/session" > "$work/$phase.log" 2>&1 || true
    grep -vE '^\[(INFO|WARNING)\]' "$work/$phase.log" || true
    if [ $restore -eq 0 ]; then
        grep -qx 'ZV-ARDOUR-OK' "$work/$phase.log" || { echo "FAIL: $phase"; status=1; }
    fi
done
if [ $restore -eq 1 ]; then
    grep -qx 'ZV-ARDOUR-RESTORE-OK' "$work/reload.log" || { echo "FAIL: parameter values did not come back"; status=1; }
fi
exit $status
