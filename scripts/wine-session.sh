#!/usr/bin/env bash
# Runs a command inside one Wine session: an X server (Xvfb unless DISPLAY is
# set), a persistent wineserver started inside that session and warmed up
# once, and a clean stop at the end. Tests then start programs cheaply.
set -euo pipefail
# NIMBREL_TIER=win32: the 32-bit tier's emulated Wine and its own prefix.
if [ "${NIMBREL_TIER:-win}" = win32 ]; then
  source "$(dirname "$0")/emu32-env.sh"
else
  source "$(dirname "$0")/wine-env.sh"
fi

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

"$NIMBREL_ROOT/scripts/wine-prefix.sh"
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -p || true  # already running: that server serves us too
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
"$WINE" cmd /c exit >/dev/null 2>&1 || true
"$@"
