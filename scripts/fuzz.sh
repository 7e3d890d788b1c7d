#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for the
# given number of seconds (default 60) on its committed seed corpus. Any crash,
# sanitizer report, leak or time-out fails the run; the input that caused it is
# left in build-fuzz/fuzz-artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DKELVARA_BUILD_FUZZ=ON -DKELVARA_BUILD_TESTS=ON >/dev/null
cmake --build build-fuzz --target csv_block_file_fuzz

# New inputs go to the first corpus folder (scratch); the seeds stay untouched.
work=build-fuzz/fuzz-corpus/csv_block_file
artifacts=build-fuzz/fuzz-artifacts
mkdir -p "$work" "$artifacts"
echo "== csv_block_file_fuzz for ${seconds}s"
# libFuzzer's progress lines go to a log; only a failure shows them.
log=build-fuzz/csv_block_file_fuzz.log
if ! build-fuzz/bin/csv_block_file_fuzz \
  -max_total_time="$seconds" -max_len=8192 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$work" tests/calendar/fuzz_corpus >"$log" 2>&1; then
  tail -n 60 "$log"
  echo "csv_block_file_fuzz found a problem; the input is in $artifacts/"
  exit 1
fi
grep -E '^stat::number_of_executed_units|^Done' "$log" || true
