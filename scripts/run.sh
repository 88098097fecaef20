#!/usr/bin/env bash
# Sets everything up and starts Telefon Defteri. The phone book is database.db in the
# directory this is run from.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"
exec "$ROOT/build/telefon-defteri" "$@"
