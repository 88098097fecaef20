#!/usr/bin/env bash
# Started without any display (a text console, plain ssh): one clear line on standard
# error, in Turkish and English, status 1, no core dump, and database.db untouched.
# Usage: no_display.sh PROGRAM
set -uo pipefail
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" 2>stderr.txt
STATUS=$?
fail() { echo "FAIL: $*" >&2; cat stderr.txt >&2; exit 1; }
[ "$STATUS" -eq 1 ] || fail "status $STATUS"
[ "$(wc -l <stderr.txt)" -eq 1 ] || fail "not one line"
grep -q "ekran" stderr.txt && grep -q "display" stderr.txt || fail "not in Turkish and English"
[ ! -e database.db ] || fail "database.db was created"
echo "PASS: $(cat stderr.txt)"
