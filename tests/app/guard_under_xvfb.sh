#!/usr/bin/env bash
# Starts the real program under Xvfb: a window whose title holds a blocking word keeps it from
# starting (it says so and creates no window of its own); without one it shows the main menu,
# even beside a window whose title merely holds the program's name.
# A minimised window blocks as well (under a window manager, which unmaps it).
# Usage: guard_under_xvfb.sh KORVEL BLOCKING_WINDOW MAKE_WORKDIR. Exits 77 (skipped) without Xvfb,
# xdotool or openbox.
set -u
korvel=$1 blocker=$2 makeworkdir=$3
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v openbox >/dev/null || exit 77

# The whole check in a subshell: its own X server, working folder and programs, all ended on exit.
(
  # Our own X server on a display number it picks itself (-displayfd), so that tests or
  # programs using other displays at the same time cannot get in the way. Without -noreset the
  # server starts over each time its last client leaves (every xdotool query while no program
  # is up), making its sockets anew: a program connecting just then found no display, which
  # made this test fail now and then on a busy machine.
  work=$(mktemp -d)
  Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb=$!
  trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
  for _ in $(seq 1 300); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n 1 "$work/display")"
  export QT_QPA_PLATFORM=xcb
  "$makeworkdir" "$work/folder" >/dev/null || { echo "make-workdir failed"; exit 1; }
  cd "$work/folder"

  wait_for_window() {  # title regex; seconds
    for _ in $(seq 1 $(($2 * 10))); do
      xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    return 1
  }

  # 1. A browser-like window with "Мерник" in the middle of its title blocks the start.
  "$blocker" "Новости — Мерник 3.1 — Браузер" &
  blocker_pid=$!
  wait_for_window "Мерник" 30 || { echo "the blocking window did not appear"; exit 1; }
  "$korvel" 2>"$work/err1.txt" &
  k1=$!
  for _ in $(seq 1 300); do grep -qs "Перед запуском" "$work/err1.txt" && break; sleep 0.1; done
  grep -q 'необходимо закрыть программу "Новости — Мерник 3.1 — Браузер"' "$work/err1.txt" ||
    { echo "no guard message:"; cat "$work/err1.txt"; exit 1; }
  # Only the message box may carry the program's title: no window of the main menu's size.
  for w in $(xdotool search --onlyvisible --name '^Корвель$' 2>/dev/null); do
    width=$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
    [ "${width:-0}" -ge 1000 ] && { echo "the main menu was created although start-up was refused"; exit 1; }
  done
  kill $k1 $blocker_pid 2>/dev/null; wait $k1 $blocker_pid 2>/dev/null

  # 2. Without it the program starts and shows its main menu, titled "Корвель". A terminal
  #    showing the herd folder ~/Корвель is no copy of the program and does not keep it away.
  "$blocker" "user@pc: ~/Корвель" &
  wait_for_window "user@pc" 30 || { echo "the terminal-like window did not appear"; exit 1; }
  "$korvel" 2>"$work/err2.txt" &
  k2=$!
  wait_for_window '^Корвель$' 30 || { echo "the main menu did not appear"; cat "$work/err2.txt"; exit 1; }
  [ -f "$work/folder/korvel.lock" ] || { echo "no lock file in the working folder"; exit 1; }

  # 3. A second copy now finds the first one's window and refuses.
  "$korvel" 2>"$work/err3.txt" &
  k3=$!
  for _ in $(seq 1 300); do grep -qs "Перед запуском" "$work/err3.txt" && break; sleep 0.1; done
  grep -q 'необходимо закрыть программу "Корвель"' "$work/err3.txt" || { echo "second copy not refused"; exit 1; }
  kill $k2 $k3 2>/dev/null; wait $k2 $k3 2>/dev/null

  # 4. Under a window manager a minimised window still blocks: the manager unmaps it and marks
  #    it iconic, and it is still open.
  openbox --sm-disable --startup "touch $work/wm-ready" >"$work/wm.log" 2>&1 &
  for _ in $(seq 1 300); do [ -f "$work/wm-ready" ] && break; sleep 0.1; done
  [ -f "$work/wm-ready" ] || { echo "the window manager did not start:"; cat "$work/wm.log"; exit 1; }
  "$blocker" "Тавлея — ведомость" &
  wait_for_window "Тавлея" 30 || { echo "the second blocking window did not appear"; exit 1; }
  tavleya=$(xdotool search --onlyvisible --name "Тавлея" | head -n 1)
  # The request may come before the manager has taken the new window: ask until it is gone.
  for _ in $(seq 1 100); do
    xdotool windowminimize "$tavleya" 2>/dev/null
    sleep 0.2
    xdotool search --onlyvisible --name "Тавлея" >/dev/null 2>&1 || break
  done
  xdotool search --onlyvisible --name "Тавлея" >/dev/null 2>&1 &&
    { echo "the window manager did not minimise the window"; cat "$work/wm.log"; exit 1; }
  "$korvel" 2>"$work/err4.txt" &
  k4=$!
  for _ in $(seq 1 300); do grep -qs "Перед запуском" "$work/err4.txt" && break; sleep 0.1; done
  grep -q 'необходимо закрыть программу "Тавлея — ведомость"' "$work/err4.txt" ||
    { echo "a minimised window did not block:"; cat "$work/err4.txt"; exit 1; }
  kill $k4 2>/dev/null
  echo "start-up guard under Xvfb: ok"
)
