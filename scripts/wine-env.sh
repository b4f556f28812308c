# Sourced by the other scripts: the project's own Wine prefix and settings.
NIMBREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${NIMBREL_WINEPREFIX:-$NIMBREL_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer may pop up.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# The 64-bit loader and server directly: the kernels we build on run no
# 32-bit Linux code, so the 32-bit loader that /usr/bin/wine tries first fails.
export WINELOADER="${WINELOADER:-/usr/lib/wine/wine64}"
export WINESERVER="${WINESERVER:-/usr/lib/wine/wineserver64}"
WINE="$WINELOADER"
