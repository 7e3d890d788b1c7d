#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs them for the
# given number of seconds in all (default 60, shared among the targets) on
# their committed seed corpora. Any crash, sanitizer report, leak or time-out
# fails the run; the input that caused it is left in build-fuzz/fuzz-artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DKELVARA_BUILD_FUZZ=ON -DKELVARA_BUILD_TESTS=ON >/dev/null
targets=(csv_block_file_fuzz:tests/files/fuzz_corpus
  calendar_file_fuzz:tests/calendar/fuzz_corpus_calendar
  structure_file_fuzz:tests/files/fuzz_corpus_structure)
cmake --build build-fuzz --target csv_block_file_fuzz calendar_file_fuzz structure_file_fuzz
each=$(( seconds / ${#targets[@]} ))
[ "$each" -lt 1 ] && each=1

artifacts=build-fuzz/fuzz-artifacts
mkdir -p "$artifacts"
for entry in "${targets[@]}"; do
  target=${entry%%:*}
  seeds=${entry#*:}
  # New inputs go to the first corpus folder (scratch); the seeds stay untouched.
  work=build-fuzz/fuzz-corpus/$target
  mkdir -p "$work"
  echo "== $target for ${each}s"
  # libFuzzer's progress lines go to a log; only a failure shows them.
  log=build-fuzz/$target.log
  if ! "build-fuzz/bin/$target" \
    -max_total_time="$each" -max_len=8192 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$work" "$seeds" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target found a problem; the input is in $artifacts/"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$log" || true
done
