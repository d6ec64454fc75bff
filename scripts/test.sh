#!/usr/bin/env bash
# Builds Pathstow and runs every test: the unit tests under Wine and the
# end-to-end suite, on a private headless X display and Wine prefix.
# Exits non-zero when anything fails. Extra arguments go to ctest
# (e.g. -L unit, -R e2e, --output-on-failure is already on).
# PATHSTOW_WINEDEBUG=warn+heap runs every test with Wine's heap checks, which
# report use of freed heap memory (a report fails an end-to-end test).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/install-deps.sh"
export PATHSTOW_DEPS_CHECKED=1
source "$here/wine-env.sh"

# Said first and last: a run of the x86_64 build is no verdict on the product.
note=
if [ "$PATHSTOW_ARCH" != i686 ]; then
  if pathstow_can_run_32bit; then
    note="NOTE: PATHSTOW_ARCH=$PATHSTOW_ARCH was asked for; the $PATHSTOW_ARCH build and a 64-bit build of the installer were tested, not the 32-bit product"
  else
    note="NOTE: $(pathstow_no_32bit_reason); the $PATHSTOW_ARCH build and a 64-bit build of the installer were tested, not the 32-bit product"
  fi
  echo "$note"
fi
# One locale for the tests, whatever the host's: Wine takes its language and
# code page from it.
export LC_ALL=C.UTF-8
unset LANGUAGE
"$here/build.sh"

pathstow_start_xvfb
trap 'if [ -d "$WINEPREFIX" ]; then "$WINESERVER" -k >/dev/null 2>&1 || true; fi; pathstow_stop_xvfb
      if [ -n "$note" ]; then echo "$note"; fi' EXIT
pathstow_prepare_prefix
echo "test: $PATHSTOW_ARCH build, $WINE, prefix $WINEPREFIX, display $DISPLAY, WINEDEBUG=$WINEDEBUG"

cd "$PATHSTOW_BUILD_DIR"
set +e
ctest --output-on-failure -j "$(nproc)" "$@" 2>&1 | tee ctest.log
status=${PIPESTATUS[0]}
set -e
# "No tests were found" also ends with status 0.
grep -q '^100% tests passed' ctest.log || status=1
exit "$status"
