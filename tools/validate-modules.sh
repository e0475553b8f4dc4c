#!/usr/bin/env bash
# Runs quillmere-host validate on VST 2 modules and prints a Markdown table:
# one row per module with the checks passed, failed, skipped and reported,
# and the names of the failed checks. A module that crashes or hangs in a
# check ends its validation; the checks after it are then run again without
# it, so that every check gives its line ("crash" or "hang" marks those).
#   tools/validate-modules.sh [--from-logs] [MODULE...]
# --from-logs makes the tables from the lines an earlier run left in
# build/validate/ instead of running validate again. After the table of
# modules comes a table of checks: how many modules passed, failed or skipped
# each, by package. Without modules: build/linux/quillmere.so,
# build/windows/quillmere_x64.dll (when built) and every module of Debian's
# lsp-plugins-vst and dpf-plugins-vst (apt-get install lsp-plugins-vst
# dpf-plugins-vst). Each module's lines go to build/validate/NAME.txt, the
# start of what it printed itself (up to 1 MB) to NAME.stderr.txt. Run under
# xvfb-run for the editor checks; without a display they are skipped.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# QM_HOST names the host for .so modules, QM_WINE_HOST the one for .dll
# modules (the Windows host under Wine, in $WINEPREFIX or build/wineprefix);
# QM_TIMEOUT sets the seconds a check may take (default 300, as validate's
# own).
read -ra linuxHost <<<"${QM_HOST:-$root/build/linux/tools/quillmere-host}"
read -ra wineHost <<<"${QM_WINE_HOST:-wine $root/build/windows/tools/quillmere-host.exe}"
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix} WINEDEBUG=${WINEDEBUG:--all}
hostFor() {
  case "$1" in
    *.dll) host=("${wineHost[@]}") ;;
    *) host=("${linuxHost[@]}") ;;
  esac
}
out="$root/build/validate"
mkdir -p "$out"
fromLogs=0
if [ "${1:-}" = --from-logs ]; then
  fromLogs=1
  shift
fi
modules=("$@")
if [ ${#modules[@]} -eq 0 ]; then
  modules=("$root/build/linux/quillmere.so")
  [ -f "$root/build/windows/quillmere_x64.dll" ] && modules+=("$root/build/windows/quillmere_x64.dll")
  for package in lsp-plugins-vst dpf-plugins-vst; do
    while read -r file; do modules+=("$file"); done < <(dpkg -L "$package" 2>/dev/null | grep '\.so$' | sort)
  done
fi
hostFor quillmere.so
mapfile -t all < <("${host[@]}" validate --list | awk '{print $1}')
echo "| module | result | passed | failed | skipped | reported | failed checks |"
echo "|---|---|---|---|---|---|---|"
for module in "${modules[@]}"; do
  name=$(basename "$module" .so)
  name=${name%.dll}
  log="$out/$name.txt"
  remaining=()
  hostFor "$module"
  if [ $fromLogs = 0 ]; then
    : >"$log"
    : >"$out/$name.stderr.txt"
    remaining=("${all[@]}")
  fi
  while [ ${#remaining[@]} -gt 0 ]; do
    # Some modules print to stderr for every call (gigabytes over all the
    # checks): the start is kept, the rest read and dropped.
    "${host[@]}" validate "$module" --timeout "${QM_TIMEOUT:-300}" --check "$(IFS=,; echo "${remaining[*]}")" \
      2>&1 >"$out/$name.part.txt" | { head -c 1000000 >>"$out/$name.stderr.txt"; cat >/dev/null; }
    tr -d '\r' <"$out/$name.part.txt" | grep -E '^(PASS|FAIL|SKIP|INFO|      )' >>"$log"
    ended=$(tr -d '\r' <"$out/$name.part.txt" | grep -E '^FAIL  .*(the module crashed|no end within)' | awk '{print $2}')
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
  # No check ran: the host could not load the module (the reason is the
  # host's last line on stderr).
  if [ "$(count 'PASS\|FAIL\|SKIP\|INFO')" -eq 0 ]; then
    why=$(tr -d '\r' <"$out/$name.stderr.txt" | grep -a '^quillmere-host' | tail -n 1 | sed 's/^[^:]*: [^:]*: //')
    echo "| $name | not loaded | - | - | - | - | ${why:-no check ran} |"
    continue
  fi
  failed=$(grep '^FAIL  ' "$log" | awk '{
      what = $2
      if ($0 ~ /the module crashed/) what = what " (crash)"
      else if ($0 ~ /no end within/) what = what " (hang)"
      printf "%s%s", (n++ ? ", " : ""), what }')
  result=$([ "$(count FAIL)" -eq 0 ] && echo PASS || echo FAIL)
  echo "| $name | $result | $(count PASS) | $(count FAIL) | $(count SKIP) | $(count INFO) | $failed |"
done

# The checks across the modules, by where the modules come from.
group() {
  case "$1" in
    */lsp-plugins/*) echo "LSP" ;;
    /usr/lib/vst/*) echo "DPF" ;;
    *) basename "$1" ;;  # quillmere.so, quillmere_x64.dll
  esac
}
groups=()
for module in "${modules[@]}"; do
  g=$(group "$module")
  [[ " ${groups[*]} " == *" $g "* ]] || groups+=("$g")
done
echo
header="| check |"
rule="|---|"
for g in "${groups[@]}"; do
  n=0
  for module in "${modules[@]}"; do [ "$(group "$module")" = "$g" ] && n=$((n + 1)); done
  header="$header $g ($n) |"
  rule="$rule---|"
done
echo "$header"
echo "$rule"
for check in "${all[@]}"; do
  row="| \`$check\` |"
  for g in "${groups[@]}"; do
    p=0 f=0 k=0 i=0
    for module in "${modules[@]}"; do
      [ "$(group "$module")" = "$g" ] || continue
      name=$(basename "$module" .so)
      status=$(grep -E "^[A-Z]{4}  $check " "$out/${name%.dll}.txt" | head -n 1 | cut -c1-4)
      case "$status" in PASS) p=$((p + 1)) ;; FAIL) f=$((f + 1)) ;; SKIP) k=$((k + 1)) ;; INFO) i=$((i + 1)) ;; esac
    done
    cell=""
    [ $p -gt 0 ] && cell="$cell $p pass"
    [ $f -gt 0 ] && cell="$cell $f FAIL"
    [ $k -gt 0 ] && cell="$cell $k skip"
    [ $i -gt 0 ] && cell="$cell $i reported"
    row="$row${cell:- -} |"
  done
  echo "$row"
done
