#!/usr/bin/env bash
# Installs what is missing, builds, and starts the calculator window from
# build/bin, which holds the shipped trading calendar; the log goes to
# build/bin/log/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh
cd build/bin
exec ./kelvara "$@"
