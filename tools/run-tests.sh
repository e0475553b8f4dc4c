#!/usr/bin/env bash
# Builds both targets and runs every test: natively, under AddressSanitizer
# and UBSan, the threaded tests under ThreadSanitizer, and the Windows build
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix}
mkdir -p "$WINEPREFIX"

status=0
run() {
  local preset=$1
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -- -k 0 >/dev/null || { cmake --build --preset "$preset" 2>&1 | tail -40; return 1; }
  ctest --preset "$preset" "${@:2}"
}
run linux || status=1
run asan || status=1
run tsan --no-tests=ignore || status=1
wineboot -i >/dev/null 2>&1 || true
run windows || status=1
exit $status
