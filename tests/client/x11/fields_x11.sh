#!/usr/bin/env bash
# The record window's fields as a person uses them on a real X server: a description value
# chosen from its menu, short values toggled from the Edit menu, a label renamed, a grid 3 line
# edited in the row editor, the image tabs stepped through, a barcode drawn and stored through the
# barcode editor (zbarimg reads it off the screen), a URL set and jumped to, the relationship
# diagram opened and closed.  Screenshots of the record window with a picture and of the diagram are saved and their
# pixels checked.
# Usage: fields_x11.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
prog="$1" out="$2"
# shellcheck source=record_program.sh
source "$(dirname "$0")/record_program.sh"
record_program_x11 fields "$@"
/usr/bin/python3 - "$out/root" <<'PY'
import sys
from PIL import Image, ImageDraw
root = sys.argv[1]
im = Image.new("RGB", (1200, 600), (30, 90, 200))
ImageDraw.Draw(im).ellipse((300, 100, 900, 500), fill=(250, 200, 20))
im.save(root + "/wide.jpg", quality=90)
Image.new("RGB", (90, 180), (200, 30, 30)).save(root + "/tall.gif")
PY

# What failed, with the program's last state.
fail() { echo "FAIL: $*" >&2; echo "--- state:" >&2; cat "$state" >&2 || true; exit 1; }
count_colour() { # count_colour FILE R G B: pixels near that colour
  /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import Image
f, r, g, b = sys.argv[1], *map(int, sys.argv[2:])
im = Image.open(f).convert("RGB")
print(sum(1 for p in im.getdata() if abs(p[0] - r) + abs(p[1] - g) + abs(p[2] - b) < 60))
PY
}
at() { grep -h "^at $1 " "$log" "$state" 2>/dev/null | tail -1 | awk '{print $3, $4}'; }
st() { grep "^$1 " "$state" 2>/dev/null | head -1 | cut -d' ' -f2-; }
# click NAME: a click on NAME once it has a place (a menu entry: once its menu is open); the
# script then waits for what the click does.
click() {
  x11_poll 20 "[ -n (at 1) ]" x11_holds '[ -n "$(at "$1")" ]' "$@" || true
  [ -n "$(at "$1")" ] || fail "$1 is not on the screen"
  xdotool mousemove --sync $(at "$1") click 1
}
wait_state() { # wait_state KEY VALUE: until the state line reads so
  x11_poll 20 "[ (st 1) = 2 ]" x11_holds '[ "$(st "$1")" = "$2" ]' "$@" && return 0
  fail "$1 is '$(st "$1")', not '$2'"
}
until_ok() { # until_ok WHAT COMMAND...: until the command succeeds; fails after ten seconds, saying WHAT
  local what="$1"
  shift
  x11_until "$@" || fail "$what"
}
no_menu() { ! grep -q '^at menu:' "$state"; }
menu_closed() { until_ok "the pop-up menu did not close" no_menu; }
# chosen NAME: the entry NAME of the pop-up menu that is open, clicked; the menu closes.
chosen() {
  click "$1"
  menu_closed
}
keys_in() { wait_state keys "$1|QLineEdit"; }  # keys_in TITLE: an input box of that title takes the keys
# window_shows FILE MIN R G B [MIN R G B]...: waits until a screenshot of the record window (into
# FILE) shows more than MIN pixels near each of the colours (a picture painted).
window_shows() {
  local f="$1" x y w h
  shift
  read -r x y w h <<< "$(grep '^at window ' "$state" | awk '{print $3, $4, $5, $6}')"
  x11_poll 20 "the record window's picture" window_shows_step "$f" "$x" "$y" "$w" "$h" "$@"
}
window_shows_step() { shot "$1" "$2" "$3" "$4" "$5" && x11_ask colours "$1" "${@:6}"; }

record_program_start

# ---- A description value from its menu: the third entry, after the two commands ----
click descbtn0
x11_poll 20 "[ -n (grep ^at menu: state | sed -n 3p) ]" x11_holds '[ -n "$(grep '\''^at menu:'\'' "$state" | sed -n 3p)" ]' || true
entry=$(grep '^at menu:' "$state" | sed -n 3p | awk '{print $2}')
[ -n "$entry" ] || fail "the description menu did not open"
chosen "$entry"
until_ok "no description value was chosen" eval '[ -n "$(st value0)" ]'
value=$(st value0)
wait_state desc0 "$value"

