# Sourced by the 32-bit tier's scripts (and, through the harness, by its
# tests): Debian's 32-bit Wine unpacked in build/emu32/root and run by
# qemu-i386, served by the system's own wineserver64 (the same Wine 8.0),
# with a 32-bit prefix of its own.
NIMBREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
EMU32_DIR="$NIMBREL_ROOT/build/emu32"
EMU32_ROOT="$EMU32_DIR/root"
# Inside the root: only the emulated loader finds it there.
EMU32_TRAPFIX=/usr/lib/i386-linux-gnu/nimtrapfix.so
export WINEPREFIX="${NIMBREL_WINEPREFIX32:-$NIMBREL_ROOT/build/wineprefix32}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINELOADER="$EMU32_ROOT/usr/lib/wine/wine"
export WINESERVER=/usr/lib/wine/wineserver64
WINE="$WINELOADER"
