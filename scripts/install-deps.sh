#!/usr/bin/env bash
# Installs the Debian packages needed to cross-build Pathstow and run it under
# Wine on an X display. Idempotent: does nothing when everything is present.
#
# A package mirror in the middle of a sync serves an index of the wrong size
# now and then, and apt-get update fails for minutes. The update is retried a
# few times; then the install is tried with the indexes that did arrive. When
# only the 32-bit Wine packages cannot be had (i386 versions must match the
# amd64 ones exactly), the 64-bit set is installed: the scripts then build and
# test the x86_64 build, as on a host that runs no 32-bit code, and say so.
set -euo pipefail

common=(cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools googletest
        python3 python3-pytest python3-pefile nsis
        wine wine64 fonts-wine xvfb xdotool x11-utils imagemagick
        libxcursor1 libxrender1 libxrandr2 libxi6 libxfixes3 libxinerama1 libxcomposite1)
wine32=(wine32:i386 libxcursor1:i386 libxrender1:i386 libxrandr2:i386 libxi6:i386
        libxfixes3:i386 libxinerama1:i386 libxcomposite1:i386)

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# Checked once per run: the scripts that test.sh calls (package.sh in the
# installer tests) find it done.
[ "${PATHSTOW_DEPS_CHECKED:-0}" = 1 ] && exit 0
mapfile -t missing < <(missing_of "${common[@]}" "${wine32[@]}")
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]}; run as root to install them" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
update_log=$(mktemp)
trap 'rm -f "$update_log"' EXIT

# The indexes that the last update could not fetch, one a line.
failed_indexes() {
  sed -nE 's/^E: Failed to fetch ([^ ]+).*/\1/p' "$update_log" | sort -u
}

pause=${PATHSTOW_APT_RETRY_PAUSE:-10}
updated=0
for attempt in 1 2 3; do
  if apt-get update -q >"$update_log" 2>&1; then
    updated=1
    break
  fi
  echo "install-deps: apt-get update failed (attempt $attempt of 3): $(failed_indexes | tr '\n' ' ')" >&2
  [ "$attempt" -lt 3 ] && sleep $((pause * attempt))
done
[ "$updated" -eq 1 ] || echo "install-deps: going on with the indexes that did arrive" >&2

install() {
  apt-get install -y -q --no-install-recommends "$@"
}

if install "${missing[@]}"; then
  exit 0
fi
# Without 32-bit Wine the x86_64 build is tested: install the rest.
mapfile -t missing64 < <(missing_of "${common[@]}")
if [ ${#missing64[@]} -eq 0 ] || install "${missing64[@]}"; then
  reason=
  [ "$updated" -eq 0 ] && reason=" (the index $(failed_indexes | tr '\n' ' ')could not be downloaded)"
  echo "install-deps: NOTE: 32-bit Wine could not be installed$reason; the scripts build and test" \
       "the x86_64 build under 64-bit Wine. Run this again later to install the 32-bit set." >&2
  exit 0
fi
if [ "$updated" -eq 0 ]; then
  echo "install-deps: the packages could not be installed because the package index" \
       "$(failed_indexes | tr '\n' ' ')could not be downloaded (a mirror in the middle of a sync?):" \
       "try again later." >&2
else
  echo "install-deps: apt-get install failed; see its messages above." >&2
fi
exit 1
