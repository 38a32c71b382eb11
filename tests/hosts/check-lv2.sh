#!/usr/bin/env bash
# Usage: check-lv2.sh BUNDLE_DIR PLUGIN_URI ZV_RENDER PRINT_PARAMETERS
# Checks the bundle's data against LV2's vocabularies (lv2_validate) and with lilv's lv2info,
# then runs it in a real LV2 host (jalv, on a JACK server with the dummy back end, so no sound
# card is needed), asks that host for the plug-in's presets and controls, and has it apply every
# factory preset. The factory presets are those ZV_RENDER --list-presets names; the parameters,
# their names and state keys, those PRINT_PARAMETERS prints from the parameter records.
set -euo pipefail
bundle=$1
uri=$2
render=$3
print_parameters=$4
export LV2_PATH
LV2_PATH=$(dirname "$bundle")
work=$(mktemp -d)
jack_pid=""
cleanup() {
    [ -n "$jack_pid" ] && kill "$jack_pid" 2>/dev/null && wait "$jack_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }
# Below a line of column headings, each preset's line is indented; its name (words joined by
# single spaces) stands before two or more spaces and the rest of the line (its reverberation time
# and what it is for). Notes follow the table unindented.
mapfile -t factory < <("$render" --list-presets | tail -n +2 | sed -n -E 's/^  ([^ ]+( [^ ]+)*)  .*$/\1/p')
[ "${#factory[@]}" -ge 16 ] || fail "zv-render lists ${#factory[@]} factory presets"
mapfile -t names < <("$print_parameters" | cut -f1)
mapfile -t keys < <("$print_parameters" | cut -f2)
[ "${#names[@]}" -eq 11 ] || fail "the parameter records list ${#names[@]} parameters

lv2info "$uri" > "$work/info.txt" || fail "lv2info does not know $uri"
grep -q 'Name: *ZV-Reverb LX' "$work/info.txt" || fail "plug-in name missing"
# Only presets worth choosing: the factory presets, not the new instance's 127 "Default" programs.
presets=$(sed -n '/Presets:/,/^\t[A-Z]/p' "$work/info.txt" | grep -c 'Default' || true)
[ "$presets" -eq 0 ] || fail "lv2info lists $presets default programs as presets"
for name in "${names[@]}"; do
    grep -q "rdfs:label \"$name\"" "$bundle"/dsp.ttl || fail "parameter $name not described"
done
grep -q 'Author Email: *mailto:' "$work/info.txt" || fail "the maker's e-mail is not a mailto: address"
for name in "${factory[@]}"; do
    grep -qP "^\t +\Q$name\E\$" "$work/info.txt" || fail "lv2info does not list the factory preset $name"
done
echo "lv2info: plug-in found, 11 parameters described, ${#factory[@]} factory presets and no default programs"

# lv2_validate splits its arguments at spaces, as the bundle's name has: it checks a copy.
cp -r "$bundle" "$work/bundle.lv2"
if ! lv2_validate "$work"/bundle.lv2/*.ttl > "$work/validate.txt" 2>&1 ||
    grep -q "^Skipping file $work" "$work/validate.txt" ||
    grep -qiE '^(error|warn)' "$work/validate.txt"; then
    cat "$work/validate.txt"
    fail "lv2_validate reports problems in the bundle's data"
fi
echo "lv2_validate: $(grep -E '^Found' "$work/validate.txt")"

# A JACK server of our own, on a name no other test uses.
export JACK_DEFAULT_SERVER="zv-lv2-test-$$"
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 512 > "$work/jackd.log" 2>&1 &
jack_pid=$!
sleep 2
kill -0 "$jack_pid" 2>/dev/null || { cat "$work/jackd.log"; fail "JACK server did not start"; }

factory_uris=$(grep -oE "<$uri:factory-[a-z-]+>" "$bundle/manifest.ttl" | tr -d '<>')
{
    sleep 3; echo presets; sleep 1
    for preset in $factory_uris; do echo "preset $preset"; sleep 0.2; done
    echo controls; sleep 1
} | timeout 60 jalv -n zv-test "$uri" > "$work/jalv.txt" 2>&1 || true
grep -q 'Plugin: *'"$uri" "$work/jalv.txt" || { cat "$work/jalv.txt"; fail "jalv did not load the plug-in"; }
hosted_presets=$(grep -c ':preset[0-9]* (Default)' "$work/jalv.txt" || true)
[ "$hosted_presets" -eq 0 ] || fail "jalv shows $hosted_presets default programs as presets"
for name in "${factory[@]}"; do
    grep -qP ":factory-[a-z-]+ \(\Q$name\E\)" "$work/jalv.txt" || fail "jalv does not show the factory preset $name"
done
# Still answering after applying every factory preset.
for key in "${keys[@]}"; do
    grep -q "_${key} = " "$work/jalv.txt" || fail "jalv does not show control $key"
done
echo "jalv: plug-in running, 11 controls, ${#factory[@]} factory presets applied"
