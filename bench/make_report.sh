#!/usr/bin/env bash
# Turns the benchmark's CSV into docs/performance.md and the latency plot.
# Usage: make_report.sh RESULTS.csv BENCH_OUTPUT.txt EXCHANGE_OUTPUT.txt SERVER.md DIRECTORY.md
#        SYNC.md DOCS_DIR
set -euo pipefail
CSV="$1"
RAW="$2"
EXCHANGE="$3"
SERVER="$4"
DIRECTORY="$5"
SYNC="$6"
DOCS="$7"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
mkdir -p "$DOCS"

gnuplot -e "csv='$CSV'; out='$DOCS/keystroke-latency.png'" "$HERE/keystroke_latency.gp"

# column NAME ROW: the value of a named column in a CSV row ("n,a,b,..."), by the header.
HEADER="$(head -n1 "$CSV")"
column() {
    local index
    index="$(echo "$HEADER" | tr ',' '\n' | grep -nx "$1" | cut -d: -f1)"
    echo "$2" | cut -d, -f"$index"
}
# Three decimals: the index runs far below the statement floor, and two would round to 0.
ratio() { printf '%.3f' "$(echo "scale=6; $1 / $2" | bc -l)"; }

CPU="$(lscpu | sed -n 's/^Model name: *//p' | head -n1)"
{
    echo "# Performance"
    echo
    echo "Measured by \`scripts/bench.sh\` on $(date -u +%Y-%m-%d): $CPU, $(nproc) cores,"
    echo "$(free -g | awk '/^Mem:/ {print $2}') GiB of memory, $(. /etc/os-release; echo "$PRETTY_NAME"),"
    echo "Qt $(qmake -query QT_VERSION 2>/dev/null || echo 5), SQLite $(sqlite3 --version | cut -d' ' -f1), offscreen platform."
    echo
    echo "The window is the real \`MainWindow\` on a generated phone book (Turkish names,"
    echo "numbers, an e-mail address for nine in ten). A keystroke runs from the change of the"
    echo "search text until the list has repainted its first screen; each figure is the median"
    echo "of 15 keystrokes, alternating between two texts, in milliseconds, with the 95th"
    echo "percentile where it says p95. The search answers from the in-memory index once it is"
    echo "built; the \"store\" columns are the same keystrokes answered by the database, as before"
    echo "the index is ready. The index reads its bitmap of each letter and digit of the search"
    echo "(a bit an entry), so that a word of one letter is its bitmap; for longer words it looks"
    echo "into the entries that hold every letter when they are few, else scans its buffers"
    echo "comparing two bytes of the word at 32 places at once. The list then reads the 64"
    echo "entries of its first screen by id. A word with % or _ is looked for by its longest run"
    echo "of letters and matched on the bytes where that run lies; a pattern whose runs are"
    echo "single letters leaves nearly every entry to the matcher."
    echo
    echo "## Keystrokes"
    echo
    echo "| entries | no match | p95 | common name (\"ayşe\") | one letter (\"a\") | p95 | two words | number | sorted, one letter | p95 | sorted, no match | sorted, two words | pattern (\"ay_e\") | pattern of single letters (\"a_a\") |"
    echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
    tail -n +2 "$CSV" | while read -r row; do
        printf "| %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n" \
            "$(column entries "$row")" "$(column nomatch_ms "$row")" "$(column nomatch_p95_ms "$row")" \
            "$(column name_ms "$row")" "$(column letter_ms "$row")" "$(column letter_p95_ms "$row")" \
            "$(column words_ms "$row")" "$(column number_ms "$row")" \
            "$(column sorted_letter_ms "$row")" "$(column sorted_letter_p95_ms "$row")" \
            "$(column sorted_nomatch_ms "$row")" "$(column sorted_words_ms "$row")" \
            "$(column pattern_ms "$row")" "$(column pattern_letters_ms "$row")"
    done
    echo
    echo "![Keystroke latency against the number of entries](keystroke-latency.png)"
    echo
    echo "## Beside the floors"
    echo
    echo "The floors are measured in the same run. *Statement*: the plain search statement"
    echo "\`SELECT *FROM TELEFON WHERE adsoyad LIKE '%zqxw%'\` through the SQLite C API with"
    echo "SQLite's own \`LIKE\`, every row scanned. *Memory*: the physical limit of a search, a"
    echo "bare \`memmem\` over the folded names held in one buffer in memory (names only; the"
    echo "index also scans the mails, about twice the bytes). A word of one letter costs the"
    echo "index no scan at all, only its bitmap, hence below the floor."
    echo
    echo "| entries | keystroke, no match | statement floor | ratio | memory floor | ratio | one letter | memory floor | store keystroke, no match | ratio to the statement | store keystroke, number |"
    echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
    tail -n +2 "$CSV" | while read -r row; do
        nomatch="$(column nomatch_ms "$row")"; floor="$(column statement_floor_ms "$row")"
        memory="$(column memory_floor_ms "$row")"; store="$(column store_nomatch_ms "$row")"
        printf "| %s | %.2f | %.2f | %s | %.3f | %s | %.2f | %.3f | %.2f | %s | %.2f |\n" \
            "$(column entries "$row")" "$nomatch" "$floor" "$(ratio "$nomatch" "$floor")" \
            "$memory" "$(ratio "$nomatch" "$memory")" "$(column letter_ms "$row")" \
            "$(column memory_floor_letter_ms "$row")" "$store" "$(ratio "$store" "$floor")" \
            "$(column store_number_ms "$row")"
    done
    echo
    echo "## Start-up, the index, sorting, saving, memory"
    echo
    echo "| entries | start-up to first screen | index build | another program's change shown | index (MB) | resident, window shown (MB) | resident, index built (MB) | resident, sorted (MB) | header click (sort A–Z) | save | growth over 2,000 keystrokes (MB) |"
    echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
    tail -n +2 "$CSV" | while read -r row; do
        printf "| %s | %.1f | %.0f | %.0f | %.1f | %.0f | %.0f | %.0f | %.0f | %.1f | %.1f |\n" \
            "$(column entries "$row")" "$(column startup_ms "$row")" "$(column index_build_ms "$row")" \
            "$(column change_elsewhere_ms "$row")" "$(column index_mb "$row")" \
            "$(column rss_shown_mb "$row")" "$(column rss_mb "$row")" "$(column rss_sorted_mb "$row")" \
            "$(column header_click_ms "$row")" "$(column save_ms "$row")" "$(column growth_mb "$row")"
    done
    echo
    echo "### A save beside the change log, and a colleague's changes followed"
    echo
    echo "| entries | save, log's triggers taken away (ms) | save with a million changes logged (ms) | ratio | colleague's save shown after (ms) | window thread for it (ms) | the same, sorted list (ms) | colleague's import of 10,000: shown after (ms) | longest the window did not answer (ms) |"
    echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
    tail -n +2 "$CSV" | while read -r row; do
        printf "| %s | %.2f | %.2f | %s | %.0f | %.1f | %.1f | %.0f | %.1f |\n" "$(column entries "$row")" \
            "$(column save_unlogged_ms "$row")" "$(column save_logged_ms "$row")" \
            "$(ratio "$(column save_logged_ms "$row")" "$(column save_unlogged_ms "$row")")" \
            "$(column change_elsewhere_ms "$row")" "$(column change_elsewhere_busy_ms "$row")" \
            "$(column sorted_change_elsewhere_busy_ms "$row")" "$(column import_elsewhere_ms "$row")" \
            "$(column import_elsewhere_longest_ms "$row")"
    done
    echo
    echo "The same save, in the same run: first on the book without the log's triggers, as before"
    echo "the book kept one, then with the triggers and a million rows in the log beside the"
    echo "entries, each after the window followed that change (the target is at most 1.3 times)."
    echo "A colleague's save of one entry, made through SQLite's C API while the window only"
    echo "looks: from the commit until the list shows it, and the window thread's processor time"
    echo "in that span. A colleague's import of 10,000 entries in one commit: until it is listed,"
    echo "and the longest a 1 ms timer waited on the window's thread meanwhile."
    echo
    echo "Start-up lists every id through the database and paints the first screen; it does not"
    echo "wait for the index, which is built in a thread of its own, on a connection of its own,"
    echo "after the first screen (the build is measured here as after the index was dropped)."
    echo "When another program commits, the book is read again in that thread beside the"
    echo "index's digests and only what changed is merged in; the column above runs from another"
    echo "program's change of one entry until the index answers again, the store answering"
    echo "meanwhile. A save includes its message box, shown and closed at once. The resident"
    echo "memory is the whole program's as ps shows it (RSS), measured in a process of its own:"
    echo "once the window is shown, once the index is built, and once the list is sorted by"
    echo "name as well; the index column is what its buffers take. See \"What the memory"
    echo "holds\" below for what makes it up. A header"
    echo "click reads the column of every entry, sorts by Turkish collation keys, two halves at"
    echo "once, and keeps only the order: the ids in order (shared with a list of every entry),"
    echo "each entry's rank, and the ids ascending, shared with the index, about 12 bytes an"
    echo "entry of its own. A change moves one entry in it. From 20,000 entries the column is"
    echo "read and sorted on a thread of its own, on a connection of its own, behind a progress"
    echo "dialog that can stop it; changes made elsewhere that are too many to move one by one"
    echo "are sorted in the same way without the dialog, the list keeping its order meanwhile."
    echo
    echo "## What the memory holds"
    echo
    echo "Measured by hand on 2026-12-08 with \`ps -o rss=\` and \`/proc/PID/smaps\` on the real"
    echo "\`telefon-defteri\` under Xvfb, on the generated book of 1,000,000 entries. Right after"
    echo "the window shows, ps shows 46 to 74 MB: the libraries (Qt, ICU's data, SQLite, 35 MB, shared"
    echo "with other programs but counted in each one's RSS) and the pages of \`database.db\` that"
    echo "SQLite has mapped and read so far. While the index is built, in its thread, up to about"
    echo "210 MB: the whole file mapped (74 MB, clean pages of the system's cache that the store"
    echo "scans while the index is not ready) beside the index's growing buffers. Once it is built,"
    echo "118 MB: the libraries, the index (71 MB), the list's ids (8 MB) and Qt's own heap; the"
    echo "file's mapping is dropped and the freed build buffers are given back to the system. A sort"
    echo "by name adds the order (about 12 bytes an entry), 131 MB, after a peak of about 345 MB"
    echo "while a million collation keys are held. Until Qt's OpenGL integration was left out, the"
    echo "GL driver (Mesa's software one, with LLVM) added 52 MB from the start: 170 MB once the index"
    echo "was built, up to 265 MB while it was. The benchmark's window runs offscreen, without X or"
    echo "GL, hence a few MB less than under X; it reads its RSS with ps too."
    echo
    echo "## The same window on a PostgreSQL server"
    echo
    echo "Measured by \`bench_server\` in the same run on a private PostgreSQL $(psql --version | awk '{print $3}')"
    echo "server on this machine (unix socket, default settings but fsync off), the generated"
    echo "books loaded with COPY. A keystroke waits for the first screen only: the statement the"
    echo "window sends for it (the first 256 ids found, by id) is run again by the server itself"
    echo "with EXPLAIN ANALYZE, and the ratio is the window's median to the server's execution."
    echo "The last column is the server's execution of the whole result's statement, which the"
    echo "list reads afterwards 16,384 ids at a time while the window waits for the next key."
    echo "A trigram index narrows terms of three letters or more; one or two letters are looked"
    echo "for in the stored folded names by id until the first screen is full, and a term found"
    echo "nowhere reads every row, as the server's own scan of the stored column does."
    cat "$SERVER"
    echo
    echo "## The directory server"
    echo
    echo "Measured by \`bench_directory\` in the same run on the generated books. A lookup is"
    echo "a caller's name asked for by 20,000 numbers drawn from the book (as stored, with +90,"
    echo "with 0090) and one in four that nobody has, answered by the server's handler; the floor"
    echo "is the same handler answering a path it does not have, the ratio the lookup's median"
    echo "to it. Over HTTP the same numbers are asked on one kept-alive loopback connection, 5,000"
    echo "times, beside a request for a missing path. A directory is made once after each change"
    echo "and served from memory until the next. A change is another connection's insert until"
    echo "the server answers with its name (the book watched every 100 ms), 10 times."
    echo
    cat "$DIRECTORY"
    echo
    echo "## The sync with the phones"
    echo
    echo "Measured by \`bench_sync\` in the same run, against a Radicale of its own on the"
    echo "loopback. The phones' 10,000 cards are put in the server's storage beforehand and listed"
    echo "once. Each floor is what no sync can do without, made by a bare client of the same run:"
    echo "the changes since the token listed (all of them for a first sync), the cards named read"
    echo "100 at a time, and as many cards written as the sync wrote; the ratio is the sync to it."
    echo "Radicale spends some 1.7 ms of its own on each card it lists or reads, and each card"
    echo "written costs it more the more the address book holds, so the floors are the server's."
    echo
    cat "$SYNC"
    echo
    echo "## Contacts in and out"
    echo
    echo "Measured by \`bench_exchange\` in the same run (median of 5, offscreen):"
    echo
    echo '```'
    cat "$EXCHANGE"
    echo '```'
    echo
    echo "## Raw output"
    echo
    echo '```'
    cat "$RAW"
    echo '```'
} > "$DOCS/performance.md"
echo "wrote $DOCS/performance.md and $DOCS/keystroke-latency.png"
