#!/usr/bin/env bash
# The visual controls on a real X server, used as a person uses them: xdotool clicks the HTML
# label's anchors, a tab, drags and selects diagram items and a link, opens the calendar (it
# must sit below its field; keys and a click move the day; Escape gives back the opening date),
# types into the calculator and prints its tape to the "PDF" printer (read back with
# pdftotext), and picks an entry from the pick list. Screenshots are saved and checked.
# Usage: visual_controls_x11.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
prog="$1"
out="$2"
source "$(dirname "$0")/../../x11_common.sh"
x11_screen 1024x768 "$@"
mkdir -p "$out"
log="$out/visual_controls_events.log"
pdf="$out/calculator_tape.pdf"
rm -f "$log" "$pdf" "$out"/visual_*.png

wait_for() { x11_wait_for "$1"; }
# calendar_shown N: waits until the calendar has shown N times.
calendar_shown() {
  x11_until eval '[ "$(grep -c "^calendar shown$" "$log")" = '"$1"' ]' || fail "the calendar did not show (time $1)"
}

x11_start "Visual controls" "$pdf"
read -r wx wy ww wh < <(box window)

# The label's anchors: one to the form, one to the shell.
click record
wait_for '^anchor showrecord$'
click site
wait_for '^shell open '
# A tab.
click tab2
wait_for '^tab 2$'
# The diagram: drag the parent item by its caption, then select the child and the first link.
# (Each step of the drag reaches the X server before the next: --sync.)
read -r px py < <(at Parent-caption)
xdotool mousemove --sync "$px" "$py" mousedown 1
for step in 1 2 3 4 5 6; do xdotool mousemove --sync $((px + step * 10)) $((py + step * 5)); done
xdotool mouseup 1
wait_for '^items Parent=80,50 '
click Child-body
wait_for '^selected item Child$'
settled "$out/visual_main.png" "$wx" "$wy" "$ww" "$wh" || fail "the form did not stop changing"

# The calendar below its field: Right, Right, Down and Enter pick 31 January + 9 days.
click Calendar
calendar_shown 1
read -r cx cy cw ch < <(box calendar)
read -r fx fy fh < <(grep '^at field ' "$log" | awk '{print $3, $4, $5}')
[ "$cx" = "$fx" ] || fail "the calendar's left $cx is not its field's $fx"
[ "$cy" = $((fy + fh)) ] || fail "the calendar's top $cy is not below its field ($fy + $fh)"
settled "$out/visual_calendar.png" "$cx" "$cy" "$cw" "$ch" || fail "the calendar did not stop changing"
xdotool key Right Right Down Return
wait_for '^calendar ok'
# Again: Right, then Escape gives back the opening date.
click Calendar
calendar_shown 2
xdotool key Right Escape
wait_for '^calendar cancel'
# And a click on the 15th picks it.
click Calendar
calendar_shown 3
click day15
wait_for '^calendar ok 2024-2-15$'

# The calculator: typed keys, its tape printed to the PDF printer, then Quit.
click Calculator
wait_for '^calculator shown$'
read -r kx ky kw kh < <(box calculator)
until_changed "$out/visual_calculator.png" "$kx" "$ky" "$kw" "$kh" xdotool type --delay 80 "12+30%" ||
  fail "the calculator showed nothing of what was typed"
settled "$out/visual_calculator.png" "$kx" "$ky" "$kw" "$kh" || fail "the calculator did not stop changing"
# Print: the print dialog prints the tape into the PDF file.
click key7
x11_print_to "$pdf" "$out/visual_print_dialog.png"
click key27
wait_for '^calculator value'

# The pick list: choose Gamma and confirm.
click Pick
wait_for '^pick shown$'
read -r qx qy qw qh < <(box pick)
click gamma
# Its size grip: dragged 80 to the right and 60 down, the window grows by as much.
read -r gx gy < <(at grip)
xdotool mousemove --sync "$gx" "$gy" mousedown 1
for step in 1 2 3 4; do xdotool mousemove --sync $((gx + step * 20)) $((gy + step * 15)); done
xdotool mouseup 1
wait_for "^pick sized $((qw + 80)) $((qh + 60))\$"
settled "$out/visual_pick.png" "$qx" "$qy" "$((qw + 80))" "$((qh + 60))" || fail "the grown pick list did not stop changing"
click ok
wait_for '^pick [0-9]'

x11_stop

expect() { grep -qx "$1" "$log" || fail "expected '$1'"; }
expect "anchor showrecord"
expect "shell open http://example.org/"
expect "tab 2"
expect "selected item Child"
grep -q '^items Parent=80,50 ' "$log" || fail "the parent item was not dragged to 80,50"
expect "calendar ok 2024-2-9"
expect "calendar cancel 2024-2-9"
expect "calendar ok 2024-2-15"
expect "calculator value 15.60 quit"
expect "pick 1 2 Gamma"
[ -s "$pdf" ] || fail "no PDF of the tape"
pdftotext -layout "$pdf" "$out/calculator_tape.txt"
for line in 'Calculator' '12.00' '30.00 %+' '15.60 %='; do
  grep -qF -- "$line" "$out/calculator_tape.txt" || fail "'$line' is not on the printed tape"
done

# The pictures: the label's red word, the diagram's link line, the calendar's selected day.
/usr/bin/python3 - "$out" <<'PY' || fail "screenshot check"
import sys
from PIL import Image
out = sys.argv[1]
main = Image.open(out + "/visual_main.png").convert("RGB")
px = main.load()
w, h = main.size
reds = sum(1 for y in range(40, 110) for x in range(0, 340) if px[x, y][0] > 180 and px[x, y][1] < 80 and px[x, y][2] < 80)
assert reds > 10, "no red text in the label"
blues = sum(1 for y in range(40, 110) for x in range(0, 340) if px[x, y][2] > 180 and px[x, y][0] < 80 and px[x, y][1] < 80)
assert blues > 10, "no blue anchor text in the label"
cal = Image.open(out + "/visual_calendar.png").convert("RGB")
cp = cal.load()
navy = sum(1 for y in range(cal.size[1]) for x in range(cal.size[0]) if cp[x, y] == (0, 0, 128))
assert navy > 50, "no selected day on the calendar"
pick = Image.open(out + "/visual_pick.png").convert("RGB")
pp = pick.load()
pw, ph = pick.size
# The grown window's grip: its shadow lines in the new bottom-right corner.
grip = sum(1 for y in range(ph - 17, ph) for x in range(pw - 17, pw) if pp[x, y] == (128, 128, 128))
assert grip > 10, "no size grip in the grown pick list's corner"
calc = Image.open(out + "/visual_calculator.png").convert("RGB")
assert calc.size[0] > 200 and calc.size[1] > 200, "calculator shot too small"
PY

echo "visual_controls_x11: all events seen; screenshots in $out"
