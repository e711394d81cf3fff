#!/usr/bin/env bash
# The seal check of a large bundle against plain OpenSSL hashing of the same files in the same
# run, and attaching plus detaching the bundle's disk image.
#   bench/tools.sh BUILD_DIR
# Prints BENCH sign_seconds, verify_seconds, openssl_seconds, verify_vs_openssl_ratio,
# attach_detach_ms (FUSE when usable) and attach_detach_unpacked_ms.
set -euo pipefail
build=${1:?usage: bench/tools.sh BUILD_DIR}
tools=$build/tools
pack=$tools/pack/veltrane-pack
codesign=$tools/codesign/codesign
hdiutil=$tools/hdiutil/hdiutil
for program in "$pack" "$codesign" "$hdiutil"; do
  [ -x "$program" ] || { echo "bench/tools.sh: $program is not built" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-tools.XXXXXX")
mount_point=""
cleanup() {
  if [ -n "$mount_point" ]; then "$hdiutil" detach "$mount_point" -quiet || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
# Best of three: the least disturbed by the other work on the machine.
best_of_three() {
  local best="" start t
  for _ in 1 2 3; do
    start=$(now)
    "$@" >/dev/null 2>&1
    t=$(seconds_since "$start")
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}
mount_point_of() { sed -n '/<key>mount-point<\/key>/{n;s/.*<string>\(.*\)<\/string>.*/\1/p}'; }

# A bundle of 2,000 files of 150 kB (300 MB) in 20 folders.
printf '#!/bin/sh\n' > "$work/big"
"$pack" bundle --name Big --id app.veltrane.big --version 1.0 --exec "$work/big" "$work" >/dev/null
app=$work/Big.app
for d in $(seq -w 0 19); do
  mkdir -p "$app/Contents/Resources/data/$d"
  head -c 15000000 /dev/urandom | split -b 150000 -a 3 -d - "$app/Contents/Resources/data/$d/f"
done
"$pack" root-key "$work/root" >/dev/null
"$pack" identity --root "$work/root.key" --team K3Q8ZT52WM --name "Bench" "$work/team" >/dev/null

start=$(now)
"$codesign" --sign "$work/team" "$app"
echo "BENCH sign_seconds $(seconds_since "$start") s"

# Both sides read from the page cache.
find "$app" -type f -exec cat {} + >/dev/null
"$codesign" --verify --deep --strict "$app"
verify=$(best_of_three "$codesign" --verify --deep --strict "$app")
openssl_hash() { find "$app" -type f -print0 | xargs -0 -P2 -n 100 openssl dgst -sha256; }
openssl=$(best_of_three openssl_hash)
echo "BENCH verify_seconds $verify s"
echo "BENCH openssl_seconds $openssl s"
echo "BENCH verify_vs_openssl_ratio $(awk -v a="$verify" -v b="$openssl" 'BEGIN { printf "%.2f", a / b }') x"

"$pack" image "$work/Big.dmg" "$app" >/dev/null
attach_detach() {
  local start plist
  start=$(now)
  plist=$("$hdiutil" attach "$work/Big.dmg" -nobrowse -readonly -noverify -plist)
  mount_point=$(printf '%s\n' "$plist" | mount_point_of)
  "$hdiutil" detach "$mount_point" -quiet
  mount_point=""
  awk -v s="$(seconds_since "$start")" 'BEGIN { printf "%.0f", s * 1000 }'
}
echo "BENCH attach_detach_ms $(attach_detach) ms"
export VELTRANE_HDIUTIL_NO_FUSE=1
echo "BENCH attach_detach_unpacked_ms $(attach_detach) ms"
