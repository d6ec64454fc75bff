#!/usr/bin/env bash
# Benchmarks Pathstow under Wine and prints one Markdown table: start-up to
# the tray icon, tray menu, Options dialog and save timings next to their
# floors, memory and object counts, program sizes, registry calls per read.
#
# Builds into build/<arch> (BENCH_BUILD_ROOT overrides build/), runs on a
# private headless X server (BENCH_DISPLAY=:N picks its number) in the prefix
# build/<arch>/wineprefix-bench with the "shell" desktop and its taskbar.
# The raw results are kept in build/<arch>/bench-results.txt.
set -euo pipefail
source "$(dirname "$0")/../scripts/wine-env.sh"

BUILD_ROOT=${BENCH_BUILD_ROOT:-$PATHSTOW_ROOT/build}
DIR=$BUILD_ROOT/$PATHSTOW_ARCH
export WINEPREFIX=${BENCH_PREFIX:-$DIR/wineprefix-bench}
RESULTS=$DIR/bench-results.txt
STARTS=${BENCH_STARTS:-10}

build() {
  local arch=$1; shift
  local dir=$BUILD_ROOT/$arch
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$PATHSTOW_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=MinSizeRel -DPATHSTOW_BENCH=ON \
          -DCMAKE_TOOLCHAIN_FILE="$PATHSTOW_ROOT/cmake/mingw-$arch.cmake" >/dev/null
  fi
  cmake --build "$dir" -j "$(nproc)" --target "$@" >/dev/null
}

echo "bench: building ($PATHSTOW_ARCH, and i686 for the product's size)" >&2
build i686 Pathstow bench_bare_tray
build "$PATHSTOW_ARCH" Pathstow bench_bare_tray bench_launch bench_inproc

# Windows paths (drive Z: is the Unix root) for CreateProcess inside Wine.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
PATHSTOW_EXE=$(winpath "$DIR/Pathstow.exe")
BARE_EXE=$(winpath "$DIR/bench/bench_bare_tray.exe")
LAUNCH=$DIR/bench/bench_launch.exe
INPROC=$DIR/bench/bench_inproc.exe

cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  pathstow_stop_xvfb
}
trap cleanup EXIT

if [ -n "${BENCH_DISPLAY:-}" ]; then
  Xvfb "$BENCH_DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  PATHSTOW_XVFB_PID=$!
  export DISPLAY=$BENCH_DISPLAY
  pathstow_wait_for 20 xdpyinfo -display "$DISPLAY" || { echo "bench: no Xvfb on $DISPLAY" >&2; exit 1; }
else
  pathstow_start_xvfb
fi
pathstow_prepare_prefix
pathstow_start_desktop
sleep 2  # the taskbar comes up after the desktop window

: >"$RESULTS"
record() { tee -a "$RESULTS" >/dev/null; }
echo "machine_load_before=$(cut -d' ' -f1-3 /proc/loadavg)" | record

echo "bench: start-up to icon, $STARTS starts each" >&2
"$WINE" "$LAUNCH" startup "$PATHSTOW_EXE" DummyClass quit "$STARTS" 2 | sed 's/^/pathstow_/' | record
"$WINE" "$LAUNCH" startup "$BARE_EXE" BareTrayClass close "$STARTS" 2 | sed 's/^/bare_/' | record

echo "bench: resources of the running program" >&2
"$WINE" "$LAUNCH" resources "$PATHSTOW_EXE" DummyClass quit menu | sed 's/^/pathstow_/' | record
"$WINE" "$LAUNCH" resources "$BARE_EXE" BareTrayClass close nomenu | sed 's/^/bare_/' | record

echo "bench: tray menu, Options dialog, save (in process)" >&2
"$WINE" "$INPROC" all | tr -d '\r' | record

echo "bench: registry calls of one profile read" >&2
# The calls of the marker's thread between the marker opens, by name. +server
# shows every request to the Wine server (closes included); +reg shows the
# ntdll registry calls (opens, creates, queries; closes are not traced).
count_calls() {  # trace-file kind pattern -> "total name:n name:n ..."
  awk -v b="PathstowBenchMarker-begin-$2\"" -v e="PathstowBenchMarker-end-$2\"" -v p="$3" '
    index($0, b) { thread = substr($0, 1, index($0, ":")); on = 1; next }
    index($0, e) { on = 0 }
    on && substr($0, 1, length(thread)) == thread && match($0, p) {
      name = substr($0, RSTART, RLENGTH); sub(/^.*:[ ]*/, "", name); sub(/[ (]+$/, "", name)
      n[name]++; total++
    }
    END { printf "%d", total; for (k in n) printf " %s:%d", k, n[k]; print "" }' "$1"
}
trace=$DIR/bench-trace.txt
server_pattern=': (open_key|create_key|get_key_value|set_key_value|delete_key_value|close_handle)\\( '
reg_pattern=':trace:reg:Nt(OpenKeyEx|CreateKey|QueryValueKey|SetValueKey|DeleteValueKey) \\('
for channel in server reg; do
  # The server traces with the debug channels it was started with: start a new one.
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  WINEDEBUG=+$channel "$WINE" "$INPROC" profile >/dev/null 2>"$trace" || true
  pattern=$server_pattern; [ $channel = reg ] && pattern=$reg_pattern
  for kind in existing missing; do
    echo "${channel}_calls_$kind=$(count_calls "$trace" $kind "$pattern")" | record
  done
done
rm -f "$trace"

{
  echo "size_i686=$(stat -c %s "$BUILD_ROOT/i686/Pathstow.exe")"
  echo "size_x86_64=$(stat -c %s "$BUILD_ROOT/x86_64/Pathstow.exe" 2>/dev/null || echo 0)"
  echo "bare_size_i686=$(stat -c %s "$BUILD_ROOT/i686/bench/bench_bare_tray.exe")"
  echo "bare_size_x86_64=$(stat -c %s "$BUILD_ROOT/x86_64/bench/bench_bare_tray.exe" 2>/dev/null || echo 0)"
  echo "machine_nproc=$(nproc)"
  echo "machine_cpu=$(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)"
  echo "machine_wine=$("$WINE" --version)"
  echo "machine_load=$(cut -d' ' -f1-3 /proc/loadavg)"
  echo "machine_arch=$PATHSTOW_ARCH"
} | record

python3 "$PATHSTOW_ROOT/bench/report.py" "$RESULTS"
