#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (AddressSanitizer, LeakSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for SECONDS (60 by default)
# from its seeds, its dictionary and the corpus earlier runs left in build-fuzz/corpus/.
# Fails on any crash, leak, sanitizer report, answer that differs from the plain
# reference, input slower than its limit (10 s, or linear time for a search pattern).
# What failed is kept in build-fuzz/findings/; run that file alone to see it again:
#   build-fuzz/fuzz_contactfile build-fuzz/findings/contactfile/crash-...
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SECONDS_EACH="${1:-60}"
BUILD="$ROOT/build-fuzz"
FUZZ="$ROOT/tests/fuzz"

cmake -S "$FUZZ" -B "$BUILD" -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j"$(nproc)"

# The inputs that once took minutes, made here rather than kept: a stray quote before
# 20,000 lines of CSV, and a pasted pattern of 16,383 "a" and a "b" over a long name.
GENERATED="$BUILD/generated"
rm -rf "$GENERATED"
mkdir -p "$GENERATED/cardtext" "$GENERATED/contactfile" "$GENERATED/davanswer" "$GENERATED/directoryrequest" "$GENERATED/likepattern" "$GENERATED/numberkey" \
    "$GENERATED/searchindex" "$GENERATED/workbook"
{ printf 'Ad Soyad;Telefon\r\n"Ali;1\r\n'; printf 'x;2\r\n%.0s' $(seq 20000); } \
    >"$GENERATED/contactfile/stray-quote.csv"
{ printf '%%'; head -c 16383 /dev/zero | tr '\0' a; printf 'b%%\0'; head -c 40000 /dev/zero | tr '\0' a; } \
    >"$GENERATED/likepattern/pasted-pattern"
# Workbooks of a few kB: a sheet that unpacks past the limit, and 20,000 rows that all say
# they are row 1, each with a cell at XFD.
/usr/bin/python3 - "$GENERATED/workbook" <<'PYTHON'
import sys, zipfile
start = ('<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
         '<sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>Ad Soyad</t></is></c></row>')
row = '<row r="1"><c r="A1" t="inlineStr"><is><t>Ali_x0000_</t></is></c><c r="XFD1"><v>1</v></c></row>'
for name, middle, times in (("bomb.xlsx", "<!--" + "a" * 65536 + "-->", 1700),
                            ("rows-all-one.xlsx", row, 20000)):
    with zipfile.ZipFile(f"{sys.argv[1]}/{name}", "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("xl/workbook.xml", "<workbook/>")
        with z.open("xl/worksheets/sheet1.xml", "w") as sheet:
            sheet.write(start.encode())
            for _ in range(times):
                sheet.write(middle.encode())
            sheet.write(b"</sheetData></worksheet>")
PYTHON

# The contact-file target writes each input to a file under the temporary directory;
# one of the build's own, so that a run ended by a finding leaves nothing elsewhere.
export TMPDIR="$BUILD/tmp"
rm -rf "$TMPDIR" "$BUILD/findings"
mkdir -p "$TMPDIR"

FAILED=()
run() { # target max_len [more seed directories]
    local target="$1" max_len="$2"
    shift 2
    mkdir -p "$BUILD/corpus/$target" "$BUILD/findings/$target"
    echo "== fuzz_$target for $SECONDS_EACH s"
    if ! "$BUILD/fuzz_$target" -max_total_time="$SECONDS_EACH" -timeout=10 -max_len="$max_len" \
        -dict="$FUZZ/$target.dict" -artifact_prefix="$BUILD/findings/$target/" \
        -print_final_stats=1 "$BUILD/corpus/$target" "$FUZZ/seeds/$target" \
        "$GENERATED/$target" "$@" 2>"$BUILD/findings/$target.log"; then
        grep -E "^(==[0-9]+==ERROR|SUMMARY|.*not linear|.*expected)" "$BUILD/findings/$target.log" >&2 || true
        tail -n 5 "$BUILD/findings/$target.log" >&2
        FAILED+=("$target")
    else
        grep -E "^(Done|stat::number_of_executed_units)" "$BUILD/findings/$target.log" || true
    fi
}
run contactfile 131072 "$ROOT/tests/data/exchange"
run cardtext 65536
run davanswer 65536
run directoryrequest 16384
run likepattern 65536
run numberkey 4096
run searchindex 4096
run workbook 262144

if [ "${#FAILED[@]}" -gt 0 ]; then
    echo "FAIL: fuzzing found faults in: ${FAILED[*]} (see $BUILD/findings/)" >&2
    exit 1
fi
echo "PASS: no crash, leak, sanitizer report, wrong answer or slow input"
