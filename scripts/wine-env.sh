# Sourced by the other scripts: picks the build architecture and the Wine
# loader, and provides helpers that prepare the X display, the Wine prefix and
# Wine's virtual desktop "shell" with its taskbar.
#
# The product is the 32-bit build. Hosts whose kernel cannot execute 32-bit
# code (ia32 emulation disabled) cannot run 32-bit Wine; there the same sources
# are built for x86_64 and run under wine64, and the installer tests run a
# 64-bit build of the same installer script. PATHSTOW_ARCH=i686|x86_64
# overrides the choice; PATHSTOW_NO_WIN32=1 makes every script (and the
# end-to-end harness) treat 32-bit Wine as absent, as on such a host.
# PATHSTOW_WINEDEBUG (e.g. warn+heap) replaces WINEDEBUG=-all.

PATHSTOW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

pathstow_can_run_32bit() {
  [ "${PATHSTOW_NO_WIN32:-0}" = 0 ] && [ -x /usr/lib/wine/wine ] &&
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Why 32-bit Wine is not used here, for the NOTE lines.
pathstow_no_32bit_reason() {
  if [ "${PATHSTOW_NO_WIN32:-0}" != 0 ]; then
    echo "PATHSTOW_NO_WIN32 treats 32-bit Wine as absent"
  elif [ ! -x /usr/lib/wine/wine ]; then
    echo "32-bit Wine is not installed (see scripts/install-deps.sh)"
  else
    echo "this host cannot run 32-bit Wine"
  fi
}

if [ -z "${PATHSTOW_ARCH:-}" ]; then
  if pathstow_can_run_32bit; then PATHSTOW_ARCH=i686; else PATHSTOW_ARCH=x86_64; fi
fi
# A prefix has the bitness of the build: everything in the 32-bit one is
# 32-bit like the product.
case "$PATHSTOW_ARCH" in
  i686)   WINE=/usr/lib/wine/wine;   WINESERVER=/usr/lib/wine/wineserver;   PATHSTOW_WINEARCH=win32 ;;
  x86_64) WINE=/usr/lib/wine/wine64; WINESERVER=/usr/lib/wine/wineserver64; PATHSTOW_WINEARCH=win64 ;;
  *) echo "wine-env: unknown PATHSTOW_ARCH '$PATHSTOW_ARCH'" >&2; return 1 ;;
esac
PATHSTOW_BUILD_DIR="$PATHSTOW_ROOT/build/$PATHSTOW_ARCH"
export PATHSTOW_ROOT PATHSTOW_ARCH PATHSTOW_BUILD_DIR WINE WINESERVER
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$PATHSTOW_BUILD_DIR/wineprefix}"
export WINEDEBUG="${PATHSTOW_WINEDEBUG:--all}"
# No Mono or Gecko install prompt, ever.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Polls a command until it succeeds; fails after the given number of seconds.
pathstow_wait_for() {
  local timeout=$1; shift
  local deadline=$((SECONDS + timeout))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
}

# Starts Xvfb on a display number that it finds free itself (two runs at
# once never take the same one) and exports DISPLAY. Sets PATHSTOW_XVFB_PID;
# pathstow_stop_xvfb ends it.
pathstow_start_xvfb() {
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  PATHSTOW_XVFB_PID=$!
  if ! pathstow_wait_for 60 grep -q '^[0-9]' "$number_file"; then
    rm -f "$number_file"
    echo "wine-env: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$(head -n 1 "$number_file")"
  rm -f "$number_file"
}

pathstow_stop_xvfb() {
  if [ -n "${PATHSTOW_XVFB_PID:-}" ]; then
    kill "$PATHSTOW_XVFB_PID" 2>/dev/null || true
    wait "$PATHSTOW_XVFB_PID" 2>/dev/null || true
    PATHSTOW_XVFB_PID=
  fi
}

# Creates the prefix once (about 10 to 15 s) and makes the virtual desktop
# "shell", 1024x768, the default desktop: every program started with plain
# $WINE then runs in that desktop with its taskbar and notification area.
# A prefix made here for the other bitness is made anew.
pathstow_prepare_prefix() {
  if [ -f "$WINEPREFIX/.pathstow-ready" ] && ! grep -qx "#arch=$PATHSTOW_WINEARCH" "$WINEPREFIX/system.reg"; then
    echo "wine-env: $WINEPREFIX is not a $PATHSTOW_WINEARCH prefix: making it anew" >&2
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/.pathstow-ready" ]; then
    echo "wine-env: creating Wine prefix $WINEPREFIX" >&2
    mkdir -p "$WINEPREFIX"
    WINEARCH=$PATHSTOW_WINEARCH "$WINE" wineboot -i >/dev/null 2>&1 || true
    "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null
    "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null
    "$WINESERVER" -w
    touch "$WINEPREFIX/.pathstow-ready"
  fi
  pathstow_install_caption_font
}

# Wine started through its 64-bit loader does not find its own font folder:
# without Marlett, window captions show "0 1 r" instead of their buttons.
pathstow_install_caption_font() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
}

pathstow_desktop_up() {
  xdotool search --name '^shell - Wine desktop$' >/dev/null 2>&1
}

# Starts the virtual desktop from a clean state (a left-over desktop or
# program can stop a new desktop from appearing) and waits for its window.
pathstow_start_desktop() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  "$WINE" explorer /desktop=shell,1024x768 >/dev/null 2>&1 &
  if ! pathstow_wait_for 60 pathstow_desktop_up; then
    echo "wine-env: the Wine desktop did not appear on $DISPLAY" >&2
    return 1
  fi
}
