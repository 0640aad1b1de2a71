#!/usr/bin/env bash
# The Windows installer as a user gets it, under Wine in a fresh Wine prefix and under Xvfb: made
# from the build tree (no new compile), installed silently (/S) under Program Files with its two
# Start-menu entries; the entry "Корвель" started as the Start menu starts it lays out the herd
# folder Documents\Корвель and shows the main menu; the uninstaller removes the program and its
# entries and leaves the herd folder as it was. The portable .zip holds the same folder.
# Usage: installer_test.sh BUILD_DIR [SCREENSHOT.png]. Exits 77 (skipped) without makensis, Xvfb or
# xdotool.
set -u
build=$1 shot=${2:-}
command -v makensis >/dev/null && command -v Xvfb >/dev/null && command -v xdotool >/dev/null || exit 77
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" HOME=$work/home
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM
wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver
trap 'kill $(jobs -p) 2>/dev/null; "$wineserver" -k 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }
mkdir -p "$HOME"

# 1. The installer and the portable folder, from the binaries already built.
made=$("$here/../../packaging/windows/make_installer.sh" "$build" "$work" 2>"$work/make.log") ||
  { cat "$work/make.log"; fail "the installer was not made"; }
setup=$(echo "$made" | head -n 1) zip=$(echo "$made" | tail -n 1)
folder=${setup%-setup.exe}
diff <(cd "$work" && find "$(basename "$folder")" -type f | sort) <(unzip -Z1 "$zip" | grep -v '/$' | sort) ||
  fail "the .zip does not hold the program's folder"

# 2. A display and a Windows of our own.
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
for _ in $(seq 1 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(head -n 1 "$work/display")"
"$wine" wineboot --init >/dev/null 2>&1 || fail "wineboot failed"
c=$WINEPREFIX/drive_c
installed=$c/Program\ Files/Korvel
menu=$c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
documents=$c/users/$(id -un)/Documents

# 3. The silent install.
"$wine" "$setup" /S >/dev/null 2>&1 || fail "the silent install failed"
for f in korvel.exe make-workdir.exe generate-herd.exe recompute-bulls.exe evaluate-sires.exe export-form.exe uninstall.exe \
         Qt6Widgets.dll libstdc++-6.dll platforms/qwindows.dll fonts/PTN57F.ttf; do
  [ -f "$installed/$f" ] || fail "not installed: Program Files\\Korvel\\$f"
done
[ -f "$installed/import-scores.exe" ] || fail "not installed: Program Files\\Korvel\\import-scores.exe"
for entry in "Корвель" "Корвель — демонстрационное стадо"; do
  [ -f "$menu/$entry.lnk" ] || fail "no Start-menu entry \"$entry\""
done

# 4. The entry "Корвель" started as the Start menu starts it, over a new herd.
"$wine" start 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Корвель.lnk' 2>"$work/err.txt"
for _ in $(seq 1 600); do xdotool search --onlyvisible --name '^Корвель$' >/dev/null 2>&1 && break; sleep 0.1; done
xdotool search --onlyvisible --name '^Корвель$' >/dev/null 2>&1 || { cat "$work/err.txt"; fail "the main menu did not appear"; }
sleep 2
[ -n "$shot" ] && import -window root "$shot"
herd=$documents/Корвель
[ -f "$herd/KOROVA.DBF" ] && [ -f "$herd/BIK.DBF" ] || fail "no herd laid out in Documents\\Корвель ($herd)"
"$wineserver" -k
cp -r "$herd" "$work/herd-before"

# 5. The uninstaller removes the program and its entries and leaves the herd folder alone.
"$wine" "$installed/uninstall.exe" /S >/dev/null 2>&1 || fail "the uninstaller failed"
for _ in $(seq 1 300); do [ -e "$installed/korvel.exe" ] || break; sleep 0.1; done
"$wineserver" -w
[ -e "$installed" ] && fail "the program's folder is still there: $(ls "$installed")"
[ -e "$menu/Корвель.lnk" ] && fail "the Start-menu entry is still there"
diff -r "$work/herd-before" "$herd" >/dev/null || fail "the uninstaller touched the herd folder"
echo "installer under Wine: installed, started from the Start menu over a new herd, uninstalled, herd kept: ok"
