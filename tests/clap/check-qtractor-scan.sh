#!/usr/bin/env bash
# Qtractor's own plug-in scanner (the helper program Qtractor runs on every CLAP file it finds)
# opens the CLAP plug-in and reports it as Qtractor lists it: its name, 2 audio inputs and 2
# outputs, 11 parameters, a window, state, real-time processing.
# Usage: check-qtractor-scan.sh PLUGIN.clap      scan that file
#        check-qtractor-scan.sh --default-paths  scan every .clap in the format's default Linux
#                                                folders (~/.clap, /usr/lib/clap), as hosts do
set -euo pipefail
scanner=$(ls /usr/lib/*/qtractor/qtractor_plugin_scan 2>/dev/null | head -n1 || true)
if [ -z "$scanner" ]; then
    echo "Qtractor's plug-in scanner is not installed (Debian: qtractor)"
    exit 1
fi
if [ "${1:-}" = --default-paths ]; then
    mapfile -t files < <(find "$HOME/.clap" /usr/lib/clap -name '*.clap' 2>/dev/null || true)
else
    files=("$1")
fi
expected='^CLAP\|ZV-Reverb LX\|2:2\|0:0\|11:0\|GUI,EXT,RT\|'
for file in "${files[@]}"; do
    # The scanner reads "TYPE:FILE" lines and answers one line for each plug-in in the file.
    answer=$(printf 'CLAP:%s\n' "$file" | QT_QPA_PLATFORM=offscreen timeout 60 "$scanner" 2>/dev/null || true)
    echo "$answer"
    if grep -qE "$expected" <<< "$answer"; then
        echo "Qtractor finds ZV-Reverb LX in $file"
        exit 0
    fi
done
echo "Qtractor's scanner found no ZV-Reverb LX among: ${files[*]:-(no .clap files)}"
exit 1
