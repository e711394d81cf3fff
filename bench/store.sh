#!/usr/bin/env bash
# Times the catalogue store's visible-apps list and its rescan of installed apps.
#   bench/store.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: bench/store.sh BUILD_DIR}
cmake --build "$build" --target store_bench >/dev/null
"$build/bench/store_bench"
