#!/usr/bin/env bash
# Power cuts at the block level: a rename of many files on an ext4 file system on a loop device is
# frozen at a random moment and the device's backing file copied, which is what the disk held had
# the power gone then. The copy is mounted where the original was, the program recovers the
# run's journal and undoes it, and every file must have its first name again: a move that reached
# the disk without its record would keep its new name. Every other copy is attached to another
# loop device than the run's, so its files answer with another device number. Needs root (loop devices, mount); skipped
# elsewhere.
# With "folders" the run organises: tagged files (ID3v1) in two folders, one nested, with lyrics
# beside some and a cover in each, are moved into Artist/Album/ folders made from their tags, and
# the emptied folders removed. After the cut and the undo the whole tree, every folder and every
# file's bytes, must be what it was.
set -euo pipefail
cli="$1"
mode="${2:-files}"
cuts="${CUTS:-4}"
files="${FILES:-20000}"
skip=77

[ "$(id -u)" = 0 ] || { echo "power cut test: not root, skipped"; exit $skip; }
work="$(mktemp -d)"
mnt="$work/mnt"
mkdir -p "$mnt"
cleanup() {
    [ -n "${pid:-}" ] && kill -KILL "$pid" 2>/dev/null || true
    umount "$mnt" 2>/dev/null || true
    [ -n "${spacer:-}" ] && losetup -d "$spacer" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

truncate -s 256M "$work/pristine.img"
mkfs.ext4 -q "$work/pristine.img"
mount -o loop "$work/pristine.img" "$mnt" 2>/dev/null || { echo "power cut test: cannot mount, skipped"; exit $skip; }
mkdir "$mnt/music" "$mnt/data"
if [ "$mode" = folders ]; then
    python3 - "$mnt/music" "$files" <<'PY'
import os, sys
root, n = sys.argv[1], int(sys.argv[2])
def slot(text, width):
    return text.encode()[:width].ljust(width, b"\0")
for folder in ("old", os.path.join("older", "cd")):
    os.makedirs(os.path.join(root, folder))
    with open(os.path.join(root, folder, "cover.jpg"), "w") as f:
        f.write("cover of " + folder)
for i in range(n):
    folder = os.path.join(root, "old" if i % 2 else os.path.join("older", "cd"))
    tag = b"TAG" + slot(f"Title {i}", 30) + slot(f"Artist {i % 7}", 30) + slot(f"Album {i % 3}", 30) + bytes(34) + b"\x0c"
    with open(os.path.join(folder, f"track {i}.mp3"), "wb") as f:
        f.write(b"\xff\xfb\x90\x00" + str(i).encode() + tag)
    if i % 5 == 0:
        with open(os.path.join(folder, f"track {i}.lrc"), "w") as f:
            f.write(f"lyrics {i}")
PY
    run=(rename -r -p '*.mp3' --id3 '%1\%3\%2' --folders "$mnt/music")
else
    (cd "$mnt/music" && seq 1 "$files" | sed 's/.*/track &.mp3/' | xargs -d '\n' touch)
    run=(rename --append "" " (cut)" "$mnt/music")
fi
# Every folder and file under music, with each file's checksum.
tree() { (cd "$mnt/music" && find . -printf '%y %p\n' -type f -exec md5sum {} + | sort); }
tree >"$work/before"
umount "$mnt"

# The run's file system is mounted with data=writeback, so that ext4 itself orders no file's data
# before the renames (the program's own order is what is tested), and commit=1, so that renames
# reach the disk within a run of a few seconds.
# How long a whole run takes here, so that the cuts fall inside one.
cp --sparse=always "$work/pristine.img" "$work/disk.img"
mount -o loop,data=writeback,commit=1 "$work/disk.img" "$mnt"
start=$(date +%s%N)
"$cli" --data-dir "$mnt/data" "${run[@]}" >/dev/null 2>&1
whole_ms=$(( ($(date +%s%N) - start) / 1000000 ))
umount "$mnt"

failed=0
for cut in $(seq 1 "$cuts"); do
    cp --sparse=always "$work/pristine.img" "$work/disk.img"
    mount -o loop,data=writeback,commit=1 "$work/disk.img" "$mnt"
    "$cli" --data-dir "$mnt/data" "${run[@]}" >/dev/null 2>&1 &
    pid=$!
    # Somewhere in the run.
    at_ms=$(( whole_ms * (RANDOM % 90 + 5) / 100 ))
    sleep "$((at_ms / 1000)).$(printf %03d $((at_ms % 1000)))"
    if ! kill -STOP "$pid" 2>/dev/null; then
        echo "cut $cut: the run had ended before the cut"
    fi
    # Stopped, the program issues nothing more; what the system still writes back was issued
    # before, so the copy is a state the disk could have been in at the moment of the cut.
    cp --sparse=always "$work/disk.img" "$work/cut.img"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
    umount "$mnt"
    # Every other cut, the disk comes back on another loop device, so under another device
    # number, as a USB disk plugged in again does: a spacer takes the device the run had.
    spacer=
    if [ $((cut % 2)) = 0 ]; then spacer="$(losetup -f --show "$work/pristine.img")"; fi
    mount -o loop "$work/cut.img" "$mnt"
    renamed_before=$(find "$mnt/music" -name '* (cut).mp3' -o -path "$mnt/music/Artist */*" -type f | wc -l)
    "$cli" --data-dir "$mnt/data" undo list >"$work/list" 2>/dev/null || true
    for name in $(cut -f1 "$work/list"); do
        "$cli" --data-dir "$mnt/data" undo run "$name" >/dev/null 2>&1 || true
    done
    left=$(find "$mnt/music" -name '* (cut).mp3' | wc -l)
    total=$(find "$mnt/music" -type f | wc -l)
    echo "cut $cut at ${at_ms} of ${whole_ms} ms${spacer:+ (back on another device)}: $renamed_before renamed on the disk at the cut, $left without a record, $total files"
    if [ "$left" != 0 ] || { [ "$mode" = files ] && [ "$total" != "$files" ]; }; then failed=1; fi
    if ! tree | cmp -s - "$work/before"; then
        echo "cut $cut: the tree is not what it was:"; tree | diff "$work/before" - | head -20
        failed=1
    fi
    umount "$mnt"
    if [ -n "$spacer" ]; then losetup -d "$spacer"; fi
done
exit $failed
