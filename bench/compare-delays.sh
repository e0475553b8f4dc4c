#!/usr/bin/env bash
# quillmere beside the comparable delays in Debian, each set to a 250 ms line,
# measured in one run by the command-line host's bench command (ns per stereo
# frame at 48 kHz, median of 5 runs of 2 s of audio after 5 s of warm-up).
# Needs Debian's lsp-plugins-vst and zam-plugins; a module that is missing is
# left out. Usage: bench/compare-delays.sh [build/linux]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/linux}
host=$build/tools/quillmere-host
lsp=/usr/lib/vst/lsp-plugins

# name | module | parameters (index=normalised value)
modules=(
  "quillmere (default: \"1/8\" at 120 BPM = 250 ms, feedback 50 %, lowpass)|$build/quillmere.so|"
  # one tap at 250 ms (on0, dadd0), its feedback on at -4.4 dB after 250 ms
  # (fbe0, fbg0, fbadd0), its equaliser's high cut at 6 kHz (eq0, hc0, fhc0)
  "LSP Artistic Delay Stereo (one tap 250 ms, feedback -4.4 dB, high cut 6 kHz)|$lsp/art-delay-stereo.so|37=1 48=0.000975 63=1 64=0.944972 71=0.000975 49=1 52=1 53=0.563766"
  # 250 ms (Time), feedback 0.6, lowpass 6 kHz (its default)
  "ZamDelay (250 ms, feedback 0.6, LPF 6 kHz)|/usr/lib/vst/ZamDelay-vst.so|1=0.031129 7=0.6"
  # the first tap in time mode at 250 ms
  "LSP Slapback Delay Stereo (250 ms, no feedback or filter)|$lsp/slap-delay-stereo.so|16=0.5 22=0.2495"
  # time mode, 250 ms
  "LSP Delay Compensator Stereo (250 ms, no feedback or filter)|$lsp/comp-delay-stereo.so|1=1 7=0.2495"
)

echo "| module (settings) | float 64 | float 512 | float 4096 | adding 64 | adding 512 | adding 4096 | double 64 | double 512 | double 4096 |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for row in "${modules[@]}"; do
  IFS='|' read -r name module params <<<"$row"
  [ -f "$module" ] || { echo "(left out: $module is not installed)" >&2; continue; }
  args=()
  for p in $params; do args+=(--param "$p"); done
  out=$("$host" bench "$module" --warmup 5 "${args[@]}")
  cell() { # precision block
    local v
    v=$(awk -v p="$1" -v b="$2" '$1 == p && $3 == b":" {print $4}' <<<"$out")
    echo "${v:-—}"
  }
  line="| $name"
  for precision in float float-adding double; do
    for block in 64 512 4096; do line+=" | $(cell $precision $block)"; done
  done
  echo "$line |"
done
