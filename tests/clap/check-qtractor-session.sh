#!/usr/bin/env bash
# Qtractor, a real CLAP host, keeps the reverb's settings through a save and a reopen:
#  1. it finds "ZV-Reverb LX.clap" in a default CLAP folder (~/.clap of a throwaway home) when
#     the session records the file in a folder that does not exist;
#  2. it loads a session holding the reverb on an audio track, with a bank whose current program
#     and two others differ from the defaults in every value;
#  3. the session it saves holds the same bank and the current program's values, and loading that
#     session and saving it again changes nothing.
# Qtractor runs on Qt's offscreen platform against a JACK server of its own with the dummy
# backend. It has no scripting; it saves its session on SIGUSR1 and quits on SIGTERM (its
# session-manager signals). Qtractor will not start its engines without the ALSA sequencer, which
# kernels without sound drivers (virtual machines, containers) lack; there an idle stand-in
# sequencer (alsa-seq-standin.c) is preloaded.
# Usage: check-qtractor-session.sh PLUGIN.clap SEQUENCER_STANDIN.so PRINT_PARAMETERS
# (ZV_KEEP=1 keeps the sessions, logs and Qtractor's settings and prints where.)
set -euo pipefail
plugin=$1
standin=$2
export ZV_PRINT_PARAMETERS=$3
here=$(cd "$(dirname "$0")" && pwd)
session_tool=("/usr/bin/python3" "$here/qtractor-session.py")

for tool in qtractor jackd jack_lsp /usr/bin/python3; do
    command -v "$tool" > /dev/null || { echo "$tool is not installed (Debian: qtractor jackd2 python3)"; exit 1; }
done

work=$(mktemp -d)
jack_pid=""
qtractor_pid=""
stop() # PID: SIGTERM, then SIGKILL if it is still there after 5 s
{
    [ -n "$1" ] || return 0
    kill -TERM "$1" 2> /dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$1" 2> /dev/null || break
        sleep 0.1
    done
    kill -KILL "$1" 2> /dev/null || true
    wait "$1" 2> /dev/null || true
}
cleanup()
{
    stop "$qtractor_pid"
    stop "$jack_pid"
    if [ -n "${ZV_KEEP:-}" ]; then echo "kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
fail()
{
    echo "FAIL: $*"
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
    done
    exit 1
}
wait_for() # TENTHS COMMAND...: true once COMMAND succeeds, false after TENTHS tenths of a second
{
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# A home of our own: Qtractor's settings start fresh, and its default CLAP folders are ~/.clap
# (holding only our plug-in) and the system's.
export HOME="$work/home"
export XDG_RUNTIME_DIR="$work/runtime"
export XDG_CONFIG_HOME="$HOME/.config"
export QT_QPA_PLATFORM=offscreen
unset CLAP_PATH # it would replace Qtractor's default folders
mkdir -p "$HOME/.clap" "$XDG_RUNTIME_DIR" "$work/session"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$plugin" "$HOME/.clap/"
preload=""
[ -e /dev/snd/seq ] || preload=$standin

export JACK_DEFAULT_SERVER="zv-qtractor-test-$$"
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 512 > "$work/jackd.log" 2>&1 &
jack_pid=$!
wait_for 100 jack_lsp > /dev/null 2>&1 || fail "the JACK server did not start"

conf="$XDG_CONFIG_HOME/rncbc.org/Qtractor.conf"
session="$work/session/zv-roundtrip.qtr"
loaded() { grep -qxF "File1=$session" "$conf" 2> /dev/null; }
saved_since() { [ "$(stat -c %y "$session")" != "$1" ] && grep -q '^</session>' "$session"; }
exited() { ! kill -0 "$qtractor_pid" 2> /dev/null; }

# Qtractor loads $session, saves it and quits; the saved session is kept as $1.
load_and_save()
{
    rm -f "$conf"
    LD_PRELOAD="$preload" qtractor "$session" > "$work/qtractor-$1.log" 2>&1 &
    qtractor_pid=$!
    # Qtractor records a session among its recent files once it has read it.
    wait_for 200 loaded || fail "Qtractor did not load the session"
    sleep 1
    local before
    before=$(stat -c %y "$session")
    kill -USR1 "$qtractor_pid"
    wait_for 100 saved_since "$before" || fail "Qtractor did not save the session"
    kill -TERM "$qtractor_pid"
    wait_for 100 exited || fail "Qtractor did not quit"
    wait "$qtractor_pid" || fail "Qtractor quit with status $?"
    qtractor_pid=""
    cp "$session" "$work/$1.qtr"
}

"${session_tool[@]}" write "$work/given.qtr"
cp "$work/given.qtr" "$session"
load_and_save saved
"${session_tool[@]}" check-saved "$work/given.qtr" "$work/saved.qtr" "$HOME/.clap" || fail "the first save"
load_and_save saved-again
"${session_tool[@]}" check-same "$work/saved.qtr" "$work/saved-again.qtr" || fail "the second save"
echo "Qtractor keeps every setting of ZV-Reverb LX through a save and a reopen"
