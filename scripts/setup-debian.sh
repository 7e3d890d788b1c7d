#!/usr/bin/env bash
# Installs the Debian packages that build, run and test Kelvara, when missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qtbase5-dev libqwt-qt5-dev
  libspdlog-dev libfmt-dev libnewmat10-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  pybind11-dev python3-pybind11 python3-dev python3-numpy python3-pytest
  python3-pandas python3-matplotlib
  python3-setuptools python3-wheel python3-venv python3-pip
  clang libclang-rt-14-dev
  xvfb xauth fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
