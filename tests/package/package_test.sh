#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from the build tree (no new compile),
# checked like a distribution would (desktop-file-validate, appstreamcli, lintian where
# installed), unpacked into a scratch root with dpkg -x, and run from there: --version, the
# tools over a generated herd, and the menu entry's Exec line under Xvfb with an empty home
# folder (the herd folder is laid out and the main menu shows; a second start finds the same
# herd untouched).
# Usage: package_test.sh BUILD_DIR. Exits 77 (skipped) without cpack's Debian tools.
set -u
build=$1
command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null && command -v file >/dev/null || exit 77

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "$*"; exit 1; }

# 1. The package, from the binaries already built.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/korvel_*_*.deb) || fail "no package made"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the dependencies were not derived from the libraries"

# 2. Checked like a distribution would.
root="$work/root"
dpkg -x "$deb" "$root"
app=$root/usr/share/applications/ru.korvel.Korvel.desktop
for f in usr/bin/korvel usr/bin/korvel-make-workdir usr/bin/korvel-generate-herd usr/bin/korvel-recompute-bulls \
         usr/bin/korvel-evaluate-sires usr/bin/korvel-export-form usr/share/applications/ru.korvel.Korvel.desktop \
         usr/share/icons/hicolor/scalable/apps/ru.korvel.Korvel.svg usr/share/metainfo/ru.korvel.Korvel.metainfo.xml \
         usr/share/man/man1/korvel.1.gz usr/share/doc/korvel/copyright usr/share/doc/korvel/changelog.gz; do
  [ -f "$root/$f" ] || fail "the package lacks /$f"
done
[ -f "$root/usr/bin/korvel-import-scores" ] || fail "the package lacks /usr/bin/korvel-import-scores"
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (./deps.sh installs it)"
command -v appstreamcli >/dev/null || fail "appstreamcli is missing (./deps.sh installs it)"
desktop-file-validate "$app" || fail "desktop-file-validate found faults in the menu entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/ru.korvel.Korvel.metainfo.xml" >"$work/as.log" 2>&1 ||
  { cat "$work/as.log"; fail "appstreamcli found faults in the metadata"; }
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian found faults"; }
fi

# 3. The installed programs, run from the scratch root.
export PATH="$root/usr/bin:$PATH"
[ "$(korvel --version)" = "korvel (Корвель) $(dpkg-deb -f "$deb" Version)" ] || fail "korvel --version: $(korvel --version)"
herd="$work/стадо"
korvel-generate-herd "$herd" --cows 300 --regions 2 --farms-per-region 2 --breeds 1 >/dev/null || fail "korvel-generate-herd failed"
korvel-make-workdir "$herd" >/dev/null || fail "korvel-make-workdir failed"
korvel-recompute-bulls "$herd" >"$work/bulls.txt" || fail "korvel-recompute-bulls failed"
[ -s "$work/bulls.txt" ] || fail "korvel-recompute-bulls printed no bull"
korvel-evaluate-sires "$herd" "$work/профиль.xlsx" --breed 1 || fail "korvel-evaluate-sires failed"
[ "$(head -c 2 "$work/профиль.xlsx")" = "PK" ] || fail "korvel-evaluate-sires wrote no workbook"
korvel-export-form "$herd" "$work/бланк.xlsx" --region 1 >/dev/null || fail "korvel-export-form failed"
[ "$(head -c 2 "$work/бланк.xlsx")" = "PK" ] || fail "korvel-export-form wrote no workbook"

# 4. The menu entry's Exec line, with an empty home folder, under Xvfb and a window manager.
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null || ! command -v openbox >/dev/null; then
  echo "package: ok (the menu entry was not started: Xvfb, xdotool or openbox is missing)"
  exit 0
