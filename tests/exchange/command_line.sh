#!/usr/bin/env bash
# telefon-defteri-aktar as a user runs it: usage and exit statuses, import and export on
# database.db of the working directory, nothing imported when one file is broken.
# Usage: command_line.sh PROGRAM SAMPLES_DIR
set -uo pipefail
AKTAR="$1"
SAMPLES="$2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
fail() { echo "FAIL: $*" >&2; exit 1; }
expect_status() { # status command...
    local want="$1"
    shift
    "$@" >out.txt 2>err.txt
    local got=$?
    [ "$got" -eq "$want" ] || fail "$* ended with $got, not $want: $(cat out.txt err.txt)"
}
count() { sqlite3 database.db "SELECT count(*) FROM TELEFON"; }

expect_status 0 "$AKTAR" --help
grep -q "Kullanım" out.txt || fail "--help prints no usage"
expect_status 2 "$AKTAR"
expect_status 2 "$AKTAR" export rehber.txt
expect_status 2 "$AKTAR" import
[ ! -e database.db ] || fail "wrong usage touched database.db"

expect_status 0 "$AKTAR" import "$SAMPLES/android-2.1.vcf" "$SAMPLES/google-new.csv"
[ "$(wc -l <out.txt)" -eq 1 ] || fail "the summary is not one line"
grep -q "6 kişi bulundu: 6 yeni kişi eklendi" out.txt || fail "summary: $(cat out.txt)"
[ "$(count)" -eq 6 ] || fail "$(count) entries after the import"
expect_status 0 "$AKTAR" import "$SAMPLES/android-2.1.vcf"
grep -q "0 yeni kişi eklendi" out.txt || fail "the second import added: $(cat out.txt)"

# One broken file: nothing at all is imported, and the message names the file and line.
expect_status 1 "$AKTAR" import "$SAMPLES/outlook.csv" "$SAMPLES/cut.vcf"
grep -q "cut.vcf: satır 5" err.txt || fail "message: $(cat err.txt)"
[ "$(count)" -eq 6 ] || fail "a failed import changed the book"

expect_status 0 "$AKTAR" export rehber.vcf
expect_status 0 "$AKTAR" export rehber.csv
[ "$(grep -c BEGIN:VCARD rehber.vcf)" -eq 6 ] || fail "rehber.vcf does not hold 6 cards"
[ "$(head -c 3 rehber.csv | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "no BOM in rehber.csv"
expect_status 1 "$AKTAR" export yok/rehber.vcf
[ ! -e yok ] || fail "a failed export left something behind"
[ "$(sqlite3 database.db 'PRAGMA journal_mode')" = delete ] || fail "left in the write-ahead log"
echo "PASS: usage, import, duplicates, all or nothing, export"
