# Sourced by the benchmarks: the files they rename.

# make_files FOLDER COUNT: COUNT empty files named like Artist_Name_00012_-_Track_07_title.mp3 in
# a fresh FOLDER.
make_files() {
  rm -rf "$1"; mkdir -p "$1"
  python3 - "$1" "$2" <<'PY'
import os, sys
folder, n = sys.argv[1], int(sys.argv[2])
artists = ["Artist_Name", "The_Band", "Some_Singer", "Orchestra_X"]
for i in range(n):
    name = f"{artists[i % 4]}_{i // 99:05d}_-_Track_{i % 99 + 1:02d}_title.mp3"
    open(os.path.join(folder, name), "w").close()
PY
}

# scratch_cli NAME: builds the release command line, makes a scratch folder NAME.XXXXXX on /dev/shm
# (or $TMPDIR) that goes when the script ends, and puts a portable copy of the program in it, so
# that the settings and undo records of its runs land there too. Sets work and cli.
scratch_cli() {
  scripts/setup.sh
  cmake --preset native-release >/dev/null
  cmake --build --preset native-release --target calderwynstrope-cli >/dev/null
  local shm=/dev/shm
  [ -d "$shm" ] && [ -w "$shm" ] || shm="${TMPDIR:-/tmp}"
  work="$(mktemp -d "$shm/$1.XXXXXX")"
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/app"
  cp build/native-release/bin/calderwynstrope-cli "$work/app/"
  touch "$work/app/portable"
  cli="$work/app/calderwynstrope-cli"
}
