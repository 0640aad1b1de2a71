#!/usr/bin/env bash
# The cows window driven from outside under Xvfb, as a person drives it: in editing mode a
# refused value is typed into each of the three trait grids, each message is answered by a
# mouse click on its OK, and the program must still be running; a valid value typed into the
# same cell afterwards and written must land in exactly that cow of KOROVA.DBF.
# Usage: cow_card_under_xvfb.sh KORVEL MAKE_WORKDIR GENERATE_HERD. Exits 77 (skipped) without
# Xvfb, xdotool or Python's dbfread.
set -u
korvel=$1 makeworkdir=$2 generateherd=$3
python=/usr/bin/python3
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || exit 77
"$python" -c 'import dbfread' 2>/dev/null || exit 77

attempt() (
  work=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
  for _ in $(seq 1 300); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n 1 "$work/display")"
  export QT_QPA_PLATFORM=xcb
  folder="$work/folder"
  "$makeworkdir" "$folder" >/dev/null || { echo "make-workdir failed"; exit 1; }
  # One region, one farm: the window opens on that farm's first cow.
  "$generateherd" "$folder" --cows 30 --regions 1 --farms-per-region 1 --breeds 2 --seed 3 >/dev/null ||
    { echo "generate-herd failed"; exit 1; }
  cp "$folder/KOROVA.DBF" "$work/before.dbf"
  cd "$folder"

  wait_for_window() {  # title regex; seconds
    for _ in $(seq 1 $(($2 * 10))); do
      xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    return 1
  }
  alive() { kill -0 "$k" 2>/dev/null || { wait "$k"; echo "Корвель ended (exit status $?) $1"; exit 1; }; }
  # The message box: the smallest window titled "Корвель" (the main menu bears the same title).
  message_box() {
    for w in $(xdotool search --onlyvisible --name '^Корвель$' 2>/dev/null); do
      xdotool getwindowgeometry --shell "$w" | tr '\n' ' '
      echo
    done | awk '{ for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
                  if (v["WIDTH"] < 600) print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"] }' | head -n 1
  }
  click() { xdotool mousemove "$1" "$2" click 1; sleep 0.3; }

  "$korvel" 2>"$work/err.txt" &
  k=$!
  wait_for_window '^Корвель$' 30 || { echo "the main menu did not appear"; cat "$work/err.txt"; exit 1; }
  sleep 0.5
  # "коровы" is the fifth button of the main menu's focus chain.
  xdotool key Tab Tab Tab Tab Tab space
  wait_for_window '^Коровы$' 30 || { echo "the cows window did not open"; exit 1; }
  sleep 1
  alive "while opening the cows window"

  # The cows window sits at the top-left corner at its fixed layout: "Исправлять характеристики"
  # and "Записать корректировки характеристик" below the linear grid; the value cells of the
  # linear grid's first line, the defect grid's second line (its first is a heading) and the
  # complex grid's first line.
  click 343 506
  cells=("409 80" "684 100" "932 96")
  refused=("30" "+++" "101")
  valid=("7" "++" "64")
  for i in 0 1 2; do
    read -r x y <<<"${cells[$i]}"
    click "$x" "$y"
    xdotool type --delay 120 "${refused[$i]}"
    box=""
    for _ in $(seq 1 50); do box=$(message_box); [ -n "$box" ] && break; sleep 0.1; done
    [ -n "$box" ] || { echo "no message for \"${refused[$i]}\""; exit 1; }
    read -r bx by bw bh <<<"$box"
    # OK sits at the bottom right of the box.
    click $((bx + bw - 51)) $((by + bh - 24))
    sleep 1.5
    alive "after OK on the message for \"${refused[$i]}\""
    [ -z "$(message_box)" ] || { echo "the click did not close the message for \"${refused[$i]}\""; exit 1; }
    # The emptied cell is still the current one: typing goes straight into it.
    xdotool type --delay 120 "${valid[$i]}"
    xdotool key Return
    sleep 0.3
    [ -z "$(message_box)" ] || { echo "\"${valid[$i]}\" was refused"; exit 1; }
  done
  click 343 536
  sleep 1
  alive "after writing the corrections"

  "$python" - "$work/before.dbf" "$folder/KOROVA.DBF" <<'PY' || exit 1
import re, sys, dbfread
before, after = (list(dbfread.DBF(p, encoding="cp1251", raw=True)) for p in sys.argv[1:3])
if len(before) != len(after):
    sys.exit("KOROVA.DBF has %d records instead of %d" % (len(after), len(before)))
changed = [i for i, (b, a) in enumerate(zip(before, after)) if b != a]
first = next(i for i, r in enumerate(before) if r["KODREG"].strip() not in (b"", b"0"))
if changed != [first]:
    sys.exit("changed records %s, expected only the farm's first cow, record %d" % (changed, first + 1))
b, a = before[first], after[first]
fields = {k: a[k].strip().decode("cp1251") for k in a if a[k] != b[k]}
kinds = sorted((re.sub(r"\d+$", "", k.lower()), v) for k, v in fields.items())
if kinds != [("x", "7"), ("xx", "++"), ("xxx", "64")]:
    sys.exit("fields written into the cow: %s" % fields)
PY
  kill "$k" 2>/dev/null
  echo "cows window under Xvfb: refusals answered by OK, corrections written: ok"
)

# A display shared with other X servers on a busy machine can refuse a client now and then:
# one retry tells such a hiccup from a fault.
attempt && exit 0
echo "first attempt failed; once more with a fresh X server"
attempt