fi
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
for _ in $(seq 1 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(head -n 1 "$work/display")" QT_QPA_PLATFORM=xcb
openbox --sm-disable --startup "touch $work/wm-ready" >"$work/wm.log" 2>&1 &
for _ in $(seq 1 300); do [ -f "$work/wm-ready" ] && break; sleep 0.1; done
[ -f "$work/wm-ready" ] || { cat "$work/wm.log"; fail "openbox did not start"; }
# xdotool prints window names in the locale's encoding: UTF-8, whatever the caller's locale.
xdo() { LC_ALL=C.UTF-8 xdotool "$@"; }
exec_line=$(sed -n '/^\[Desktop Entry\]/,/^\[/s/^Exec=//p' "$app")
home="$work/home"
mkdir "$home"
# The main menu: the window titled "Корвель" of the menu's size (a message box bears the same title).
menu_window() {
  local w width
  for _ in $(seq 1 600); do
    # Found by its class: in a C locale the legacy WM_NAME, which xdotool's search reads, is
    # not UTF-8; getwindowname reads the UTF-8 _NET_WM_NAME.
    for w in $(xdo search --onlyvisible --classname '^korvel$' 2>/dev/null); do
      [ "$(xdo getwindowname "$w" 2>/dev/null)" = "Корвель" ] || continue
      width=$(xdo getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
      [ "${width:-0}" -ge 1000 ] && echo "$w" && return 0
    done
    sleep 0.1
  done
  return 1
}
# What is on the screen, for a failure's report: the window in front, every visible window
# with its size, what the program and the window manager printed.
describe_screen() {
  echo "window in front: $(xdo getactivewindow getwindowname 2>&1)"
  local v
  for v in $(xdo search --onlyvisible --name '.' 2>/dev/null); do
    echo "visible: $v «$(xdo getwindowname "$v" 2>&1)» $(xdo getwindowgeometry "$v" 2>&1 | sed -n 's/.*Geometry: //p')"
  done
  echo "the program printed:"; cat "$work/start$1.err"
  echo "the window manager printed:"; cat "$work/wm.log"
}
# Starts the entry as the desktop would, waits for the main menu and closes it as a user does.
start_from_menu() {
  (cd "$home" && HOME="$home" XDG_CONFIG_HOME= exec sh -c "$exec_line") 2>"$work/start$1.err" &
  local pid=$!
  local w
  w=$(menu_window) || { describe_screen "$1"; fail "start $1: the main menu did not appear"; }
  [ -f "$home/Корвель/korvel.lock" ] || fail "start $1: the herd folder is not locked"
  # Alt+F4 to the window in front, as a person closes it; a press that got no answer within
  # ten seconds is repeated, as a person would, and told in the log.
  local press
  for press in 1 2 3; do
    if ! xdo windowactivate --sync "$w" key --clearmodifiers alt+F4; then
      kill -0 $pid 2>/dev/null || break
      describe_screen "$1"
      fail "start $1: the main menu could not be brought to the front"
    fi
    for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null || break
    echo "start $1: Alt+F4 number $press was not answered in 10 s"
    describe_screen "$1"
  done
  kill -0 $pid 2>/dev/null && fail "start $1: the program did not end when its main menu was closed"
  wait $pid || { cat "$work/start$1.err"; fail "start $1: the program ended with a failure"; }
}
start_from_menu 1
n=$(ls "$home/Корвель" | grep -c '\.DBF$')
[ "$n" = 6 ] || fail "the herd folder holds $n tables, not 6"
(cd "$home/Корвель" && find . -type f -print0 | sort -z | xargs -0 md5sum) >"$work/first.md5"
start_from_menu 2
(cd "$home/Корвель" && find . -type f -print0 | sort -z | xargs -0 md5sum) >"$work/second.md5"
diff "$work/first.md5" "$work/second.md5" || fail "the second start changed the herd folder"
[ ! -e "$home/.config/korvel/korvel.conf" ] || fail "a herd folder was remembered though none was chosen"
echo "package: ok ($(basename "$deb"), $(du -k "$deb" | cut -f1) KiB)"
