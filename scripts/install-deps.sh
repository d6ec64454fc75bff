#!/usr/bin/env bash
# Installs the Debian packages needed to cross-build Pathstow and run it under
# Wine on an X display. Idempotent: does nothing when everything is present.
set -euo pipefail

packages=(cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools googletest
          python3 python3-pytest python3-pefile nsis
          wine wine64 wine32:i386 fonts-wine xvfb xdotool x11-utils imagemagick
          libxcursor1:i386 libxrender1:i386 libxrandr2:i386 libxi6:i386
          libxfixes3:i386 libxinerama1:i386 libxcomposite1:i386
          libxcursor1 libxrender1 libxrandr2 libxi6 libxfixes3 libxinerama1 libxcomposite1)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
    || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]}; run as root to install them" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
