#!/usr/bin/env bash
# Fetches Debian's source packages of libpng and zlib for the Windows build,
# which compiles them with the mingw-w64 toolchain and links them statically
# (cmake/WinDeps.cmake). The sources are unpacked under third_party/, which is
# not tracked. Works on a machine without deb-src entries: a private apt
# configuration under third_party/apt/ lists the source indexes of the
# system's own Debian mirrors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dest="$root/third_party"
apt_dir="$dest/apt"
mkdir -p "$dest"

have() { [ -f "$dest/$1/$2" ]; }
if have libpng png.h && have zlib zlib.h; then
  exit 0
fi

command -v dpkg-source >/dev/null || { echo "fetch-win-deps: dpkg-dev is needed" >&2; exit 1; }

# deb-src lines for the system's Debian mirrors (deb822 .sources files and
# one-line lists alike).
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
list="$apt_dir/sources.list"
: >"$list"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  grep -E '^[[:space:]]*deb[[:space:]]' "$f" | grep -E 'debian' | sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' >>"$list" || true
done
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  awk '
    function flush() {
      if (types ~ /deb/ && uris ~ /debian/) {
        n = split(suites, s, " ")
        for (i = 1; i <= n; i++) {
          opt = keyring != "" ? "[signed-by=" keyring "] " : ""
          print "deb-src " opt uris " " s[i] " " comps
        }
      }
      types = uris = suites = comps = keyring = ""
    }
    /^[[:space:]]*$/ { flush(); next }
    /^#/ { next }
    /^Types:/ { sub(/^Types:[[:space:]]*/, ""); types = $0 }
    /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
    /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
    /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0 }
    /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); keyring = $0 }
    END { flush() }
  ' "$f" >>"$list"
done
sort -u -o "$list" "$list"
if [ ! -s "$list" ]; then
  echo "deb-src http://deb.debian.org/debian bookworm main" >"$list"
fi

apt_opts=(
  -o "Dir::Etc::SourceList=$list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=root"
)
apt-get "${apt_opts[@]}" update -qq

work="$dest/src"
rm -rf "$work" "$dest"/*.orig.tar.* "$dest"/*.debian.tar.* "$dest"/*.dsc
mkdir -p "$work"
# The newest version whose files the mirrors serve (a security suite's
# index may list a version whose sources the mirror lacks).
fetch() {
  local v
  for v in $(apt-cache "${apt_opts[@]}" showsrc "$1" | awk '/^Version:/ { print $2 }' | sort -rVu); do
    if (cd "$work" && apt-get "${apt_opts[@]}" source -qq --download-only "$1=$v" >/dev/null 2>&1); then
      return 0
    fi
    rm -f "$work"/"$1"_*
  done
  echo "fetch-win-deps: cannot download the sources of $1" >&2
  return 1
}
fetch libpng1.6
fetch zlib

unpack() { # package-prefix target-dir
  local dsc
  dsc=$(ls "$work"/"$1"_*.dsc | head -n 1)
  rm -rf "$dest/$2"
  dpkg-source --no-check -x "$dsc" "$dest/$2" >/dev/null
}
unpack libpng1.6 libpng
unpack zlib zlib
rm -rf "$work" "$dest"/*.orig.tar.* "$dest"/*.debian.tar.* "$dest"/*.dsc
echo "fetch-win-deps: libpng and zlib sources in $dest"
