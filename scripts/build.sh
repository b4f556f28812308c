#!/usr/bin/env bash
# Installs what is missing and builds the three trees:
#   build/host   the portable core and its tests, native
#   build/host-san  the same with AddressSanitizer and UndefinedBehaviorSanitizer
#   build/win    the 64-bit Windows build: Nimbrel.exe, its tests and tools;
#                build/win/dist is a distribution folder that runs under Wine here
#   build/win32  the shipped 32-bit Nimbrel.exe; build/win32/dist is the product
#                (its test tools are built on demand by scripts/test-win32.sh)
# The kernels of our build machines run no 32-bit code, so the system's Wine
# runs only the 64-bit build; both come from the same sources. The 32-bit
# one runs under emulation (scripts/test-win32.sh).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

"$ROOT/scripts/bootstrap.sh"

JOBS="${NIMBREL_JOBS:-$(nproc)}"
what="${1:-all}"
if [ "$what" = all ] || [ "$what" = host ]; then
  cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build build/host -j "$JOBS"
fi
if [ "$what" = all ] || [ "$what" = host-san ]; then
  SAN="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
  cmake -S . -B build/host-san -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS="$SAN" -DCMAKE_CXX_FLAGS="$SAN" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
  cmake --build build/host-san -j "$JOBS"
fi
if [ "$what" = all ] || [ "$what" = win ]; then
  cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" >/dev/null
  cmake --build build/win -j "$JOBS"
fi
if [ "$what" = all ] || [ "$what" = win32 ]; then
  cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIMBREL_TESTS=OFF -DNIMBREL_TOOLS=ON \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
  cmake --build build/win32 -j "$JOBS"
fi
