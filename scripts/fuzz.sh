#!/usr/bin/env bash
# Fuzzes the filter-file reader with libFuzzer (clang, AddressSanitizer, UndefinedBehaviorSanitizer).
#   scripts/fuzz.sh [SECONDS]     default 600
# Starts from the committed corpus, then merges whatever new inputs widened the coverage back
# into tests/fuzz/corpus/filter_file, which every regular test run replays. A crash, sanitizer
# report, hang (over 10 s for one input) or broken invariant stops the run and leaves the input
# as build/fuzz/crash-* (or leak-*, timeout-*).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"

scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target filter_file_fuzzer

corpus=tests/fuzz/corpus/filter_file
work=build/fuzz/corpus-work
mkdir -p "$work"
cp -n "$corpus"/* "$work"/ 2>/dev/null || true

cd build/fuzz
./bin/filter_file_fuzzer -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "../../$work"
cd ../..
# Keep a minimal set that covers everything found.
build/fuzz/bin/filter_file_fuzzer -merge=1 "$corpus" "$work" >/dev/null 2>&1
echo "corpus: $(ls "$corpus" | wc -l) inputs in $corpus"
