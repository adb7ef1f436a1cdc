#!/usr/bin/env bash
# Fuzzes the readers of the program's files with libFuzzer (clang, AddressSanitizer,
# UndefinedBehaviorSanitizer).
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default 600 seconds for every target, one after another
# Targets: filter_file, undo_database, undo_index, settings, journal, id3v2_tag (tests/fuzz/CMakeLists.txt).
# Each starts from its committed corpus, then merges whatever new inputs widened the coverage back
# into tests/fuzz/corpus/TARGET, which every regular test run replays. A crash, sanitizer report,
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
  (cd build/fuzz && "./bin/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "../../$work")
  # Keep a minimal set that covers everything found.
  "build/fuzz/bin/${target}_fuzzer" -merge=1 "$corpus" "$work" >/dev/null 2>&1
  echo "$target corpus: $(ls "$corpus" | wc -l) inputs in $corpus"
done
