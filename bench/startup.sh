#!/usr/bin/env bash
# Time from process start to the first frame with the catalogue drawn, against a minimal Qt
# Quick window started the same way, in the same Xvfb, with the same (software) renderer; and
# the Hub's resident memory once idle. Offline, with a throw-away home: the built-in
# catalogue shows.
#   bench/startup.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
runs=${RUNS:-7}
cmake --build "$build" --target veltrane-hub bench_startup_minimal >/dev/null

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/runtime" && chmod 700 "$home/runtime"

cat > "$home/measure.sh" <<'INNER'
#!/usr/bin/env bash
# Runs inside Xvfb: prints one "<name> <ms>" line per run, and the Hub's idle RSS.
set -euo pipefail
build=$1 runs=$2
first_line() {  # program marker -> prints the marker's value, leaves the program running
  local out=$1; shift
  rm -f "$out"
  VELTRANE_STARTUP_T0_NS=$(date +%s%N) "$@" > "$out" 2>/dev/null &
  pid=$!
  for _ in $(seq 1 300); do
    if [ -s "$out" ]; then break; fi
    sleep 0.05
  done
}
for _ in $(seq 1 "$runs"); do
  first_line "$HOME/hub.out" "$build/src/app/veltrane-hub"
  cat "$HOME/hub.out"
  kill "$pid"; wait "$pid" 2>/dev/null || true
  first_line "$HOME/min.out" "$build/bench/bench_startup_minimal"
  cat "$HOME/min.out"
  kill "$pid"; wait "$pid" 2>/dev/null || true
done
# Resident memory once the Hub has settled.
first_line "$HOME/hub.out" "$build/src/app/veltrane-hub"
sleep 3
echo "idle_rss_kib $(awk '/VmRSS/ {print $2}' /proc/$pid/status)"
kill "$pid"; wait "$pid" 2>/dev/null || true
INNER
chmod +x "$home/measure.sh"

results=$(env HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
  XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/runtime" LANG=C.UTF-8 \
  QT_QUICK_BACKEND=software \
  xvfb-run -a -s "-screen 0 1280x800x24" "$home/measure.sh" "$build" "$runs")

# The fastest run of each: the machine is shared, and other work only ever adds time.
fastest() { sort -n | awk 'NR == 1 {print $1} END {if (NR == 0) print "nan"}'; }
hub=$(grep '^startup_ms' <<<"$results" | awk '{print $2}' | fastest)
minimal=$(grep '^minimal_startup_ms' <<<"$results" | awk '{print $2}' | fastest)
rss=$(grep '^idle_rss_kib' <<<"$results" | awk '{print $2}')
[ -n "${VERBOSE:-}" ] && echo "$results" >&2
echo "BENCH startup_ms $hub ms"
echo "BENCH minimal_startup_ms $minimal ms"
awk -v h="$hub" -v m="$minimal" 'BEGIN { printf "BENCH startup_vs_minimal_ratio %.2f x\n", h / m }'
awk -v r="$rss" 'BEGIN { printf "BENCH idle_rss_mib %.1f MiB\n", r / 1024 }'
