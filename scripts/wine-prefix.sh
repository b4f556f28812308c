#!/usr/bin/env bash
# Creates the project's Wine prefix once (32-bit and 64-bit, crash dialog off).
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

if [ -f "$WINEPREFIX/.nimbrel-ready-2" ]; then
  exit 0
fi
mkdir -p "$WINEPREFIX"
echo "wine-prefix: creating $WINEPREFIX"
setup() {
  "$WINE" wineboot -i >/dev/null 2>&1 || true
  # A crashing program must fail its test, not wait for a click on a dialog.
  "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Wine draws every window's frame itself: under a bare Xvfb no window
  # manager would, and dialogs would show without title bars.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  timeout 120 "$WINESERVER" -w || true  # another session's persistent server may stay
}
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a "$0"
  exit $?
fi
setup
touch "$WINEPREFIX/.nimbrel-ready-2"
