#!/usr/bin/env bash
# Prints how long a conversion takes through Nimbrel (OK on the command-line
# box to the success box) beside the same batch file in a console of its
# own, the wimlib bridge alone and the host's wimlib-imagex alone, for a
# tiny ESD and one of about 80 MB (NIMBREL_BENCH_LARGE_MB; runs:
# NIMBREL_BENCH_RUNS), and what verifying the result (an integrity table on
# export, then verify) adds to the host's wimlib-imagex alone. The ESDs are
# kept in build/bench.
set -euo pipefail
exec "$(dirname "$0")/bench-e2e.sh" bench_handover.py
