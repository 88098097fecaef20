#!/usr/bin/env bash
# The fits test on a real X server at 96, 144 and 192 dpi: every text fits at each, and
# the list shows as many rows at 144 and 192 dpi as at 96.
# Usage: fonts_at_dpi.sh TST_FONTS
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
TEST="$1"
unset TELEFON_ROWS_AT_96
# The X11 platform's libraries are unloaded with the application, so LeakSanitizer cannot
# name the module of their leaks to suppress them; the project's own leaks are checked by
# the headless run of the same test.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
for dpi in 96 144 192; do
    echo "== at $dpi dpi"
    OUTPUT="$(bash "$HERE/at_dpi.sh" "$dpi" "$TEST" 2>&1)" || { echo "$OUTPUT"; exit 1; }
    echo "$OUTPUT" | grep -E "^(PASS|FAIL|QINFO|Totals)"
    ROWS="$(echo "$OUTPUT" | sed -n 's/.*visible rows: \([0-9]*\).*/\1/p')"
    [ -n "$ROWS" ] || { echo "FAIL: no row count at $dpi dpi"; exit 1; }
    export TELEFON_ROWS_AT_96="${TELEFON_ROWS_AT_96:-$ROWS}"
done
