#!/usr/bin/env bash
# utf8proc for the Windows program: the very version of the native libutf8proc-dev, from Debian's source
# package (Debian's patches applied), compiled as a static library by our MinGW
# toolchain, the way scripts/taglib-mingw.sh builds TagLib. Everything stays under build/utf8proc,
# so the machine's own apt configuration is never touched:
#   apt/      a private sources list (the machine's Debian mirrors, as deb-src), lists and cache
#   source/   the unpacked source package
#   mingw/    the installed static library and headers, which the windows preset links
# A second run with the same version does nothing.
#   scripts/utf8proc-mingw.sh          fetch the source when missing, build it when not built
#   scripts/utf8proc-mingw.sh fetch    fetch the source only
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
base="$root/build/utf8proc"
prefix="$base/mingw"
action="${1:-build}"

fail() {
  echo "utf8proc-mingw: $*" >&2
  exit 1
}

version="$(dpkg-query -W -f='${source:Version}' libutf8proc-dev 2>/dev/null)" ||
  fail "libutf8proc-dev is not installed; run scripts/setup.sh"
# What the finished build depends on: the version and this script's own options.
stamp_text="$version $(sha1sum "$0" | cut -c1-12)"
if [ "$action" = build ] && [ "$(cat "$prefix/.stamp" 2>/dev/null)" = "$stamp_text" ]; then
  exit 0
fi

# The unpacked source; .complete holds the installed version it was fetched for, then the version
# of Debian's source it holds, so an upgrade of libutf8proc-dev fetches again.
source_dir="$base/source/utf8proc"
if [ "$(cut -d' ' -f1 "$source_dir/.complete" 2>/dev/null)" != "$version" ]; then
  echo "utf8proc-mingw: fetching the source of utf8proc $version from Debian"
  source "$root/scripts/debian-source.sh"
  fetch_debian_source utf8proc "$version" "$base" "$source_dir" ||
    fail "Debian no longer offers the source of utf8proc $version; upgrade libutf8proc-dev (apt-get install libutf8proc-dev)"
  echo "$version $fetched" >"$source_dir/.complete"
fi
[ "$action" = fetch ] && exit 0

echo "utf8proc-mingw: building utf8proc $(cut -d' ' -f2 "$source_dir/.complete") with MinGW (once)"
start=$SECONDS
work="$base/mingw-build"
rm -rf "$work" "$prefix"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$source_dir" -B "$work" -G Ninja --log-level=WARNING \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF -DUTF8PROC_ENABLE_TESTING=OFF -DUTF8PROC_INSTALL=ON \
  "${launcher[@]}" >/dev/null
cmake --build "$work" -j "$(nproc)" >/dev/null
cmake --install "$work" >/dev/null
rm -rf "$work"
[ -f "$prefix/include/utf8proc.h" ] && ls "$prefix"/lib/libutf8proc*.a >/dev/null 2>&1 ||
  fail "the build left no static libutf8proc under $prefix"
echo "$stamp_text" >"$prefix/.stamp"
echo "utf8proc-mingw: built in $((SECONDS - start)) s"
