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
# The editor windows' tests need an X server: one private Xvfb on a free
# display for every run, native and Wine. There is no window manager on it, so
# Wine is told not to wait for one (it would wait two seconds for every
# top-level window it destroys).
xdisplay_dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$xdisplay_dir/display" >"$xdisplay_dir/log" 2>&1 &
xvfb_pid=$!
# Wine's own processes go first, so that none is left talking to the display.
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$xdisplay_dir"' EXIT
for _ in $(seq 100); do [ -s "$xdisplay_dir/display" ] && break; sleep 0.1; done
xdisplay=":$(head -n 1 "$xdisplay_dir/display")"
with_display() { (export DISPLAY="$xdisplay" QM_REQUIRE_DISPLAY=1; "$@"); }

with_display run linux || status=1
with_display run asan || status=1
with_display run tsan --no-tests=ignore || status=1
export DISPLAY="$xdisplay"
wineboot -i >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
run windows || status=1

# The two modules must tell a host the same things, render the same sound and
# draw the same editor.
echo "== quillmere_x64.dll under Wine against quillmere.so"
cross_check() {
  local host=build/linux/tools/quillmere-host winhost=build/windows/tools/quillmere-host.exe
  local so=build/linux/quillmere.so dll=build/windows/quillmere_x64.dll dir=build/cross-check
  mkdir -p "$dir"
  "$host" info "$so" >"$dir/info-linux.txt"
  wine "$winhost" info "$dll" | tr -d '\r' >"$dir/info-windows.txt"
  if ! diff -u "$dir/info-linux.txt" "$dir/info-windows.txt"; then
    echo "info differs"
    return 1
  fi
  echo "info: identical ($(wc -l <"$dir/info-linux.txt") lines)"
  local ok=0
  for args in "--program 3 --precision double" "--program 8 --precision float --block 64" \
              "--program 25 --precision float-adding --tempo 97" "--program 15 --precision double --block 4096"; do
    # shellcheck disable=SC2086
    "$host" render "$so" --demo "$dir/linux.f64" $args >/dev/null
    # shellcheck disable=SC2086
    wine "$winhost" render "$dll" --demo "$dir/windows.f64" $args >/dev/null
    printf 'render %-48s ' "$args"
    "$host" compare "$dir/linux.f64" "$dir/windows.f64" --tolerance 1e-12 | head -n 1 || ok=1
  done
  # The editor draws the same pixels on both, but for its texts (the
  # system's text against FreeType).
  local editor=build/linux/tools/editor/quillmere-editor wineditor=build/windows/tools/editor/quillmere-editor.exe
  "$editor" render "$dir/editor-linux" >/dev/null || ok=1
  wine "$wineditor" render "$dir/editor-windows" >/dev/null || ok=1
  echo "editor pictures, outside the text areas:"
  "$editor" compare "$dir/editor-linux" "$dir/editor-windows" | sed 's/^/  /' || ok=1
  return $ok
}
cross_check || status=1

# Both modules through every validation check of the command-line host, on
# the private display (the editor check opens real windows: X11 for the .so,
# a Win32 window under Wine for the DLL): that check must pass, not be
# skipped for want of a display.
echo "== quillmere-host validate"
validate() {
  local log ok=0
  log=$("$@" | tr -d '\r') || ok=1
  echo "$log"
  grep -q '^PASS  editor ' <<<"$log" || { echo "the editor check did not pass"; ok=1; }
  return $ok
}
validate build/linux/tools/quillmere-host validate build/linux/quillmere.so || status=1
validate wine build/windows/tools/quillmere-host.exe validate build/windows/quillmere_x64.dll || status=1

# Each fuzz target for a short while, from its seed corpus (the long runs are
# made by hand: fuzz/run-fuzz.sh TARGET 600).
echo "== fuzz targets, 20 s each"
fuzz_briefly() {
  local name=$1 log
  shift
  if log=$("$@" 2>&1); then
    printf '%-9s %s\n' "$name" "$(grep -E '^Done [0-9]+ runs' <<<"$log" | tail -n 1)"
  else
    echo "$log" | tail -n 40
    echo "$name: a finding (see above)"
    return 1
  fi
}
for target in chunk dispatch param; do
  fuzz_briefly "$target" bash fuzz/run-fuzz.sh "$target" 20 || status=1
done
fuzz_briefly png bash fuzz/run-png-fuzz.sh 20 || status=1

# The Debian package and the Windows zip, made from the builds above,
# installed and checked.
echo "== packages"
{ bash tools/make-packages.sh && bash tools/test-packages.sh; } || status=1
exit $status
