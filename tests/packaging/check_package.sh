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
for file in bin/telefon-defteri share/applications/$APP.desktop \
    share/icons/hicolor/scalable/apps/$APP.svg share/metainfo/$APP.metainfo.xml \
    share/man/man1/telefon-defteri.1; do
    [ -f "$STAGE/$file" ] || fail "not installed: $file"
done
desktop-file-validate "$STAGE/share/applications/$APP.desktop"
appstreamcli validate --no-net "$STAGE/share/metainfo/$APP.metainfo.xml"
grep -q "<release version=\"$VERSION\"" "$STAGE/share/metainfo/$APP.metainfo.xml" \
    || fail "metainfo does not carry version $VERSION"
grep -q "telefon-defteri $VERSION" "$STAGE/share/man/man1/telefon-defteri.1" \
    || fail "man page does not carry version $VERSION"

# The Debian package.
cpack --config "$BUILD/CPackConfig.cmake" -B "$SCRATCH/deb" >/dev/null
DEB="$SCRATCH/deb/telefon-defteri_${VERSION}_amd64.deb"
[ -f "$DEB" ] || fail "no $(basename "$DEB")"
[ "$(dpkg-deb -f "$DEB" Package)" = telefon-defteri ] || fail "package name"
[ "$(dpkg-deb -f "$DEB" Version)" = "$VERSION" ] || fail "package version"
DEPENDS="$(dpkg-deb -f "$DEB" Depends)"
for dependency in libqt5sql5-sqlite fonts-crosextra-caladea fonts-liberation2 \
    qttranslations5-l10n libqt5widgets5 libqt5sql5 libsqlite3-0 libc6; do
    grep -q "$dependency" <<<"$DEPENDS" || fail "Depends lacks $dependency: $DEPENDS"
done
CONTENTS="$(dpkg-deb -c "$DEB")"
for file in ./usr/bin/telefon-defteri ./usr/share/applications/$APP.desktop \
    ./usr/share/metainfo/$APP.metainfo.xml ./usr/share/man/man1/telefon-defteri.1; do
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
echo "PASS: installed tree, package $(basename "$DEB") and packaged program"
