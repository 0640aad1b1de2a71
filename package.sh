#!/usr/bin/env bash
# Builds the Debian package of Корвель (korvel_<version>_<arch>.deb, in this folder) from the
# build tree ./build, and checks it as a distribution would: desktop-file-validate on the menu
# entry, appstreamcli on the metadata, lintian on the package. Install it with
#   sudo apt install ./korvel_*.deb
# --windows: the Windows installer korvel-<version>-setup.exe and the portable
# korvel-<version>-windows.zip (in this folder) from the Windows build tree ./build-win.
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = "--windows" ]; then
  ./deps.sh --windows
  ./build.sh --windows
  rm -f korvel-*-setup.exe korvel-*-windows.zip
  made=$(packaging/windows/make_installer.sh build-win build-win)
  cp $made .
  echo "Готово: $(basename -a $made | tr '\n' ' ')"
  exit
fi
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
