#!/usr/bin/env bash
# Runs quillmere-host validate on VST 2 modules and prints a Markdown table:
# one row per module with the checks passed, failed, skipped and reported,
# and the names of the failed checks (a crash or hang is named as such).
#   tools/validate-modules.sh [MODULE...]
# Without arguments: build/linux/quillmere.so and every module of Debian's
# lsp-plugins-vst and dpf-plugins-vst (apt-get install lsp-plugins-vst
# dpf-plugins-vst). Each module's whole output goes to build/validate/. Run
# under xvfb-run for the editor checks; without a display they are skipped.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
host="$root/build/linux/tools/quillmere-host"
out="$root/build/validate"
mkdir -p "$out"
modules=("$@")
if [ ${#modules[@]} -eq 0 ]; then
  modules=("$root/build/linux/quillmere.so")
  for package in lsp-plugins-vst dpf-plugins-vst; do
    while read -r file; do modules+=("$file"); done < <(dpkg -L "$package" 2>/dev/null | grep '\.so$' | sort)
  done
fi
echo "| module | result | passed | failed | skipped | reported | failed checks |"
echo "|---|---|---|---|---|---|---|"
for module in "${modules[@]}"; do
  name=$(basename "$module" .so)
  log="$out/$name.txt"
  "$host" validate "$module" --timeout 120 >"$log" 2>"$out/$name.stderr.txt"
  code=$?
  count() { grep -c "^$1  " "$log"; }
  failed=$(grep '^FAIL  ' "$log" | awk '{print $2}' | paste -sd, - | sed 's/,/, /g')
  if grep -q '^FAIL  .*the module crashed' "$log"; then
    failed="$failed (crashed in $(grep '^FAIL  .*the module crashed' "$log" | awk '{print $2}'))"
  elif grep -q '^FAIL  .*no end within' "$log"; then
    failed="$failed (hung in $(grep '^FAIL  .*no end within' "$log" | awk '{print $2}'))"
  fi
  result=$([ "$code" -eq 0 ] && echo PASS || echo FAIL)
  echo "| $name | $result | $(count PASS) | $(count FAIL) | $(count SKIP) | $(count INFO) | ${failed:-} |"
done
