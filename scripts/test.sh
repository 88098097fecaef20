#!/usr/bin/env bash
# Sets everything up and runs the whole test suite twice: in the normal build, and in
# a build with AddressSanitizer and UndefinedBehaviorSanitizer (leak detection on);
# then fuzzes what reads outside input for a minute each (scripts/fuzz.sh).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"

echo "== Test suite =="
ctest --test-dir "$ROOT/build" --output-on-failure -j2

echo "== Test suite under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S "$ROOT" -B "$ROOT/build-sanitize" -DTELEFON_WERROR=ON -DTELEFON_SANITIZE=ON \
    -DTELEFON_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$ROOT/build-sanitize" -j"$(nproc)"
ctest --test-dir "$ROOT/build-sanitize" --output-on-failure -j2

echo "== Fuzzing =="
bash "$ROOT/scripts/fuzz.sh" 60
