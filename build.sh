#!/usr/bin/env bash
# Configures and builds Корвель in ./build (Release with debug info).
# --windows: cross-builds the program, the tools and the tests for 64-bit Windows in ./build-win
# (Release), with the Windows build kit korvel-mingw.tar.xz (KORVEL_WINDOWS_KIT names it, by
# default the copy kept in packaging/windows/kit) unpacked into build-win/kit; see README, "Windows".
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = "--windows" ]; then
  kit=${KORVEL_WINDOWS_KIT:-packaging/windows/kit/korvel-mingw.tar.xz}
  [ -f "$kit" ] || { echo "Нет набора для сборки под Windows: $kit (укажите его в KORVEL_WINDOWS_KIT)" >&2; exit 1; }
  if [ ! -f build-win/kit/unpacked ] || [ "$kit" -nt build-win/kit/unpacked ]; then
    rm -rf build-win/kit && mkdir -p build-win/kit
    tar -xJf "$kit" -C build-win/kit
    touch build-win/kit/unpacked
  fi
  cmake -G Ninja -S . -B build-win -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-toolchain.cmake \
        -DKORVEL_MINGW_ROOT="$PWD/build-win/kit/korvel-mingw" -DKORVEL_BENCH=OFF ${KORVEL_CMAKE_ARGS:-} >/dev/null
  cmake --build build-win -j"$(nproc)"
  exit 0
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo ${KORVEL_CMAKE_ARGS:-} >/dev/null
cmake --build build -j"$(nproc)"