# ---- Short values from the Edit menu ----
click editmenu
chosen "menu:Short_Description_Values"
wait_state short 1
wait_state desc0 "${value%%:*}"

# ---- Rename a label ----
click desclabel2
keys_in "Field Name"
xdotool key ctrl+a
xdotool type --delay 40 "Renamed"
xdotool key Return
wait_state label2 "Renamed"

# ---- Edit the grid 3 line in the row editor ----
click page2
wait_state page 2
# Under a loaded machine a click can reach the grid or the editor before it is ready for it: the
# row is chosen and the edit tried again (at most four times) until the grid shows it.
for attempt in 1 2 3 4; do
  if [ "$(st editor)" != open ]; then
    click gridrow1
    wait_state gridcur "2 1"
    click editbtn
  fi
  x11_poll 20 "[ (st editor) = open ]" x11_holds '[ "$(st editor)" = open ]' || true
  if [ "$(st editor)" != open ]; then
    [ "$attempt" -lt 4 ] || fail "the row editor did not open"
    echo "fields_x11: the row editor did not open (attempt $attempt), trying again" >&2
    continue
  fi
  click editcell2
  wait_state editcur "1 2 1"
  xdotool key ctrl+a
  xdotool type --delay 40 "Sold"
  xdotool key Return
  # (The row editor's cell holds what was typed once Return took it.)
  x11_poll 20 "[ (st editcell2) = Sold ]" x11_holds '[ "$(st editcell2)" = Sold ]' || true
  read -r ex ey ew eh <<< "$(grep '^at editorwin ' "$state" | awk '{print $3, $4, $5, $6}')"
  shot "$out/row_editor.png" "$ex" "$ey" "$ew" "$eh"
  click editok
  x11_poll 10 "[ (st grid3) = 3 Sold ]" x11_holds '[ "$(st grid3)" = "3 Sold" ]' || true
  [ "$(st grid3)" = "3 Sold" ] && break
  echo "fields_x11: the grid 3 edit did not take (attempt $attempt), trying again" >&2
done
wait_state grid3 "3 Sold"

# ---- The pictures: tab 1 shows the wide picture fitted, tab 3 none, tab 2 the tall one ----
click page6
wait_state page 6
x11_poll 20 "[ (st image | cut -d  -f1) = 1 ]" x11_holds '[ "$(st image | cut -d" " -f1)" = 1 ]' || true
[ "$(st image | cut -d" " -f1)" = 1 ] || fail "tab 1 shows no picture"
window_shows "$out/record_with_image.png" 5000 250 200 20 5000 30 90 200 ||
  fail "the picture or its background does not show ($(count_colour "$out/record_with_image.png" 250 200 20) yellow, $(count_colour "$out/record_with_image.png" 30 90 200) blue pixels)"
click imagetab2
wait_state tab 2
until_ok "tab 3 shows a picture" eval '[ "$(st picstat | cut -c1)" = 1 ]'
click imagetab1
wait_state tab 1
until_ok "tab 2 shows no picture" eval '[ "$(st image | cut -d" " -f1)" = 1 ]'
window_shows "$out/record_second_image.png" 3000 200 30 30 ||
  fail "the second picture does not show ($(count_colour "$out/record_second_image.png" 200 30 30) red pixels)"

# ---- A barcode field: the barcode editor draws the typed value, OK stores it ----
click page0
wait_state page 0
click detail6
x11_poll 20 "[ (st barcode) = open ]" x11_holds '[ "$(st barcode)" = open ]' || true
[ "$(st barcode)" = open ] || { shot "$out/no_barcode_editor.png" 0 0 1024 768; fail "the barcode editor did not open"; }
click barcodevalue
wait_state barcodevaluekeys 1
xdotool key ctrl+a
xdotool type --delay 40 "123456"
click barcodegenerate
# The barcode is read off the screen once it is drawn (zbarimg reads nothing, or the old value,
# before).
read -r ix iy iw ih <<< "$(grep '^at barcodeimage ' "$state" | awk '{print $3, $4, $5, $6}')"
# (The picture is given a white margin and doubled in size, as zbarimg reads it best.)
barcode_read() {
  shot "$out/barcode_image.png" "$ix" "$iy" "$iw" "$ih"
  x11_ask framed "$out/barcode_image.png" "$out/barcode_scan.png"
  scan=$(zbarimg --quiet --raw "$out/barcode_scan.png" 2>/dev/null || true)
  [ "$scan" = 123456 ]
}
scan=""
x11_poll 20 "zbarimg to read the barcode" barcode_read || true
[ "$scan" = 123456 ] || fail "zbarimg reads '$scan' off the barcode editor"
read -r bx by bw bh <<< "$(grep '^at barcodewin ' "$state" | awk '{print $3, $4, $5, $6}')"
shot "$out/barcode_editor.png" "$bx" "$by" "$bw" "$bh"
click barcodeok
wait_state detail6 "123456"

