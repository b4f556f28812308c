#!/usr/bin/env bash
# Builds Nimbrel (installing what is missing) and starts it under Wine,
# ready to convert: where the real wimlib Windows builds are absent from the
# distribution's Tools folders, the bridge that runs this machine's
# wimlib-imagex takes their place.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
source "$ROOT/scripts/wine-env.sh"

"$ROOT/scripts/build.sh" win
"$ROOT/scripts/wine-prefix.sh"

DIST="$ROOT/build/win/dist"
BRIDGE="$ROOT/build/win/tools/wimbridge/wimlib-imagex.exe"
for folder in wimlib_x86 wimlib_x64; do
  target="$DIST/Tools/$folder/wimlib-imagex.exe"
  if [ ! -f "$target" ] || [ -f "$DIST/Tools/$folder/.bridge" ]; then
    cp "$BRIDGE" "$target"
    touch "$DIST/Tools/$folder/.bridge"
  fi
done

cd "$DIST"
if [ -z "${DISPLAY:-}" ]; then
  echo "start: no DISPLAY; running on a virtual screen (Xvfb)" >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$WINE" Nimbrel.exe
fi
exec "$WINE" Nimbrel.exe
