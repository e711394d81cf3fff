#!/usr/bin/env bash
# Builds and runs every benchmark; each figure prints as "BENCH <name> <value> <unit>".
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default
cmake --build --preset default
for b in bench/*.sh; do
  [ -e "$b" ] || continue
  bash "$b" build/default
done
