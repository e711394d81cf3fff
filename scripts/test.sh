#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test, QML lint included.
#   scripts/test.sh           the default build (on CI: the ci build, warnings are errors)
#   scripts/test.sh asan      the same tests under AddressSanitizer + UBSan
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-}
[ -n "$preset" ] || { [ -n "${CI:-}" ] && preset=ci || preset=default; }

bash scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
cmake --build --preset "$preset" --target all_qmllint
log="build/$preset/ctest.log"
status=0
ctest --preset "$preset" --output-log "$log" || status=$?

# A skipped check is not a passed one: say which were skipped and why.
if grep -q '^SKIP ' "$log"; then
  echo
  echo "Skipped checks (not run on this machine):"
  grep -A1 '^SKIP ' "$log" | grep -v '^--$' | sed 's/^/  /'
fi
exit "$status"
