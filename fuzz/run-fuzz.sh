#!/usr/bin/env bash
# Builds the plug-in's fuzz targets (preset fuzz: clang, libFuzzer,
# AddressSanitizer and UBSan) and runs one of them.
#   fuzz/run-fuzz.sh TARGET [seconds] [libFuzzer options...]
#   TARGET: chunk (effSetChunk), dispatch (the dispatcher and callbacks) or
#   param (parameter texts); seconds default 600.
# The corpus grows in build/fuzz-targets/corpus/TARGET (seeded from
# fuzz/corpus/TARGET); a finding is written to
# build/fuzz-targets/TARGET-crash-* and the run fails. The last line of
# libFuzzer's output gives the executions and the coverage (cov: edges).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:-}
case "$target" in
  chunk|dispatch|param) ;;
  *) echo "usage: fuzz/run-fuzz.sh chunk|dispatch|param [seconds] [libFuzzer options]" >&2; exit 1 ;;
esac
seconds=${2:-600}
shift $(( $# >= 2 ? 2 : 1 ))
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${target}_fuzz" >/dev/null
out="$root/build/fuzz-targets"
corpus="$out/corpus/$target"
mkdir -p "$corpus"
cp -n "$root/fuzz/corpus/$target"/* "$corpus/" 2>/dev/null || true
# From the build folder, where libFuzzer leaves the logs of -jobs runs
# (fuzz-N.log).
cd "$out"
"$out/fuzz/${target}_fuzz" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=30 -print_final_stats=1 \
  -artifact_prefix="$out/$target-" "$@" "$corpus"
