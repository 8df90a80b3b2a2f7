#!/usr/bin/env bash
# The grid on a real X server, used as a person uses it: xdotool clicks a cell and types (the
# in-place editor opens with the first character), Enter writes and advances, Escape puts the
# text back, header clicks sort, a drag on a header border sizes a column and a double click
# fits it, the wheel and the scroll bar scroll, and each child editor (combo, spin, date, check
# box, edit with button, unit edit) opens and writes back. In a second window columns and rows
# are dragged by their headers: the caption window follows the mouse, green arrows mark the
# drop place, a drag past the edge scrolls, the release moves the column or row. The program
# logs the grids' state; screenshots are saved beside the log and their pixels checked.
# Usage: grid_x11.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
prog="$1"
out="$2"
source "$(dirname "$0")/../../../x11_common.sh"
x11_screen 1400x600 "$@"
mkdir -p "$out"
log="$out/grid_events.log"
shot="$out/grid_x11.png"
combo_shot="$out/grid_x11_combo.png"
move_shot="$out/grid_x11_move.png"
rm -f "$log" "$shot" "$combo_shot" "$move_shot"

fail_lines=15
x11_start "Grid interaction"

# The newest place: the program writes the places again when the layout changes, in the same
# tick as the state line that shows the change (each step waits for that line first).
at() { grep "^at $1 " "$log" | tail -1 | awk '{print $3, $4}'; }
state() { grep '^state ' "$log" | tail -1; }
expect_state() {
  x11_poll 20 "state | grep -qF -- 1" x11_holds 'state | grep -qF -- "$1"' "$@" && return 0
  fail "expected '$1' in the state: $(state)"
}
key() { xdotool key "$@"; }
shoot() {
  read -r wx wy ww wh < <(box window)
  /usr/bin/python3 -c "
import sys
from PIL import ImageGrab
x, y, w, h = map(int, sys.argv[2:])
ImageGrab.grab().crop((x, y, x + w, y + h)).save(sys.argv[1])" "$1" "$wx" "$wy" "$ww" "$wh"
}

# Click a cell and type: the editor opens with the first character; Enter writes and advances.
click c1r1
xdotool type --delay 80 "hello"
expect_state "editor=text"
key Return
expect_state "c1r1=hello |"
expect_state "editor=none"
expect_state "col=2"

# Escape puts the cell's text back.
click c1r2
xdotool type --delay 80 "zz"
expect_state "c1r2=zz |"
key Escape
expect_state "c1r2=row 998 |"

# A drag on the border after column 1 sizes it; a double click on the border of column 3 fits
# the column to its longest text.
read -r bx by < <(at border1)
xdotool mousemove "$bx" "$by" mousedown 1 mousemove $((bx + 20)) "$by" mousemove $((bx + 40)) "$by" mouseup 1
expect_state "w1=119 "
xdotool mousemove $(at border3) click --repeat 2 --delay 80 1
# state_number NAME: the number NAME=... of the grid's state line (0 when there is none yet).
state_number() { x11_value=$(state | sed -n "s/.* $1=\([0-9]*\) .*/\1/p"); x11_value=${x11_value:-0}; }
state_above() { state_number "$1"; [ "$x11_value" -gt "$2" ]; }  # state_above NAME N
x11_poll 20 "column 3 wider than 120" state_above w3 120 || true
w3=$x11_value
[ "$w3" -gt 120 ] || fail "the double click did not fit column 3 to its text (width $w3)"

# The wheel moves the current row by three lines a notch; the scroll bar's arrow scrolls.
click c3r3
expect_state "row=3 "
xdotool click 5
expect_state "row=6 "
xdotool mousemove $(at scrolldown) click --repeat 4 --delay 150 1
x11_poll 20 "the grid scrolled" state_above top 1 || true
top=$x11_value
[ "$top" -gt 1 ] || fail "the scroll bar did not scroll (top $top)"
key ctrl+Home
expect_state "top=1 "

# Spin editor: Enter opens it, PgUp steps (Up and Down end the edit), Enter writes it back.
click c3r1
key Return
expect_state "editor=spin"
key Prior
key Return
expect_state "c3r1=42 |"

