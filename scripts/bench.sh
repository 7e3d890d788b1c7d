#!/usr/bin/env bash
# Builds the Google Benchmark programs in Release mode (engine only, no Qt)
# into build-bench/ and runs each of them; every program prints its table of
# medians and then its limits and ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
# QuantLib is only the yardstick of bench_quantlib, so it is installed here and
# not with the build dependencies; without it that one program is skipped.
if ! dpkg-query -W -f='${Status}' libquantlib0-dev 2>/dev/null | grep -q "install ok installed"; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: libquantlib0-dev"
  { $sudo apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends libquantlib0-dev; } ||
    echo "libquantlib0-dev could not be installed: bench_quantlib is not built"
fi
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVARA_BUILD_BENCH=ON \
  -DKELVARA_ENGINE_ONLY=ON -DKELVARA_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench
for program in build-bench/bin/bench_*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" "$@"
done
