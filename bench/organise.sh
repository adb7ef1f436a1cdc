#!/usr/bin/env bash
# Organising a collection: ARTISTS x ALBUMS x TRACKS tagged MP3s (default 100 x 10 x 10, 10,000
# files) in one flat folder on /dev/shm, moved by calderwynstrope-cli into Artist/Album (Year)/
# folders from their tags (`--id3 '%9\%3 (%4)\%7 - %2' --folders`: 100 artist folders and 1,000
# album folders made), with undo on as users run it and with --no-undo, and the undo of the run
# with undo on. Against the floor (bench/organise_floor.c): the same mkdir and rename calls and
# nothing else, the names taken from the files' own names; and the floor that also reads each
# file's tags (--tags: opens it, reads its first 4 KB and its last 128 bytes). Every program runs
# ROUNDS times (default 7), the rounds taking turns on fresh copies of the files, and each run is
# checked to have put every file in its album's folder (the undo: back in the flat folder, no
# folder left). Prints the best and the median wall time of each, their ratios to the floors,
# and the load average before and after: this 2-core machine is shared.
#   [ROUNDS=R] bench/organise.sh [ARTISTS [ALBUMS [TRACKS]]]
set -euo pipefail
cd "$(dirname "$0")/.."
artists="${1:-100}"
albums="${2:-10}"
tracks="${3:-10}"
rounds="${ROUNDS:-7}"
files=$((artists * albums * tracks))
folders=$((artists + artists * albums))

source bench/files.sh
scratch_cli cw-organise
cc -O2 -o "$work/floor" bench/organise_floor.c
pristine="$work/pristine"
folder="$work/music"
make_albums "$pristine" "$artists" "$albums" "$tracks"
format='%9\%3 (%4)\%7 - %2'

# organised: every file in an album folder two levels down and the folders the run makes, or
# (with "flat") every file back in the folder and no folder.
check() {
  local deep made top
  deep="$(find "$folder" -mindepth 3 -maxdepth 3 -type f -name '*.mp3' | wc -l)"
  made="$(find "$folder" -mindepth 1 -type d | wc -l)"
  top="$(find "$folder" -maxdepth 1 -type f | wc -l)"
  if [ "$1" = flat ]; then
    [ "$top" -eq "$files" ] && [ "$made" -eq 0 ] || { echo "undo left $top of $files files and $made folders" >&2; exit 1; }
  else
    [ "$deep" -eq "$files" ] && [ "$made" -eq "$folders" ] && [ "$top" -eq 0 ] ||
      { echo "$2: $deep of $files files organised, $made of $folders folders, $top left" >&2; exit 1; }
  fi
}
# timed COMMAND...: the wall time of one run in seconds, to the microsecond (/usr/bin/time gives
# hundredths, a fifth of the floor's time here).
timed() {
  local start end
  start="$(date +%s%N)"
  "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  end="$(date +%s%N)"
  printf '%d.%06d\n' $(((end - start) / 1000000000)) $((((end - start) % 1000000000) / 1000))
}
# seconds COMMAND...: the wall time of one run on a fresh copy of the files, checked.
seconds() {
  rm -rf "$folder"; cp -a "$pristine" "$folder"
  sync
  timed "$@"
  check organised "$*"
}

declare -A times
jobs=(floor floor-tags no-undo undo undo-run)  # the undo right after the run it undoes
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
for ((round = 0; round < rounds; round++)); do
  for job in "${jobs[@]}"; do
    case "$job" in
      floor) s="$(seconds "$work/floor" "$folder")" ;;
      floor-tags) s="$(seconds "$work/floor" --tags "$folder")" ;;
      undo) s="$(seconds "$cli" rename -p '*.mp3' --id3 "$format" --folders "$folder")" ;;
      no-undo) s="$(seconds "$cli" rename --no-undo -p '*.mp3' --id3 "$format" --folders "$folder")" ;;
      undo-run)
        # The run with undo on just made, undone: its record is the newest.
        name="$("$cli" undo list 2>/dev/null | head -n 1 | cut -f1)"
        s="$(timed "$cli" undo run "$name")"
        check flat
        ;;
    esac
    times[$job]+="$s "
  done
done
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$files" "$folders" "$rounds" "$load_before" "$load_after" "${times[floor]}" "${times[floor-tags]}" \
  "${times[undo]}" "${times[no-undo]}" "${times[undo-run]}" <<'PY'
import statistics, sys
files, folders, rounds, before, after = sys.argv[1:6]
runs = [list(map(float, t.split())) for t in sys.argv[6:]]
labels = ["floor (mkdir + rename)", "floor reading the tags", "cli, undo on", "cli, --no-undo", "undo of the run"]
# A run too small to time counts as a millisecond.
best = [max(min(r), 0.001) for r in runs]
median = [max(statistics.median(r), 0.001) for r in runs]
print(f"{int(files):,} tagged files into {int(folders):,} folders, {rounds} runs each, taking turns")
print(f"{'':24}{'best s':>8}{'median s':>10}{'x floor':>9}{'x tag floor':>13}")
for label, b, m in zip(labels, best, median):
    print(f"{label:24}{b:8.3f}{m:10.3f}{b / best[0]:9.2f}{b / best[1]:13.2f}")
print("ratios of the medians to the floor's median: " +
      ", ".join(f"{label} {m / median[0]:.2f}x" for label, m in zip(labels[1:], median[1:])))
print(f"load average before {before}, after {after}")
PY
