#!/usr/bin/env bash
# End-to-end: the built program in a real X window (Xvfb at the given dpi), driven by
# real X input (xdotool) as a user would, then the database read with the sqlite3 program.
# Usage: real_window.sh PROGRAM ARTEFACT_DIR [DPI]
set -euo pipefail

DPI="${3:-96}"
if [ -z "${TELEFON_E2E_INNER:-}" ]; then
    export TELEFON_E2E_INNER=1
    exec bash "$(dirname "$0")/../xvfb/at_dpi.sh" "$DPI" bash "$0" "$@"
fi

PROGRAM="$1"
ARTEFACTS="$2"
mkdir -p "$ARTEFACTS"
WORK="$(mktemp -d)"
PID=""
cleanup() {
    if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then kill -9 "$PID"; fi
    rm -rf "$WORK"
}
trap cleanup EXIT
cd "$WORK"
unset QT_QPA_PLATFORM

fail() {
    echo "FAIL: $*" >&2
    import -window root "$ARTEFACTS/e2e-failure-$DPI-dpi.png" 2>/dev/null || true
    exit 1
}

# A Turkish keyboard, as the users have: xdotool then types ş, ı, İ, ğ from the layout
# instead of remapping a key for each letter, which loses letters on a busy machine.
setxkbmap tr

"$PROGRAM" &
PID=$!

window_named() { # title -> window id, waiting (30 s at most) for it to be shown
    local id=""
    for _ in $(seq 300); do
        id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)"
        [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || fail "no window titled '$1'"
    echo "$id"
}
wait_gone() {
    for _ in $(seq 300); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "window '$1' did not close"
}

# The title names the book the window shows.
MAIN="$(window_named "TELEFON DEFTERİ — .*/database\\.db")"
bash "$(dirname "$0")/../xvfb/window_drawn.sh" "$MAIN" || fail "the window was not drawn"
# The window draws nothing with OpenGL, so no GL driver takes memory.
if grep -E "libGLX_|_dri\.so|libLLVM" "/proc/$PID/maps" >"$WORK/gl.txt"; then
    fail "an OpenGL driver is loaded: $(awk '{print $6}' "$WORK/gl.txt" | sort -u | tr '\n' ' ')"
fi
eval "$(xdotool getwindowgeometry --shell "$MAIN")"
# Qt scales the window by dpi / 96: the form's pixels are logical, X's are the screen's.
# The entry panel is centred in the window the way QRect centres are computed.
PANEL_X=$(( (WIDTH * 96 / DPI - 1) / 2 - 290 ))
PANEL_Y=$(( (HEIGHT * 96 / DPI - 1) / 2 - 248 ))

click_at() { # x y in panel coordinates, [repeat]
    xdotool mousemove --window "$MAIN" $(( (PANEL_X + $1) * DPI / 96 )) $(( (PANEL_Y + $2) * DPI / 96 )) click --repeat "${3:-1}" --delay 80 1
    sleep 0.3
}
type_text() {
    xdotool type --delay 40 "$1"
    sleep 0.3
}
field() { # name -> y of the line edit's centre
    case "$1" in
        adsoyad) echo 62 ;; telefon) echo 94 ;; cep) echo 126 ;; mail) echo 158 ;;
    esac
}
replace_field() { # field text
    click_at 300 "$(field "$1")"
    xdotool key ctrl+a BackSpace
    type_text "$2"
}
answer_box() { # title key
    local box
    box="$(window_named "$1")"
    timeout 30 xdotool windowfocus --sync "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key "$2"
    wait_gone "$1"
}
KAYDET="150 196"; YENI="246 196"; SIL="338 196"; CIKIS="526 196"; ARA="300 240"
FIRST_ROW="80 290"

# Type an entry (the name field has the focus at start) and save it.
timeout 30 xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
type_text "Ayşe Yılmaz"
replace_field telefon "0212 555 44 33"
replace_field mail "ayse@ornek.com.tr"
click_at $KAYDET
answer_box "İşlem Tamam" Return

# A second entry.
click_at $YENI
type_text "Mehmet Öztürk"
replace_field cep "0532 000 11 22"
click_at $KAYDET
answer_box "İşlem Tamam" Return

# Find the first one as a user who types without Turkish letters, load it by
# double-click, change it and save.
click_at $ARA
type_text "ayse"
click_at $YENI
click_at $FIRST_ROW 2
replace_field telefon "0216 333 22 11"
import -window root "$ARTEFACTS/e2e-window-$DPI-dpi.png"
click_at $KAYDET
answer_box "İşlem Tamam" Return

# Find the second one with the keyboard alone: Down goes from the search box to the
# first row found, Return loads it. Then delete it, answering the question ("&Evet").
click_at $ARA
xdotool key ctrl+a BackSpace
type_text "Mehmet"
xdotool key Down Return
sleep 0.3
click_at $SIL
answer_box "İşlemi Onayla" e

rows() { sqlite3 database.db "SELECT count(*) FROM TELEFON"; }
wait_rows() { # count
    for _ in $(seq 300); do [ "$(rows)" = "$1" ] && return 0; sleep 0.1; done
    fail "the book holds $(rows) entries, expected $1"
}
# Ctrl+Z takes the delete back (the name field, which has the focus, has nothing of its own
# to undo); Ctrl+N and Return in a field save a third entry without the mouse.
wait_rows 1
timeout 30 xdotool windowfocus --sync "$MAIN" 2>/dev/null || true
xdotool key ctrl+z
wait_rows 2
xdotool key ctrl+n
type_text "Zeynep Kaya"
xdotool key Return
answer_box "İşlem Tamam" Return
wait_rows 3

# Sorted by name Z–A (two clicks on the header, apart so that they are no double-click),
# the first row is Zeynep: load it and change her phone.
click_at $ARA
xdotool key Escape
click_at 100 268
click_at 160 268
click_at $FIRST_ROW 2
replace_field telefon "999"
click_at $KAYDET
answer_box "İşlem Tamam" Return

click_at $CIKIS
for _ in $(seq 300); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$PID" 2>/dev/null && fail "ÇIKIŞ did not end the program"
set +e
wait "$PID"
STATUS=$?
set -e
PID=""
[ "$STATUS" -eq 0 ] || fail "exit status $STATUS"

ACTUAL="$(sqlite3 -separator '|' database.db "SELECT adsoyad, telefon, cep, mail FROM TELEFON ORDER BY id")"
EXPECTED="Ayşe Yılmaz|0216 333 22 11||ayse@ornek.com.tr
Mehmet Öztürk||0532 000 11 22|
Zeynep Kaya|999||"
[ "$ACTUAL" = "$EXPECTED" ] || fail "database holds '$ACTUAL', expected '$EXPECTED'"
echo "PASS: added, changed, found, loaded, deleted, undone, sorted and quit; database as expected"
