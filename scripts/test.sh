#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test.
#   scripts/test.sh           the default build
#   scripts/test.sh asan      the same tests under AddressSanitizer + UBSan
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}

bash scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
