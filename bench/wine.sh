#!/usr/bin/env bash
# The Windows program against the Windows command-line program, both under the same Wine, on the
# same files (on /dev/shm, so the disk hides nothing): an unattended Rename of N files (default
# 5,000) with two filters and undo on, timed from the click to the Progress dialog's "OK", and a
# Preview of M files (default 20,000), timed from the click to the complete list. The command
# line is timed from its start to its exit (`rename`, and `preview --tsv` into a pipe). Then the
# Windows program's memory per file: its peak when the Preview of BIG files (default 200,000) is
# complete, against its peak for M files, and how much of that is Wine's own listing of the folder
# (a program that only lists it, measured the same way). Last, the main window's file list for
# L1 and L2 files (default 10,000 and 100,000): from the folder typed to the first rows and to the
# whole list, and from a filter added to every new name shown.
#   bench/wine.sh [N] [M] [BIG] [L1] [L2]
set -euo pipefail
cd "$(dirname "$0")/.."
count="${1:-5000}"
preview_count="${2:-20000}"
big_count="${3:-200000}"
list_small="${4:-10000}"
list_big="${5:-100000}"

[ -n "${CW_BENCH_DISPLAY:-}" ] || scripts/setup.sh
source scripts/wine-env.sh
if [ -z "${CW_BENCH_DISPLAY:-}" ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target calderwynstrope calderwynstrope-cli wine_bench >/dev/null
  # One display for the whole run: Wine keeps the display it started with.
  CW_BENCH_DISPLAY=1 cw_xvfb "$0" "$@"
  exit
fi
bin=build/windows/bin
shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || shm="${TMPDIR:-/tmp}"
work="$(mktemp -d "$shm/cw-wine.XXXXXX")"
trap 'rm -rf "$work"' EXIT
app="$work/app"
mkdir -p "$app"
cp "$bin/calderwynstrope.exe" "$bin/calderwynstrope-cli.exe" "$app/"
touch "$app/portable"  # its settings and undo records stay in the scratch folder

source bench/files.sh

winpath() { winepath -w "$1" 2>/dev/null; }
drive() { wine "$bin/wine_bench.exe" "$@" 2>"$work/err" | tr -d '\r' || { cat "$work/err" >&2; exit 1; }; }

music="$work/music"
ren="$work/two.ren"
make_files "$music" 1
# The two filters, saved by the program itself: spaces for underscores, then mixed case.
wine "$bin/calderwynstrope-cli.exe" preview --underscores --case mixed --save "$(winpath "$ren")" \
  "$(winpath "$music")" >/dev/null 2>&1

make_files "$music" "$count"
gui_run="$(drive run "$(winpath "$app")" "$(winpath "$music")\\" "$(winpath "$ren")")"
make_files "$music" "$count"
cli_run="$(drive cli "$(winpath "$app")" rename -f "$(winpath "$ren")" -p "*.mp3" "$(winpath "$music")")"

make_files "$music" "$preview_count"
small="$(drive preview "$(winpath "$app")" "$(winpath "$music")\\" "$(winpath "$ren")")"
read -r gui_preview small_mb <<<"$small"
read -r _ list_small_mb <<<"$(drive list "$(winpath "$music")")"
cli_preview="$(drive cli "$(winpath "$app")" preview --tsv -f "$(winpath "$ren")" -p "*.mp3" "$(winpath "$music")")"
make_files "$music" "$big_count"
big="$(drive preview "$(winpath "$app")" "$(winpath "$music")\\" "$(winpath "$ren")")"
read -r _ big_mb <<<"$big"
read -r _ list_big_mb <<<"$(drive list "$(winpath "$music")")"
make_files "$music" "$list_small"
read -r small_first small_whole small_update <<<"$(drive filelist "$(winpath "$app")" "$(winpath "$music")\\" "$(winpath "$ren")")"
make_files "$music" "$list_big"
read -r big_first big_whole big_update <<<"$(drive filelist "$(winpath "$app")" "$(winpath "$music")\\" "$(winpath "$ren")")"

python3 - "$count" "$preview_count" "$gui_run" "$cli_run" "$gui_preview" "$cli_preview" "$big_count" "$small_mb" "$big_mb" \
  "$list_small_mb" "$list_big_mb" "$list_small" "$small_first" "$small_whole" "$small_update" \
  "$list_big" "$big_first" "$big_whole" "$big_update" <<'PY'
import sys
n, m = int(sys.argv[1]), int(sys.argv[2])
gr, cr, gp, cp = map(float, sys.argv[3:7])
big, small_mb, big_mb = int(sys.argv[7]), float(sys.argv[8]), float(sys.argv[9])
list_small_mb, list_big_mb = float(sys.argv[10]), float(sys.argv[11])
print(f"Under Wine, files on a RAM disk")
print(f"{'':34}{'program':>9}{'cli':>9}{'ratio':>8}  goal")
print(f"{f'unattended rename, {n:,} files':34}{gr:9.2f}{cr:9.2f}{gr / cr:7.2f}x  <= 1.3x")
print(f"{f'preview, {m:,} files':34}{gp:9.2f}{cp:9.2f}{gp / cp:7.2f}x  <= 2x")
# The names as bench/files.sh makes them; the new name (two filters) is as long as the old.
artists = ["Artist_Name", "The_Band", "Some_Singer", "Orchestra_X"]
names = sum(2 * len(f"{artists[i % 4]}_{i // 99:05d}_-_Track_{i % 99 + 1:02d}_title.mp3") for i in range(1000)) / 1000
per_file = (big_mb - small_mb) * 1024 * 1024 / (big - m)
listing = (list_big_mb - list_small_mb) * 1024 * 1024 / (big - m)
print(f"Preview's peak memory: {small_mb:.1f} MB for {m:,} files, {big_mb:.1f} MB for {big:,}: "
      f"{per_file:.0f} bytes a file, {per_file - names:.0f} beyond its old and new name")
print(f"  of which Wine's own copy of the folder's listing (a program that only lists it): {listing:.0f} bytes a file;")
print(f"  the program's own: {per_file - listing - names:.0f} bytes a file beyond the names (goal 100)")
print("The main window's file list (seconds): first rows, whole list, after a filter is added")
for at in (12, 16):
    files, first, whole, update = int(sys.argv[at]), *map(float, sys.argv[at + 1:at + 4])
    goal = "goals: whole and filter <= 0.15" if files <= 10000 else "goals: first <= 0.3, whole <= 1.5"
    print(f"{f'  {files:,} files':34}{first:9.3f}{whole:9.3f}{update:9.3f}  {goal}")
PY
