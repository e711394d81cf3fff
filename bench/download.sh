#!/usr/bin/env bash
# Download throughput of the update installer against curl, from the same loopback HTTPS
# server (nginx with a certificate from the test authority), for a 1 GiB image pinned by size
# and SHA-256 (hashed while it streams); the main thread's longest stall meanwhile; and how much
# of the image a download cut at half fetches again when it continues (from nginx's log).
#   bench/download.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: bench/download.sh BUILD_DIR}
bench_bin="$build/bench/download_bench"
certs=tests/support/certs
size=${VELTRANE_BENCH_DOWNLOAD_SIZE:-1G}
rounds=${VELTRANE_BENCH_ROUNDS:-3}

[ -x "$bench_bin" ] || cmake --build "$build" --target download_bench >/dev/null
command -v nginx >/dev/null || PATH="$PATH:/usr/sbin"

work=$(mktemp -d)
nginx_pid=
cleanup() {
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/www" "$work/nginx-tmp" "$work/out"
# Written once so both clients read it from the page cache, not from a sparse hole.
head -c "$size" /dev/urandom > "$work/www/image.dmg"
bytes=$(stat -c %s "$work/www/image.dmg")
sha=$(sha256sum "$work/www/image.dmg" | cut -d' ' -f1)
mkdir -p "$work/www/resume"
ln "$work/www/image.dmg" "$work/www/resume/image.dmg"
# Started as root, nginx serves as an unprivileged user: let it read the image.
chmod a+rx "$work" "$work/www" "$work/www/resume"
chmod a+r "$work/www/image.dmg"

write_config() {
  cat > "$work/nginx.conf" <<EOF
daemon off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/nginx-error.log warn;
events { worker_connections 64; }
http {
  log_format sent '\$uri \$body_bytes_sent';
  access_log $work/access.log sent;
  client_body_temp_path $work/nginx-tmp/body;
  proxy_temp_path $work/nginx-tmp/proxy;
  fastcgi_temp_path $work/nginx-tmp/fastcgi;
  uwsgi_temp_path $work/nginx-tmp/uwsgi;
  scgi_temp_path $work/nginx-tmp/scgi;
  types { application/octet-stream dmg; }
  server {
    listen 127.0.0.1:$1 ssl;
    ssl_certificate $PWD/$certs/server.pem;
    ssl_certificate_key $PWD/$certs/server-key.pem;
    root $work/www;
  }
}
EOF
}

# Starts nginx on a random free port; a taken port makes nginx exit, and another is tried.
url=
for _ in $(seq 20); do
  port=$((20000 + RANDOM % 40000))
  write_config "$port"
  nginx -e "$work/nginx-error.log" -p "$work" -c "$work/nginx.conf" &
  nginx_pid=$!
  for _ in $(seq 50); do
    if curl -fsS --cacert "$certs/ca.pem" -o /dev/null -r 0-0 "https://127.0.0.1:$port/image.dmg" 2>/dev/null; then
      url="https://127.0.0.1:$port/image.dmg"
      break 2
    fi
    kill -0 "$nginx_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$nginx_pid" 2>/dev/null || true
  wait "$nginx_pid" 2>/dev/null || true
  nginx_pid=
done
[ -n "$url" ] || { echo "download bench: nginx did not start" >&2; cat "$work/nginx-error.log" >&2; exit 1; }

curl_round() {
  local speed
  speed=$(curl -fsS --cacert "$certs/ca.pem" -o "$work/out/curl.dmg" -w '%{speed_download}' "$url")
  rm -f "$work/out/curl.dmg"
  echo "$speed"
}

curl_round >/dev/null  # warm-up: the image into the page cache, nginx started
# Rounds alternate between the two clients, so both meet the same load on a shared machine;
# each figure is the best (throughput) or worst (memory, stall) over the rounds.
: > "$work/figures"
for _ in $(seq "$rounds"); do
  "$bench_bin" "$url" "$certs/ca.pem" "$work/out" 1 "$bytes" "$sha" >> "$work/figures"
  echo "BENCH curl_bytes_per_s $(curl_round) B/s" >> "$work/figures"
done

# Cut at half and continued; nginx logs what it sent for each request.
"$bench_bin" resume "${url%/image.dmg}/resume/image.dmg" "$certs/ca.pem" "$work/out" "$bytes"
for _ in $(seq 50); do [ "$(grep -c '^/resume/' "$work/access.log" 2>/dev/null)" -ge 2 ] && break; sleep 0.1; done
awk -v size="$bytes" '$1 == "/resume/image.dmg" { sent += $2 }
  END { printf "BENCH resume_refetch_fraction %.4f x\n", (sent - size) / size }' "$work/access.log" >> "$work/figures"

awk '
  { if (!($2 in value) || $3 + 0 > value[$2]) value[$2] = $3 + 0 }
  END {
    curl = value["curl_bytes_per_s"] / (1024 * 1024)
    printf "BENCH download_mib_per_s %.1f MiB/s\n", value["download_mib_per_s"]
    printf "BENCH curl_mib_per_s %.1f MiB/s\n", curl
    printf "BENCH download_vs_curl_ratio %.2f x\n", value["download_mib_per_s"] / curl
    printf "BENCH download_peak_rss_growth_mib %.1f MiB\n", value["download_peak_rss_growth_mib"]
    printf "BENCH download_max_stall_ms %.1f ms\n", value["download_max_stall_ms"]
    printf "BENCH idle_max_stall_ms %.1f ms\n", value["idle_max_stall_ms"]
    printf "BENCH resume_refetch_fraction %.4f x\n", value["resume_refetch_fraction"]
  }' "$work/figures"
