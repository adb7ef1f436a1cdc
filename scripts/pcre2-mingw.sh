#!/usr/bin/env bash
# PCRE2 for the Windows program: the very version of the native libpcre2-dev, from Debian's source
# package (Debian's patches applied), compiled as a static 8-bit library with JIT by our MinGW
# toolchain, the way scripts/taglib-mingw.sh builds TagLib. Everything stays under build/pcre2,
# so the machine's own apt configuration is never touched:
#   apt/      a private sources list (the machine's Debian mirrors, as deb-src), lists and cache
#   source/   the unpacked source package
#   mingw/    the installed static library and headers, which the windows preset links
# A second run with the same version does nothing.
#   scripts/pcre2-mingw.sh          fetch the source when missing, build it when not built
#   scripts/pcre2-mingw.sh fetch    fetch the source only
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
base="$root/build/pcre2"
prefix="$base/mingw"
action="${1:-build}"

fail() {
  echo "pcre2-mingw: $*" >&2
  exit 1
}

version="$(dpkg-query -W -f='${source:Version}' libpcre2-dev 2>/dev/null)" ||
  fail "libpcre2-dev is not installed; run scripts/setup.sh"
# What the finished build depends on: the version and this script's own options.
stamp_text="$version $(sha1sum "$0" | cut -c1-12)"
if [ "$action" = build ] && [ "$(cat "$prefix/.stamp" 2>/dev/null)" = "$stamp_text" ]; then
  exit 0
fi

# The unpacked source; .complete holds the installed version it was fetched for, then the version
# of Debian's source it holds, so an upgrade of libpcre2-dev fetches again.
source_dir="$base/source/pcre2"
if [ "$(cut -d' ' -f1 "$source_dir/.complete" 2>/dev/null)" != "$version" ]; then
  echo "pcre2-mingw: fetching the source of PCRE2 $version from Debian"
  source "$root/scripts/debian-source.sh"
  fetch_debian_source pcre2 "$version" "$base" "$source_dir" ||
    fail "Debian no longer offers the source of PCRE2 $version; upgrade libpcre2-dev (apt-get install libpcre2-dev)"
  echo "$version $fetched" >"$source_dir/.complete"
fi
[ "$action" = fetch ] && exit 0

echo "pcre2-mingw: building PCRE2 $(cut -d' ' -f2 "$source_dir/.complete") with MinGW (once)"
start=$SECONDS
work="$base/mingw-build"
rm -rf "$work" "$prefix"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$source_dir" -B "$work" -G Ninja --log-level=WARNING \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON \
  -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF \
  -DPCRE2_SUPPORT_JIT=ON -DPCRE2_SUPPORT_UNICODE=ON \
  -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF \
  "${launcher[@]}" >/dev/null
cmake --build "$work" -j "$(nproc)" >/dev/null
cmake --install "$work" >/dev/null
rm -rf "$work"
[ -f "$prefix/include/pcre2.h" ] && ls "$prefix"/lib/libpcre2-8*.a >/dev/null 2>&1 ||
  fail "the build left no static libpcre2-8 under $prefix"
echo "$stamp_text" >"$prefix/.stamp"
echo "pcre2-mingw: built in $((SECONDS - start)) s"
