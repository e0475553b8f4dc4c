#!/usr/bin/env bash
# Runs quillmere-host validate on VST 2 modules and prints a Markdown table:
# one row per module with the checks passed, failed, skipped and reported,
# and the names of the failed checks. A module that crashes or hangs in a
# check ends its validation; the checks after it are then run again without
# it, so that every check gives its line ("crash" or "hang" marks those).
#   tools/validate-modules.sh [MODULE...]
# Without arguments: build/linux/quillmere.so and every module of Debian's
# lsp-plugins-vst and dpf-plugins-vst (apt-get install lsp-plugins-vst
# dpf-plugins-vst). Each module's lines go to build/validate/NAME.txt, what it
# printed itself to NAME.stderr.txt. Run under xvfb-run for the editor
# checks; without a display they are skipped.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
host=${QM_HOST:-"$root/build/linux/tools/quillmere-host"}
out="$root/build/validate"
mkdir -p "$out"
modules=("$@")
if [ ${#modules[@]} -eq 0 ]; then
  modules=("$root/build/linux/quillmere.so")
  for package in lsp-plugins-vst dpf-plugins-vst; do
    while read -r file; do modules+=("$file"); done < <(dpkg -L "$package" 2>/dev/null | grep '\.so$' | sort)
  done
fi
mapfile -t all < <("$host" validate --list | awk '{print $1}')
echo "| module | result | passed | failed | skipped | reported | failed checks |"
echo "|---|---|---|---|---|---|---|"
for module in "${modules[@]}"; do
  name=$(basename "$module" .so)
  log="$out/$name.txt"
  : >"$log"
  : >"$out/$name.stderr.txt"
  remaining=("${all[@]}")
  while [ ${#remaining[@]} -gt 0 ]; do
    "$host" validate "$module" --timeout 120 --check "$(IFS=,; echo "${remaining[*]}")" \
      >"$out/$name.part.txt" 2>>"$out/$name.stderr.txt"
    grep -E '^(PASS|FAIL|SKIP|INFO|      )' "$out/$name.part.txt" >>"$log"
    ended=$(grep -E '^FAIL  .*(the module crashed|no end within)' "$out/$name.part.txt" | awk '{print $2}')
    [ -n "$ended" ] || break
    rest=()
    seen=0
    for c in "${remaining[@]}"; do
      [ $seen = 1 ] && rest+=("$c")
      [ "$c" = "$ended" ] && seen=1
    done
    remaining=("${rest[@]}")
  done
  rm -f "$out/$name.part.txt"
  count() { grep -c "^$1  " "$log"; }
  failed=$(grep '^FAIL  ' "$log" | awk '{
      what = $2
      if ($0 ~ /the module crashed/) what = what " (crash)"
      else if ($0 ~ /no end within/) what = what " (hang)"
      printf "%s%s", (n++ ? ", " : ""), what }')
  result=$([ "$(count FAIL)" -eq 0 ] && echo PASS || echo FAIL)
  echo "| $name | $result | $(count PASS) | $(count FAIL) | $(count SKIP) | $(count INFO) | $failed |"
done
