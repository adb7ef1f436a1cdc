#!/usr/bin/env bash
# The renamers people use instead, side by side on one job: N files (default 100,000, on /dev/shm)
# named like Artist_Name_00012_-_Track_07_title.mp3 get " - " for "_-_". The floor
# (bench/floor.c: list, one status a file, the no-overwrite rename of each), calderwynstrope-cli
# with undo on and with --no-undo, Debian's Perl `rename` and `mmv`. Every program runs ROUNDS
# times (default 5), the rounds taking turns so that a spell of load from elsewhere hits them
# alike, and the best wall time of each counts. Prints the times and each one's ratio to the
# floor, measured in the same run.
#   [ROUNDS=R] bench/peers.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
count="${1:-100000}"
rounds="${ROUNDS:-5}"

source bench/files.sh
scratch_cli cw-peers
cc -O2 -o "$work/floor" bench/floor.c
folder="$work/music"

# seconds COMMAND...: the wall time of one run on a fresh copy of the files, checked: every file
# must have its new name afterwards.
seconds() {
  make_files "$folder" "$count"
  sync
  /usr/bin/time -f "%e" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
  local left
  left="$(find "$folder" -maxdepth 1 -name '*_-_*' | wc -l)"
  [ "$1" = "$work/floor" ] || [ "$left" -eq 0 ] || { echo "$* left $left files unrenamed" >&2; exit 1; }
  cat "$work/time"
}

declare -A best
jobs=(floor undo no-undo perl-rename mmv)
for job in "${jobs[@]}"; do best[$job]=1e9; done
for ((round = 0; round < rounds; round++)); do
  for job in "${jobs[@]}"; do
    case "$job" in
      floor) s="$(seconds "$work/floor" "$folder")" ;;
      undo) s="$(seconds "$cli" rename --replace "_-_" " - " "$folder")" ;;
      no-undo) s="$(seconds "$cli" rename --no-undo --replace "_-_" " - " "$folder")" ;;
      perl-rename) s="$(seconds sh -c "cd '$folder' && find . -maxdepth 1 -type f -print0 | xargs -0 rename 's/_-_/ - /'")" ;;
      mmv) s="$(seconds sh -c "cd '$folder' && mmv -r '*_-_*' '#1 - #2'")" ;;
    esac
    best[$job]="$(python3 -c "print(min(float('${best[$job]}'), float('$s')))")"
  done
done

python3 - "$count" "$rounds" "${best[floor]}" "${best[undo]}" "${best[no-undo]}" "${best[perl-rename]}" "${best[mmv]}" <<'PY'
import sys
n, rounds = int(sys.argv[1]), sys.argv[2]
floor, undo, no_undo, perl, mmv = map(float, sys.argv[3:])
print(f'{n} files, "_-_" to " - ", best of {rounds} runs each, taking turns')
print(f"{'':28}{'seconds':>9}{'files/s':>12}{'x floor':>9}")
for label, s in [("floor (C)", floor), ("calderwynstrope-cli, undo", undo), ("calderwynstrope-cli, no undo", no_undo),
                 ("Perl rename", perl), ("mmv", mmv)]:
    print(f"{label:28}{s:9.2f}{n / s if s else 0:12,.0f}{s / floor:9.2f}")
print(f"goal: undo at most 1.3x the floor ({undo / floor:.2f}x) and faster than both peers "
      f"({'yes' if undo < min(perl, mmv) else 'no'})")
PY
