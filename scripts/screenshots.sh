#!/usr/bin/env bash
# Takes the README's screenshots: builds the Hub with its screenshot hooks (a configuration of
# its own; the product has none), starts it offline under Xvfb with a throw-away home, so the
# built-in catalogue shows, then against a demo maker for the detail pane's downloads, and
# writes PNGs to artifacts/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=build/screenshots
out=$root/artifacts/screenshots

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTRANE_SCREENSHOT_HOOKS=ON -DVELTRANE_BUILD_TESTS=OFF -DVELTRANE_BUILD_BENCH=OFF \
  -DVELTRANE_CATALOG_HOST=127.0.0.1:9 >/dev/null
cmake --build "$build" --target veltrane-hub

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$out" "$home/runtime" "$home/.local/share"
chmod 700 "$home/runtime"

# An older copy of Photo Lab, so the detail pane offers an update.
bundle="$home/Applications/Photo Lab.app"
mkdir -p "$bundle/Contents/MacOS"
cat > "$bundle/Contents/Info.plist" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
  <key>CFBundleIdentifier</key><string>app.veltrane.photolab</string>
  <key>CFBundleShortVersionString</key><string>2.3.0</string>
  <key>CFBundleExecutable</key><string>photolab</string>
  <key>CFBundleName</key><string>Photo Lab</string>
</dict>
</plist>
PLIST
printf '#!/bin/sh\nexit 0\n' > "$bundle/Contents/MacOS/photolab"
chmod +x "$bundle/Contents/MacOS/photolab"

script="$home/screenshots.txt"
cat > "$script" <<SCRIPT
wait 1500
shot $out/grid.png
select photolab
wait 700
shot $out/detail-update.png
deselect
refresh
wait 1000
shot $out/toast.png
search zzz
wait 400
shot $out/empty-search.png
search
# The window by keyboard, without its sidebar, and at its smallest with the detail pane open.
focus-grid
wait 300
shot $out/grid-keyboard.png
toggle-sidebar
wait 400
shot $out/sidebar-hidden.png
toggle-sidebar
select photolab
smallest
wait 700
shot $out/smallest-detail.png
about
wait 700
shot-about $out/about.png
quit
SCRIPT

# hub <script> [VAR=value...]: one run of the Hub under Xvfb with that script.
hub() {
  local run_script=$1
  shift
  env -i PATH="$PATH" HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/runtime" LANG=C.UTF-8 "$@" \
    VELTRANE_SCREENSHOT_SCRIPT="$run_script" \
    timeout 60 xvfb-run -a -s "-screen 0 1280x800x24" "$build/src/app/veltrane-hub"
}
hub "$script"

# In German: the window, an offline refresh's warning, the smallest window with the detail pane.
# The German locale is built into the throw-away home (the system may have none).
mkdir -p "$home/locale"
localedef -i de_DE -f UTF-8 "$home/locale/de_DE.UTF-8" 2>/dev/null || true
german="$home/screenshots-de.txt"
cat > "$german" <<SCRIPT
wait 1500
shot $out/de-grid.png
refresh
wait 1000
shot $out/de-offline-toast.png
select photolab
smallest
wait 700
shot $out/de-smallest-detail.png
quit
SCRIPT
hub "$german" LOCPATH="$home/locale" LANGUAGE=de LC_ALL=de_DE.UTF-8

# The detail pane against a demo maker (demo/demo.sh) of its own: a paid app with its
# screenshots, a download in progress (the server sends images slowly), a screenshot shown
# larger, and the more-actions menu offering the copy an update replaced.
stage=$root/$build/stage
maker=$root/$build/demo-maker
port=47453
# The Hub finds its tools and trust anchors under the prefix it was built for.
cmake -S . -B "$build" -DCMAKE_INSTALL_PREFIX="$stage" -DVELTRANE_TOOL_DIR="$stage/libexec/veltrane-hub" \
  -DVELTRANE_SHARE_DIR="$stage/share/veltrane-hub" >/dev/null
cmake --build "$build" --target veltrane-hub veltrane-catalog veltrane_pack veltrane-sample-app veltrane_hdiutil \
  veltrane_codesign veltrane_spctl veltrane_xattr hub_icons
cmake --install "$build" --prefix "$stage" >/dev/null
DEMO_DIR=$maker DEMO_PORT=$port DEMO_SAMPLE_APP=$build/demo/veltrane-sample-app bash demo/demo.sh prepare "$stage"
# The installer reports a download once per MiB: Sketchpad's image is padded (squashfs ignores
# what follows it) and the server sends images slowly, so the shot catches it halfway.
truncate -s 6M "$maker/www/downloads/sketchpad-1.0.dmg"
sed -i 's|^    root \(.*\);$|    root \1;\n    location /downloads/ { limit_rate 400k; }|' "$maker/nginx/nginx.conf"
DEMO_DIR=$maker DEMO_PORT=$port bash demo/demo.sh start >/dev/null
trap 'DEMO_DIR=$maker bash demo/demo.sh stop; rm -rf "$home"' EXIT

demo_home=$home/demo
mkdir -p "$demo_home/runtime" "$demo_home/.local/share"
chmod 700 "$demo_home/runtime"
# Photo Lab 0.9, so that installing 1.0 keeps it for going back.
bundle="$demo_home/Applications/Photo Lab.app"
mkdir -p "$bundle/Contents/MacOS"
sed -e 's/app.veltrane.photolab/app.veltrane.demo.photolab/' -e 's/2.3.0/0.9/' \
  "$home/Applications/Photo Lab.app/Contents/Info.plist" >"$bundle/Contents/Info.plist"
cp "$home/Applications/Photo Lab.app/Contents/MacOS/photolab" "$bundle/Contents/MacOS/"

script="$demo_home/screenshots.txt"
cat > "$script" <<SCRIPT
# The launch pre-downloads Photo Lab's update; one download runs at a time.
wait 5000
select sketchpad
wait 1000
shot $out/detail-paid.png
install sketchpad
wait 6000
shot $out/detail-download.png
view-screenshot
wait 1000
shot $out/detail-screenshot.png
select photolab
install photolab
wait 6000
more-actions
wait 600
shot $out/detail-go-back.png
select sketchpad
resize 880 480
wait 1000
shot $out/detail-smallest.png
quit
SCRIPT

env -i PATH="$PATH" HOME="$demo_home" XDG_DATA_HOME="$demo_home/.local/share" XDG_CONFIG_HOME="$demo_home/.config" \
  XDG_CACHE_HOME="$demo_home/.cache" XDG_RUNTIME_DIR="$demo_home/runtime" LANG=C.UTF-8 \
  VELTRANE_SCREENSHOT_SCRIPT="$script" \
  timeout 90 xvfb-run -a -s "-screen 0 1280x800x24" "$stage/bin/veltrane-hub" \
  --catalogue-url "https://127.0.0.1:$port/api/apps.json" --trust-ca "$maker/ca/ca.pem"

ls -1 "$out"/*.png
