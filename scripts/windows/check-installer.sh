#!/usr/bin/env bash
# Proves the Windows installer under wine, in a fresh prefix of its own:
#   1. a silent install puts every file where the installer promises and registers the
#      uninstaller; the VST 2.4 library found there passes our Windows host's checks, and the AAX
#      bundle's binary its ACF check (and the CLAP plug-in is there when it was built);
#   2. a second silent install (an upgrade) replaces the files in place;
#   3. a silent uninstall removes every file, folder and registry entry of ours, and leaves a file
#      the user put into the VST 2.4 folder;
#   4. an install into a folder given with /D=, upgraded without it, stays in that folder, and its
#      removal leaves the prefix as it was.
# Usage: check-installer.sh INSTALLER HOST_TESTS_EXE LINUX_REFERENCE TOLERANCE
#                           [CLAP_CHECK_EXE CLAP_LINUX_REFERENCE]
# (the last two when the installer carries the CLAP plug-in)
set -euo pipefail
installer=$1
host=$2
reference=$3
tolerance=$4
clap_check=${5:-}
clap_reference=${6:-}

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
finish() {
    wineserver -k 2> /dev/null || true
    rm -rf "$work"
}
trap finish EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
step() { echo "== $*"; }

wineboot --init > "$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
wineserver -w
c=$WINEPREFIX/drive_c
common="$c/Program Files/Common Files"
data="$c/Program Files/Zelvane/ZV-Reverb LX"

# Every file and folder of the prefix outside Windows' own folder and the temporary folders
# (the uninstaller runs from a copy of itself there, which Windows removes at the next start).
snapshot() {
    (cd "$c" && find . -path ./windows -prune -o -ipath '*/temp' -prune -o -print) | LC_ALL=C sort > "$1"
}
# Whether the registry holds anything of ours at all: names, values or data.
registry_mentions_us() {
    wineserver -w
    grep -q -i -e 'zelvane' -e 'zv-reverb' "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg"
}
run_installer() {
    wine "$installer" /S "$@"
    wineserver -w
}
uninstall() {
    # The uninstaller copies itself to the temporary folder and runs from there, so that it can
    # remove its own file; wineserver -w waits for that copy too.
    wine "$data/Uninstall.exe" /S
    wineserver -w
}
expect_file() { [ -f "$1" ] || fail "missing: ${1#$c/}"; }
expect_none() { [ ! -e "$1" ] || fail "left behind: ${1#$c/}"; }
host_check() {
    local check=$1 library=$2
    shift 2
    wine "$host" "$check" "$library" "$@" > "$work/host.log" 2>&1 || { cat "$work/host.log"; fail "$check check of ${library#$c/}"; }
}

snapshot "$work/before"
registry_mentions_us && fail "the fresh prefix already mentions us"

step "Silent install"
run_installer
vst2="$common/VST2/ZV-Reverb LX.dll"
aax="$common/Avid/Audio/Plug-Ins/ZV-Reverb LX.aaxplugin/Contents/x64/ZV-Reverb LX.aaxplugin"
clap="$common/CLAP/ZV-Reverb LX.clap"
expect_file "$vst2"
expect_file "$aax"
[ -n "$clap_check" ] && expect_file "$clap"
for f in "Read me.txt" LICENSE.txt "ZV-Reverb LX factory bank.fxb" "ZV-Reverb LX.ico" Uninstall.exe; do
    expect_file "$data/$f"
done
presets=$(find "$data/Presets" -name '*.fxp' | wc -l)
[ "$presets" -eq 18 ] || fail "expected 18 factory presets, found $presets"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZV-Reverb LX'
for value in DisplayName DisplayVersion Publisher DisplayIcon UninstallString QuietUninstallString EstimatedSize; do
    wine reg query "$key" /v "$value" > "$work/reg.log" 2>&1 || fail "the uninstall entry has no $value"
done
wine reg query "$key" /v Publisher 2> /dev/null | grep -q Zelvane || fail "the publisher is not Zelvane"

step "The installed plug-ins in our Windows host"
host_check record "$(winepath -w "$vst2")"
host_check audio "$(winepath -w "$vst2")" "$reference" "$tolerance"
host_check acf "$(winepath -w "$aax")"
if [ -n "$clap_check" ]; then
    wine "$clap_check" "$(winepath -w "$clap")" --compare "$clap_reference" "$tolerance" > "$work/host.log" 2>&1 ||
        { cat "$work/host.log"; fail "the installed CLAP plug-in"; }
fi

step "Upgrade over it, with a file of the user's in the VST 2.4 folder"
echo "not ours" > "$common/VST2/Another Plug-in.dll"
snapshot "$work/installed"
run_installer
snapshot "$work/upgraded"
diff "$work/installed" "$work/upgraded" > /dev/null || fail "the upgrade changed which files exist: $(diff "$work/installed" "$work/upgraded" | head -5)"
host_check record "$(winepath -w "$vst2")"

step "Silent uninstall"
uninstall
snapshot "$work/after"
printf '%s\n' ./Program\ Files/Common\ Files/VST2 ./Program\ Files/Common\ Files/VST2/Another\ Plug-in.dll |
    cat - "$work/before" | LC_ALL=C sort > "$work/expected"
diff "$work/expected" "$work/after" > "$work/diff" || { cat "$work/diff"; fail "the uninstall left the prefix otherwise than it found it"; }
[ -f "$common/VST2/Another Plug-in.dll" ] || fail "the user's file in the VST 2.4 folder was removed"
registry_mentions_us && fail "the registry still mentions us: $(grep -i -e zelvane -e zv-reverb "$WINEPREFIX/system.reg" | head -3)"

step "Install into a folder of the user's choice, upgrade, uninstall"
rm -rf "$common/VST2"
snapshot "$work/before"
run_installer '/D=C:\Audio\VSTPlugins'
chosen="$c/Audio/VSTPlugins/ZV-Reverb LX.dll"
expect_file "$chosen"
expect_none "$vst2"
run_installer
expect_file "$chosen"
expect_none "$vst2"
uninstall
snapshot "$work/after"
diff "$work/before" "$work/after" > "$work/diff" || { cat "$work/diff"; fail "the removal left the prefix otherwise than it found it"; }
registry_mentions_us && fail "the registry still mentions us"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) of the installer failed" >&2
    exit 1
fi
echo "The installer installs, upgrades and removes itself cleanly ($(stat -c %s "$installer") bytes)"
