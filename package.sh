#!/usr/bin/env bash
# Builds the Debian package of Корвель (korvel_<version>_<arch>.deb, in this folder) from the
# build tree ./build, and checks it as a distribution would: desktop-file-validate on the menu
# entry, appstreamcli on the metadata, lintian on the package. Install it with
#   sudo apt install ./korvel_*.deb
set -euo pipefail
cd "$(dirname "$0")"
./deps.sh --package
./build.sh
rm -rf build/package korvel_*.deb
cpack -G DEB --config build/CPackConfig.cmake -B build/package >build/cpack.log 2>&1 || { cat build/cpack.log; exit 1; }
cp build/package/korvel_*.deb .
deb=$(ls korvel_*.deb)

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error,warning "$deb"
echo "Пакет готов: $deb. Установка: sudo apt install ./$deb"
