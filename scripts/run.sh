#!/usr/bin/env bash
# Sets up the machine, builds and installs the Hub into build/default/stage, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default
cmake --build --preset default
cmake --install build/default >/dev/null
exec build/default/stage/bin/veltrane-hub "$@"
