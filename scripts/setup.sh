#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Calderwynstrope needs.
# Safe to run again: apt-get skips what is already there, and the update is skipped when
# nothing is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache googletest
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-wine
  xvfb xauth imagemagick fonts-wqy-microhei
  nsis file
  id3v2 rename mmv time python3 unicode-data
  libtag1-dev libutfcpp-dev libpcre2-dev libutf8proc-dev dpkg-dev
  clang-format clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# TagLib's source for the Windows build (the same version as libtag1-dev), fetched once into
# build/; the windows preset compiles it when it configures.
"$(dirname "$0")/taglib-mingw.sh" fetch
# PCRE2's source for the Windows build (the same version as libpcre2-dev), the same way.
"$(dirname "$0")/pcre2-mingw.sh" fetch
# utf8proc's source for the Windows build (the same version as libutf8proc-dev), the same way.
"$(dirname "$0")/utf8proc-mingw.sh" fetch
