#!/usr/bin/env bash
# Configures and builds Pathstow. The 32-bit product (build/i686) is always
# built and checked; the x86_64 build is added when this host runs Wine only
# in 64-bit mode (see wine-env.sh), because that one is what runs the tests.
# Extra arguments go to "cmake --build" (e.g. --target pathstow_tests).
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

build_arch() {
  local arch=$1; shift
  local dir="$PATHSTOW_ROOT/build/$arch"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$PATHSTOW_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=MinSizeRel \
          -DCMAKE_TOOLCHAIN_FILE="$PATHSTOW_ROOT/cmake/mingw-$arch.cmake" >/dev/null
  fi
  cmake --build "$dir" -j "$(nproc)" "$@"
}

build_arch i686 "$@"

# The product must be a 32-bit GUI program that needs no MinGW DLL.
exe="$PATHSTOW_ROOT/build/i686/Pathstow.exe"
if [ -f "$exe" ]; then
  header=$(i686-w64-mingw32-objdump -f "$exe")
  grep -q 'file format pei-i386' <<<"$header" || { echo "build: $exe is not PE32 i386" >&2; exit 1; }
  subsystem=$(i686-w64-mingw32-objdump -p "$exe" | awk '/^Subsystem/ {print $2}')
  [ "$subsystem" = 00000002 ] || { echo "build: $exe is not a GUI program (subsystem $subsystem)" >&2; exit 1; }
  dlls=$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
  for dll in $dlls; do
    case "$dll" in
      kernel32.dll|user32.dll|gdi32.dll|shell32.dll|advapi32.dll|comctl32.dll|ole32.dll|msvcrt.dll|comdlg32.dll|shlwapi.dll) ;;
      *) echo "build: $exe imports $dll, which is not a system DLL" >&2; exit 1 ;;
    esac
  done
  echo "build: $exe is a PE32 i386 GUI program importing only: $(echo $dlls)"
fi

if [ "$PATHSTOW_ARCH" != i686 ]; then
  build_arch "$PATHSTOW_ARCH" "$@"
fi
