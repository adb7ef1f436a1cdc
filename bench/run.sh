#!/usr/bin/env bash
# Rename benchmark: N files (default 100000) named like Artist_Name_-_Track_07_title.mp3, renamed
# by calderwynstrope-cli with three filters (underscores, mixed case, Number Replace 1..99), with
# undo on as users run it and with --no-undo, by the floor (bench/floor.c: list the folder, one
# status call per listed file, rename each with the same no-overwrite call; once in the folder's
# own order and once in name order, the program's) and by a peer doing the same job (Debian's
# Perl `rename`). The files live on /dev/shm where there is one, so the file system's own cost
# does not hide ours. Prints wall time, files per second, peak memory and ratios. Then names
# TAGGED MP3s (default 10000, with ID3v2.3 and ID3v1 tags) from their tags, against the tag floor
# (bench/tag_floor.c: open each file, read its first 4 KB and last 128 bytes, rename it). Each
# program but the peer runs ROUNDS times (default 5), the rounds taking turns so that a spell of
# load from elsewhere hits them alike, and the best wall time of each counts: on a shared machine
# a single run says as much about the neighbours as about us. Last, the same rename with undo on
# and the floor with the files and the undo records on the real disk (DISK_DIR, default
# build/bench-disk), where the journal's syncs cost what a disk's do.
# Then REGEX names (default 10000) renamed by a regular expression with two capture groups
# against the literal Replace.
#   [ROUNDS=R] [DISK_DIR=D] bench/run.sh [N [TAGGED [REGEX]]]
set -euo pipefail
cd "$(dirname "$0")/.."
count="${1:-100000}"
tagged="${2:-10000}"
rounds="${ROUNDS:-5}"

source bench/files.sh
scratch_cli cw-bench
cc -O2 -o "$work/floor" bench/floor.c
cc -O2 -o "$work/tag_floor" bench/tag_floor.c

# run LABEL COMMAND...: prints "seconds peak_kb" of one run, on a fresh copy of the files.
measure() {
  local folder="$1"; shift
  make_files "$folder" "$count"
  sync
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
  cat "$work/time"
}

# best "SECONDS KB" "SECONDS KB": the shorter time and the larger peak of the two.
best() {
  python3 -c "import sys; a, b = sys.argv[1].split(), sys.argv[2].split(); print(min(float(a[0]), float(b[0])), max(int(a[1]), int(b[1])))" "$1" "$2"
}

folder="$work/music"
floor_best="1e9 0"; sorted_best="1e9 0"; identity_best="1e9 0"; undo_best="1e9 0"; cli_best="1e9 0"
for ((round = 0; round < rounds; round++)); do
  floor_best="$(best "$floor_best" "$(measure "$folder" "$work/floor" "$folder")")"
  sorted_best="$(best "$sorted_best" "$(measure "$folder" "$work/floor" --name-order "$folder")")"
  identity_best="$(best "$identity_best" "$(measure "$folder" "$work/floor" --identity "$folder")")"
  undo_best="$(best "$undo_best" "$(measure "$folder" "$cli" rename --underscores --case mixed \
    --number 1 99 "Track %s " "%s. " "$folder")")"
  cli_best="$(best "$cli_best" "$(measure "$folder" "$cli" rename --no-undo --underscores --case mixed \
    --number 1 99 "Track %s " "%s. " "$folder")")"
done
read -r floor_s floor_kb <<<"$floor_best"
read -r sorted_s _ <<<"$sorted_best"
read -r identity_s _ <<<"$identity_best"
read -r undo_s undo_kb <<<"$undo_best"
read -r cli_s cli_kb <<<"$cli_best"
read -r peer_s peer_kb < <(measure "$folder" sh -c \
  "cd '$folder' && find . -maxdepth 1 -type f -print0 | xargs -0 rename 's/_/ /g; s/(\\w+)/\\u\\L\$1/g; s/Track (\\d\\d) /\$1. /'")
# Memory per file: the same run on a small folder gives the fixed cost.
small="$work/small"
make_files "$small" 1000
/usr/bin/time -f "%M" -o "$work/time" "$cli" rename --no-undo --underscores "$small" >/dev/null
small_kb="$(cat "$work/time")"

