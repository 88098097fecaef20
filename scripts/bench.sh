#!/usr/bin/env bash
# Sets everything up, generates phone books of 1,000 to 1,000,000 entries, runs the
# benchmarks on them and writes docs/performance.md with its plot.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"
DATA="$ROOT/build/bench-data"
SIZES=(10000 100000 1000000)
for n in "${SIZES[@]}"; do
    mkdir -p "$DATA/$n"
    "$ROOT/build/bench/generate_phonebook" "$n" "$DATA/$n"
done
"$ROOT/build/bench/bench_window" "$DATA" "${SIZES[@]}" --csv "$DATA/results.csv" \
    2>&1 | grep -v propagateSizeHints | tee "$DATA/output.txt"
"$ROOT/build/bench/bench_server" "$DATA" 100000 1000000 --markdown "$DATA/server.md" \
    2>&1 | grep -v -e propagateSizeHints -e XDG_RUNTIME
"$ROOT/build/bench/bench_exchange" "$DATA" 2>&1 | grep -v XDG_RUNTIME | tee "$DATA/exchange.txt"
"$ROOT/build/bench/bench_directory" "$DATA" "${SIZES[@]}" --markdown "$DATA/directory.md"
mkdir -p "$DATA/1000"
"$ROOT/build/bench/generate_phonebook" 1000 "$DATA/1000"
"$ROOT/build/bench/bench_sync" "$DATA" --markdown "$DATA/sync.md" 2>&1 | grep -v XDG_RUNTIME
bash "$ROOT/bench/make_report.sh" "$DATA/results.csv" "$DATA/output.txt" "$DATA/exchange.txt" \
    "$DATA/server.md" "$DATA/directory.md" "$DATA/sync.md" "$ROOT/docs"
