#!/usr/bin/env bash
# Runs a command on its own X server (Xvfb) at the given dpi, with a screen big enough
# for the window at that scale, on Qt's X11 platform. The server picks a free display
# itself (-displayfd), so that tests running side by side never race for one, and never
# resets (-noreset): otherwise the last client to leave (setxkbmap, xdpyinfo) resets it,
# and a program connecting in that moment is refused.
# Usage: at_dpi.sh DPI COMMAND [ARGS...]
set -euo pipefail
DPI="$1"
shift
WIDTH=$(( 1280 * DPI / 96 ))
HEIGHT=$(( 800 * DPI / 96 ))
SCRATCH="$(mktemp -d)"
Xvfb -displayfd 3 -noreset -screen 0 "${WIDTH}x${HEIGHT}x24" -dpi "$DPI" -nolisten tcp \
    3>"$SCRATCH/display" 2>"$SCRATCH/xvfb.log" &
SERVER=$!
trap 'kill "$SERVER" 2>/dev/null; wait "$SERVER" 2>/dev/null; rm -rf "$SCRATCH"' EXIT
not_started() { echo "Xvfb did not start within 30 s: $(cat "$SCRATCH/xvfb.log")" >&2; exit 1; }
for _ in $(seq 300); do
    [ -s "$SCRATCH/display" ] && break
    kill -0 "$SERVER" 2>/dev/null || not_started
    sleep 0.1
done
[ -s "$SCRATCH/display" ] || not_started
export DISPLAY=":$(head -n1 "$SCRATCH/display")"
for _ in $(seq 300); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || not_started
unset QT_QPA_PLATFORM
set +e
"$@"
STATUS=$?
set -e
exit "$STATUS"
