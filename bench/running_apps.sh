#!/usr/bin/env bash
# Time of one scan for the running copies of an app. Usage: bench/running_apps.sh BUILD_DIR
set -euo pipefail
build=${1:?build directory}
cmake --build "$build" --target bench_running_apps >/dev/null
"$build/bench/bench_running_apps"
