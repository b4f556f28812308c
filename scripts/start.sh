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

# build/run: the distribution folder as a user unpacks it (the tests keep
# build/win/dist untouched); a WIM folder from earlier runs stays.
RUN="$ROOT/build/run"
mkdir -p "$RUN"
cp -r "$ROOT/build/win/dist/." "$RUN/"
BRIDGE="$ROOT/build/win/tools/wimbridge/wimlib-imagex.exe"
for folder in wimlib_x86 wimlib_x64; do
  target="$RUN/Tools/$folder/wimlib-imagex.exe"
  if [ ! -f "$target" ] || [ -f "$RUN/Tools/$folder/.bridge" ]; then
    cp "$BRIDGE" "$target"
    touch "$RUN/Tools/$folder/.bridge"
  fi
done

echo "start: Nimbrel in $RUN"
cd "$RUN"
if [ -z "${DISPLAY:-}" ]; then
  echo "start: no DISPLAY; running on a virtual screen (Xvfb)" >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$WINE" Nimbrel.exe
fi
exec "$WINE" Nimbrel.exe
