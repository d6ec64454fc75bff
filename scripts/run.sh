#!/usr/bin/env bash
# Builds Pathstow and starts it under Wine in a virtual desktop with a
# taskbar: on your X display when DISPLAY is set, otherwise on a headless
# Xvfb. Writes a screenshot of the desktop and leaves the program running.
#   scripts/run.sh          start (a running copy is stopped first)
#   scripts/run.sh stop     stop the program, the desktop and a headless display
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
xvfb_pid_file="$PATHSTOW_BUILD_DIR/run-xvfb.pid"

stop() {
  if [ -d "$WINEPREFIX" ]; then "$WINESERVER" -k >/dev/null 2>&1 || true; fi
  if [ -f "$xvfb_pid_file" ]; then
    kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true
    rm -f "$xvfb_pid_file"
  fi
}

if [ "${1:-}" = stop ]; then
  stop
  echo "run: stopped"
  exit 0
fi

bash "$here/install-deps.sh"
"$here/build.sh"
stop

if [ -z "${DISPLAY:-}" ]; then
  pathstow_start_xvfb
  echo "$PATHSTOW_XVFB_PID" > "$xvfb_pid_file"
  echo "run: no DISPLAY; started a headless Xvfb on $DISPLAY"
fi
pathstow_prepare_prefix
pathstow_start_desktop

exe="$PATHSTOW_BUILD_DIR/Pathstow.exe"
"$WINE" "$exe" >/dev/null 2>&1 &
probe="$PATHSTOW_BUILD_DIR/tests/probe.exe"
if [ -f "$probe" ]; then
  pathstow_wait_for 30 "$WINE" "$probe" find --class DummyClass --exe Pathstow.exe \
    || { echo "run: Pathstow did not start" >&2; exit 1; }
else
  sleep 3 # no probe in a build without tests: give the icon time to appear
fi

shot="$PATHSTOW_BUILD_DIR/pathstow-screenshot.png"
import -window root "$shot"
if [ "$PATHSTOW_ARCH" != i686 ]; then
  echo "run: this host runs only 64-bit Wine: running the x86_64 build of the same sources"
  echo "     (the 32-bit product is build/i686/Pathstow.exe)"
fi
echo "run: Pathstow is running on display $DISPLAY (its icon is at the bottom right of the Wine desktop)"
echo "run: screenshot: $shot"
echo "run: to stop it: choose Quit in its menu, or run: scripts/run.sh stop"
