#!/usr/bin/env bash
# Takes a screenshot of the real program, in a real X window (Xvfb), showing a few
# sample entries. Usage: scripts/screenshot.sh OUTPUT.png [--without-caladea] [--dpi N]
# --without-caladea hides the Caladea font from the program, to show the captions
# as the platform's own font matching draws them; --dpi N runs the X server at N dpi
# (96 by default; 192 is a 2x laptop screen).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUTPUT="$(realpath -m "$1")"
PROGRAM="${TELEFON_PROGRAM:-$ROOT/build/telefon-defteri}"
WITHOUT_CALADEA=""
DPI=96
shift
while [ $# -gt 0 ]; do
    case "$1" in
        --without-caladea) WITHOUT_CALADEA=1 ;;
        --dpi) DPI="$2"; shift ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

if [ -z "${TELEFON_SHOT_INNER:-}" ]; then
    export TELEFON_SHOT_INNER=1
    exec bash "$ROOT/tests/xvfb/at_dpi.sh" "$DPI" bash "$0" "$OUTPUT" \
        ${WITHOUT_CALADEA:+--without-caladea} --dpi "$DPI"
fi

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
sqlite3 database.db <<'SQL'
CREATE TABLE TELEFON (id INTEGER PRIMARY KEY AUTOINCREMENT, adsoyad TEXT, telefon TEXT, cep TEXT, mail TEXT);
INSERT INTO TELEFON VALUES (NULL, 'Ayşe Yılmaz', '0212 555 44 33', '+90 532 111 22 33', 'ayse@ornek.com.tr');
INSERT INTO TELEFON VALUES (NULL, 'Mehmet Öztürk', '0312 444 55 66', '0543 222 33 44', 'mehmet@ornek.com.tr');
INSERT INTO TELEFON VALUES (NULL, 'Şule Çağlar', '0232 333 66 77', '0555 333 44 55', 'sule@ornek.com.tr');
INSERT INTO TELEFON VALUES (NULL, 'İbrahim Güneş', '0216 222 77 88', '0505 444 55 66', NULL);
SQL

if [ -n "$WITHOUT_CALADEA" ]; then
    cat > fonts.conf <<'XML'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <include ignore_missing="yes">/etc/fonts/conf.d</include>
  <rejectfont><glob>/usr/share/fonts/truetype/crosextra/*</glob></rejectfont>
  <cachedir>WORKDIR/cache</cachedir>
</fontconfig>
XML
    sed -i "s|WORKDIR|$WORK|" fonts.conf
    export FONTCONFIG_FILE="$WORK/fonts.conf"
fi

unset QT_QPA_PLATFORM
"$PROGRAM" &
PID=$!
WINDOW=""
for _ in $(seq 300); do
    WINDOW="$(xdotool search --onlyvisible --name '^TELEFON DEFTERİ$' 2>/dev/null | head -n1 || true)"
    [ -n "$WINDOW" ] && break
    sleep 0.1
done
[ -n "$WINDOW" ] || { echo "no window within 30 s" >&2; kill "$PID"; exit 1; }
bash "$ROOT/tests/xvfb/window_drawn.sh" "$WINDOW" || { kill "$PID"; exit 1; }
mkdir -p "$(dirname "$OUTPUT")"
import -window "$WINDOW" "$OUTPUT"
kill "$PID"
echo "wrote $OUTPUT"
