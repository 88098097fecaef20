#!/usr/bin/env bash
# Runs a command on its own X server (Xvfb) at the given dpi, with a screen big enough
# for the window at that scale, on Qt's X11 platform.
# Usage: at_dpi.sh DPI COMMAND [ARGS...]
set -euo pipefail
DPI="$1"
shift
WIDTH=$(( 1280 * DPI / 96 ))
HEIGHT=$(( 800 * DPI / 96 ))
unset QT_QPA_PLATFORM
exec xvfb-run -a -s "-screen 0 ${WIDTH}x${HEIGHT}x24 -dpi $DPI" "$@"
