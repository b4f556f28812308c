#!/usr/bin/env bash
# Prints how long a conversion takes through Nimbrel (OK on the command-line
# box to the success box) beside the same batch file in a console of its
# own, the wimlib bridge alone and the host's wimlib-imagex alone, for a
# tiny ESD and one of about 80 MB (NIMBREL_BENCH_LARGE_MB; runs:
# NIMBREL_BENCH_RUNS). The ESDs are kept in build/bench.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/build.sh" win >/dev/null
export NIMBREL_DIST="$ROOT/build/win/dist"
export NIMBREL_DRIVER="$ROOT/build/win/tools/driver/nimdrive.exe"
export NIMBREL_WIMBRIDGE="$ROOT/build/win/tools/wimbridge/wimlib-imagex.exe"
export NIMBREL_SCREENSHOTS="$ROOT/build/bench"
cd "$ROOT/tests/e2e"
exec "$ROOT/scripts/wine-session.sh" python3 bench_handover.py
