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

# make_albums FOLDER ARTISTS ALBUMS TRACKS: ARTISTS x ALBUMS x TRACKS tagged MP3s in a fresh flat
# FOLDER, named like a042_b07_t03.mp3, each with an ID3v2.3 tag (title, artist, album, year,
# track), two MPEG frames and the same texts in an ID3v1.1 tag: artist "Artist 042", album
# "Album 42-07" of 1977, track 3 "Title 42-07-03".
make_albums() {
  rm -rf "$1"; mkdir -p "$1"
  python3 - "$@" <<'PY'
import os, struct, sys
folder, artists, albums, tracks = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
def frame(fid, text):
    body = b"\x00" + text.encode("latin-1")
    return fid + struct.pack(">I", len(body)) + b"\x00\x00" + body
def syncsafe(v):
    return bytes([(v >> 21) & 0x7F, (v >> 14) & 0x7F, (v >> 7) & 0x7F, v & 0x7F])
def slot(text, width):
    return text.encode("latin-1")[:width].ljust(width, b"\0")
audio = (b"\xff\xfb\x90\x00" + bytes(413)) * 2
for a in range(artists):
    for b in range(albums):
        for t in range(1, tracks + 1):
            artist, album, year = f"Artist {a:03d}", f"Album {a:02d}-{b:02d}", str(1970 + b)
            title = f"Title {a:02d}-{b:02d}-{t:02d}"
            frames = (frame(b"TIT2", title) + frame(b"TPE1", artist) + frame(b"TALB", album) +
                      frame(b"TYER", year) + frame(b"TRCK", f"{t}/{tracks}")) + bytes(256)
            v2 = b"ID3\x03\x00\x00" + syncsafe(len(frames)) + frames
            v1 = (b"TAG" + slot(title, 30) + slot(artist, 30) + slot(album, 30) + slot(year, 4) + bytes(28) +
                  b"\0" + bytes([t]) + b"\x0c")
            with open(os.path.join(folder, f"a{a:03d}_b{b:02d}_t{t:02d}.mp3"), "wb") as f:
                f.write(v2 + audio + v1)
PY
}
