#!/usr/bin/env bash
# Power cuts at the block level: a rename of many files on an ext4 file system on a loop device is
# frozen at a random moment and the device's backing file copied, which is what the disk held had
# the power gone then. The copy is mounted where the original was, the program recovers the
# run's journal and undoes it, and every file must have its first name again: a move that reached
# the disk without its record would keep its new name. Every other copy is attached to another
# loop device than the run's, so its files answer with another device number. Needs root (loop devices, mount); skipped
# elsewhere.
set -euo pipefail
cli="$1"
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
(cd "$mnt/music" && seq 1 "$files" | sed 's/.*/track &.mp3/' | xargs -d '\n' touch)
umount "$mnt"

# The run's file system is mounted with data=writeback, so that ext4 itself orders no file's data
# before the renames (the program's own order is what is tested), and commit=1, so that renames
# reach the disk within a run of a few seconds.
# How long a whole run takes here, so that the cuts fall inside one.
cp --sparse=always "$work/pristine.img" "$work/disk.img"
mount -o loop,data=writeback,commit=1 "$work/disk.img" "$mnt"
start=$(date +%s%N)
"$cli" --data-dir "$mnt/data" rename --append "" " (cut)" "$mnt/music" >/dev/null 2>&1
whole_ms=$(( ($(date +%s%N) - start) / 1000000 ))
umount "$mnt"

failed=0
for cut in $(seq 1 "$cuts"); do
    cp --sparse=always "$work/pristine.img" "$work/disk.img"
    mount -o loop,data=writeback,commit=1 "$work/disk.img" "$mnt"
    "$cli" --data-dir "$mnt/data" rename --append "" " (cut)" "$mnt/music" >/dev/null 2>&1 &
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
    renamed_before=$(find "$mnt/music" -name '* (cut).mp3' | wc -l)
    "$cli" --data-dir "$mnt/data" undo list >"$work/list" 2>/dev/null || true
    for name in $(cut -f1 "$work/list"); do
        "$cli" --data-dir "$mnt/data" undo run "$name" >/dev/null 2>&1 || true
    done
    left=$(find "$mnt/music" -name '* (cut).mp3' | wc -l)
    total=$(find "$mnt/music" -type f | wc -l)
    echo "cut $cut at ${at_ms} of ${whole_ms} ms${spacer:+ (back on another device)}: $renamed_before renamed on the disk at the cut, $left without a record, $total files"
    if [ "$left" != 0 ] || [ "$total" != "$files" ]; then failed=1; fi
    umount "$mnt"
    if [ -n "$spacer" ]; then losetup -d "$spacer"; fi
done
exit $failed
