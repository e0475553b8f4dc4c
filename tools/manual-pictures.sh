#!/usr/bin/env bash
# The manual's pictures (docs/manual.md links them from docs/images/), made
# from a Linux build:
#   tools/manual-pictures.sh BUILD_DIR OUT_DIR
#       draws them into OUT_DIR: the editor and its parts (quillmere-editor
#       manual) and spectrograms of the demo input, dry and through a few
#       factory programs (quillmere-host render --demo, then sox)
#   tools/manual-pictures.sh --check BUILD_DIR OUT_DIR
#       draws them into OUT_DIR and fails when docs/images/ holds other
#       pixels or other files, or the manual links a picture that is not made
# The build runs them as the targets manual_pictures (into
# BUILD_DIR/manual/images) and manual_pictures_update (into docs/images),
# and the check as a test.
set -euo pipefail
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
if [ $# -ne 2 ]; then
  sed -n '2,14p' "$0" >&2
  exit 1
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1 out=$2
editor=$build/tools/editor/quillmere-editor host=$build/tools/quillmere-host module=$build/quillmere.so
for f in "$editor" "$host" "$module"; do
  [ -f "$f" ] || { echo "manual-pictures: $f is not built" >&2; exit 1; }
done
command -v sox >/dev/null || { echo "manual-pictures: sox is not installed" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
"$editor" manual "$out" >/dev/null

# The demo is 4 s; every render gets 2 s of tail so that the echoes die
# away, and the dry input the same silence, so the pictures line up.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
spectrogram() { # in.wav out.png title comment
  sox -V1 "$1" -n spectrogram -x 640 -y 180 -z 90 -t "$3" -c "$4" -o "$2"
}
"$host" demo "$work/dry.wav" >/dev/null
sox -V1 "$work/dry.wav" "$work/dry-padded.wav" pad 0 2
spectrogram "$work/dry-padded.wav" "$out/sound-dry.png" "The demo input, dry (left above, right below)" \
  "quillmere-host demo"
programs=(
  "0:default:---- default ----"
  "3:amazing-direction-toggle:Amazing Direction Toggle"
  "10:dark-room:Dark Room"
  "25:forward-ping-pong:Forward Ping Pong"
)
for entry in "${programs[@]}"; do
  IFS=: read -r number slug name <<<"$entry"
  "$host" render "$module" --demo "$work/$slug.wav" --program "$number" --tail 2 >/dev/null
  spectrogram "$work/$slug.wav" "$out/sound-$slug.png" "\"$name\" at 120 BPM (left above, right below)" \
    "quillmere-host render quillmere.so --demo --program $number --tail 2"
done

# Closer: the demo's last hit and what follows it, left channel only, dry
# and through the default program.
closer() { # in.wav out.png title comment
  sox -V1 "$1" -n remix 1 spectrogram -S 2.7 -d 1.5 -x 640 -y 160 -z 80 -t "$3" -c "$4" -o "$2"
}
closer "$work/dry-padded.wav" "$out/sound-last-hit-dry.png" "The demo's last hit, dry (left, from 2.7 s)" \
  "quillmere-host demo"
closer "$work/default.wav" "$out/sound-last-hit-default.png" \
  "The demo's last hit through \"---- default ----\" (left, from 2.7 s)" \
  "quillmere-host render quillmere.so --demo --program 0 --tail 2"

[ "$check" = 1 ] || exit 0

status=0
if ! "$editor" same "$out" "$root/docs/images" >"$work/same.txt"; then
  cat "$work/same.txt"
  status=1
fi
# Every picture the manual links is made, and every one made is linked.
linked=$(grep -o '](images/[^)]*\.png)' "$root/docs/manual.md" | sed 's/^](images\///; s/)$//' | sort -u)
made=$(cd "$out" && ls -1 ./*.png | sed 's/^\.\///' | sort)
if [ "$linked" != "$made" ]; then
  echo "the manual's links and the pictures made differ:"
  diff <(echo "$linked") <(echo "$made") | sed -n 's/^< /  linked, not made: /p; s/^> /  made, not linked: /p'
  status=1
fi
if [ "$status" = 0 ]; then
  echo "docs/images: $(echo "$made" | wc -l) pictures, all current and all linked from docs/manual.md"
else
  echo "docs/images is not what the build makes: cmake --build build/linux --target manual_pictures_update"
fi
exit $status
