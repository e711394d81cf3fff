#!/usr/bin/env bash
# Catalogue decode and encode times for a 10,000-app catalogue, and decode's ratio to
# simdjson's bare parse of the same bytes.   bench/catalog.sh BUILD_DIR
set -euo pipefail
build=${1:-build/default}
cmake --build "$build" --target catalog_bench >/dev/null
"$build/bench/catalog_bench"
