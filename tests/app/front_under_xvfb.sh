#!/usr/bin/env bash
# Under Xvfb and a window manager: a workbook window that appears after the watch began, one
# behind the program's window and one minimised are each brought to the front and focused;
# a window that never appears is reported as not shown.
# Usage: front_under_xvfb.sh BLOCKING_WINDOW FRONT_DRIVER. Exits 77 (skipped) without Xvfb,
# xdotool or openbox.
set -u
window=$1 driver=$2
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v openbox >/dev/null || exit 77

(
  work=$(mktemp -d)
  Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
  for _ in $(seq 1 300); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n 1 "$work/display")"
  export QT_QPA_PLATFORM=xcb
  openbox --sm-disable --startup "touch $work/wm-ready" >"$work/wm.log" 2>&1 &
  for _ in $(seq 1 300); do [ -f "$work/wm-ready" ] && break; sleep 0.1; done
  [ -f "$work/wm-ready" ] || { echo "the window manager did not start:"; cat "$work/wm.log"; exit 1; }

  find_window() {  # title regex; seconds -> the window's id
    for _ in $(seq 1 $(($2 * 10))); do
      xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep . && return 0
      sleep 0.1
    done
    return 1
  }
  active_title() { xdotool getactivewindow getwindowname 2>/dev/null; }
  expect_active() {  # title regex; what
    for _ in $(seq 1 50); do active_title | grep -q "$1" && return 0; sleep 0.1; done
    echo "$2: the active window is «$(active_title)»"
    exit 1
  }
  workbook="Профиль_Тест_10.12.2026.xlsx - Calc"

  # 1. The watch starts before the workbook's window exists, as it does after the hand-over.
  "$window" "Корвель" &
  program=$(find_window '^Корвель$' 30) || { echo "the program's window did not appear"; exit 1; }
  "$driver" "Профиль_Тест" 30000 &
  watch=$!
  sleep 1
  "$window" "$workbook" &
  wait $watch || { echo "a workbook window that appeared later was not found"; exit 1; }
  book=$(find_window "Профиль_Тест" 10) || { echo "the workbook window did not appear"; exit 1; }

  # 2. Behind the program's window it comes forward.
  xdotool windowactivate --sync "$program" 2>/dev/null
  expect_active '^Корвель$' "the program's window could not be activated"
  "$driver" "Профиль_Тест" 5000 || { echo "the workbook window behind was not found"; exit 1; }
  expect_active "Профиль_Тест" "a workbook behind the program stayed behind"

  # 3. Minimised, it is restored and comes forward.
  for _ in $(seq 1 100); do
    xdotool windowminimize "$book" 2>/dev/null
    sleep 0.2
    xdotool search --onlyvisible --name "Профиль_Тест" >/dev/null 2>&1 || break
  done
  xdotool windowactivate --sync "$program" 2>/dev/null
  expect_active '^Корвель$' "the program's window could not be activated"
  "$driver" "Профиль_Тест" 5000 || { echo "the minimised workbook window was not found"; exit 1; }
  expect_active "Профиль_Тест" "a minimised workbook was not restored"

  # 4. A window that never appears: the watch ends, saying so, and nothing else is touched.
  xdotool windowactivate --sync "$program" 2>/dev/null
  "$driver" "Профиль_Другой" 1000 && { echo "a window that is not there was reported shown"; exit 1; }
  expect_active '^Корвель$' "another window took the front"
  echo "workbook to the front under Xvfb: ok"
)
