#!/usr/bin/env bash
# Installs what building and testing quillmere needs on Debian 12 (run as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  cmake ninja-build g++ pkg-config
  googletest libbenchmark-dev
  libpng-dev zlib1g-dev libsndfile1-dev
  libfreetype-dev libfontconfig-dev libx11-dev libxext-dev libxtst-dev fonts-liberation2 fonts-dejavu-core
  g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 xvfb xauth
  dpkg-dev sox locales
  clang libclang-rt-14-dev
  ardour
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Libraries the Windows build links statically, built from Debian's sources.
if [ -x "$here/fetch-win-deps.sh" ]; then
  "$here/fetch-win-deps.sh"
fi