python3 - "$count" "$floor_s" "$floor_kb" "$cli_s" "$cli_kb" "$peer_s" "$peer_kb" "$small_kb" "$undo_s" "$undo_kb" "$sorted_s" "$identity_s" <<'PY'
import sys
n, fs, fk, cs, ck, ps, pk, sk, us, uk, ss, ids = sys.argv[1:]
n = int(n); fs, cs, ps, us, ss, ids = float(fs), float(cs), float(ps), float(us), float(ss), float(ids)
def rate(s): return f"{n / s:,.0f}" if s > 0 else "inf"
print(f"{n} files, best of {__import__('os').environ.get('ROUNDS', '5')} runs each (the peer: one)")
print(f"{'':22}{'seconds':>9}{'files/s':>12}{'peak MB':>9}")
print(f"{'floor (C, no filters)':22}{fs:9.2f}{rate(fs):>12}{int(fk)/1024:9.1f}")
print(f"{'  the same, name order':22}{ss:9.2f}{rate(ss):>12}")
print(f"{'  + identity per move':22}{ids:9.2f}{rate(ids):>12}")
print(f"{'cli, undo on':22}{us:9.2f}{rate(us):>12}{int(uk)/1024:9.1f}")
print(f"{'cli, --no-undo':22}{cs:9.2f}{rate(cs):>12}{int(ck)/1024:9.1f}")
print(f"{'peer (perl rename)':22}{ps:9.2f}{rate(ps):>12}{int(pk)/1024:9.1f}")
print(f"ratio to the floor: undo on {us / fs:.2f}x (goal 1.5x), --no-undo {cs / fs:.2f}x (goal 1.25x)")
print(f"ratio to the floor renaming in name order, as the program does: undo on {us / ss:.2f}x, --no-undo {cs / ss:.2f}x")
print(f"ratio to the floor that also takes each file's identity at its move, as undo must: undo on {us / ids:.2f}x")
print(f"ratio to the peer: undo on {us / ps:.2f}x, --no-undo {cs / ps:.2f}x (goal: below 1x)")
per_file = (int(ck) - int(sk)) * 1024 / (n - 1000)
print(f"memory per file (peak growth over a 1,000-file run): {per_file:.0f} bytes, names included")
PY

# Tagged MP3s: an ID3v2.3 tag (title, artist, album, track), two MPEG frames, an ID3v1 tag.
make_tagged() {  # folder count
  mkdir -p "$1"
  python3 - "$1" "$2" <<'PY'
import os, struct, sys
folder, n = sys.argv[1], int(sys.argv[2])
def frame(fid, text):
    body = b"\x00" + text.encode("latin-1")
    return fid + struct.pack(">I", len(body)) + b"\x00\x00" + body
def syncsafe(v):
    return bytes([(v >> 21) & 0x7F, (v >> 14) & 0x7F, (v >> 7) & 0x7F, v & 0x7F])
audio = (b"\xff\xfb\x90\x00" + bytes(413)) * 2
for i in range(n):
    title, artist = f"Song {i:05d}", ["Artist Name", "The Band", "Some Singer", "Orchestra X"][i % 4]
    frames = (frame(b"TIT2", title) + frame(b"TPE1", artist) + frame(b"TALB", "Album") +
              frame(b"TRCK", f"{i % 12 + 1}/12")) + bytes(256)
    v2 = b"ID3\x03\x00\x00" + syncsafe(len(frames)) + frames
    v1 = b"TAG" + title.encode().ljust(30, b"\0") + artist.encode().ljust(30, b"\0") + bytes(64) + b"\x0c"
    with open(os.path.join(folder, f"track{i:05d}.mp3"), "wb") as f:
        f.write(v2 + audio + v1)
PY
}
# Prints "seconds cpu_seconds peak_kb"; CPU time (user + system) says more than wall time on a
# machine shared with other work.
measure_tagged() {
  local folder="$1"; shift
  rm -rf "$folder"; make_tagged "$folder" "$tagged"
  sync
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
  read -r e u s m <"$work/time"
  echo "$e $(python3 -c "print($u + $s)") $m"
}
# The run with the best wall time of the two "SECONDS CPU KB".
best_tagged() {
  python3 -c "import sys; print(min(sys.argv[1:], key=lambda r: float(r.split()[0])))" "$1" "$2"
}
tfloor_best="1e9 0 0"; tcli_best="1e9 0 0"
for ((round = 0; round < rounds; round++)); do
  tfloor_best="$(best_tagged "$tfloor_best" "$(measure_tagged "$folder" "$work/tag_floor" "$folder")")"
  tcli_best="$(best_tagged "$tcli_best" "$(measure_tagged "$folder" "$cli" rename --no-undo --id3 "%7 %1 - %2" "$folder")")"
