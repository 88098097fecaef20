#!/usr/bin/env bash
# Installs the Debian packages the project needs that are missing, then configures
# and builds it in build/ (warnings as errors). Usage: scripts/setup.sh [cmake args...]
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(
    # build
    cmake g++ make pkg-config clang-format qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite
    libqt5printsupport5 libsqlite3-dev libxlsxwriter-dev libzip-dev libpq-dev
    # run time: the free faces the form's fonts fall back to, Qt's Turkish texts, the
    # desktop's program for tel: addresses
    fonts-crosextra-caladea fonts-liberation2 fonts-dejavu-core qttranslations5-l10n xdg-utils
    # the printed list's emoji: outlines a PDF embeds (a colour emoji face shows nothing)
    fonts-symbola
    # a phone book shared on a PostgreSQL server; its password in the desktop's keyring
    libqt5sql5-psql qt5keychain-dev
    # the directory and caller-name server for desk phones and the switchboard; a private
    # CardDAV server the tests start themselves, as the staff's phones sync with one
    libcpp-httplib-dev curl python3-radicale
    # tests: headless and real X windows, a Turkish keyboard, the sqlite3 program,
    # screenshots, independent readers of vCard and Excel files and of the printed PDF
    xvfb xauth xdotool x11-utils x11-xkb-utils imagemagick sqlite3 python3 python3-vobject
    python3-openpyxl poppler-utils
    # a private PostgreSQL server the tests start themselves (the package's own cluster is
    # not used), and psql as the other desk
    postgresql-15 postgresql-client-15
    # a private keyring the tests start themselves: a D-Bus bus, gnome-keyring, secret-tool
    dbus-daemon gnome-keyring libsecret-tools
    # fuzzing: clang with libFuzzer and the sanitizers' run time
    clang-14 libclang-rt-14-dev
    # packaging checks
    desktop-file-utils appstream dpkg-dev file man-db systemd
    # benchmarks
    gnuplot-nox bc procps
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$ROOT" -B "$ROOT/build" -DTELEFON_WERROR=ON "$@" >/dev/null
cmake --build "$ROOT/build" -j"$(nproc)"
