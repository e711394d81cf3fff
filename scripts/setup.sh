#!/usr/bin/env bash
# Installs every Debian package the Hub needs to build, test, benchmark and run.
# Idempotent: only missing packages are installed, and the package lists are
# refreshed at most once per run.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  # Qt 6.4 and QCoro
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-svg-dev libqt6svg6
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-templates qml6-module-qtquick-window qml6-module-qtqml-workerscript
  qml6-module-qtquick-dialogs qml6-module-qt-labs-platform qml6-module-qttest
  qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtquick-shapes
  qt6-qpa-plugins libgl-dev qcoro-qt6-dev
  # formats, crypto, downloads
  libsimdjson-dev libplist-dev libsodium-dev libssl-dev libcurl4-openssl-dev openssl
  # disk images
  squashfs-tools squashfuse fuse3 attr
  # tests and benchmarks
  libgtest-dev libbenchmark-dev curl nginx-light xvfb xauth xdotool imagemagick
  # the demo's captions; and the system's own Inter, which the Hub's faces must win over
  fonts-inter
  # the German locale of the screenshots (its definition, built by scripts/screenshots.sh)
  locales
  # the Debian package: its build (PNG icons), its checks, and the desktop entry tests
  debhelper librsvg2-bin lintian appstream desktop-file-utils
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
