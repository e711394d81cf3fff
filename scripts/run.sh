#!/usr/bin/env bash
# Sets up the machine, builds the Hub, makes a demo maker on this machine (signed sample apps,
# a catalogue and an HTTPS server on 127.0.0.1), and opens the Hub on it. Stopping the Hub
# stops the server.
#   scripts/run.sh               build, prepare and run
#   scripts/run.sh publish       (in another terminal) publish a newer Photo Lab; then press
#                                the Hub's refresh button
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = publish ]; then
  exec bash demo/demo.sh publish "${@:2}"
fi

bash scripts/setup.sh
cmake --preset demo
cmake --build --preset demo
cmake --install build/demo >/dev/null
DEMO_SAMPLE_APP=build/demo/demo/veltrane-sample-app bash demo/demo.sh prepare "$PWD/build/demo/stage"
bash demo/demo.sh start
trap 'bash demo/demo.sh stop' EXIT INT TERM

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display; starting the Hub under Xvfb"
  xvfb-run -a -s "-screen 0 1280x800x24" build/demo/stage/bin/veltrane-hub
else
  build/demo/stage/bin/veltrane-hub
fi