done
read -r tfloor_s tfloor_cpu tfloor_kb <<<"$tfloor_best"
read -r tcli_s tcli_cpu tcli_kb <<<"$tcli_best"
python3 - "$tagged" "$tfloor_s" "$tfloor_cpu" "$tfloor_kb" "$tcli_s" "$tcli_cpu" "$tcli_kb" <<'PY'
import sys
n, fs, fc, fk, cs, cc, ck = sys.argv[1:]
n = int(n); fs, fc, cs, cc = float(fs), float(fc), float(cs), float(cc)
def rate(s): return f"{n / s:,.0f}" if s > 0 else "inf"
print(f"\n{n} tagged MP3s named from their tags, best of {__import__('os').environ.get('ROUNDS', '5')} runs each")
print(f"{'':22}{'seconds':>9}{'CPU s':>8}{'files/s':>12}{'peak MB':>9}")
print(f"{'tag floor (C)':22}{fs:9.2f}{fc:8.2f}{rate(fs):>12}{int(fk)/1024:9.1f}")
print(f"{'calderwynstrope-cli':22}{cs:9.2f}{cc:8.2f}{rate(cs):>12}{int(ck)/1024:9.1f}")
def ratio(a, b): return f"{a / b:.2f}x" if b > 0 else "n/a (too few files to time)"
print(f"ratio to the tag floor: {ratio(cs, fs)} wall, {ratio(cc, fc)} CPU")
PY

# Regular expressions: REGEX names (default 10000) renamed by a pattern with two groups, against
# the literal Replace on the same names; both --no-undo, so the difference is the matching.
regex_count="${3:-10000}"
measure_n() {  # count folder command...
  local n="$1"; shift
  local folder="$1"; shift
  make_files "$folder" "$n"
  sync
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
  read -r e u s <"$work/time"
  echo "$e $(python3 -c "print($u + $s)")"
}
literal_best="1e9 0"; regex_best="1e9 0"
for ((round = 0; round < rounds; round++)); do
  literal_best="$(best_tagged "$literal_best" "$(measure_n "$regex_count" "$folder" "$cli" rename --no-undo \
    --replace "_-_Track_" " " "$folder")")"
  regex_best="$(best_tagged "$regex_best" "$(measure_n "$regex_count" "$folder" "$cli" rename --no-undo \
    --replace '(\w+)_-_Track_(\d+)' '$2 $1' --regex "$folder")")"
done
python3 - "$regex_count" $literal_best $regex_best <<'PY'
import sys
n = int(sys.argv[1]); ls, lc, rs, rc = map(float, sys.argv[2:])
print(f"\n{n} names, best of {__import__('os').environ.get('ROUNDS', '5')} runs each (--no-undo)")
print(f"{'':40}{'seconds':>9}{'CPU s':>8}")
literal, pattern = "--replace _-_Track_ (literal)", "--replace (\\w+)_-_Track_(\\d+) --regex"
print(f"{literal:40}{ls:9.2f}{lc:8.2f}")
print(f"{pattern:40}{rs:9.2f}{rc:8.2f}")
print(f"regex to literal: {rs / ls:.2f}x wall, {rc / lc:.2f}x CPU" if ls > 0 and lc > 0 else "too few names to time")
PY

# The real disk: files and undo records on it, so every sync of the journal reaches a device.
disk="${DISK_DIR:-$PWD/build/bench-disk}"
mkdir -p "$disk"
disk_work="$(mktemp -d "$disk/cw-bench.XXXXXX")"
trap 'rm -rf "$work" "$disk_work"' EXIT
dfloor_best="1e9 0"; dundo_best="1e9 0"
for ((round = 0; round < rounds; round++)); do
  dfloor_best="$(best "$dfloor_best" "$(measure "$disk_work/music" "$work/floor" --name-order "$disk_work/music")")"
  dundo_best="$(best "$dundo_best" "$(measure "$disk_work/music" "$cli" --data-dir "$disk_work/data" rename \
    --underscores --case mixed --number 1 99 "Track %s " "%s. " "$disk_work/music")")"
done
read -r dfloor_s _ <<<"$dfloor_best"
read -r dundo_s _ <<<"$dundo_best"
python3 -c "import sys; f, u = float(sys.argv[1]), float(sys.argv[2]); print(f'real disk ({sys.argv[3]}): floor in name order {f:.2f} s, undo on {u:.2f} s, ratio {u / f:.2f}x (goal 1.3x)')" \
  "$dfloor_s" "$dundo_s" "$disk"
