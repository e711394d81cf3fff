#!/usr/bin/env bash
# Sets up the machine, builds the Hub, makes a demo maker on this machine (signed sample apps,
# a catalogue and an HTTPS server on 127.0.0.1), and opens the Hub on it. The Hub is the normal
# build; its command line names the demo catalogue and the demo's certificate authority.
# Stopping the Hub stops the server.
#   scripts/run.sh               build, prepare and run
#   scripts/run.sh publish       (in another terminal) publish a newer Photo Lab; then press
#                                the Hub's refresh button
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = publish ]; then
  exec bash demo/demo.sh publish "${@:2}"
fi

build=build/default
stage=$PWD/$build/stage
maker=${DEMO_DIR:-$PWD/build/demo-maker}

bash scripts/setup.sh
cmake --preset default
# What the demo runs; scripts/test.sh builds the rest.
cmake --build --preset default --target veltrane-hub veltrane-catalog veltrane_pack veltrane-sample-app \
  veltrane_hdiutil veltrane_codesign veltrane_spctl veltrane_xattr hub_icons
cmake --install "$build" >/dev/null
DEMO_DIR=$maker DEMO_SAMPLE_APP=$build/demo/veltrane-sample-app bash demo/demo.sh prepare "$stage"
DEMO_DIR=$maker bash demo/demo.sh start
trap 'DEMO_DIR=$maker bash demo/demo.sh stop' EXIT INT TERM

hub=("$stage/bin/veltrane-hub" --catalogue-url "https://127.0.0.1:${DEMO_PORT:-47443}/api/apps.json"
  --trust-ca "$maker/ca/ca.pem")
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display; starting the Hub under Xvfb"
  xvfb-run -a -s "-screen 0 1280x800x24" "${hub[@]}"
else
  "${hub[@]}"
fi
