#!/usr/bin/env bash
# What a record copy keeps, how a read-only record looks, the row editor's End and the keys typed
# as a box opens, in the installed client on a real X server, with the mouse, over a database of
# three records whose first has a picture, an Item Number (a record counter) and a grid 4 line,
# under a window manager (openbox):
# - Copy, then Insert with one copy (the box's OK clicked): the copy shows its own next Item
#   Number, its Pictures page shows the picture with its title, and the database folder holds the
#   copy's own picture file, the same bytes as the original's;
# - Read Only ticked: the record's edits are drawn read-only (no white left in them), and white
#   again once it is unticked;
# - the Parts page's row editor: a click into a cell, End, then typing adds to the cell;
# - the search window: a click on a Value cell opens "Select Range", and "Maker 1" typed at once
#   (no wait after the click) is all in its From box.
# Each check is made and reported, and the test fails at the end when any did not hold; the
# database is read back after the close.  Screenshots: copy_number.png, copy_pictures.png,
# editable_record.png, readonly_record.png, row_editor_end.png, range_typed.png.
# Usage: copies_x11.sh SOURCE_DIR BUILD_DIR MAKE_COPIES_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=../reports/x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
log="$out/client.log"
# first_picture: the first record's picture file in the database folder (a bitmap of blue with
# a yellow block).
first_picture() {
  /usr/bin/python3 -c 'import sys
from PIL import Image, ImageDraw
im = Image.new("RGB", (120, 80), (30, 120, 200))
ImageDraw.Draw(im).rectangle((20, 20, 60, 50), fill=(250, 200, 0))
im.save(sys.argv[1], "BMP")' "$out/R/Data/database/$(tail -1 <<< "$db_output").im1"
  tail -1 <<< "$db_output" > "$out/first_code.txt"
}
installed_client_x11 1280x1024 --clear '*.txt' --db "$make_db" --then first_picture -- "$@"

started=$(date +%s)
step() { echo "copies_x11: $* ($(($(date +%s) - started)) s)"; }
faults=()
fault() { echo "copies_x11: FAULT: $*" >&2; faults+=("$*"); }

# ---- Where things are in the record window (from its top left corner) ----
bar_y=33 copy_x=164 insert_x=198 search_x=240 close_x=588   # the tool bar
readonly_x=343 header_y=63                                  # "Read Only"
details_tab_x=30 parts_tab_x=160 pictures_tab_x=278 tab_y=92
number_x=117 number_y=110                                   # the Item Number field
model_x=117 model_y=155                                     # the Model field
field_w=186 field_h=14
line_x=95 line_y=131 edit_btn_x=580 edit_btn_y=173          # the Parts page's first line, Edit

