# Sourced by the scripts that build a library for the Windows program from Debian's source package
# (taglib-mingw.sh, pcre2-mingw.sh, utf8proc-mingw.sh). The machine's own apt configuration is never touched: the
# package is fetched through a private one under BASE/apt.
#
# fetch_debian_source PACKAGE VERSION BASE SOURCE_DIR
#   Fetches the source of PACKAGE at VERSION into BASE/source and unpacks it into SOURCE_DIR
#   (Debian's patches applied). A mirror may list a security update's source that it does not
#   hold: then the newest other Debian revision of the same upstream release, whose library and
#   headers are the same program, is taken and said. Sets `fetched` to the version unpacked;
#   returns 1 when no revision could be had.
fetch_debian_source() {
  local package="$1" version="$2" base="$3" source_dir="$4"
  local root apt_dir upstream other candidate
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  command -v dpkg-source >/dev/null || { echo "dpkg-source is missing; run scripts/setup.sh" >&2; return 1; }
  apt_dir="$base/apt"
  rm -rf "$apt_dir" "$base/source"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$base/source"
  # The machine's own Debian mirrors for this release, turned into source entries.
  python3 "$root/scripts/debian-source-list.py" "$apt_dir/sources.list" || return 1
  local apt_opts=(
    -o Dir::Etc::SourceList="$apt_dir/sources.list"
    -o Dir::Etc::SourceParts=/nonexistent
    -o Dir::State::Lists="$apt_dir/lists"
    -o Dir::Cache="$apt_dir/cache"
    -o Debug::NoLocking=true
  )
  # As root apt downloads as its own sandbox user, who may not write into this worktree.
  [ "$(id -u)" -eq 0 ] && apt_opts+=(-o APT::Sandbox::User=root)
  apt-get "${apt_opts[@]}" -qq update || { echo "could not read the Debian source lists" >&2; return 1; }
  upstream="${version#*:}"
  upstream="${upstream%-*}"
  local candidates=("$version")
  while read -r other; do
    [ "$other" != "$version" ] && [ "$(v="${other#*:}" && echo "${v%-*}")" = "$upstream" ] && candidates+=("$other")
  done < <(apt-cache "${apt_opts[@]}" showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' | sort -u -r -V)
  fetched=""
  for candidate in "${candidates[@]}"; do
    if (cd "$base/source" && apt-get "${apt_opts[@]}" -qq source --download-only "$package=$candidate" >/dev/null 2>&1); then
      fetched="$candidate"
      break
    fi
    rm -f "$base/source/${package}_"*
  done
  [ -n "$fetched" ] || return 1
  [ "$fetched" = "$version" ] || echo "$package: the mirror lacks $version; building Debian's $fetched instead"
  # apt checked the files against the signed source lists, so no maintainer key is needed here.
  dpkg-source --no-check -x "$base/source/${package}_${fetched#*:}.dsc" "$source_dir" >/dev/null
}
