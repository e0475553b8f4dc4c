#!/usr/bin/env bash
# Builds both modules and packs them into build/packages/:
#   quillmere_<version>_amd64.deb    the Linux module in /usr/lib/lxvst, the
#                                    manual, quillmere-host
#   quillmere-<version>-win64.zip    the Windows DLL, the manual,
#                                    quillmere-host.exe
# The version is the one in CMakeLists.txt. Fails, packing nothing, when the
# manual's pictures in docs/images are not what this build draws.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix}

build() { # preset targets...
  local preset=$1 log=build/package-build-$1.log
  shift
  mkdir -p build
  echo "== building $preset: $*"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" --target "$@"; } >"$log" 2>&1; then
    tail -40 "$log"
    echo "make-packages: the $preset build failed (log: $log)" >&2
    exit 1
  fi
}
build linux quillmere quillmere-host quillmere-editor
build windows quillmere quillmere-host

echo "== the manual's pictures"
bash tools/manual-pictures.sh --check build/linux build/linux/manual/check

for preset in linux windows; do
  echo "== packing $preset"
  cpack --preset "$preset" >build/package-$preset.log 2>&1 || { cat build/package-$preset.log; exit 1; }
  sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' build/package-$preset.log
done
