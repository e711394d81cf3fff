#!/usr/bin/env bash
# A demo maker on this machine: keys, signed sample apps packed into disk images, a catalogue,
# and an HTTPS server (nginx) on 127.0.0.1 serving them.
#
#   demo/demo.sh prepare PREFIX     make everything under $DEMO_DIR and trust the demo root in
#                                   the Hub installed at PREFIX
#   demo/demo.sh start              start the server (https://127.0.0.1:$DEMO_PORT)
#   demo/demo.sh stop               stop it
#   demo/demo.sh publish [APP_ID]   publish the next version of one sample app (default photolab)
#
# Settings (environment): DEMO_DIR (default build/demo-maker), DEMO_PORT (default 47443),
# DEMO_SAMPLE_APP (the sample program; default build/default/demo/veltrane-sample-app),
# DEMO_TOOLS (folder with veltrane-pack; default PREFIX/bin).
# The Hub reaches the server with --catalogue-url https://127.0.0.1:$DEMO_PORT/api/apps.json
# --trust-ca $DEMO_DIR/ca/ca.pem.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${DEMO_DIR:-$root/build/demo-maker}
port=${DEMO_PORT:-47443}
team=K3Q8ZT52WM

# id|name|category|featured|price|currency|licence|fork|tagline|description
apps=(
  "photolab|Photo Lab|photo|true|0|EUR|GPL-3.0|yes|Develop, retouch and export your photos.|Photo Lab develops raw photos, fixes exposure and colour, and exports for print and the web. Edits never touch the original file."
  "sketchpad|Sketchpad|design|true|4.99|EUR|MIT|no|A quiet canvas for quick sketches.|Sketchpad is a pressure-sensitive canvas with layers and a handful of good brushes. It opens in a blink and saves as you go."
  "tuneshelf|Tune Shelf|music|false|0|EUR|MPL-2.0|no|Your music library, neatly shelved.|Tune Shelf plays your local music collection, fixes tags and builds smart playlists from what you actually listen to."
  "notes|Quick Notes|productivity|false|0|EUR|||Notes that stay out of the way.|Quick Notes keeps plain-text notes in a folder you choose, with instant search and a menu to jot something down from anywhere."
  "terminaldeck|Terminal Deck|developer|true|0|EUR|Apache-2.0|no|Tabs, splits and profiles for your shell.|Terminal Deck is a fast terminal with tabs, split panes and per-project profiles. It starts where you left off."
  "chartmaker|Chart Maker|productivity|false|0|EUR|LGPL-2.1|yes|Clean charts from a table in seconds.|Chart Maker turns a pasted table into a clear bar, line or pie chart and exports it as SVG or PNG."
)

categories='[{"id":"photo","name":"Photo","symbol":"photo"},{"id":"design","name":"Design","symbol":"paintbrush"},{"id":"music","name":"Music","symbol":"music.note"},{"id":"productivity","name":"Productivity","symbol":"doc.text"},{"id":"developer","name":"Developer Tools","symbol":"terminal"}]'

colours=("#0a84ff" "#ff9f0a" "#bf5af2" "#30d158" "#64d2ff" "#ff375f")

die() { echo "demo: $*" >&2; exit 1; }
now() { date -u +%Y-%m-%dT%H:%M:%SZ; }
field() { local IFS='|'; read -r -a f <<<"$1"; echo "${f[$2]}"; }

version_of() { cat "$dir/state/$1.version" 2>/dev/null || echo "1.0"; }

make_certificates() {
  [ -f "$dir/ca/server.pem" ] && return
  mkdir -p "$dir/ca"
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Veltrane Demo Authority" \
    -keyout "$dir/ca/ca-key.pem" -out "$dir/ca/ca.pem" 2>/dev/null
  openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" \
    -keyout "$dir/ca/server-key.pem" -out "$dir/ca/server.csr" 2>/dev/null
  printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n' >"$dir/ca/ext.cnf"
  openssl x509 -req -in "$dir/ca/server.csr" -CA "$dir/ca/ca.pem" -CAkey "$dir/ca/ca-key.pem" \
    -CAcreateserial -days 3650 -extfile "$dir/ca/ext.cnf" -out "$dir/ca/server.pem" 2>/dev/null
  chmod 600 "$dir/ca/ca-key.pem" "$dir/ca/server-key.pem"
}

make_keys() {
  [ -f "$dir/keys/veltrane.key" ] && return
  mkdir -p "$dir/keys"
  "$pack" root-key --name "Veltrane Demo Root" "$dir/keys/root" >/dev/null
  "$pack" identity --root "$dir/keys/root.key" --team "$team" --name "Veltrane Demo" "$dir/keys/veltrane" >/dev/null
}

