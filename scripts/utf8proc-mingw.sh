#!/usr/bin/env bash
# utf8proc for the Windows program: the very version of the native libutf8proc-dev, from Debian's
# source package (Debian's patches applied), compiled as a static library by our MinGW toolchain,
# the way scripts/pcre2-mingw.sh builds PCRE2. Everything stays under build/utf8proc (see
# scripts/mingw-library.sh). A second run with the same version does nothing.
#   scripts/utf8proc-mingw.sh          fetch the source when missing, build it when not built
#   scripts/utf8proc-mingw.sh fetch    fetch the source only
set -euo pipefail
source "$(dirname "$0")/mingw-library.sh"
mingw_library_start utf8proc libutf8proc-dev utf8proc utf8proc "${1:-build}"
cmake -S "$source_dir" -B "$work" -G Ninja --log-level=WARNING \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF -DUTF8PROC_ENABLE_TESTING=OFF -DUTF8PROC_INSTALL=ON \
  "${launcher[@]}" >/dev/null
cmake --build "$work" -j "$(nproc)" >/dev/null
cmake --install "$work" >/dev/null
mingw_library_done utf8proc.h 'libutf8proc*.a'