# Check box: Space toggles it, Enter ends the edit.
click c5r1
key Return
expect_state "editor=check"
key space
x11_wait_for '^check 1'

# Enter ends the edit and advances into the next cell's editor: the edit with button.
key Return
expect_state "col=6 "
expect_state "editor=button"

# Edit with button: its button runs the ellipsis step; Enter writes the text back.
# (The step writes "picked" into the editor, which then shows it.)
read -r ex ey < <(at ellipsis)
read -r wx wy ww wh < <(box grid)
until_changed "$out/grid_ellipsis.png" "$wx" "$wy" "$ww" "$wh" xdotool mousemove "$ex" "$ey" click 1 ||
  fail "the ellipsis button changed nothing"
key Return
expect_state "c6r1=picked |"

# Unit edit (opened by the advance): the value and its unit come back together.
expect_state "editor=unit"
key End
xdotool type --delay 80 "0"
key Return
expect_state "c7r1=50kg |"
expect_state "row=2 col=1 "
key Escape

# Date picker: the picked date comes back as the locale's short date.
click c4r1
key Return
expect_state "editor=date"
key Return
x11_until eval "state | grep -q 'c4r1=[0-9]*/[0-9]*/[0-9]* |'" || fail "the date picker wrote no date: $(state)"

# Combo box: open its list, choose the next item, screenshot, and write it back.
click c2r1
key Return
expect_state "editor=combo"
before=$(x11_visible)
key F4
list=$(x11_new_window "$before") || fail "F4 dropped down no list"
read -r wx wy ww wh < <(box window)
settled "$combo_shot" "$wx" "$wy" "$ww" "$wh" || fail "the combo box's list did not stop changing"
key Down
key Return
x11_closed "$list" || fail "Return did not close the combo box's list"
# The list's Return chooses the item; a second Return ends the edit when the first did not.
x11_until eval "state | grep -q 'editor=none\|editor=combo'" || fail "no editor state: $(state)"
state | grep -q 'editor=combo' && key Return
expect_state "c2r1=Banana |"

# A header click sorts ascending, a Shift click on it reverses.
click c1r0
x11_wait_for '^sort 1 up'

expect_state "c1r1=hello |"
xdotool mousemove $(at c1r0) keydown shift click 1 keyup shift
x11_wait_for '^sort 1 down'

expect_state "c1r1=row 998 |"

# The second window: drag the header of column 1 onto column 3 in small steps and hold it.
mstate() { grep '^mstate ' "$log" | tail -1; }
expect_mstate() {
  x11_poll 20 "mstate | grep -qF -- 1" x11_holds 'mstate | grep -qF -- "$1"' "$@" && return 0
  fail "expected '$1' in the move grid's state: $(mstate)"
}
read -r x1 y1 < <(at mh1)
read -r x3 y3 < <(at mh3)
xdotool mousemove --sync "$x1" "$y1" mousedown 1
for dx in 10 30 60 90 120; do xdotool mousemove --sync $((x1 + dx)) "$y1"; done
xdotool mousemove --sync "$x3" "$y3"
# The arrows mark the column under the mouse at the move before: the program must see two moves
# inside the third column. On a busy machine it can get several queued moves as one, so the mouse
# steps on until the arrows stand at the third column's left edge.
read -r ax ay < <(at marrow)
arrows_at() { mstate | grep -qF -- "arrow=$((ax - 5)),$ay |"; }
for i in $(seq 10); do
  xdotool mousemove --sync $((x3 + i)) "$y3"
  x11_poll 1 "the arrows at the third column" arrows_at && break
