#!/usr/bin/env bash
# Prints the processor time Nimbrel.exe uses while a 20-second conversion
# child runs, as a share of one core (a spinning waiting loop: about 100 %).
set -euo pipefail
exec "$(dirname "$0")/bench-e2e.sh" bench_waitloop.py
