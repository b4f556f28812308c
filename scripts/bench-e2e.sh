#!/usr/bin/env bash
# Runs one of the end-to-end benchmarks of tests/e2e (a script that prints
# numbers, not a test) against the Windows build and its tools, in a Wine
# session. Called by the bench-*.sh scripts that name what they measure.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/build.sh" win >/dev/null
export NIMBREL_DIST="$ROOT/build/win/dist"
export NIMBREL_DRIVER="$ROOT/build/win/tools/driver/nimdrive.exe"
export NIMBREL_WIMBRIDGE="$ROOT/build/win/tools/wimbridge/wimlib-imagex.exe"
export NIMBREL_NIMCHILD="$ROOT/build/win/tools/children/nimchild.exe"
export NIMBREL_SCREENSHOTS="$ROOT/build/bench"
cd "$ROOT/tests/e2e"
exec "$ROOT/scripts/wine-session.sh" python3 "$1"
