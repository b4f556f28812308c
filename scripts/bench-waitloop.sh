#!/usr/bin/env bash
# Prints the processor time Nimbrel.exe uses while a 20-second conversion
# child runs, as a share of one core (a spinning waiting loop: about 100 %).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/build.sh" win >/dev/null
export NIMBREL_DIST="$ROOT/build/win/dist"
export NIMBREL_DRIVER="$ROOT/build/win/tools/driver/nimdrive.exe"
export NIMBREL_NIMCHILD="$ROOT/build/win/tools/children/nimchild.exe"
export NIMBREL_SCREENSHOTS="$ROOT/build/bench"
cd "$ROOT/tests/e2e"
exec "$ROOT/scripts/wine-session.sh" python3 bench_waitloop.py
