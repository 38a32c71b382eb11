#!/usr/bin/env bash
# The package check: makes the Debian package (scripts/package.sh, which reuses build/), checks
# it with lintian, installs it with apt-get as a user would, checks from the system's own
# locations that hosts and the shell find everything, removes it again with --purge and checks
# that every file and folder it brought is gone. Needs root or sudo; leaves the package removed.
# Usage: scripts/package-check.sh [PACKAGE.deb]   (default: the one scripts/package.sh makes)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=zv-reverb-lx

if [ $# -gt 0 ]; then
    deb=$(realpath "$1")
else
    "$root/scripts/package.sh"
    deb=$(find "$root/out/package" -maxdepth 1 -name "${name}_*.deb")
fi
# The plug-in's LV2 URI, as the build that made the package has it (identity/Identity.cmake).
uri=$(sed -n 's/.* lv2Uri = "\(.*\)";$/\1/p' "${ZV_BUILD_DIR:-$root/build}/identity/ZVIdentity.h")
[ -n "$uri" ] || { echo "no LV2 URI in the build's identity header" >&2; exit 1; }
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
export DEBIAN_FRONTEND=noninteractive

work=$(mktemp -d)
status=0
fail() { echo "FAIL: $*"; status=1; }
installed() { dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'ok installed'; }
remove() { $sudo_cmd apt-get remove --purge -y -qq "$name" > "$work/remove.log" 2>&1; }
cleanup() {
    if installed; then remove || cat "$work/remove.log"; fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "== lintian"
# lintian warns when it runs as root, which is how CI runs; the warning is not about the package.
lintian --display-info --pedantic "$deb" 2>&1 | grep -v 'running with root privileges' | tee "$work/lintian.txt" || true
if grep -q '^E:' "$work/lintian.txt"; then fail "lintian reports errors"; fi
echo "Package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

if installed; then
    echo "$name is installed already; removing it first"
    remove
fi
# What the package holds, and which of those paths (shared folders such as /usr/bin) the system
# had before: after the removal, only those may remain.
dpkg-deb -c "$deb" | sed -E 's|^.* \./|/|; s|/$||' | grep -v '^/$' > "$work/contents.txt"
while IFS= read -r path; do
    if [ -e "$path" ]; then echo "$path"; fi
done < "$work/contents.txt" > "$work/existed.txt"

echo "== installing"
$sudo_cmd apt-get install -y -qq "$deb" > "$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
dpkg -L "$name" > "$work/installed.txt"
lxvst=$(grep -m1 '^/usr/lib/lxvst/.*\.so$' "$work/installed.txt" || true)
vst3=$(grep -m1 '^/usr/lib/vst3/[^/]*\.vst3$' "$work/installed.txt" || true)
lv2=$(grep -m1 '^/usr/lib/lv2/[^/]*\.lv2$' "$work/installed.txt" || true)
clap=$(grep -m1 '^/usr/lib/clap/[^/]*\.clap$' "$work/installed.txt" || true)
if [ -z "$lxvst" ] || [ -z "$vst3" ] || [ -z "$lv2" ] || [ -z "$clap" ]; then
    cat "$work/installed.txt"
    fail "the package lacks a plug-in in /usr/lib/lxvst, /usr/lib/vst3, /usr/lib/lv2 or /usr/lib/clap"
    exit 1
fi

# Everything below runs with a fresh home, none of the plug-in path variables and a folder of
# its own as the working folder: what it finds, it finds in the system's locations.
(
    cd "$work"
    export HOME="$work/home"
    mkdir -p "$HOME"
    unset LV2_PATH LXVST_PATH VST3_PATH VST_PATH

    echo "== LV2: lv2ls"
    # Each listing is kept before it is searched: grep -q stops reading at the first match, and
    # under pipefail the lister's broken pipe would fail the check.
    lv2ls > lv2ls.txt || fail "lv2ls"
    grep -qx "$uri" lv2ls.txt || fail "lv2ls does not list $uri"

    echo "== factory presets: LV2 presets in the bundle, the VST 2.4 bank file"
    lv2info "$uri" > lv2info.txt || fail "lv2info $uri"
    grep -qP '^\t +Large Hall$' lv2info.txt || fail "lv2info does not list the factory presets"
    [ -s /usr/share/$name/$name-factory.fxb ] || fail "no VST 2.4 bank file in /usr/share/$name"

    echo "== CLAP: Qtractor's plug-in scanner finds and opens it in the default CLAP folders"
    "$root/tests/clap/check-qtractor-scan.sh" --default-paths || fail "Qtractor does not find the CLAP plug-in"

    echo "== Ardour finds and runs VST 2.4, VST3 and LV2 from its default locations"
    "$root/tests/hosts/check-ardour.sh" --installed "$lxvst" "$vst3" "$lv2" || fail "Ardour"

    echo "== zv-render from the PATH"
    [ "$(command -v zv-render)" = /usr/bin/zv-render ] || fail "zv-render is not /usr/bin/zv-render"
    zv-render --help > help.txt || fail "zv-render --help"
    zv-render --quiet --impulse 0.5 --rate 48000 ir.wav && [ -s ir.wav ] || fail "zv-render does not render"

    echo "== manual pages"
    for page in zv-render "$name"; do
        MANWIDTH=100 man "$page" > "man-$page.txt" 2> "man-$page.err" || fail "man $page"
        if [ -s "man-$page.err" ]; then cat "man-$page.err"; fail "man $page warns"; fi
        grep -q "^NAME" "man-$page.txt" || fail "man $page shows no page"
    done
    # Every option zv-render knows is described.
    for option in $(grep -oE -- '--[a-z][a-z-]*' help.txt | sort -u); do
        grep -q -- "$option" man-zv-render.txt || fail "man zv-render does not describe $option"
    done

    echo "== desktop entry"
    desktop=/usr/share/applications/$name.desktop
    desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
    exec_command=$(sed -n 's/^Exec=//p' "$desktop")
    command -v "$exec_command" > /dev/null || fail "the desktop entry runs $exec_command, which is not on the PATH"
    # The application starts and stays up (on a virtual display, with no sound card) until told
    # to stop; timeout's status 124 says it had to stop it.
    app_status=0
    xvfb-run -a timeout 5 "$exec_command" > app.log 2>&1 || app_status=$?
    if [ $app_status -ne 124 ]; then cat app.log; fail "$exec_command ended by itself (status $app_status)"; fi
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    compgen -G "/usr/share/icons/hicolor/*/apps/$icon.*" > /dev/null || fail "no icon $icon in the icon theme"
    exit $status
) || status=1

echo "== removing"
remove || { cat "$work/remove.log"; exit 1; }
while IFS= read -r path; do
    [ "$path" != /. ] || continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    grep -qxF -- "$path" "$work/existed.txt" || fail "left behind: $path"
done < "$work/installed.txt"
if [ $status -eq 0 ]; then
    echo "Package check passed: installed, found by every host and the shell, removed without a trace."
fi
exit $status
