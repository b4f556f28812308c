#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian machine.
# Idempotent: packages already present are skipped, nothing prompts.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  cmake make ninja-build g++ pkg-config
  g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  # wine64 alone: these kernels cannot run the 32-bit Linux half (wine32).
  # fonts-wine brings Tahoma, the windows' font; without it Wine falls back to DejaVu Sans.
  wine wine64 fonts-wine
  xvfb xauth x11-utils x11-apps imagemagick
  # libwim-dev: wimlib.h, whose error codes the batch file's failure notices follow.
  wimtools libwim-dev
  python3
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
  $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "bootstrap: all packages present"
fi

# The project's own Wine prefix (once; later calls find it ready).
"$(dirname "$0")/wine-prefix.sh"
