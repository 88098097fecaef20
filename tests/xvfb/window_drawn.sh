#!/usr/bin/env bash
# Waits (30 s at most) until an X window is shown and drawn: viewable, more than a few
# colours in it (text, not a bare background), and the same picture twice in a row.
# Usage: window_drawn.sh WINDOW_ID
set -euo pipefail
WINDOW="$1"
SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
PREVIOUS=""
for _ in $(seq 150); do
    if xwininfo -id "$WINDOW" 2>/dev/null | grep -q "IsViewable" &&
        import -window "$WINDOW" "$SCRATCH/shot.png" 2>/dev/null; then
        CURRENT="$(md5sum <"$SCRATCH/shot.png")"
        COLOURS="$(identify -format %k "$SCRATCH/shot.png" 2>/dev/null || echo 0)"
        [ "$COLOURS" -gt 16 ] && [ "$CURRENT" = "$PREVIOUS" ] && exit 0
        PREVIOUS="$CURRENT"
    fi
    sleep 0.2
done
echo "window $WINDOW was not drawn within 30 s" >&2
exit 1