# ---- A URL field: "Set URL" types the address, "Jump to URL" opens the redirect page ----
click detail7
chosen "menu:Set_URL"
keys_in "Enter URL"
xdotool type --delay 30 "https://example.org/shop"
xdotool key Return
wait_state detail7 "https://example.org/shop"
click detail7
chosen "menu:Jump_to_URL"
x11_poll 20 "[[ (st shell) == */go.htm ]]" x11_holds '[[ "$(st shell)" == */go.htm ]]' || true
[[ "$(st shell)" == */go.htm ]] || fail "Jump to URL opened '$(st shell)'"
grep -q 'URL=https://example.org/shop"' "$(st shell)" || fail "the redirect page does not lead to the address"

# ---- The relationship diagram of the shown record: parent, child and grandchild ----
click page0
wait_state page 0
# The field's menu and then its Diagram entry, tried again when a loaded machine drops a click.
for attempt in 1 2 3; do
  click descbtn1
  chosen "menu:Diagram"
  x11_poll 20 "grep -q ^diagram  state" x11_holds 'grep -q '\''^diagram '\'' "$state"' || true
  grep -q '^diagram ' "$state" && break
  echo "fields_x11: the relationship diagram did not open (attempt $attempt), trying again" >&2
  xdotool key Escape
  menu_closed
done
grep -q '^diagram ' "$state" || fail "the relationship diagram did not open"
x11_poll 20 "[ (st boxes | cut -d  -f1) = 3 ]" x11_holds '[ "$(st boxes | cut -d'\'' '\'' -f1)" = 3 ]' || true
[ "$(st boxes | cut -d' ' -f1)" = 3 ] || fail "the diagram has '$(st boxes)' boxes and links"
read -r dx dy dw dh <<< "$(st diagram)"
shot "$out/relationship_diagram.png" "$dx" "$dy" "$dw" "$dh"
# The boxes start at the diagram's top, centred, clear of each other, each wide enough for its
# record's name.
grep '^dbox ' "$state" > "$out/diagram_boxes.txt"
/usr/bin/python3 - "$out/diagram_boxes.txt" "$(st diagramarea)" <<'PY' || fail "the diagram's boxes are badly laid out"
import sys
boxes = [list(map(int, l.split()[1:])) for l in open(sys.argv[1])]
ax, ay, aw, ah = map(int, sys.argv[2].split())
assert len(boxes) == 3, boxes
for i, (x, y, w, h, tw) in enumerate(boxes):
    assert tw + 6 <= w, f"box {i} is {w} wide for a title {tw} wide"
    for (x2, y2, w2, h2, _) in boxes[i + 1:]:
        assert x + w <= x2 or x2 + w2 <= x or y + h <= y2 or y2 + h2 <= y, f"boxes overlap: {boxes}"
top = min(y for _, y, _, _, _ in boxes) - ay
assert top <= 40, f"the first box is {top} pixels below the diagram's top"
left = min(x for x, *_ in boxes) - ax
right = ax + aw - max(x + w for x, _, w, *_ in boxes)
assert abs(left - right) <= 40, f"the boxes are not centred: {left} left, {right} right"
PY
# Its buttons are in the middle under the diagram.
read -r _ _ px _ pw <<< "$(grep '^at diagrampanel ' "$state" | tail -1)"
off=$((px + pw / 2 - dx - dw / 2))
[ "${off#-}" -le 2 ] || fail "the diagram's buttons are not centred: panel at $px ($pw wide) in a window at $dx ($dw wide)"
click diagramclose
x11_poll 20 "grep -q ^diagram  state" x11_holds '! { grep -q '\''^diagram '\'' "$state"; }' || true
grep -q '^diagram ' "$state" && fail "the diagram did not close"

x11_kill "$pid"
trap - EXIT
echo "fields_x11: description menu, short values, label rename, row editor, image tabs, barcode, URL, diagram; screenshots in $out"
