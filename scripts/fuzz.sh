#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, coverage in the libraries the targets read) and runs each for
# SECONDS (default 60), one after the other, starting from the seeds in fuzz/corpus/<target>/.
# Builds and runs are niced: fuzzing should not take the machine from other work.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# New inputs go to build/fuzz/corpus/<target>/, crashes and their inputs to
# build/fuzz/findings/<target>/; the repository's seeds are only read.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(catalog_decode_fuzz attach_plist_fuzz info_plist_fuzz desktop_entry_fuzz seal_manifest_fuzz)

declare -A dictionary=(
  [catalog_decode_fuzz]=json.dict [attach_plist_fuzz]=plist.dict [info_plist_fuzz]=plist.dict
  [desktop_entry_fuzz]=desktop.dict [seal_manifest_fuzz]=seal.dict)

cmake --preset fuzz >/dev/null
nice -n 19 cmake --build --preset fuzz -j2 --target "${targets[@]}"

# Undefined behaviour stops the run like a crash, so its input is kept.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
status=0
for target in "${targets[@]}"; do
  corpus="build/fuzz/corpus/$target" findings="build/fuzz/findings/$target"
  mkdir -p "$corpus" "$findings"
  echo "== $target: $seconds s"
  nice -n 19 build/fuzz/fuzz/"$target" "$corpus" "fuzz/corpus/$target" \
    -dict="fuzz/${dictionary[$target]}" -max_total_time="$seconds" -max_len=65536 \
    -artifact_prefix="$findings/" -print_final_stats=1 || status=1
done
exit "$status"
