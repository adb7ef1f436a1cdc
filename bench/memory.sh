#!/usr/bin/env bash
# Memory per file: N files (default 1,000,000) named as in bench/run.sh, renamed by
# calderwynstrope-cli with the same three filters with undo on and with --no-undo, undone (the
# `undo run` of a run with undo on), and previewed (the preview is the Windows program's Preview
# dialog and the run it starts: the same core structures). Prints the peak memory of each, its growth over a 1,000-file run per file, and how
# much of that the names themselves take (the old and the new name of a file, on average).
# With --deep, a tree LEVELS folders deep instead (default 10,000; d/d/d/..., one .mp3 a folder):
# the peak memory of a recursive preview, a recursive rename and its undo, which must grow with
# the folders, not with the folders times the length of their paths.
#   bench/memory.sh [N]
#   bench/memory.sh --deep [LEVELS]
set -euo pipefail
cd "$(dirname "$0")/.."

source bench/files.sh

# make_deep_tree FOLDER LEVELS: FOLDER/d/d/.../d, LEVELS folders deep, with one file in each.
# The deeper paths are far beyond PATH_MAX: each folder is made through its parent's handle.
make_deep_tree() {
  rm -rf "$1"; mkdir -p "$1"
  python3 - "$1" "$2" <<'PY'
import os, sys
at = os.open(sys.argv[1], os.O_RDONLY | os.O_DIRECTORY)
for level in range(int(sys.argv[2])):
    os.mkdir("d", dir_fd=at)
    os.close(os.open(f"track_{level:05d}.mp3", os.O_WRONLY | os.O_CREAT, dir_fd=at))
    below = os.open("d", os.O_RDONLY | os.O_DIRECTORY, dir_fd=at)
    os.close(at)
    at = below
os.close(at)
PY
}

if [ "${1:-}" = --deep ]; then
  levels="${2:-10000}"
  scratch_cli cw-memory-deep
  deep_peak() {
    # Files whose paths are too long fail, and the exit status says so: only a crash counts.
    /usr/bin/time -f "%M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || [ $? -le 2 ] || { cat "$work/err"; exit 1; }
    tail -n 1 "$work/time"
  }
  make_deep_tree "$work/tree" "$levels"
  rm -rf "$work/app/undo" "$work/app/braxen.idx"
  preview="$(deep_peak "$cli" preview --recurse --case upper "$work/tree")"
  rename="$(deep_peak "$cli" rename --recurse --case upper "$work/tree")"
  name="$("$cli" undo list 2>/dev/null | cut -f1)"
  undo="$(deep_peak "$cli" undo run "$name")"
  echo "a tree $levels folders deep, one file a folder: peak MB"
  python3 - "$preview" "$rename" "$undo" <<'PY'
import sys
for mode, kb in zip(["preview", "rename", "undo-run"], sys.argv[1:]):
    print(f"{mode:18}{int(kb) / 1024:12.1f}")
PY
  exit 0
fi

count="${1:-1000000}"
scratch_cli cw-memory
filters=(--underscores --case mixed --number 1 99 "Track %s " "%s. ")

# peak COUNT COMMAND...: the peak memory (KB) of one run on COUNT fresh files.
peak() {
  local n="$1"; shift
  make_files "$work/music" "$n"
  rm -rf "$work/app/undo" "$work/app/braxen.idx"
  /usr/bin/time -f "%M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
  cat "$work/time"
}

# undo_peak COUNT: the peak memory (KB) of the undo of a run on COUNT fresh files.
undo_peak() {
  make_files "$work/music" "$1"
  rm -rf "$work/app/undo" "$work/app/braxen.idx"
  "$cli" rename "${filters[@]}" "$work/music" >/dev/null
  local name
  name="$("$cli" undo list 2>/dev/null | cut -f1)"
  /usr/bin/time -f "%M" -o "$work/time" "$cli" undo run "$name" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
  cat "$work/time"
}

names="$(python3 - <<'PY'
artists = ["Artist_Name", "The_Band", "Some_Singer", "Orchestra_X"]
old = [f"{artists[i % 4]}_{i // 99:05d}_-_Track_{i % 99 + 1:02d}_title.mp3" for i in range(1000)]
print(sum(2 * len(n) - 5 for n in old) / len(old))  # the new name is 5 bytes shorter
PY
)"
echo "$count files; the old and the new name of a file take $names bytes on average"
printf '%-18s%12s%16s%20s\n' "" "peak MB" "bytes per file" "beyond the names"
for mode in undo no-undo undo-run preview; do
  case "$mode" in
    undo-run) command=() ;;
    undo) command=("$cli" rename "${filters[@]}" "$work/music") ;;
    no-undo) command=("$cli" rename --no-undo "${filters[@]}" "$work/music") ;;
    preview) command=("$cli" preview "${filters[@]}" "$work/music") ;;
  esac
  if [ "$mode" = undo-run ]; then
    small="$(undo_peak 1000)"
    big="$(undo_peak "$count")"
  else
    small="$(peak 1000 "${command[@]}")"
    big="$(peak "$count" "${command[@]}")"
  fi
  python3 - "$mode" "$count" "$small" "$big" "$names" <<'PY'
import sys
mode, n, small, big, names = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), float(sys.argv[5])
per_file = (big - small) * 1024 / (n - 1000)
if mode == "undo-run":  # holds no name of its own: a batch of entries whatever their number
    print(f"{mode:18}{big / 1024:12.1f}{'-':>16}{'-':>20}")
else:
    print(f"{mode:18}{big / 1024:12.1f}{per_file:16.0f}{per_file - names:20.0f}")
PY
done
