#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's prefix, as the
# cross-compiling emulator of CTest. Wine's console ends lines with CR LF;
# the CRs are removed so that GoogleTest's listing parses.
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
"$WINE" "$@" | tr -d '\r'
exit "${PIPESTATUS[0]}"
