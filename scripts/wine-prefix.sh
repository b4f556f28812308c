#!/usr/bin/env bash
# Creates the project's Wine prefix once (64-bit, crash dialog off, frames
# drawn by Wine). A prefix without the ready mark is a half-made one from an
# interrupted attempt: it is removed and made again.
set -euo pipefail
# NIMBREL_TIER=win32: the 32-bit tier's emulated Wine and its own prefix.
if [ "${NIMBREL_TIER:-win}" = win32 ]; then
  source "$(dirname "$0")/emu32-env.sh"
else
  source "$(dirname "$0")/wine-env.sh"
fi

READY="$WINEPREFIX/.nimbrel-ready-2"
if [ -f "$READY" ]; then
  exit 0
fi

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a "$0" "$@"
fi

setup() {
  "$WINE" wineboot -i >/dev/null 2>&1 || true
  [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] || return 1
  # A crashing program must fail its test, not wait for a click on a dialog.
  "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || return 1
  # Wine draws every window's frame itself: under a bare Xvfb no window
  # manager would, and dialogs would show without title bars.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || return 1
  timeout 120 "$WINESERVER" -w || true  # another session's persistent server may stay
}

for attempt in 1 2 3; do
  echo "wine-prefix: creating $WINEPREFIX (attempt $attempt)"
  "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  if setup; then
    touch "$READY"
    exit 0
  fi
done
echo "wine-prefix: could not create $WINEPREFIX" >&2
exit 1
