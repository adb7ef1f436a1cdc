#!/usr/bin/env bash
# The Debian package as a user gets it: unpacked into a throw-away root (dpkg -x) whose program
# folder nobody may write, and run by an ordinary user (nobody, when this runs as root) with a
# home of their own: a rename and its undo keep their record in ~/.local/share, and with no
# writable folder at all a rename refuses to start.
#   tests/packaging/deb_test.sh [PACKAGE.deb]    (default: builds it with scripts/package.sh deb)
set -euo pipefail
cd "$(dirname "$0")/../.."

deb="${1:-}"
if [ -z "$deb" ]; then
  scripts/package.sh deb >/dev/null
  deb="$(ls build/packages/calderwynstrope-cli_*_amd64.deb | tail -n 1)"
fi
deb="$(realpath "$deb")"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { local what="$1"; shift; "$@" || fail "$what"; }

work="$(mktemp -d)"
chmod 755 "$work"
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
root="$work/root" home="$work/home" music="$work/music"

# The package itself.
check "package name and architecture" test "$(dpkg-deb -f "$deb" Package Architecture | tr '\n' ' ')" \
  = "Package: calderwynstrope-cli Architecture: amd64 "
# Only what every Debian system has, so that dpkg -i alone installs it.
depends="$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | sort | tr '\n' ' ')"
check "depends on the C and C++ runtimes alone, not \"$depends\"" test "$depends" = "libc6 libgcc-s1 libstdc++6 "
if [ "$(id -u)" -eq 0 ]; then
  check "installable here (dpkg --dry-run)" dpkg --dry-run -i "$deb" >/dev/null
fi
dpkg -x "$deb" "$root"
for file in usr/bin/calderwynstrope-cli usr/share/man/man1/calderwynstrope-cli.1.gz \
            usr/share/bash-completion/completions/calderwynstrope-cli usr/share/doc/calderwynstrope-cli/help.html; do
  check "$file installed" test -f "$root/$file"
done
check "manual page made from --help" grep -q -- 'data\\-dir DIR' <(zcat "$root/usr/share/man/man1/calderwynstrope-cli.1.gz")
check "completion script parses" bash -n "$root/usr/share/bash-completion/completions/calderwynstrope-cli"
chmod -R a-w "$root"

mkdir -p "$home" "$music"
printf 'song' > "$music/Some_Song.mp3"
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$home" "$music"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
else
  echo "deb_test: not root, so the program runs as $(id -un), an ordinary user already"
  as_user=()
fi
cli() { "${as_user[@]}" env -i HOME="$1" PATH=/usr/bin:/bin LANG=C.UTF-8 "$root/usr/bin/calderwynstrope-cli" "${@:2}"; }

check "--version" grep -q "^calderwynstrope-cli [0-9]" <(cli "$home" --version)
check "--help names the data folders" grep -q "Undo records: $home/.local/share/calderwynstrope/" <(cli "$home" --help)
check "rename" cli "$home" rename --underscores "$music" >/dev/null
check "renamed" test -f "$music/Some Song.mp3"
check "undo index in the user's data folder" test -f "$home/.local/share/calderwynstrope/braxen.idx"
check "settings folder made" test -d "$home/.config/calderwynstrope"
check "nothing next to the program" test "$(ls "$root/usr/bin")" = calderwynstrope-cli
list="$(cli "$home" undo list 2>"$work/list.err")"
check "undo list names the folder on standard error" grep -q "$home/.local/share/calderwynstrope/ (per-user" "$work/list.err"
check "one run listed" test "$(printf '%s\n' "$list" | wc -l)" -eq 1
check "undo run" cli "$home" undo run "${list:0:12}" >/dev/null
check "undone" test -f "$music/Some_Song.mp3"

# No folder anywhere that this user may write: the rename refuses, --no-undo renames anyway.
locked="$work/locked-home"
mkdir -p "$locked"
chmod 555 "$locked"
status=0
cli "$locked" rename --underscores "$music" >/dev/null 2>"$work/refused.err" || status=$?
check "refused with status 2 (got $status)" test "$status" -eq 2
check "the refusal says why" grep -q "nothing was renamed" "$work/refused.err"
check "nothing renamed" test -f "$music/Some_Song.mp3"
check "--no-undo renames anyway" cli "$locked" rename --no-undo --underscores "$music" >/dev/null
check "renamed without a record" test -f "$music/Some Song.mp3"

if [ "$failures" -ne 0 ]; then
  echo "deb_test: $failures check(s) failed" >&2
  exit 1
fi
echo "deb_test: $(basename "$deb") installs and works for an ordinary user, undo included"
