#!/usr/bin/env bash
# make_installer.sh BUILD_DIR OUT_DIR: from the Windows build tree BUILD_DIR (./build.sh --windows),
# the program's folder (cmake --install, stripped), its portable korvel-<version>-windows.zip and
# the installer korvel-<version>-setup.exe (NSIS), in OUT_DIR. Prints the two files' names.
set -euo pipefail
build=$(realpath "$1") out=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "$build is not a configured build tree" >&2; exit 1; }
folder="$out/korvel-$version"
rm -rf "$folder" "$out/korvel-$version-windows.zip" "$out/korvel-$version-setup.exe"
cmake --install "$build" --prefix "$folder" --strip >/dev/null
# The DLLs come with their symbols (the compiler's runtime most of all): not needed to run.
find "$folder" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
(cd "$out" && zip -qr -X "korvel-$version-windows.zip" "korvel-$version")
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSOURCE="$folder" \
         -DOUTFILE="$out/korvel-$version-setup.exe" "$here/korvel.nsi" >&2
echo "$out/korvel-$version-setup.exe"
echo "$out/korvel-$version-windows.zip"
