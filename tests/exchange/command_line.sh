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
# Şule is in both files: one entry, completed from the second.
grep -q "6 kişi bulundu: 5 yeni kişi eklendi, 0 kişi tamamlandı" out.txt || fail "summary: $(cat out.txt)"
[ "$(count)" -eq 5 ] || fail "$(count) entries after the import"
expect_status 0 "$AKTAR" import "$SAMPLES/android-2.1.vcf"
grep -q "0 yeni kişi eklendi" out.txt || fail "the second import added: $(cat out.txt)"

# One broken file: nothing at all is imported, and the message names the file and line.
expect_status 1 "$AKTAR" import "$SAMPLES/outlook.csv" "$SAMPLES/cut.vcf"
grep -q "cut.vcf: satır 5" err.txt || fail "message: $(cat err.txt)"
[ "$(count)" -eq 5 ] || fail "a failed import changed the book"

expect_status 0 "$AKTAR" export rehber.vcf
expect_status 0 "$AKTAR" export rehber.csv
[ "$(grep -c BEGIN:VCARD rehber.vcf)" -eq 5 ] || fail "rehber.vcf does not hold 5 cards"
[ "$(head -c 3 rehber.csv | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "no BOM in rehber.csv"
# Excel and the printed list, checked by openpyxl and poppler.
expect_status 0 "$AKTAR" export rehber.xlsx
/usr/bin/python3 "$SAMPLES/../../exchange/workbook.py" read rehber.xlsx >sheet.json ||
    fail "openpyxl cannot read rehber.xlsx"
grep -q '\["0232 333 66 77", "s"\]' sheet.json || fail "rehber.xlsx: $(cat sheet.json)"
expect_status 0 "$AKTAR" export liste.pdf
pdftotext -layout liste.pdf liste.txt || fail "pdftotext cannot read liste.pdf"
[ "$(grep -o -e 'Ayşe Yılmaz' -e 'Çağlar Ltd' -e 'İbrahim Güneş' -e 'Ömer Çelik' -e 'Şule Çağlar' \
    liste.txt | tr '\n' '|')" = "Ayşe Yılmaz|Çağlar Ltd|İbrahim Güneş|Ömer Çelik|Şule Çağlar|" ] ||
    fail "liste.pdf is not in Turkish order: $(cat liste.txt)"
pdfinfo liste.pdf | grep -q "^Pages: *1$" || fail "liste.pdf: $(pdfinfo liste.pdf)"
rm -f sheet.json liste.txt
expect_status 1 "$AKTAR" export yok/rehber.vcf
expect_status 1 "$AKTAR" export yok/liste.pdf
grep -q "aktar: yok/liste.pdf: yazılamıyor" err.txt || fail "the PDF's error: $(cat err.txt)"
[ ! -e yok ] || fail "a failed export left something behind"
[ "$(sqlite3 database.db 'PRAGMA journal_mode')" = delete ] || fail "left in the write-ahead log"

# Anything but a regular file is refused before it is opened: a FIFO would wait for a
# writer forever. The time limit only ends a program that hangs, as a failure.
mkfifo kisiler.vcf
mkdir klasor.csv
expect_status 1 timeout 60 "$AKTAR" import kisiler.vcf
grep -q "kisiler.vcf: normal bir dosya değil, bir FIFO" err.txt || fail "FIFO: $(cat err.txt)"
expect_status 1 timeout 60 "$AKTAR" import klasor.csv
grep -q "klasor.csv: normal bir dosya değil, bir klasör" err.txt || fail "folder: $(cat err.txt)"

# File names that are not valid UTF-8 name the very bytes given, reading and writing.
cp "$SAMPLES/vcard-4.0.vcf" $'ki\xfei.vcf'
expect_status 0 "$AKTAR" import $'ki\xfei.vcf'
grep -q "2 kişi bulundu" out.txt || fail "import by a Latin-5 name: $(cat out.txt err.txt)"
expect_status 0 "$AKTAR" export $'yedek-\xe7.vcf'
[ -f $'yedek-\xe7.vcf' ] || fail "the export is not where it was asked to be"
[ "$(ls | grep -c yedek)" -eq 1 ] || fail "the export wrote another file: $(ls)"

# The same people twice in one import are repeated in the files, not already in the book.
mkdir tekrar
cd tekrar
expect_status 0 "$AKTAR" import "$SAMPLES/vcard-4.0.vcf" "$SAMPLES/vcard-4.0.vcf"
grep -q "4 kişi bulundu: 2 yeni kişi eklendi, 0 kişi tamamlandı, 0 kişi defterde zaten vardı, \
2 kişi dosyalarda birden fazla kez geçiyordu" out.txt || fail "repeated: $(cat out.txt)"
cd ..

# A header that names no column of names: refused with its columns and the names known,
# then imported as the columns are said to be; --ayrinti names a number that fits nowhere.
mkdir sutunlar
cd sutunlar
expect_status 1 "$AKTAR" import "$SAMPLES/unknown-header.csv"
grep -q 'sütunlar: "Kim", "Ne", "Nerede"; bilinen başlıklar: Ad Soyad' err.txt ||
    fail "unknown header: $(cat err.txt)"
grep -q -- "--sutunlar" err.txt || fail "the refusal does not say how: $(cat err.txt)"
expect_status 2 "$AKTAR" import --sutunlar adsoyad,kim "$SAMPLES/unknown-header.csv"
grep -q '"kim" bir sütun adı değil' err.txt || fail "wrong column: $(cat err.txt)"
# A role twice would lose one column's values; "yok" may be said of any number of them.
expect_status 2 "$AKTAR" import --sutunlar adsoyad,adsoyad,yok "$SAMPLES/unknown-header.csv"
grep -q '"adsoyad" iki kez verildi' err.txt || fail "a role given twice: $(cat err.txt)"
[ "$(count)" = 0 ] || fail "a wrong usage imported: $(count)"
expect_status 0 "$AKTAR" import --sutunlar adsoyad,cep,yok "$SAMPLES/unknown-header.csv"
[ "$(sqlite3 database.db 'SELECT adsoyad, cep FROM TELEFON')" = "Gökçe Işık|0532" ] ||
    fail "--sutunlar: $(sqlite3 database.db 'SELECT * FROM TELEFON')"
expect_status 0 "$AKTAR" import "$SAMPLES/google-old.csv" --ayrinti
[ "$(wc -l <out.txt)" -eq 2 ] || fail "--ayrinti: $(cat out.txt)"
grep -q "^Ayşe Yılmaz — sığmayan numara: 0533 999 88 77$" out.txt || fail "--ayrinti: $(cat out.txt)"
cd ..

# No phone book here: nothing to export, and nothing is made.
mkdir bos
cd bos
expect_status 1 "$AKTAR" export rehber.csv
grep -q "burada telefon defteri yok" err.txt || fail "no book: $(cat err.txt)"
[ "$(ls | grep -vc -e '^out.txt$' -e '^err.txt$')" -eq 0 ] || fail "export made $(ls)"
cd ..

# SIGTERM, SIGINT or SIGHUP during an import: nothing added, the book back in the rollback
# journal without its log files, and 128 + the signal as the status.
awk 'BEGIN { print "Ad Soyad;Telefon;Cep;Mail"
             for (i = 0; i < 600000; i++) printf "Kişi %d;0212 %d;;kisi%d@ornek.com.tr\r\n", i, i, i }' \
    >buyuk.csv
