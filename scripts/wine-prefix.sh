#!/usr/bin/env bash
# Creates the project's Wine prefix once (32-bit and 64-bit, crash dialog off).
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

if [ -f "$WINEPREFIX/.nimbrel-ready" ]; then
  exit 0
fi
mkdir -p "$WINEPREFIX"
echo "wine-prefix: creating $WINEPREFIX"
setup() {
  "$WINE" wineboot -i >/dev/null 2>&1 || true
  # A crashing program must fail its test, not wait for a click on a dialog.
  "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  "$WINESERVER" -w
}
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a "$0"
  exit $?
fi
setup
touch "$WINEPREFIX/.nimbrel-ready"
