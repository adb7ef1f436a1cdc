#!/usr/bin/env bash
# The Windows installer under Wine, as a user would meet it:
#   - a silent install for the current user into a temporary folder (/S /CurrentUser /D=...);
#   - the installed program started and closed: its settings land in %APPDATA%\Calderwynstrope,
#     never next to it; the installed command-line program renames and keeps its undo record there;
#   - the Start-menu shortcut, the uninstall registration, the .REN association and the folder
#     verb "Rename with Calderwynstrope" are there;
#   - a silent uninstall removes all of them and leaves nothing in the install folder, and the
#     user's settings stay;
#   - a silent install for everyone goes to Program Files and registers in HKLM, and uninstalls
#     as cleanly.
#   tests/packaging/installer_test.sh [INSTALLER.exe]  (default: builds it with scripts/package.sh)
# Needs an X display: scripts/test.sh runs it under cw_xvfb (scripts/wine-env.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."

installer="${1:-}"
if [ -z "$installer" ]; then
  scripts/package.sh windows >/dev/null
  installer="$(ls build/packages/calderwynstrope-*-win64.exe | tail -n 1)"
fi
installer="$(realpath "$installer")"
cmake --build --preset windows --target start_and_close >/dev/null
helper="$PWD/build/windows/bin/start_and_close.exe"
source scripts/wine-env.sh

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { local what="$1"; shift; "$@" || fail "$what"; }
win() { winepath -w "$1" 2>/dev/null; }
has_key() { wine reg query "$1" >/dev/null 2>&1; }
no_key() { ! has_key "$1"; }
# A key's default value, as reg prints it after the type.
default_value() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^.*REG_SZ *//p'; }
has_value() { test "$(default_value "$1")" = "$2"; }
folder_verb='Software\Classes\Directory\shell\Calderwynstrope'
verb_command() { default_value "$1\\$folder_verb\\command"; }
gone() { [ ! -e "$1" ]; }
# The uninstaller copies itself away and returns at once; its copy removes the folder.
wait_gone() { for _ in $(seq 1 120); do [ -e "$1" ] || return 0; sleep 0.5; done; return 1; }
shortcut() { find "$WINEPREFIX/drive_c" -name Calderwynstrope.lnk -path "*Programs*" 2>/dev/null | head -n 1; }

# The prefix's own %APPDATA% (Wine sets it for every program it starts from here); the test's
# prefix is the test suite's, so the program's folder there is the test's to clear.
appdata="$(winepath -u "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")"
rm -rf "$appdata/Calderwynstrope"
work="$(mktemp -d)"
trap 'rm -rf "$work" "$appdata/Calderwynstrope"' EXIT
target="$work/Programs/Calderwynstrope"
music="$work/music"
mkdir -p "$music"
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Calderwynstrope'

# --- For the current user, into a folder of our choosing.
check "per-user silent install" wine "$installer" /S /CurrentUser "/D=$(win "$target")"
for file in calderwynstrope.exe calderwynstrope-cli.exe space_replacer.dll README.txt help.html uninstall.exe; do
  check "$file installed" test -f "$target/$file"
done
check "the installed copy is not portable" gone "$target/portable"
check "registered for uninstall (HKCU)" has_key "HKCU\\$uninstall_key"
check "not registered for everyone" no_key "HKLM\\$uninstall_key"
check "Start-menu shortcut" test -n "$(shortcut)"
check ".REN association" has_key 'HKCU\Software\Classes\BRAXEN.File.REN\shell\Open\command'
check "folder verb starts the program on the folder" \
  test "$(verb_command HKCU)" = "\"$(win "$target")\\calderwynstrope.exe\" \"%1\""
check "folder verb's text" has_value "HKCU\\$folder_verb" 'Rename with Calderwynstrope'

check "program starts and closes" wine "$helper" "$(win "$target")\\calderwynstrope.exe"
check "settings in %APPDATA%\\Calderwynstrope" test -f "$appdata/Calderwynstrope/braxen.ini"
check "no settings next to the program" gone "$target/braxen.ini"
printf 'x' > "$music/a_b.mp3"
check "installed command-line program renames" wine "$target/calderwynstrope-cli.exe" rename --underscores "$(win "$music")" >/dev/null
check "renamed" test -f "$music/a b.mp3"
check "undo record in %APPDATA%\\Calderwynstrope" test -f "$appdata/Calderwynstrope/braxen.idx"
check "nothing written next to the program" test "$(ls "$target" | wc -l)" -eq 6

check "silent uninstall" wine "$target/uninstall.exe" /S
check "install folder removed" wait_gone "$target"
wineserver -w
check "uninstall registration removed" no_key "HKCU\\$uninstall_key"
check "shortcut removed" test -z "$(shortcut)"
check ".REN association removed" no_key 'HKCU\Software\Classes\BRAXEN.File.REN'
check "folder verb removed" no_key "HKCU\\$folder_verb"
check "the user's settings stay" test -f "$appdata/Calderwynstrope/braxen.ini"

# --- For everyone, into Program Files.
program_files="$WINEPREFIX/drive_c/Program Files/Calderwynstrope"
check "per-machine silent install" wine "$installer" /S /AllUsers
check "installed in Program Files" test -f "$program_files/calderwynstrope.exe"
check "registered for uninstall (HKLM)" has_key "HKLM\\$uninstall_key"
check ".REN association for everyone" has_key 'HKLM\Software\Classes\BRAXEN.File.REN\shell\Open\command'
check "folder verb for everyone" test -n "$(verb_command HKLM)"
check "silent uninstall for everyone" wine "$program_files/uninstall.exe" /S
check "Program Files folder removed" wait_gone "$program_files"
wineserver -w
check "HKLM registration removed" no_key "HKLM\\$uninstall_key"
check ".REN association for everyone removed" no_key 'HKLM\Software\Classes\BRAXEN.File.REN'
check "folder verb for everyone removed" no_key "HKLM\\$folder_verb"
check "shortcut for everyone removed" test -z "$(shortcut)"

if [ "$failures" -ne 0 ]; then
  echo "installer_test: $failures check(s) failed" >&2
  exit 1
fi
echo "installer_test: $(basename "$installer") installs, runs and uninstalls cleanly, for one user and for everyone"
