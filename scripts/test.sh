#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the full suite, the
# engine suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the fuzz targets for a short run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup-debian.sh
logs=$(mktemp -d)

echo "== Build and test"
scripts/build.sh
(cd build && ctest --output-on-failure -j2) | tee "$logs/full.log"

echo "== Engine under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELVARA_ENGINE_ONLY=ON -DKELVARA_SANITIZE=ON >/dev/null
cmake --build build-asan
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2) |
  tee "$logs/asan.log"

if [ -x scripts/fuzz.sh ]; then
  echo "== Fuzzing"
  scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
fi
cd "$root"

# Every suite above stops the script on a failure, so reaching here means all passed.
total=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$logs"/*.log | awk '{ n += $1 } END { print n }')
rm -rf "$logs"
echo "${total} passed, 0 failed"
