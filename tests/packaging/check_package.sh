#!/usr/bin/env bash
# Installs the build into a scratch root and builds the Debian package, then checks
# what a Debian desktop expects of them and starts the packaged program headless.
# Usage: check_package.sh BUILD_DIR VERSION
set -euo pipefail
BUILD="$1"
VERSION="$2"
SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
APP=org.telefondefteri.TelefonDefteri

# The installed tree.
DESTDIR="$SCRATCH/stage" cmake --install "$BUILD" --prefix /usr >/dev/null
STAGE="$SCRATCH/stage/usr"
for file in bin/telefon-defteri bin/telefon-defteri-aktar share/applications/$APP.desktop \
    share/icons/hicolor/scalable/apps/$APP.svg share/metainfo/$APP.metainfo.xml \
    share/man/man1/telefon-defteri.1 share/man/man1/telefon-defteri-aktar.1 \
    lib/systemd/system/telefon-defteri-rehber.service; do
    [ -f "$STAGE/$file" ] || fail "not installed: $file"
done
# The service as systemd reads it, its program where the stage has it.
mkdir "$SCRATCH/unit"
sed "s|/usr/bin/telefon-defteri-aktar|$STAGE/bin/telefon-defteri-aktar|" \
    "$STAGE/lib/systemd/system/telefon-defteri-rehber.service" \
    >"$SCRATCH/unit/telefon-defteri-rehber.service"
systemd-analyze verify --man=no "$SCRATCH/unit/telefon-defteri-rehber.service" \
    || fail "systemd does not take telefon-defteri-rehber.service"
desktop-file-validate "$STAGE/share/applications/$APP.desktop"
appstreamcli validate --no-net "$STAGE/share/metainfo/$APP.metainfo.xml"
grep -q "<release version=\"$VERSION\"" "$STAGE/share/metainfo/$APP.metainfo.xml" \
    || fail "metainfo does not carry version $VERSION"
for page in telefon-defteri telefon-defteri-aktar; do
    grep -q "telefon-defteri $VERSION" "$STAGE/share/man/man1/$page.1" \
        || fail "man page $page does not carry version $VERSION"
    LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -l "$STAGE/share/man/man1/$page.1" >/dev/null 2>"$SCRATCH/man.txt" || true
    [ ! -s "$SCRATCH/man.txt" ] || fail "man page $page: $(cat "$SCRATCH/man.txt")"
done

# The Debian package.
cpack --config "$BUILD/CPackConfig.cmake" -B "$SCRATCH/deb" >/dev/null
DEB="$SCRATCH/deb/telefon-defteri_${VERSION}_amd64.deb"
[ -f "$DEB" ] || fail "no $(basename "$DEB")"
[ "$(dpkg-deb -f "$DEB" Package)" = telefon-defteri ] || fail "package name"
[ "$(dpkg-deb -f "$DEB" Version)" = "$VERSION" ] || fail "package version"
DEPENDS="$(dpkg-deb -f "$DEB" Depends)"
for dependency in libqt5sql5-sqlite fonts-crosextra-caladea fonts-liberation2 \
    fonts-dejavu-core fonts-symbola qttranslations5-l10n libqt5widgets5 libqt5sql5 \
    libqt5printsupport5 libsqlite3-0 libxlsxwriter4 libzip4 libcpp-httplib0.11 libc6; do
    grep -q "$dependency" <<<"$DEPENDS" || fail "Depends lacks $dependency: $DEPENDS"
done
CONTENTS="$(dpkg-deb -c "$DEB")"
for file in ./usr/bin/telefon-defteri ./usr/bin/telefon-defteri-aktar \
    ./usr/share/applications/$APP.desktop ./usr/share/metainfo/$APP.metainfo.xml \
    ./usr/share/man/man1/telefon-defteri.1 ./usr/share/man/man1/telefon-defteri-aktar.1 \
    ./usr/lib/systemd/system/telefon-defteri-rehber.service; do
    grep -q " $file\$" <<<"$CONTENTS" || fail "package lacks $file"
done

# The packaged program starts, creates its phone book and keeps running.
dpkg-deb -x "$DEB" "$SCRATCH/root"
mkdir "$SCRATCH/home"
cd "$SCRATCH/home"
set +e
QT_QPA_PLATFORM=offscreen timeout 3 "$SCRATCH/root/usr/bin/telefon-defteri"
STATUS=$?
set -e
[ "$STATUS" -eq 124 ] || fail "the packaged program ended with status $STATUS"
[ "$(sqlite3 database.db "SELECT name FROM sqlite_master WHERE name='TELEFON'")" = TELEFON ] \
    || fail "no TELEFON table in the new database.db"
# And the packaged command line imports into that phone book.
"$SCRATCH/root/usr/bin/telefon-defteri-aktar" --help | grep -q "export DOSYA.vcf" \
    || fail "telefon-defteri-aktar --help"
printf 'Ad Soyad;Telefon;Cep;Mail\r\nAli Veli;1;2;3\r\n' > kisiler.csv
"$SCRATCH/root/usr/bin/telefon-defteri-aktar" import kisiler.csv >/dev/null \
    || fail "the packaged telefon-defteri-aktar could not import"
[ "$(sqlite3 database.db "SELECT adsoyad FROM TELEFON")" = "Ali Veli" ] || fail "nothing imported"
# And serves it, on a free loopback port, until stopped as systemd stops it.
"$SCRATCH/root/usr/bin/telefon-defteri-aktar" sun --adres 127.0.0.1:0 >sun.txt 2>&1 &
SERVING=$!
PORT=""
for _ in $(seq 300); do
    PORT="$(grep -o '127\.0\.0\.1:[0-9]*' sun.txt | head -n1 | cut -d: -f2 || true)"
    [ -n "$PORT" ] && break
    sleep 0.1
done
[ -n "$PORT" ] || fail "the packaged server did not start: $(cat sun.txt)"
NAME=""
for _ in $(seq 300); do
    NAME="$(curl --silent --max-time 30 "http://127.0.0.1:$PORT/arayan?numara=1" || true)"
    [ "$NAME" = "Ali Veli" ] && break
    sleep 0.1
done
[ "$NAME" = "Ali Veli" ] || fail "the packaged server named the caller \"$NAME\""
kill -TERM "$SERVING"
wait "$SERVING" || fail "the packaged server ended with status $? on SIGTERM"
echo "PASS: installed tree, package $(basename "$DEB") and packaged programs"
