#!/usr/bin/env bash
# Builds the packages into build/packages/:
#   calderwynstrope-VERSION-win64.exe    the Windows installer (NSIS)
#   calderwynstrope-VERSION-win64.zip    the portable Windows copy
#   calderwynstrope-cli_VERSION_amd64.deb the command-line program for Debian
#   scripts/package.sh [windows] [deb]   (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
jobs="$(nproc)"
out="$PWD/build/packages"
mkdir -p "$out"
# TagLib compiled into the Linux program, from the same Debian source as the Windows build's, so
# that the package needs nothing a fresh Debian lacks (dpkg -i alone installs it). As for Windows,
# without zlib: only compressed ID3v2 frames, which are rare, go unread.
taglib="$PWD/build/taglib/native-static"
static_taglib() {
  scripts/taglib-mingw.sh fetch
  local source_dir stamp
  source_dir="$(ls -d build/taglib/source/taglib-*/ | head -n 1)"
  stamp="$source_dir $(sha1sum "$0" | cut -c1-12)"
  [ "$(cat "$taglib/.stamp" 2>/dev/null)" = "$stamp" ] && return 0
  echo "package: building TagLib as a static library (once)"
  rm -rf "$taglib" build/taglib/native-static-build
  cmake -S "$source_dir" -B build/taglib/native-static-build -G Ninja --log-level=WARNING \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$taglib" -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DBUILD_EXAMPLES=OFF -DBUILD_BINDINGS=OFF -DWITH_ZLIB=OFF \
    -DCMAKE_CXX_FLAGS="-isystem /usr/include/utf8cpp" \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
  cmake --build build/taglib/native-static-build -j "$jobs" >/dev/null
  cmake --install build/taglib/native-static-build >/dev/null
  rm -rf build/taglib/native-static-build
  echo "$stamp" >"$taglib/.stamp"
}

kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(windows deb)

for kind in "${kinds[@]}"; do
  case "$kind" in
    windows)
      cmake --preset windows >/dev/null
      cmake --build --preset windows -j "$jobs" --target calderwynstrope calderwynstrope-cli space_replacer help_page
      rm -rf build/windows/cpack
      (cd build/windows && cpack -G "NSIS;ZIP" -B cpack >/dev/null)
      rm -f "$out"/calderwynstrope-*-win64.exe "$out"/calderwynstrope-*-win64.zip
      cp build/windows/cpack/calderwynstrope-*-win64.exe build/windows/cpack/calderwynstrope-*-win64.zip "$out/"
      ;;
    deb)
      static_taglib
      # PCRE2 and utf8proc linked in as well, from the static libraries Debian's libpcre2-dev and
      # libutf8proc-dev ship, so the package needs only the C and C++ runtimes.
      pcre2_static="$(dpkg -L libpcre2-dev | grep '/libpcre2-8\.a$' | head -n 1)"
      [ -n "$pcre2_static" ] || { echo "package: libpcre2-dev ships no libpcre2-8.a" >&2; exit 1; }
      utf8proc_static="$(dpkg -L libutf8proc-dev | grep '/libutf8proc\.a$' | head -n 1)"
      [ -n "$utf8proc_static" ] || { echo "package: libutf8proc-dev ships no libutf8proc.a" >&2; exit 1; }
      cmake --preset package-linux -DCW_TAGLIB_INCLUDE="$taglib/include" \
        -DCW_TAGLIB_LIBRARY="$taglib/lib/libtag.a" -DCW_PCRE2_LIBRARY="$pcre2_static" \
        -DCW_UTF8PROC_LIBRARY="$utf8proc_static" >/dev/null
      cmake --build --preset package-linux -j "$jobs" --target calderwynstrope-cli cli_man_page help_page
      rm -rf build/package-linux/cpack
      (cd build/package-linux && cpack -G DEB -B cpack >/dev/null)
      rm -f "$out"/calderwynstrope-cli_*_amd64.deb
      cp build/package-linux/cpack/calderwynstrope-cli_*_amd64.deb "$out/"
      ;;
    *)
      echo "package.sh: unknown package kind \"$kind\" (windows or deb)" >&2
      exit 2
      ;;
  esac
done
ls -l "$out"