in_main() { xdotool mousemove $((mx + $1)) $((my + $2)) click 1; }
tool() { in_main "$1" "$bar_y"; }
# field_text X Y: the text of the edit at X Y of the main window, through the clipboard (a click
# into it, Ctrl+A, Ctrl+C).
field_text() {
  printf 'none' | xclip -selection clipboard
  in_main "$1" "$2"
  xdotool key ctrl+a ctrl+c
  for _ in $(seq 50); do
    [ "$(xclip -o -selection clipboard 2>/dev/null)" != none ] && break
    sleep 0.1
  done
  xclip -o -selection clipboard 2>/dev/null
}
# white FILE X Y W H: the share (per cent) of white pixels in a rectangle of a picture.
white() {
  /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import Image
f, x, y, w, h = sys.argv[1], *map(int, sys.argv[2:])
im = Image.open(f).convert("RGB").crop((x, y, x + w, y + h))
print(100 * sum(1 for p in im.getdata() if min(p) >= 250) // (w * h))
PY
}
# field_white NAME X Y: a screenshot of the main window (NAME.png) and the share of white in the
# right half of the field at X Y (where its text does not reach).
field_white() { white "$out/$1.png" $(($2 + field_w / 2)) $(($3 + 2)) $((field_w / 2 - 4)) $((field_h - 4)); }
dump() { "$make_db" --dump "$R/Data/database/Test.qnd" > "$out/database.txt"; }

# ---- Under a window manager (openbox), as a person's desktop: a window that opens takes the
# keyboard from it, a moment after it shows ----
openbox --sm-disable > "$out/openbox.log" 2>&1 &
wm=$!
# It runs once its check window, named on the root window, names itself back.
wm_check() { xprop "${@:--root}" _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p'; }
for _ in $(seq 600); do
  check=$(wm_check)
  [ -n "$check" ] && [ "$(wm_check -id "$check")" = "$check" ] && break
  x11_ours "$wm" || { cat "$out/openbox.log" >&2; fail "the window manager ended before it ran"; }
  sleep 0.1
done
[ -n "$check" ] && [ "$(wm_check -id "$check")" = "$check" ] || fail "the window manager did not start within a minute"
# A window's place on the screen as the X server gives it (xdotool's is off by the frame the
# window manager puts round it).
geometry() {
  eval "$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {print "X=" $4} /Absolute upper-left Y/ {print "Y=" $4}
                                   /^ *Width:/ {print "WIDTH=" $2} /^ *Height:/ {print "HEIGHT=" $2}')"
}

start_client
trap 'stop_client; x11_kill "$wm"' EXIT
login
first=$(cat "$out/first_code.txt")
original_number=$(field_text $((number_x + 60)) $((number_y + 7)))
[ "$original_number" = 1 ] || fail "the first record's Item Number reads '$original_number', not 1"

# ---- Copy, then Insert with one copy ----
# copies_answer COUNT: the "Number of Copies" box takes COUNT in its line, then a click on its OK.
copies_answer() {
  local w ix iy iw ih
  w=$(window 'Number of Copies') || fail "no Number of Copies box"
  painted "$w"
  geometry "$w"
  ix=$X iy=$Y iw=$WIDTH ih=$HEIGHT
  xdotool mousemove $((ix + iw / 2)) $((iy + 48)) click --repeat 2 --delay 80 1
  until_changed "$out/copies_typed.png" "$ix" "$iy" "$iw" "$ih" xdotool key ctrl+a type --delay 40 "$1" ||
    fail "the number typed does not show in the Number of Copies box"
  pointed $((ix + iw - 134)) $((iy + ih - 22)) "the Number of Copies box's OK"
  marked_shot "$out/copies_box.png" "$w"
  xdotool click 1
  closed "$w" || fail "the Number of Copies box took no click on its OK"
}
tool $copy_x
insert_one() { tool $insert_x; copies_answer 1; }
moved inserted insert_one
menu_bar_enabled
copy_number=$(field_text $((number_x + 60)) $((number_y + 7)))
geometry "$main"
shot "$out/copy_number.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
[ "$copy_number" = 4 ] || fault "the inserted copy shows Item Number '$copy_number', not the next number 4"
# Its Pictures page: the picture (its yellow block) and its title.
until_changed "$out/copy_pictures.png" "$mx" $((my + 100)) "$mw" 360 in_main $pictures_tab_x $tab_y ||
  fail "the Pictures page did not show"
settled "$out/copy_pictures.png" "$mx" "$my" "$mw" "$mh" || fail "the Pictures page did not hold still"
yellow=$(count "$out/copy_pictures.png" 0 0 "$mw" "$mh" 250 200 0)
[ "$yellow" -gt 500 ] || fault "the copy's Pictures page shows no picture ($yellow yellow pixels; see copy_pictures.png)"
ls "$R/Data/database/"*.im1 > "$out/pictures.txt"
[ "$(wc -l < "$out/pictures.txt")" = 2 ] ||
  fault "the database folder holds $(wc -l < "$out/pictures.txt") first-slot pictures, not the original's and the copy's"
step "Copy and Insert: Item Number '$copy_number', $yellow yellow pixels"
in_main $details_tab_x $tab_y

# ---- Read Only: the record's edits drawn read-only ----
# record_white NAME: the record screenshot NAME.png, once it holds still, and the share of white
# in the Item Number field and the Model field ("N M").
record_white() {
  settled "$out/$1.png" "$mx" "$my" "$mw" "$mh" || fail "the record did not hold still ($1)"
  echo "$(field_white "$1" $number_x $number_y) $(field_white "$1" $model_x $model_y)"
}
# read_only_click WHAT: a click on Read Only, waited for until its box changes.
read_only_click() {
  until_changed "$out/readonly_box.png" $((mx + readonly_x - 8)) $((my + header_y - 8)) 16 16 \
    in_main $readonly_x $header_y || fail "Read Only did not $1"
}
read -r number_white model_white < <(record_white editable_record)
[ "$number_white" -ge 90 ] && [ "$model_white" -ge 90 ] ||
  fail "an editable record's fields are not white ($number_white%, $model_white%; see editable_record.png)"
read_only_click tick
read -r number_white model_white < <(record_white readonly_record)
[ "$number_white" -le 5 ] && [ "$model_white" -le 5 ] ||
  fault "a read-only record's fields are drawn as edits ($number_white%, $model_white% white; see readonly_record.png)"
read_only_click untick
read -r number_white model_white < <(record_white editable_again)
[ "$model_white" -ge 90 ] || fault "the fields stay read-only in look once Read Only is unticked"
step "Read Only ticked: $number_white% white, then unticked"

# ---- The row editor: a click into a cell, End, then typing adds to the cell ----
# (On the copy, which holds the original's line.)
in_main $parts_tab_x $tab_y
in_main $line_x $line_y
opens '^Edit$' in_main $edit_btn_x $edit_btn_y
last '^Edit$'
ex=$X ey=$Y
editor=$(the_window '^Edit$')
drawn "$out/row_editor.png" "$editor"
xdotool mousemove $((ex + 260)) $((ey + 40)) click 1  # the "Part" cell
xdotool key End
xdotool type --delay 40 " Jr"
shows "$out/row_editor_typed.png" $((ex + 140)) $((ey + 32)) 250 16 20 || fail "nothing shows in the Part cell"
drawn "$out/row_editor_end.png" "$editor"
pointed $((ex + 285)) $((ey + 302)) "the row editor's OK"
xdotool click 1
gone '^Edit$'
step "row editor: End, then typing"

# ---- Keys typed as a box opens: all of them reach it ----
opens '^Search$' tool $search_x
search=$(window Search 400) || fail "no search window"
geometry "$search"
sx=$X sy=$Y sw=$WIDTH sh=$HEIGHT
row_y() { echo $((sy + 28 + 21 * $1 + 10)); }
col_x() { echo $((sx + 188 * $1 + 90)); }
# The first term's field: "Maker" from the field menu; then its Value cell made the current one
# (40 pixels left of its middle, so that the next click is no double click).
menu_at "$(col_x 0)" "$(row_y 1)" 13
xdotool mousemove $(($(col_x 2) - 40)) "$(row_y 1)" click 1
sleep_free_click_and_type() { xdotool mousemove "$(col_x 2)" "$(row_y 1)" click 1 type --delay 12 "Maker 1"; }
sleep_free_click_and_type
range=$(window "Select Range") || fail "the Value cell opened no Select Range box"
painted "$range"
geometry "$range"
rx=$X ry=$Y
shows "$out/range_from.png" $((rx + 8 + 40)) $((ry + 8 + 22)) 120 16 20 || fault "nothing typed shows in the From box"
drawn "$out/range_typed.png" "$range"
typed=$(printf 'none' | xclip -selection clipboard; xdotool key ctrl+a ctrl+c
        for _ in $(seq 50); do [ "$(xclip -o -selection clipboard 2>/dev/null)" != none ] && break; sleep 0.1; done
        xclip -o -selection clipboard 2>/dev/null)
[ "$typed" = "Maker 1" ] || fault "the From box holds '$typed', not 'Maker 1' typed as it opened"
geometry "$range"
pointed $((X + WIDTH - 45)) $((Y + HEIGHT - 27)) "the Select Range box's Cancel"
xdotool click 1
gone '^Select Range$'
step "Select Range: '$typed' typed as it opened"
drawn "$out/search_window.png" "$search"
geometry "$search"
pointed $((X + 379)) $((Y + 14)) "the search window's Close"
xdotool click 1
gone '^Search$'

# ---- The close, and what the database holds ----
xdotool windowactivate --sync "$main" 2>/dev/null || true
menu_bar_enabled
close_client $close_x $bar_y
if grep -E "^(Qt|QWidget|QObject|QSocketNotifier|QPainter|QPixmap|qt\.|xcb)|[Ww]arning" "$log"; then
  fault "Qt warnings on the client's standard error"
fi
dump
cat "$out/database.txt"
copy_line=$(grep -P "^[^\t]*\tBrass Lamp \(1\)\t" "$out/database.txt" || true)
[ -n "$copy_line" ] || fail "no copy 'Brass Lamp (1)' was stored"
copy_code=$(cut -f1 <<< "$copy_line")
[ "$(cut -f3 <<< "$copy_line")" = 4 ] || fault "the copy stored Item Number '$(cut -f3 <<< "$copy_line")', not 4"
[ "$(cut -f4-5 <<< "$copy_line")" = "front.bmp	Front view" ] ||
  fault "the copy stored the picture '$(cut -f4-5 <<< "$copy_line")', not front.bmp titled Front view"
cmp -s "$R/Data/database/$first.im1" "$R/Data/database/$copy_code.im1" ||
  fault "the copy has no picture file $copy_code.im1 of the original's bytes"
grep -q "|1,1,Ann Example Jr|" <<< "$copy_line" ||
  fault "the Part cell edited with End stored '$(grep -o '1,1,[^|]*' <<< "$copy_line")', not 'Ann Example Jr'"
[ "$(cut -f6 <<< "$copy_line")" = 0 ] || fault "the copy stayed read-only"

x11_kill "$wm"
if [ "${#faults[@]}" -gt 0 ]; then
  fail "${#faults[@]} of the checks did not hold: $(printf '%s; ' "${faults[@]}")"
fi
echo "copies_x11: a copy's own number and pictures, read-only fields drawn read-only, End then typing, keys typed as a box opens; screenshots in $out"
