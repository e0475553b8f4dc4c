#!/usr/bin/env bash
# Builds quillmere for Linux and for Windows, then renders the host's
# embedded demo input (4 s of plucks and drums, stereo) through the Linux
# module with a few factory programs into WAV files under out/, and checks
# that the Windows module, run under Wine, renders the same samples.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p out

build() { # preset
  echo "== building $1"
  if ! { cmake --preset "$1" && cmake --build --preset "$1"; } >"out/build-$1.log" 2>&1; then
    tail -40 "out/build-$1.log"
    echo "run-demo: the $1 build failed (log: out/build-$1.log)" >&2
    exit 1
  fi
}
build linux
build windows

host=build/linux/tools/quillmere-host
module=build/linux/quillmere.so
dll=build/windows/quillmere_x64.dll
winhost=build/windows/tools/quillmere-host.exe
if [ ! -f "$module" ]; then
  echo "built: $host, $winhost; no plug-in module yet ($module)"
  exit 0
fi

echo "== rendering the demo through $module"
"$host" demo out/demo-input.wav
programs=(0 3 8 25)
for p in "${programs[@]}"; do
  name=$("$host" info "$module" | awk -v p="$p" '
    /^programs / { inside = 1; next }
    /^[^ ]/ { inside = 0 }
    inside && $1 == p { sub(/^ *[0-9]+ "/, ""); sub(/"$/, ""); print; exit }')
  slug=$(printf '%s' "${name:-program}" | tr 'A-Z' 'a-z' | tr -cs 'a-z0-9' '-' | sed 's/^-*//; s/-*$//')
  "$host" render "$module" --demo "out/quillmere-$p-${slug:-program}.wav" --program "$p"
done

if [ -f "$dll" ] && command -v wine >/dev/null; then
  echo "== the Windows module under Wine against the Linux module"
  export WINEDEBUG=-all
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix}
  mkdir -p "$WINEPREFIX"
  status=0
  for p in "${programs[@]}"; do
    for precision in float double; do
      "$host" render "$module" --demo "out/linux-$p-$precision.f64" --program "$p" --precision "$precision" >/dev/null
      wine "$winhost" render "$dll" --demo "out/windows-$p-$precision.f64" --program "$p" --precision "$precision" >/dev/null
      printf 'program %-2s %-6s ' "$p" "$precision"
      "$host" compare "out/linux-$p-$precision.f64" "out/windows-$p-$precision.f64" --tolerance 1e-12 | head -n 1 || status=1
    done
  done
  exit $status
fi
