#!/bin/sh
# Draws the editor's images into resources/img and the preview into
# tools/artwork/preview.png (see README.md beside this file).
#   bash tools/artwork/generate.sh           regenerate
#   bash tools/artwork/generate.sh --check   draw twice into a scratch folder
#                                            and compare with the committed files
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$root/build/artwork
mkdir -p "$work"
export FONTCONFIG_FILE="$root/tools/artwork/fonts.conf"

# shellcheck disable=SC2046
c++ -std=c++17 -O2 -Wall -Wextra -o "$work/qm-artwork" "$root"/tools/artwork/*.cpp \
  $(pkg-config --cflags --libs pangocairo libpng)

files="bg.png knob.png knob2.png but1.png but2.png but3.png but4.png but5.png slider.png"

if [ "${1:-}" = "--check" ]; then
  rm -rf "$work/check1" "$work/check2"
  mkdir -p "$work/check1" "$work/check2"
  "$work/qm-artwork" "$work/check1" "$work/check1/preview.png"
  "$work/qm-artwork" "$work/check2" "$work/check2/preview.png"
  status=0
  for f in $files preview.png; do
    if ! cmp -s "$work/check1/$f" "$work/check2/$f"; then
      echo "not reproducible: $f differs between two runs"
      status=1
    fi
  done
  for f in $files; do
    if ! cmp -s "$work/check1/$f" "$root/resources/img/$f"; then
      echo "differs from the committed file: resources/img/$f"
      status=1
    fi
  done
  if ! cmp -s "$work/check1/preview.png" "$root/tools/artwork/preview.png"; then
    echo "differs from the committed file: tools/artwork/preview.png"
    status=1
  fi
  [ $status -eq 0 ] && echo "artwork: two runs give the committed bytes"
  exit $status
fi

mkdir -p "$root/resources/img"
"$work/qm-artwork" "$root/resources/img" "$root/tools/artwork/preview.png"
echo "artwork: wrote resources/img ($files) and tools/artwork/preview.png"
