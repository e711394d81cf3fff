#!/usr/bin/env bash
# Installing a cached 300 MB image of 2,000 files (random contents) into an empty Applications
# folder, against the floor a careful shell script needs for the same work in the same run:
# attach with the project's hdiutil, hash every file with openssl in two processes, copy the
# app out with cp -a, detach.
#   bench/install.sh BUILD_DIR
# Prints BENCH install_seconds, install_floor_seconds and install_vs_floor_ratio (best of three
# each, alternating).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: bench/install.sh BUILD_DIR}
bench_bin=$build/bench/install_bench
[ -x "$bench_bin" ] || cmake --build "$build" --target install_bench >/dev/null
pack=$build/tools/pack/veltrane-pack
for program in "$bench_bin" "$pack"; do
  [ -x "$program" ] || { echo "bench/install.sh: $program is not built" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-install.XXXXXX")
mount_point=""
cleanup() {
  if [ -n "$mount_point" ]; then "$tools/hdiutil" detach "$mount_point" -quiet || true; fi
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The tools as installed: spctl finds its trust anchors relative to its own folder.
tools=$work/prefix/libexec/veltrane-hub
anchors=$work/prefix/share/veltrane-hub/anchors
mkdir -p "$tools" "$anchors"
for tool in hdiutil codesign spctl xattr; do cp "$build/tools/$tool/$tool" "$tools/"; done
"$pack" root-key "$work/root" >/dev/null
cp "$work/root.pub" "$anchors/"
"$pack" identity --root "$work/root.key" --team K3Q8ZT52WM --name "Bench" "$work/team" >/dev/null

mkdir -p "$work/src"
printf '#!/bin/sh\n' > "$work/big"
"$pack" bundle --name Big --id app.veltrane.big --version 1.0 --exec "$work/big" "$work/src" >/dev/null
app=$work/src/Big.app
for d in $(seq -w 0 19); do
  mkdir -p "$app/Contents/Resources/data/$d"
  head -c 15000000 /dev/urandom | split -b 150000 -a 3 -d - "$app/Contents/Resources/data/$d/f"
done
"$tools/codesign" --sign "$work/team" "$app"
data=$work/data
mkdir -p "$data/VeltraneHub/Updates"
image=$data/VeltraneHub/Updates/big-1.0.dmg
"$pack" image "$image" "$app" >/dev/null
rm -rf "$app"

now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
mount_point_of() { sed -n '/<key>mount-point<\/key>/{n;s/.*<string>\(.*\)<\/string>.*/\1/p}'; }
fresh_applications() { chmod -R u+w "$work/Applications" 2>/dev/null || true; rm -rf "$work/Applications"; mkdir "$work/Applications"; }

install_once() {
  fresh_applications
  "$bench_bin" "$tools" "$data" "$work/Applications" big 1.0 app.veltrane.big K3Q8ZT52WM
}

floor_once() {
  fresh_applications
  local start
  start=$(now)
  mount_point=$("$tools/hdiutil" attach "$image" -nobrowse -readonly -noverify -plist | mount_point_of)
  find "$mount_point/Big.app" -type f -print0 | xargs -0 -P2 -n 100 openssl dgst -sha256 >/dev/null
  cp -a "$mount_point/Big.app" "$work/Applications/"
  "$tools/hdiutil" detach "$mount_point" -quiet
  mount_point=""
  seconds_since "$start"
}

install_best="" floor_best=""
for _ in 1 2 3; do
  install_best=$(min "$install_best" "$(install_once)")
  floor_best=$(min "$floor_best" "$(floor_once)")
done
echo "BENCH install_seconds $install_best s"
echo "BENCH install_floor_seconds $floor_best s"
echo "BENCH install_vs_floor_ratio $(awk -v a="$install_best" -v b="$floor_best" 'BEGIN { printf "%.2f", a / b }') x"
