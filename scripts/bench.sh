#!/usr/bin/env bash
# Builds the Google Benchmark programs in Release mode (engine only, no Qt)
# into build-bench/ and runs each of them; every program prints its table of
# medians and then its limits and ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARA_BUILD_BENCH=ON \
  -DKELVARA_ENGINE_ONLY=ON -DKELVARA_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench
for program in build-bench/bin/bench_*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" "$@"
done
