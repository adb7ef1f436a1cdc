#!/usr/bin/env bash
# TagLib for the Windows program: the very version of the native libtag1-dev, from Debian's source
# package (Debian's patches applied), compiled as a static library with our MinGW toolchain.
# Everything stays under build/taglib, so the machine's own apt configuration is never touched:
#   apt/      a private sources list (the machine's Debian mirrors, as deb-src), lists and cache
#   source/   the unpacked source package
#   mingw/    the installed static library and headers, which the windows preset links
# Debian's source takes the UTF-8 helpers from libutfcpp-dev (header-only), as its own build does.
# Compressed ID3v2 frames (rare) need zlib, which the Windows build goes without.
# A second run with the same version does nothing.
#   scripts/taglib-mingw.sh          fetch the source when missing, build it when not built
#   scripts/taglib-mingw.sh fetch    fetch the source only
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
base="$root/build/taglib"
prefix="$base/mingw"
action="${1:-build}"

fail() {
  echo "taglib-mingw: $*" >&2
  exit 1
}

version="$(dpkg-query -W -f='${source:Version}' libtag1-dev 2>/dev/null)" ||
  fail "libtag1-dev is not installed; run scripts/setup.sh"
# What the finished build depends on: the version and this script's own options.
stamp_text="$version $(sha1sum "$0" | cut -c1-12)"
if [ "$action" = build ] && [ "$(cat "$prefix/.stamp" 2>/dev/null)" = "$stamp_text" ]; then
  exit 0
fi

source_dir="$base/source/taglib-$version"
if [ ! -f "$source_dir/.complete" ]; then
  echo "taglib-mingw: fetching the source of TagLib $version from Debian"
  source "$root/scripts/debian-source.sh"
  fetch_debian_source taglib "$version" "$base" "$source_dir" ||
    fail "Debian no longer offers the source of TagLib $version; upgrade libtag1-dev (apt-get install libtag1-dev)"
  touch "$source_dir/.complete"
fi
[ "$action" = fetch ] && exit 0

echo "taglib-mingw: building TagLib $version with MinGW (once)"
start=$SECONDS
work="$base/mingw-build"
rm -rf "$work" "$prefix"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$source_dir" -B "$work" -G Ninja --log-level=WARNING \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF \
  -DBUILD_TESTING=OFF -DBUILD_EXAMPLES=OFF -DBUILD_BINDINGS=OFF \
  -DWITH_ZLIB=OFF \
  -DCMAKE_CXX_FLAGS="-isystem /usr/include/utf8cpp" \
  "${launcher[@]}" >/dev/null
cmake --build "$work" -j "$(nproc)" >/dev/null
cmake --install "$work" >/dev/null
rm -rf "$work"
echo "$stamp_text" >"$prefix/.stamp"
echo "taglib-mingw: built in $((SECONDS - start)) s"