make_icon() { # id colour letter
  local out="$dir/www/icons/$1.png"
  [ -f "$out" ] && return
  convert -size 256x256 xc:none -fill "$2" -draw "roundrectangle 8,8 248,248 56,56" \
    -font "$font" -pointsize 150 -fill white -gravity center -annotate +0+6 "$3" "$out"
}

make_screenshot() { # id colour name
  local out="$dir/www/screenshots/$1-1.png"
  [ -f "$out" ] && return
  convert -size 1280x800 "gradient:$2-#1c1c1e" -font "$font" -pointsize 72 -fill white \
    -gravity center -annotate +0+0 "$3" "$out"
}

# Bundle, sign and pack one app version into www/downloads/<id>-<version>.dmg.
make_image() { # id name version
  local out="$dir/www/downloads/$1-$3.dmg" work="$dir/work/$1-$3"
  [ -f "$out" ] && return
  rm -rf "$work" && mkdir -p "$work"
  "$pack" bundle --name "$2" --id "app.veltrane.demo.$1" --version "$3" --exec "$sample" \
    --icon "$dir/www/icons/$1.png" "$work" >/dev/null
  "$codesign" --sign "$dir/keys/veltrane" --deep "$work/$2.app" >/dev/null
  "$pack" image "$out.part" "$work/$2.app" >/dev/null
  mv "$out.part" "$out"
  rm -rf "$work"
}

app_json() { # line index
  local line=$1 i=$2 id name category featured price currency licence fork tagline description version
  id=$(field "$line" 0); name=$(field "$line" 1); category=$(field "$line" 2)
  featured=$(field "$line" 3); price=$(field "$line" 4); currency=$(field "$line" 5)
  licence=$(field "$line" 6); fork=$(field "$line" 7); tagline=$(field "$line" 8)
  description=$(field "$line" 9); version=$(version_of "$id")
  local base="https://127.0.0.1:$port"
  printf '{"id":"%s","name":"%s","tagline":"%s","description":"%s","version":"%s",' \
    "$id" "$name" "$tagline" "$description" "$version"
  printf '"price":{"amount":%s,"currency":"%s"},' "$price" "$currency"
  if [ -n "$licence" ]; then
    printf '"source":{"repository":"https://example.org/upstream/%s","author":"The %s authors","license":"%s"' \
      "$id" "$name" "$licence"
    [ "$fork" = yes ] && printf ',"fork":"https://example.org/veltrane/%s"' "$id"
    printf '},'
  fi
  printf '"category":"%s","bundleId":"app.veltrane.demo.%s","minimumSystemVersion":"12.0",' "$category" "$id"
  printf '"icon":"%s/icons/%s.png","screenshots":["%s/screenshots/%s-1.png"],' "$base" "$id" "$base" "$id"
  printf '"download":"%s/downloads/%s-%s.dmg","homepage":"https://veltrane.app/apps/%s",' "$base" "$id" "$version" "$id"
  printf '"featured":%s,"updated":"%s"}' "$featured" "$(cat "$dir/state/$id.updated")"
}

write_catalogue() {
  local edition body="" i=0 line
  edition=$(( $(cat "$dir/state/edition" 2>/dev/null || echo 0) + 1 ))
  echo "$edition" >"$dir/state/edition"
  for line in "${apps[@]}"; do
    [ -n "$body" ] && body+=","
    body+=$(app_json "$line" "$i")
    i=$((i + 1))
  done
  # One app the maker has announced but not released yet: no download link.
  body+=',{"id":"timekeeper","name":"Timekeeper","tagline":"Track time without thinking about it.","description":"Timekeeper notices which project you are working on and keeps the hours for you. Coming soon.","version":"0.9","price":{"amount":0,"currency":"EUR"},"category":"productivity","minimumSystemVersion":"13.0","screenshots":[],"featured":false,"updated":"'"$(now)"'"}'
  mkdir -p "$dir/www/api"
  printf '{"version":%s,"updatedAt":"%s","categories":%s,"apps":[%s]}\n' \
    "$edition" "$(now)" "$categories" "$body" >"$dir/www/api/apps.json.part"
  if [ -n "$catalog_tool" ]; then
    "$catalog_tool" validate "$dir/www/api/apps.json.part" >/dev/null || die "the demo catalogue does not validate"
  fi
  mv "$dir/www/api/apps.json.part" "$dir/www/api/apps.json"
}

