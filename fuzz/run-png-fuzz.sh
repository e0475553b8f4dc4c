#!/usr/bin/env bash
# Builds the PNG decoder's fuzz target with clang, libFuzzer, AddressSanitizer
# and UBSan, and runs it.
#   fuzz/run-png-fuzz.sh [seconds]      (default 600)
# Needs Debian's clang and libclang-rt-14-dev; the system's libpng and zlib.
# The corpus grows in build/fuzz/corpus (seeded from fuzz/corpus); findings
# are written to build/fuzz/crash-* and the run fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
out="$root/build/fuzz"
mkdir -p "$out/corpus"
cxx=${CXX_FUZZ:-clang++}

flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -I"$root")
sources=("$root/fuzz/png_fuzz.cpp" "$root/gfx/PngDecode.cpp" "$root/gfx/Bitmap.cpp"
         "$root/gfx/SysBitmap_linux.cpp" "$root/gfx/PngSource_linux.cpp")

# libpng and zlib themselves are instrumented too when Debian's sources are
# at hand (tools/fetch-win-deps.sh puts them in third_party/), so that the
# fuzzer sees their coverage; otherwise the system's libraries are used.
png_src="$root/third_party/libpng"
zlib_src="$root/third_party/zlib"
if [ -f "$png_src/png.h" ] && [ -f "$zlib_src/zlib.h" ]; then
  cc=${CC_FUZZ:-clang}
  lib="$out/lib"
  mkdir -p "$lib"
  cp "$png_src/scripts/pnglibconf.h.prebuilt" "$lib/pnglibconf.h"
  cflags=(-g -O1 -w -fsanitize=fuzzer-no-link,address,undefined -I"$lib" -I"$png_src" -I"$zlib_src")
  objs=()
  for f in "$zlib_src"/{adler32,compress,crc32,deflate,infback,inffast,inflate,inftrees,trees,uncompr,zutil}.c \
           "$png_src"/{png,pngerror,pngget,pngmem,pngpread,pngread,pngrio,pngrtran,pngrutil,pngset,pngtrans,pngwio,pngwrite,pngwtran,pngwutil}.c; do
    o="$lib/$(basename "$(dirname "$f")")-$(basename "$f" .c).o"
    [ "$o" -nt "$f" ] || "$cc" "${cflags[@]}" -c "$f" -o "$o"
    objs+=("$o")
  done
  "$cxx" "${flags[@]}" -I"$lib" -I"$png_src" -I"$zlib_src" "${sources[@]}" "${objs[@]}" -ldl -o "$out/png_fuzz"
else
  "$cxx" "${flags[@]}" "${sources[@]}" $(pkg-config --cflags --libs libpng zlib) -ldl -o "$out/png_fuzz"
fi

cp -n "$root"/fuzz/corpus/* "$out/corpus/" 2>/dev/null || true
cd "$out"
# libpng reports each error on stderr: the target's stderr is closed
# (libFuzzer keeps its own).
./png_fuzz -max_total_time="$seconds" -rss_limit_mb=4096 -dict="$root/fuzz/png.dict" -close_fd_mask=2 \
  -print_final_stats=1 -artifact_prefix="$out/" corpus
