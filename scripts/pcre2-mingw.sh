#!/usr/bin/env bash
# PCRE2 for the Windows program: the very version of the native libpcre2-dev, from Debian's source
# package (Debian's patches applied), compiled as a static 8-bit library with JIT by our MinGW
# toolchain, the way scripts/taglib-mingw.sh builds TagLib. Everything stays under build/pcre2,
# so the machine's own apt configuration is never touched (see scripts/mingw-library.sh). A second
# run with the same version does nothing.
#   scripts/pcre2-mingw.sh          fetch the source when missing, build it when not built
#   scripts/pcre2-mingw.sh fetch    fetch the source only
set -euo pipefail
source "$(dirname "$0")/mingw-library.sh"
mingw_library_start pcre2 libpcre2-dev pcre2 PCRE2 "${1:-build}"
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
mingw_library_done pcre2.h 'libpcre2-8*.a'