before="$(count)"
for signal in TERM INT HUP; do
    "$AKTAR" import buyuk.csv >out.txt 2>err.txt &
    pid=$!
    # The file open means the import is under way: all of it must be read before anything
    # can be committed, so the signal lands before the commit.
    for _ in $(seq 6000); do
        ls -l "/proc/$pid/fd" 2>/dev/null | grep -q buyuk.csv && break
        sleep 0.01
    done
    ls -l "/proc/$pid/fd" 2>/dev/null | grep -q buyuk.csv || fail "SIG$signal: the file was never open"
    kill -s "$signal" "$pid"
    wait "$pid"
    got=$?
    [ "$got" -eq $((128 + $(kill -l "$signal"))) ] || fail "SIG$signal: status $got: $(cat err.txt)"
    grep -q "hiçbir kişi eklenmedi" err.txt || fail "SIG$signal: $(cat out.txt err.txt)"
    [ "$(count)" -eq "$before" ] || fail "SIG$signal: the import was not rolled back"
    [ "$(sqlite3 database.db 'PRAGMA journal_mode')" = delete ] || fail "SIG$signal: left in the log"
    [ ! -e database.db-wal ] && [ ! -e database.db-shm ] || fail "SIG$signal: log files left"
done
echo "PASS: usage, import, duplicates, columns, all or nothing, export, Excel, PDF, special files, file names, signals"