done
x3=$((x3 + i))
expect_mstate "caption=Head 1 arrows=1100 arrow=$((ax - 5)),$ay |"
read -r gx gy gw gh < <(grep '^mgrid ' "$log" | awk '{print $2, $3, $4, $5}')
/usr/bin/python3 - "$move_shot" "$gx" "$gy" "$gw" "$gh" "$ax" "$ay" "$x3" "$y3" <<'PY' || fail "the move feedback is not on the screen"
import sys, time
from PIL import ImageGrab
gx, gy, gw, gh, ax, ay, mx, my = map(int, sys.argv[2:])
# The state says the arrows and the caption are up; their windows may still be on their way to
# the screen on a busy machine, so the screen is read until it shows them (ten seconds at most).
def shown(img):
    # The up arrow just below the header's left edge and the down arrow just above it, lime green
    # and shaped (the corner of an arrow's box shows what lies below).
    green = [(x, y) for x in range(ax - 12, ax + 12) for y in range(ay - 30, ay + 14) if img.getpixel((x, y)) == (0, 255, 0)]
    if not (len([p for p in green if p[1] >= ay]) >= 20 and len([p for p in green if p[1] < ay]) >= 20):
        return "%d lime green pixels of the arrows" % len(green)
    if img.getpixel((ax - 5, ay)) == (0, 255, 0):
        return "the arrow's corner is not cut away"
    # The caption window under the mouse shows the header's text.
    if sum(1 for x in range(mx - 15, mx + 40) for y in range(my - 5, my + 6) if sum(img.getpixel((x, y))) < 200) <= 10:
        return "no caption text under the mouse"
    return ""
deadline = time.monotonic() + 10
while True:
    img = ImageGrab.grab().convert("RGB")
    why = shown(img)
    if not why or time.monotonic() > deadline:
        break
    time.sleep(0.1)
img.crop((gx - 20, gy - 20, gx + gw + 20, gy + gh + 20)).save(sys.argv[1])
if why:
    sys.exit(why)
PY
xdotool mouseup 1
expect_mstate "headers=Head 2,Head 3,Head 1,Head 4,Head 5, "
expect_mstate "caption=- arrows=0000"
# Past the right edge the view scrolls one column per move.
xdotool mousemove "$x1" "$y1" mousedown 1
# (Each move waits for the view to have scrolled by one more column.)
for i in 1 2 3; do
  xdotool mousemove --sync $((gx + gw + 5 + i)) "$y1"
  expect_mstate "left=$((i + 1))"
done
xdotool mousemove $((gx + gw / 2)) "$y1" mouseup 1
expect_mstate "caption=- arrows=0000"
# A row header dragged onto the third row moves the row.
read -r rx1 ry1 < <(at mr1)
read -r rx3 ry3 < <(at mr3)
xdotool mousemove --sync "$rx1" "$ry1" mousedown 1
for dy in 5 15 30; do xdotool mousemove --sync "$rx1" $((ry1 + dy)); done
xdotool mousemove --sync "$rx3" "$ry3"
xdotool mousemove --sync "$rx3" $((ry3 + 1))
expect_mstate "arrows=0011"
xdotool mouseup 1
expect_mstate "rows=R2,R3,R1"

shoot "$shot"
x11_kill "$pid"
x11_poll 10 "x11_ours pid" x11_holds '! { x11_ours "$pid"; }' || true
x11_ours "$pid" && { x11_kill -KILL "$pid"; fail "the program did not end on SIGTERM"; }
status=0
wait "$pid" 2>/dev/null || status=$?
grep -qx closed "$log" || fail "the program did not close its window cleanly"
[ "$status" = 0 ] || fail "the program ended with status $status (the grid and its editors must go cleanly)"

/usr/bin/python3 - "$shot" "$combo_shot" <<'PY' || fail "screenshot check"
import sys
from PIL import Image
shot = Image.open(sys.argv[1]).convert("RGB")
combo = Image.open(sys.argv[2]).convert("RGB")
def dark(img, box):
    px = img.load()
    x0, y0, x1, y1 = box
    return sum(1 for y in range(y0, y1) for x in range(x0, x1) if sum(px[x, y]) < 250)
# Text in the first data row and in the header row; the open combo list shows below its cell.
assert dark(shot, (80, 35, 200, 52)) > 20, "no text in the first data row"
assert dark(shot, (80, 12, 200, 32)) > 10, "no header text"
assert dark(combo, (150, 55, 330, 150)) > 40, "no open combo list in the screenshot"
PY
echo "grid_x11: every step seen; screenshots $shot $combo_shot $move_shot"
