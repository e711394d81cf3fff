#!/usr/bin/env bash
# The Hub's window against a minimal Qt Quick window started the same way, in the same Xvfb,
# with the same (software) renderer, offline (a network namespace of its own when the system
# allows one), with a throw-away home:
#   first_frame         process start to the first frame of the window, whatever it shows
#   catalogue_frame     process start to the first frame with the catalogue's cards (built-in)
#   idle_rss            resident memory once idle with the catalogue shown
#   idle_rss_10k        the same with a 10,000-app catalogue (the saved copy)
#   search_rss_growth   resident memory after 20 searches over that catalogue against before
#   scroll_frame_p95    95th percentile of the frame times while the grid scrolls through it
#   bench/startup.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
# Starts of each program: the fastest is the figure, so more starts bring it nearer the
# program's own floor on a machine shared with others.
runs=${RUNS:-15}
apps=${BENCH_APPS:-10000}
cmake --build "$build" --target veltrane-hub bench_startup_minimal bench_startup_window bench_startup_catalog >/dev/null

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/runtime" && chmod 700 "$home/runtime"
"$build/bench/bench_startup_catalog" "$apps" "$home/catalog-large.json"

cat > "$home/measure.sh" <<'INNER'
#!/usr/bin/env bash
# Runs inside Xvfb: prints "<name> <value>" lines.
set -euo pipefail
build=$1 runs=$2 apps=$3
offline=()
if unshare -rn true 2>/dev/null; then offline=(unshare -rn); fi
# Starts a program and waits until its output holds the marker; leaves it running as $pid.
start_until() {
  local out=$1 marker=$2; shift 2
  rm -f "$out"
  VELTRANE_STARTUP_T0_NS=$(date +%s%N) "${offline[@]}" "$@" > "$out" 2>/dev/null &
  pid=$!
  for _ in $(seq 1 300); do
    if grep -qs "^$marker " "$out"; then break; fi
    sleep 0.05
  done
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null || true; }
rss_kib() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }
for _ in $(seq 1 "$runs"); do
  start_until "$HOME/hub.out" catalogue_frame_ms "$build/src/app/veltrane-hub"
  cat "$HOME/hub.out"; stop
  start_until "$HOME/min.out" minimal_startup_ms "$build/bench/bench_startup_minimal"
  cat "$HOME/min.out"; stop
done
# Resident memory once settled. Under unshare the program is a child of unshare.
start_until "$HOME/hub.out" catalogue_frame_ms "$build/src/app/veltrane-hub"
sleep 3
echo "idle_rss_kib $(rss_kib "$(pgrep -P "$pid" || echo "$pid")")"; stop
start_until "$HOME/min.out" minimal_startup_ms "$build/bench/bench_startup_minimal"
sleep 3
echo "minimal_idle_rss_kib $(rss_kib "$(pgrep -P "$pid" || echo "$pid")")"; stop
# The large catalogue: memory, searches and scrolling, and the plain grid's scrolling.
# (Offline, the Hub logs the failed fetch: expected here.)
"${offline[@]}" "$build/bench/bench_startup_window" "$HOME/catalog-large.json" "$apps" \
  2> >(grep -v 'catalogue fetch failed' >&2) | sed 's/^idle_rss_kib/large_idle_rss_kib/'
"${offline[@]}" "$build/bench/bench_startup_minimal" scroll "$apps"
INNER
chmod +x "$home/measure.sh"

results=$(env HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
  XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/runtime" LANG=C.UTF-8 \
  QT_QUICK_BACKEND=software \
  xvfb-run -a -s "-screen 0 1280x800x24" "$home/measure.sh" "$build" "$runs" "$apps")
[ -n "${VERBOSE:-}" ] && echo "$results" >&2

# The fastest run of each: the machine is shared, and other work only ever adds time.
fastest() { grep "^$1 " <<<"$results" | awk '{print $2}' | sort -n | awk 'NR == 1 {print $1} END {if (NR == 0) print "nan"}'; }
value() { grep "^$1 " <<<"$results" | awk '{print $2}' | tail -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

first=$(fastest first_frame_ms)
catalogue=$(fastest catalogue_frame_ms)
minimal=$(fastest minimal_startup_ms)
echo "BENCH first_frame_ms $first ms"
echo "BENCH catalogue_frame_ms $catalogue ms"
echo "BENCH minimal_first_frame_ms $minimal ms"
echo "BENCH first_frame_vs_minimal_ratio $(ratio "$first" "$minimal") x"
echo "BENCH catalogue_frame_vs_minimal_ratio $(ratio "$catalogue" "$minimal") x"
echo "BENCH idle_rss_mib $(mib "$(value idle_rss_kib)") MiB"
echo "BENCH minimal_idle_rss_mib $(mib "$(value minimal_idle_rss_kib)") MiB"
echo "BENCH idle_rss_vs_minimal_ratio $(ratio "$(value idle_rss_kib)" "$(value minimal_idle_rss_kib)") x"
echo "BENCH idle_rss_10k_mib $(mib "$(value large_idle_rss_kib)") MiB"
echo "BENCH search_rss_growth_ratio $(value search_rss_growth_ratio) x"
echo "BENCH scroll_frame_p95_ms $(value scroll_frame_p95_ms) ms"
echo "BENCH minimal_scroll_frame_p95_ms $(value minimal_scroll_frame_p95_ms) ms"