write_nginx_conf() {
  mkdir -p "$dir/nginx/logs" "$dir/nginx/tmp"
  local user_line=""
  [ "$(id -u)" -eq 0 ] && user_line="user root;"
  cat >"$dir/nginx/nginx.conf" <<CONF
$user_line
worker_processes 1;
pid $dir/nginx/nginx.pid;
error_log $dir/nginx/logs/error.log warn;
events { worker_connections 64; }
http {
  include /etc/nginx/mime.types;
  access_log $dir/nginx/logs/access.log;
  client_body_temp_path $dir/nginx/tmp/body;
  proxy_temp_path $dir/nginx/tmp/proxy;
  fastcgi_temp_path $dir/nginx/tmp/fastcgi;
  uwsgi_temp_path $dir/nginx/tmp/uwsgi;
  scgi_temp_path $dir/nginx/tmp/scgi;
  sendfile on;
  server {
    listen 127.0.0.1:$port ssl;
    ssl_certificate $dir/ca/server.pem;
    ssl_certificate_key $dir/ca/server-key.pem;
    root $dir/www;
    location /api/ { default_type application/json; add_header Cache-Control no-store; }
  }
}
CONF
}

resolve_tools() { # prefix
  local prefix=$1
  pack=${DEMO_TOOLS:-$prefix/bin}/veltrane-pack
  catalog_tool=${DEMO_TOOLS:-$prefix/bin}/veltrane-catalog
  [ -x "$catalog_tool" ] || catalog_tool=""
  codesign=$prefix/libexec/veltrane-hub/codesign
  sample=${DEMO_SAMPLE_APP:-$root/build/default/demo/veltrane-sample-app}
  font=$(fc-match -f '%{file}' 'Inter:bold' 2>/dev/null || true)
  [ -n "$font" ] || font=DejaVu-Sans-Bold
  [ -x "$pack" ] || die "no veltrane-pack at $pack"
  [ -x "$codesign" ] || die "no codesign at $codesign"
  [ -x "$sample" ] || die "no sample app at $sample"
}

prepare() {
  local prefix=${1:?usage: demo.sh prepare PREFIX}
  resolve_tools "$prefix"
  mkdir -p "$dir"/{state,work,www/icons,www/screenshots,www/downloads}
  echo "$prefix" >"$dir/state/prefix"
  make_certificates
  make_keys
  local i=0 line
  for line in "${apps[@]}"; do
    local id name
    id=$(field "$line" 0); name=$(field "$line" 1)
    [ -f "$dir/state/$id.version" ] || echo "1.0" >"$dir/state/$id.version"
    [ -f "$dir/state/$id.updated" ] || now >"$dir/state/$id.updated"
    make_icon "$id" "${colours[$i]}" "${name:0:1}"
    make_screenshot "$id" "${colours[$i]}" "$name"
    make_image "$id" "$name" "$(version_of "$id")"
    i=$((i + 1))
  done
  write_catalogue
  write_nginx_conf
  # The Hub at PREFIX trusts exactly this demo root (besides whatever it trusted before).
  mkdir -p "$prefix/share/veltrane-hub/anchors"
  cp "$dir/keys/root.pub" "$prefix/share/veltrane-hub/anchors/veltrane-demo-root.pub"
}

start() {
  [ -f "$dir/nginx/nginx.conf" ] || die "run 'demo.sh prepare PREFIX' first"
  stop_quietly
  nginx -e "$dir/nginx/logs/error.log" -c "$dir/nginx/nginx.conf" -p "$dir/nginx"
  echo "demo: serving https://127.0.0.1:$port/api/apps.json"
}

stop_quietly() {
  if [ -f "$dir/nginx/nginx.pid" ]; then
    local pid
    pid=$(cat "$dir/nginx/nginx.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    rm -f "$dir/nginx/nginx.pid"
  fi
}

publish() {
  local id=${1:-photolab} line="" i=0 idx=0
  for l in "${apps[@]}"; do
    if [ "$(field "$l" 0)" = "$id" ]; then line=$l; idx=$i; fi
    i=$((i + 1))
  done
  [ -n "$line" ] || die "no sample app $id"
  resolve_tools "$(cat "$dir/state/prefix")"
  local version major minor
  version=$(version_of "$id"); major=${version%%.*}; minor=${version#*.}
  version="$major.$((minor + 1))"
  make_image "$id" "$(field "$line" 1)" "$version"
  echo "$version" >"$dir/state/$id.version"
  now >"$dir/state/$id.updated"
  write_catalogue
  echo "demo: published $(field "$line" 1) $version"
}

case "${1:-}" in
  prepare) shift; prepare "$@" ;;
  start) start ;;
  stop) stop_quietly ;;
  publish) shift; publish "$@" ;;
  *) sed -n '2,15p' "$0" >&2; exit 2 ;;
esac
