#!/usr/bin/env bash
# Builds Pathstow (when needed), then what is handed to users:
#   build/i686/Pathstow-<version>-setup.exe   per-user installer (NSIS)
#   build/i686/Pathstow-<version>.zip         portable zip
# The version is CMake's project(VERSION) in CMakeLists.txt, the one place
# the build holds it. On a host that runs only 64-bit Wine (see
# wine-env.sh) the x86_64 build is packaged the same way into build/x86_64,
# for the tests only: its installer is the same script built as a 64-bit
# program (NSIS's amd64-unicode target), since a 32-bit one cannot start
# there. What users get is always the 32-bit installer of the i686 build.
# Extra arguments go to scripts/build.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/install-deps.sh"
source "$here/wine-env.sh"
"$here/build.sh" "$@"

version=$(sed -nE 's/^project\(Pathstow[[:space:]]+VERSION[[:space:]]+([0-9]+(\.[0-9]+){0,3})([[:space:])].*)?$/\1/p' \
          "$PATHSTOW_ROOT/CMakeLists.txt")
if [ -z "$version" ]; then
  echo "package: no version in the project() line of $PATHSTOW_ROOT/CMakeLists.txt" >&2
  exit 1
fi
# The file version of the installer has four parts.
version4=$version
while [ "$(tr -cd . <<<"$version4" | wc -c)" -lt 3 ]; do version4=$version4.0; done

package_arch() {
  local dir="$PATHSTOW_ROOT/build/$1" target=()
  [ "$1" = x86_64 ] && target=("-XTarget amd64-unicode")
  local exe="$dir/Pathstow.exe"
  local setup="$dir/Pathstow-$version-setup.exe"
  local zip="$dir/Pathstow-$version.zip"
  [ -f "$exe" ] || { echo "package: $exe is missing" >&2; exit 1; }

  makensis -V2 -INPUTCHARSET UTF8 "${target[@]}" \
    "-DVERSION=$version" "-DVERSION4=$version4" "-DEXE=$exe" \
    "-DICON=$PATHSTOW_ROOT/res/pathstow.ico" "-DOUTFILE=$setup" \
    "$PATHSTOW_ROOT/scripts/installer/Pathstow.nsi"
  /usr/bin/python3 "$PATHSTOW_ROOT/scripts/installer/portable.py" "$version" "$exe" \
    "$PATHSTOW_ROOT/res/about.rc" "$PATHSTOW_ROOT/scripts/installer/ReadMe.txt" "$zip"
  echo "package: $setup ($(( ($(stat -c %s "$setup") + 1023) / 1024 )) KB)"
  echo "package: $zip ($(( ($(stat -c %s "$zip") + 1023) / 1024 )) KB)"
}

package_arch i686
if [ "$PATHSTOW_ARCH" != i686 ]; then
  package_arch "$PATHSTOW_ARCH"
fi
