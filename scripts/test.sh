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
results="build/$preset/test-results"
rm -f "$results"/*.txt
status=0
ctest --preset "$preset" || status=$?

# A skipped check is not a passed one: say which were skipped, and why.
if grep -qs '^SKIP ' "$results"/*.txt; then
  echo
  echo "Skipped checks (not run on this machine):"
  grep -h '^SKIP ' "$results"/*.txt | sed 's/^SKIP *: */  /'
fi
exit "$status"
