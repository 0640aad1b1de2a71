#!/usr/bin/env bash
# Installs the Debian 12 packages Корвель needs to build, test and run, when any is missing;
# with --package also what ./package.sh checks the package with (lintian); with --windows what
# ./build.sh --windows cross-builds with and what runs the result (mingw-w64, Wine, NSIS, zip).
# Works as root and as a user with sudo.
set -euo pipefail
PACKAGES=(build-essential cmake pkg-config qt6-base-dev libxkbcommon-dev libzip-dev libdeflate-dev
          libjpeg-dev libx11-dev libgtest-dev libbenchmark-dev xvfb xdotool openbox xdg-utils fonts-dejavu-core fonts-paratype
          python3-dbfread python3-dbf gdal-bin file desktop-file-utils appstream
          libreoffice-calc-nogui gnumeric fonts-crosextra-carlito fonts-liberation2 poppler-utils qpdf)
[ "${1:-}" = "--package" ] && PACKAGES+=(lintian)
[ "${1:-}" = "--windows" ] && PACKAGES+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
                                        ninja-build qt6-base-dev-tools wine64 nsis zip xz-utils imagemagick)
# clang's libFuzzer runtime, for the DBF reader's fuzz run in test.sh, where clang is present.
command -v clang++-14 >/dev/null && PACKAGES+=(libclang-rt-14-dev)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Нужны права root или sudo, чтобы установить: ${missing[*]}" >&2; exit 1; }
  SUDO="sudo"
fi
echo "Устанавливаются пакеты: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
