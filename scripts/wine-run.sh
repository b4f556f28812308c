#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's prefix, as the
# cross-compiling emulator of CTest. Wine's console ends lines with CR LF;
# the CRs are removed so that GoogleTest's listing parses.
#
# A test program always prints something. When Wine itself fails to bring
# the process up (rarely seen: exit non-zero with no output at all), the
# run is repeated, at most twice, instead of failing a test that never ran.
set -uo pipefail
source "$(dirname "$0")/wine-env.sh"
out="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2 3; do
  "$WINE" "$@" 2>"$err" | tr -d '\r' >"$out"
  rc=${PIPESTATUS[0]}
  if [ "$rc" -eq 0 ] || [ -s "$out" ] || [ -s "$err" ]; then
    break
  fi
  echo "wine-run: $1 ended with $rc and no output (attempt $attempt)" >&2
done
cat "$out"
cat "$err" >&2
exit "$rc"
