#!/usr/bin/env bash
# Builds the Debian package build/package/veltrane-hub_<version>_<arch>.deb with Debian's own
# tools (debian/: debhelper driving CMake and Ninja) from a copy of this source tree, then
# checks it: lintian, the menu entry, the AppStream metadata and the list of installed files.
#   scripts/package.sh
#   VELTRANE_ROOT_KEY=<root.pub> scripts/package.sh    with the maker's root key as trust anchor
# Install it with: sudo apt install ./build/package/veltrane-hub_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build/package

bash scripts/setup.sh
version=$(dpkg-parsechangelog -S Version)
project_version=$(sed -n 's/^project(VeltraneHub VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ "$version" != "$project_version" ]; then
  echo "package: debian/changelog says $version, CMakeLists.txt $project_version" >&2
  exit 1
fi
if [ -n "${VELTRANE_ROOT_KEY:-}" ]; then
  VELTRANE_ROOT_KEY=$(realpath "$VELTRANE_ROOT_KEY")
  export VELTRANE_ROOT_KEY
fi

# The build writes into its source folder and puts the package beside it: give it a copy of
# the tracked and new files of this tree, under build/.
src=$out/src/veltrane-hub-$version
rm -rf "$out"
mkdir -p "$src"
git ls-files -z --cached --others --exclude-standard |
  tar --null --files-from=- --ignore-failed-read -cf - | tar -xf - -C "$src"
(cd "$src" && DEB_BUILD_OPTIONS=${DEB_BUILD_OPTIONS:-parallel=2} nice dpkg-buildpackage -b -uc -us)
mv "$out"/src/*.deb "$out"/src/*.changes "$out"/src/*.buildinfo "$out"/
deb=$out/veltrane-hub_${version}_$(dpkg --print-architecture).deb

echo "== lintian"
lintian --display-info "$deb"
contents=$out/contents
dpkg-deb -x "$deb" "$contents"
for program in "$contents"/usr/bin/* "$contents"/usr/libexec/veltrane-hub/*; do
  if readelf -d "$program" | grep -q 'R.*PATH'; then
    echo "package: ${program#"$contents"} has a library search path" >&2
    exit 1
  fi
done
echo "== desktop-file-validate"
desktop-file-validate "$contents/usr/share/applications/apps.veltrane.Hub.desktop"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$contents/usr/share/metainfo/apps.veltrane.Hub.metainfo.xml"

echo "== installed files"
expected=(
  usr/bin/veltrane-catalog usr/bin/veltrane-hub usr/bin/veltrane-pack
  usr/libexec/veltrane-hub/codesign usr/libexec/veltrane-hub/hdiutil
  usr/libexec/veltrane-hub/spctl usr/libexec/veltrane-hub/xattr
  usr/share/applications/apps.veltrane.Hub.desktop
  usr/share/doc/veltrane-hub/changelog.gz usr/share/doc/veltrane-hub/copyright
  usr/share/lintian/overrides/veltrane-hub
  usr/share/icons/hicolor/128x128/apps/apps.veltrane.Hub.png
  usr/share/icons/hicolor/256x256/apps/apps.veltrane.Hub.png
  usr/share/icons/hicolor/48x48/apps/apps.veltrane.Hub.png
  usr/share/icons/hicolor/scalable/apps/apps.veltrane.Hub.svg
  usr/share/man/man1/veltrane-catalog.1.gz usr/share/man/man1/veltrane-hub.1.gz
  usr/share/man/man1/veltrane-pack.1.gz
  usr/share/metainfo/apps.veltrane.Hub.metainfo.xml
)
[ -n "${VELTRANE_ROOT_KEY:-}" ] && expected+=(usr/share/veltrane-hub/anchors/veltrane-root.pub)
if ! diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$contents" && find . ! -type d | sed 's|^\./||' | sort); then
  echo "package: the installed files differ from the list above (< expected, > packaged)" >&2
  exit 1
fi
[ -d "$contents/usr/share/veltrane-hub/anchors" ] || { echo "package: no anchors folder" >&2; exit 1; }
echo "package: $deb"
