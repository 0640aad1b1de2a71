#!/usr/bin/env bash
# Starts the real program under Xvfb: a window whose title holds a blocking word keeps it from
# starting (it says so and creates no window of its own); without one it shows the main menu.
# Usage: guard_under_xvfb.sh KORVEL BLOCKING_WINDOW MAKE_WORKDIR. Exits 77 (skipped) without Xvfb
# or xdotool.
set -u
korvel=$1 blocker=$2 makeworkdir=$3
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || exit 77

# One attempt in a subshell: its own X server, working folder and programs, all ended on exit.
attempt() (
  # Our own X server on a display number it picks itself (-displayfd), so that tests or
  # programs using other displays at the same time cannot get in the way.
  work=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
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
  for _ in $(seq 1 300); do grep -q "Перед запуском" "$work/err1.txt" && break; sleep 0.1; done
  grep -q 'необходимо закрыть программу "Новости — Мерник 3.1 — Браузер"' "$work/err1.txt" ||
    { echo "no guard message:"; cat "$work/err1.txt"; exit 1; }
  # Only the message box may carry the program's title: no window of the main menu's size.
  for w in $(xdotool search --onlyvisible --name '^Корвель$' 2>/dev/null); do
    width=$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
    [ "${width:-0}" -ge 1000 ] && { echo "the main menu was created although start-up was refused"; exit 1; }
  done
  kill $k1 $blocker_pid 2>/dev/null; wait $k1 $blocker_pid 2>/dev/null

  # 2. Without it the program starts and shows its main menu, titled "Корвель".
  "$korvel" 2>"$work/err2.txt" &
  k2=$!
  wait_for_window '^Корвель$' 30 || { echo "the main menu did not appear"; cat "$work/err2.txt"; exit 1; }
  [ -f "$work/folder/korvel.lock" ] || { echo "no lock file in the working folder"; exit 1; }

  # 3. A second copy now finds the first one's window and refuses.
  "$korvel" 2>"$work/err3.txt" &
  k3=$!
  for _ in $(seq 1 300); do grep -q "Перед запуском" "$work/err3.txt" && break; sleep 0.1; done
  grep -q 'необходимо закрыть программу "Корвель"' "$work/err3.txt" || { echo "second copy not refused"; exit 1; }
  kill $k2 $k3 2>/dev/null
  echo "start-up guard under Xvfb: ok"
)

# A display shared with other X servers on a busy machine can refuse a client now and then:
# one retry tells such a hiccup from a guard that does not work.
attempt && exit 0
echo "first attempt failed; once more with a fresh X server"
attempt
