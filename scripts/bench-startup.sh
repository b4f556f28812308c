#!/usr/bin/env bash
# Prints how long Nimbrel's main window takes to appear under Wine against
# its yardstick, a bare window with the same system controls, started the
# same way in the same Wine session (medians of alternating runs and their
# ratio), and where Nimbrel's start-up time goes, step by step.
# NIMBREL_BENCH_RUNS sets the number of runs (default 21).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/build.sh" win >/dev/null
export NIMBREL_BUILD="$ROOT/build/win"
exec "$ROOT/scripts/wine-session.sh" python3 "$ROOT/tools/startbench/bench_startup.py"
