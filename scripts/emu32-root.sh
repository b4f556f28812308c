#!/usr/bin/env bash
# Makes build/emu32/root once: Debian's 32-bit Wine (the closure of wine32:i386
# and wine32-preloader:i386) and qemu-user from the release's backports,
# fetched with apt-get under a private configuration and unpacked with dpkg -x.
# The release's own qemu (7.2) kills a Wine process as soon as two of its
# threads run at once; the backport (10.0) does not. Nothing is installed
# into the system: an i386 Wine there would change how the system's Wine
# behaves. Exit 0: ready; exit 2: the packages cannot be had (one line says
# why); anything else: a fault of this script.
set -euo pipefail
source "$(dirname "$0")/emu32-env.sh"

[ -f "$EMU32_ROOT/.ready-2" ] && exit 0

APT="$EMU32_DIR/apt"
DEBS="$EMU32_DIR/debs"
mkdir -p "$APT/lists/partial" "$APT/cache/archives/partial"
: >"$APT/status"
# The system's sources and the release's backports on the same mirror.
MIRROR=$(sed -nE 's/^URIs: *([^ ]+).*/\1/p; s/^deb +(\[[^]]*\] +)?([^ ]+) .*/\2/p' \
  /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null | grep -m1 '/debian/*$' || true)
CODENAME=$(. /etc/os-release && echo "$VERSION_CODENAME")
echo "deb ${MIRROR:-http://deb.debian.org/debian} $CODENAME-backports main" >"$APT/sources.list"
cat >"$APT/apt.conf" <<EOF
Dir::Etc::SourceList "$APT/sources.list";
Dir::State "$APT";
Dir::State::lists "$APT/lists";
Dir::State::status "$APT/status";
Dir::Cache "$APT/cache";
APT::Architecture "amd64";
APT::Architectures { "amd64"; "i386"; };
APT::Install-Recommends "false";
Debug::NoLocking "true";
EOF
export APT_CONFIG="$APT/apt.conf"

skip() { echo "32-bit tier: skipped: $*"; exit 2; }

if [ ! -s "$APT/closure-2" ]; then
  # An index that fails (a mirror in sync) is left out; the simulation
  # below says whether what is there suffices.
  apt-get -qq update >"$APT/update.log" 2>&1 || apt-get -qq update >"$APT/update.log" 2>&1 || true
  # With an empty status file, a simulated install names the whole closure.
  apt-get -s install wine32:i386 wine32-preloader:i386 "qemu-user/$CODENAME-backports" >"$APT/simulate.log" 2>&1 \
    || skip "no i386 Wine packages ($(grep -m1 -E '^E:' "$APT/simulate.log" || tail -1 "$APT/simulate.log"))"
  sed -nE -e 's/^Inst ([^ :]+)(:[a-z0-9]+)? \(([^ ]+) .*\[all\]\)$/\1=\3/p' \
    -e 's/^Inst ([^ :]+)(:[a-z0-9]+)? \(([^ ]+) .*\[([a-z0-9]+)\]\)$/\1:\4=\3/p' \
    "$APT/simulate.log" >"$APT/closure.new"
  [ -s "$APT/closure.new" ] || skip "could not read the package closure"
  mv "$APT/closure.new" "$APT/closure-2"
fi

rm -rf "$DEBS" && mkdir -p "$DEBS"
( cd "$DEBS" && xargs -a "$APT/closure-2" apt-get -qq download >"$APT/download.log" 2>&1 ) \
  || skip "apt-get download failed ($(grep -m1 -E '^E:' "$APT/download.log" || tail -1 "$APT/download.log"))"

rm -rf "$EMU32_ROOT"
mkdir -p "$EMU32_ROOT"
for deb in "$DEBS"/*.deb; do dpkg -x "$deb" "$EMU32_ROOT"; done
# Only the i386 emulator is used; the others are 600 MB.
find "$EMU32_ROOT/usr/bin" -name 'qemu-*' ! -name qemu-i386 -delete

QEMU="$EMU32_ROOT/usr/bin/qemu-i386"
WINEDIR="$EMU32_ROOT/usr/lib/wine"
[ -x "$QEMU" ] && [ -f "$WINEDIR/wine" ] && [ -f "$WINEDIR/wine-preloader" ] \
  || { echo "emu32: the unpacked packages lack qemu-i386 or Wine's loader" >&2; exit 1; }

# The kernel starts no i386 ELF file, but it starts scripts: Wine's loader
# and preloader (both started again for every process) become scripts that
# run the real files under the emulator. The preloader is given the real
# loader in place of the script that names itself as the loader.
mv "$WINEDIR/wine" "$WINEDIR/wine.real"
mv "$WINEDIR/wine-preloader" "$WINEDIR/wine-preloader.real"
ENVIRONMENT="LD_LIBRARY_PATH=/lib/i386-linux-gnu:/usr/lib/i386-linux-gnu LD_PRELOAD=$EMU32_TRAPFIX"
cat >"$WINEDIR/wine" <<EOF
#!/bin/sh
$ENVIRONMENT exec "$QEMU" -L "$EMU32_ROOT" "$WINEDIR/wine.real" "\$@"
EOF
cat >"$WINEDIR/wine-preloader" <<EOF
#!/bin/sh
[ "\$1" = "$WINEDIR/wine" ] && shift && set -- "$WINEDIR/wine.real" "\$@"
$ENVIRONMENT exec "$QEMU" -L "$EMU32_ROOT" "$WINEDIR/wine-preloader.real" "\$@"
EOF
chmod +x "$WINEDIR/wine" "$WINEDIR/wine-preloader"

# As Debian's libwine does on installation: MinGW's zlib1.dll, marked as a
# Wine builtin DLL.
ZLIB=$(ls /usr/i686-w64-mingw32/lib/zlib1.dll)
OUT="$EMU32_ROOT/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
{ head -c 64 "$ZLIB"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$ZLIB"; } >"$OUT"

# qemu leaves the trap number of a fault's signal context at -1 (7.2 and
# 10.0 alike); this
# library, preloaded into every emulated process, fills it in.
gcc -m32 -O2 -fPIC -ffreestanding -nostdlib -shared -Wl,-soname,nimtrapfix.so \
  -o "$EMU32_ROOT$EMU32_TRAPFIX" "$(dirname "$0")/emu32-trapfix.c" "$EMU32_ROOT/lib/i386-linux-gnu/libc.so.6"

touch "$EMU32_ROOT/.ready-2"
