# Sourced by the scripts that build a library for the Windows program from the Debian source
# package of the very version the native -dev package has (pcre2-mingw.sh, utf8proc-mingw.sh):
# what they share before their own build options.
#
# mingw_library_start NAME DEV_PACKAGE SOURCE_PACKAGE LABEL ACTION
#   Everything stays under build/NAME: apt/ (a private sources list, lists and cache), source/
#   (the unpacked source package), mingw/ (the installed static library and headers). Exits the
#   script when the library is built for this version and these options already (ACTION build),
#   or once the source is there (ACTION fetch). Otherwise sets root, base, prefix, source_dir,
#   stamp_text, work (an empty build folder) and launcher (ccache, when there), says what it
#   builds, and returns.
# mingw_library_done NAME HEADER LIBRARY_GLOB
#   Checks that the build left the header and the library, and stamps it.
mingw_library_fail() {
  echo "$mingw_library_name-mingw: $*" >&2
  exit 1
}

mingw_library_start() {
  local name="$1" dev="$2" package="$3" label="$4" action="$5" version
  mingw_library_name="$name"
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  base="$root/build/$name"
  prefix="$base/mingw"
  version="$(dpkg-query -W -f='${source:Version}' "$dev" 2>/dev/null)" ||
    mingw_library_fail "$dev is not installed; run scripts/setup.sh"
  # What the finished build depends on: the version and the calling script's own options.
  stamp_text="$version $(sha1sum "$0" | cut -c1-12)"
  if [ "$action" = build ] && [ "$(cat "$prefix/.stamp" 2>/dev/null)" = "$stamp_text" ]; then
    exit 0
  fi
  # The unpacked source; .complete holds the installed version it was fetched for, then the
  # version of Debian's source it holds, so an upgrade of the -dev package fetches again.
  source_dir="$base/source/$name"
  if [ "$(cut -d' ' -f1 "$source_dir/.complete" 2>/dev/null)" != "$version" ]; then
    echo "$name-mingw: fetching the source of $label $version from Debian"
    source "$root/scripts/debian-source.sh"
    fetch_debian_source "$package" "$version" "$base" "$source_dir" ||
      mingw_library_fail "Debian no longer offers the source of $label $version; upgrade $dev (apt-get install $dev)"
    echo "$version $fetched" >"$source_dir/.complete"
  fi
  [ "$action" = fetch ] && exit 0
  echo "$name-mingw: building $label $(cut -d' ' -f2 "$source_dir/.complete") with MinGW (once)"
  mingw_library_started=$SECONDS
  work="$base/mingw-build"
  rm -rf "$work" "$prefix"
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache)
  return 0
}

mingw_library_done() {
  local header="$1" glob="$2"
  rm -rf "$work"
  [ -f "$prefix/include/$header" ] && ls "$prefix"/lib/$glob >/dev/null 2>&1 ||
    mingw_library_fail "the build left no static library $glob under $prefix"
  echo "$stamp_text" >"$prefix/.stamp"
  echo "$mingw_library_name-mingw: built in $((SECONDS - mingw_library_started)) s"
}
