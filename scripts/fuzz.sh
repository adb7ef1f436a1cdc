#!/usr/bin/env bash
# Fuzzes the readers of the program's files with libFuzzer (clang, AddressSanitizer,
# UndefinedBehaviorSanitizer).
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default 600 seconds for every target, one after another
#   scripts/fuzz.sh 0 [TARGET...]             no fuzzing: only minimise the committed corpora
# Targets: filter_file, undo_database, undo_index, settings, journal, id3v2_tag (tests/fuzz/CMakeLists.txt).
# Each starts from its committed corpus; then tests/fuzz/corpus/TARGET, which every regular test run
# replays, is rebuilt as the smallest set libFuzzer's merge finds that covers what the old corpus
# and the new inputs cover together. Inputs with a name of words rather than a hash are kept
# whatever the merge says (see tests/fuzz/corpus/README.md). A crash, sanitizer report,
# hang (over 10 s for one input) or broken invariant stops the run and leaves the input as
# build/fuzz/crash-* (or leak-*, timeout-*).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(filter_file undo_database undo_index settings journal id3v2_tag)

scripts/setup.sh
# Targets write their scratch files to the temporary folder and sync them; in memory that costs
# nothing.
[ -d /dev/shm ] && export TMPDIR="${TMPDIR:-/dev/shm}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]/%/_fuzzer}"

for target in "${targets[@]}"; do
  corpus=tests/fuzz/corpus/$target
  work=build/fuzz/corpus-work/$target
  mkdir -p "$work"
  cp -n "$corpus"/* "$work"/ 2>/dev/null || true
  rm -f "$work/README.md"
  if [ "$seconds" -gt 0 ]; then
    (cd build/fuzz && "./bin/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 "../../$work")
  fi
  # The named seeds go first, so the merge counts what they cover and adds only what they miss.
  # Edges alone count, not how often each runs: a replay needs every branch once, and counting
  # hit counts kept ten times the inputs for the same branches.
  minimal=build/fuzz/corpus-minimal/$target
  rm -rf "$minimal" && mkdir -p "$minimal"
  find "$corpus" -maxdepth 1 -type f -regextype posix-extended ! -regex '.*/[0-9a-f]{40}' ! -name README.md -exec cp {} "$minimal"/ \;
  "build/fuzz/bin/${target}_fuzzer" -merge=1 -use_counters=0 "$minimal" "$work" >/dev/null 2>&1
  find "$corpus" -maxdepth 1 -type f -regextype posix-extended -regex '.*/[0-9a-f]{40}' -delete
  cp -n "$minimal"/* "$corpus"/
  echo "$target corpus: $(ls "$corpus" | wc -l) inputs, $(du -sb "$corpus" | cut -f1) bytes in $corpus"
done
