#!/usr/bin/env bash
# Runs a command on its own X server (Xvfb) at the given dpi, with a screen big enough
# for the window at that scale, on Qt's X11 platform. The server picks a free display
# itself (-displayfd), so that tests running side by side never race for one.
# Usage: at_dpi.sh DPI COMMAND [ARGS...]
set -euo pipefail
DPI="$1"
shift
WIDTH=$(( 1280 * DPI / 96 ))
HEIGHT=$(( 800 * DPI / 96 ))
SCRATCH="$(mktemp -d)"
Xvfb -displayfd 3 -screen 0 "${WIDTH}x${HEIGHT}x24" -dpi "$DPI" -nolisten tcp \
    3>"$SCRATCH/display" 2>"$SCRATCH/xvfb.log" &
SERVER=$!
trap 'kill "$SERVER" 2>/dev/null; wait "$SERVER" 2>/dev/null; rm -rf "$SCRATCH"' EXIT
for _ in $(seq 100); do
    [ -s "$SCRATCH/display" ] && break
    sleep 0.1
done
[ -s "$SCRATCH/display" ] || { echo "Xvfb did not start: $(cat "$SCRATCH/xvfb.log")" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$SCRATCH/display")"
unset QT_QPA_PLATFORM
set +e
"$@"
STATUS=$?
set -e
exit "$STATUS"
