#!/usr/bin/env bash
# Installs what tools/make-packages.sh made and checks it as a user would:
# - the .deb: its metadata, its dependencies against the libraries its
#   programs need, unpacked into a scratch root (dpkg -x), where Ardour's
#   scanner must find the module in Ardour's default folder, and the
#   packaged host must load it;
# - the Windows zip: unpacked, its DLL loaded by its own quillmere-host.exe
#   under Wine, telling the same as the Linux module, and needing only
#   system DLLs;
# - cmake --install of both builds into scratch prefixes.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix}

version=$(sed -n 's/^project(quillmere VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
IFS=. read -r major minor patch <<<"$version"
decimal=$((major * 10000 + minor * 100 + patch))
deb=build/packages/quillmere_${version}_amd64.deb
zip=build/packages/quillmere-${version}-win64.zip
scratch=$PWD/build/install-test
rm -rf "$scratch"
mkdir -p "$scratch"

passed=0 failed=0
check() { # description command...
  local what=$1
  shift
  if "$@" >"$scratch/last.txt" 2>&1; then
    echo "ok    $what"
    passed=$((passed + 1))
  else
    echo "FAIL  $what"
    sed 's/^/      | /' "$scratch/last.txt" | head -30
    failed=$((failed + 1))
  fi
}

# The licence, and the pictures the manual links, all present beside it.
manual_complete() { # doc dir
  [ -s "$1/manual.md" ] || { echo "no manual.md in $1"; return 1; }
  grep -q 'All rights reserved' "$1/LICENSE.txt" 2>/dev/null || { echo "no LICENSE.txt in $1"; return 1; }
  local missing=0 picture
  for picture in $(grep -o '](images/[^)]*\.png)' "$1/manual.md" | sed 's/^](//; s/)$//' | sort -u); do
    [ -s "$1/$picture" ] || { echo "missing: $picture"; missing=1; }
  done
  return $missing
}

# What `info` must say of the module: the host's version first, then the
# effect's identity and version.
info_right() { # info output file
  head -n 1 "$1" | grep -qx "quillmere-host $version" || { echo "first line: $(head -n 1 "$1")"; return 1; }
  grep -q '^  effect name: "quillmere"' "$1" && grep -q "^  version: $decimal\$" "$1" &&
    grep -q '^  unique ID: 2019124591 '"'"'xYeo'"'"'$' "$1" || { cat "$1"; return 1; }
}

echo "== $deb"
field() { dpkg-deb -f "$deb" "$1"; }
deb_metadata() {
  [ "$(field Package)" = quillmere ] && [ "$(field Version)" = "$version" ] &&
    [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] && [ "$(field Section)" = sound ] &&
    [ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || { dpkg-deb -I "$deb"; return 1; }
}
check "metadata: quillmere $version, $(dpkg --print-architecture), section sound" deb_metadata

root=$scratch/deb-root
dpkg -x "$deb" "$root"
deb_files() {
  [ -f "$root/usr/lib/lxvst/quillmere.so" ] && [ -x "$root/usr/bin/quillmere-host" ] &&
    manual_complete "$root/usr/share/doc/quillmere" && cmp -s LICENSE.txt "$root/usr/share/doc/quillmere/copyright" ||
    { find "$root" -type f; return 1; }
}
check "files: /usr/lib/lxvst/quillmere.so, /usr/bin/quillmere-host, the manual, its pictures, the licence as copyright" deb_files

# The package that holds a file, under any of its names (/lib is /usr/lib).
owner() { # path
  local name
  for name in "$1" "$(readlink -f "$1")" "${1#/usr}" "/usr$1"; do
    dpkg -S "$name" 2>/dev/null | head -n 1 | cut -d: -f1 | grep . && return 0
  done
  return 1
}
# Every library the packaged programs load comes from a package the .deb
# depends on.
deb_depends() {
  local lib path package status=0
  field Depends | sed 's/, /\n/g' | sed 's/ .*//' | sort -u >"$scratch/depends.txt"
  echo "Depends: $(field Depends)"
  for lib in $(objdump -p "$root/usr/lib/lxvst/quillmere.so" "$root/usr/bin/quillmere-host" |
               awk '$1 == "NEEDED" { print $2 }' | sort -u); do
    path=$(ldconfig -p | awk -v l="$lib" '$1 == l && /x86-64/ { print $NF; exit }')
    package=$(owner "$path") || package=none
    if ! grep -qxF "$package" "$scratch/depends.txt"; then
      echo "$lib ($path, package $package) is not in Depends"
      status=1
    fi
  done
  return $status
}
check "dependencies: every library the module and host need is in Depends" deb_depends

# Ardour scans /usr/lib/lxvst by default; its scanner must accept the
# module there.
ardour_default_path() { grep -aq ':/usr/lib/lxvst:' /usr/lib/ardour7/libardour.so; }
check "Ardour's default LXVST folders include /usr/lib/lxvst" ardour_default_path
ardour_scan() {
  local module=$root/usr/lib/lxvst/quillmere.so cache
  export XDG_CACHE_HOME=$scratch/ardour-cache XDG_CONFIG_HOME=$scratch/ardour-config
  mkdir -p "$XDG_CACHE_HOME" "$XDG_CONFIG_HOME"
  LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 120 /usr/lib/ardour7/ardour-vst-scanner -f -v "$module" \
    >"$scratch/ardour-scan.txt" 2>&1 || true
  cache=$XDG_CACHE_HOME/ardour7/vst/$(printf '%s' "$module" | sha1sum | cut -d' ' -f1)-x64.v2i
  grep -q "Found Plugin: 'oeYx' quillmere" "$scratch/ardour-scan.txt" && [ -s "$cache" ] &&
    grep -q '<VST2Info id="2019124591" name="quillmere" creator="Tolvane"' "$cache" || { cat "$scratch/ardour-scan.txt"; ls -R "$XDG_CACHE_HOME"; return 1; }
}
check "Ardour's scanner finds the installed module ('oeYx' quillmere, cached)" ardour_scan
deb_host() {
  "$root/usr/bin/quillmere-host" info "$root/usr/lib/lxvst/quillmere.so" >"$scratch/info-deb.txt" &&
    info_right "$scratch/info-deb.txt"
}
check "the packaged quillmere-host loads the packaged module" deb_host

echo "== $zip"
unzipped=$scratch/zip
mkdir -p "$unzipped"
(cd "$unzipped" && cmake -E tar xf "$OLDPWD/$zip")
folder=$unzipped/quillmere-$version-win64
zip_files() {
  [ -f "$folder/quillmere_x64.dll" ] && [ -f "$folder/quillmere-host.exe" ] && manual_complete "$folder" &&
    [ -z "$(cd "$folder" && find . -type f ! -name quillmere_x64.dll ! -name quillmere-host.exe \
           ! -name manual.md ! -path './images/*.png' ! -name LICENSE.txt)" ] ||
    { (cd "$unzipped" && find . -type f); return 1; }
}
check "files: quillmere-$version-win64/ with the DLL, quillmere-host.exe, the manual, its pictures and the licence" zip_files
zip_host() {
  wine "$folder/quillmere-host.exe" info "$folder/quillmere_x64.dll" | tr -d '\r' >"$scratch/info-zip.txt" &&
    info_right "$scratch/info-zip.txt" && diff -u "$scratch/info-deb.txt" "$scratch/info-zip.txt"
}
check "the zip's quillmere-host.exe loads its DLL under Wine, telling what the .deb's does" zip_host
# The DLL must run on a Windows machine with nothing installed: everything
# it imports is in the system folder of a fresh Windows (Wine's prefix).
zip_system_dlls() {
  local dll status=0 system=$WINEPREFIX/drive_c/windows/system32
  [ -d "$system" ] || { echo "no $system"; return 1; }
  for dll in $(x86_64-w64-mingw32-objdump -p "$folder/quillmere_x64.dll" "$folder/quillmere-host.exe" |
               awk '/DLL Name:/ { print tolower($3) }' | sort -u); do
    if [ -n "$(find "$system" -maxdepth 1 -iname "$dll" -print -quit)" ]; then
      echo "$dll"
    else
      echo "$dll is not a Windows system DLL"
      status=1
    fi
  done
  return $status
}
check "the DLL and the host need only Windows' own DLLs" zip_system_dlls

echo "== cmake --install"
install_linux() {
  local prefix=$scratch/prefix-linux
  cmake --install build/linux --prefix "$prefix" >/dev/null &&
    [ -f "$prefix/lib/lxvst/quillmere.so" ] && [ -x "$prefix/bin/quillmere-host" ] &&
    manual_complete "$prefix/share/doc/quillmere" || { find "$prefix" -type f; return 1; }
}
check "Linux: <prefix>/lib/lxvst/quillmere.so, bin/quillmere-host, share/doc/quillmere/" install_linux
install_windows() {
  local prefix=$scratch/prefix-windows
  cmake --install build/windows --prefix "$prefix" >/dev/null &&
    [ -f "$prefix/quillmere_x64.dll" ] && [ -f "$prefix/quillmere-host.exe" ] && manual_complete "$prefix" ||
    { find "$prefix" -type f; return 1; }
}
check "Windows: the DLL, quillmere-host.exe and the manual in <prefix>" install_windows

echo "packages: $passed passed, $failed failed"
[ "$failed" = 0 ]
