#!/usr/bin/env bash
# The grid page buttons, the grid print menu and pop-up, the relational select, the notes page's
# print and the item list of the installed client as a person uses them on a real X server:
# a database of 40 records whose grid 4 lists contacts (name, phone, address) in a definition
# whose grid 4 has such columns; a related record chosen from the pick list; address labels of
# the selected line and of every line, the grid itself and the three notes printed to the "PDF"
# printer and read back with pdftotext; a contact found with Find and then removed; an item
# opened by a double click; the window resized.  The database is read back after the client
# closed.  Screenshots of each window are saved.
# Usage: nav_x11.sh SOURCE_DIR BUILD_DIR MAKE_NAV_DATABASE MAKE_DEFINITION OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" make_def="$4" out="$5"
# shellcheck source=../reports/x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
# The shipped definition with grid 4 as a contact list.
contacts_definition() {
  sed -e 's/^grid4 column 1: .*/grid4 column 1: Contact Name/' -e 's/^grid4 column 2: .*/grid4 column 2: Phone/' \
      -e 's/^grid4 column 3: .*/grid4 column 3: Address/' "$src/data/General.def" > "$out/Contacts.def"
  "$make_def" "$out/Contacts.def" "$out/R/Data/database/General"
}
installed_client_x11 1280x1024 --clear '*.pdf' --clear '*.txt' --db "$make_db" --then contacts_definition -- "$@"

# at X Y: a click in the main window (a page's tab, a line, a button); the steps after it wait for
# what they need.
at() { xdotool mousemove $((mx + $1)) $((my + $2)) click 1; }
# message_up: a message box of the program (titled as the main window) is up over it and drawn.
message_up() {
  local w
  w=$(message_box) || fail "no message box"
  painted "$w"
}
# A print job of the "PDF" printer: the file dialog gets the file's path.
save_pdf() { # save_pdf FILE
  xdotool type --delay 20 "$1"
  xdotool key Return
  x11_poll 20 "$1 written" test -s "$1" || fail "$1 was not written"
}
# Labels of the print window: Print, the print dialog given the file, then OK.
print_labels() { # print_labels FILE SCREENSHOT
  local w px py
  w=$(the_window '^Print Address$')
  drawn "$2" "$w"
  geometry "$w"
  px=$X py=$Y
  opens '^Print$' xdotool mousemove $((px + 635)) $((py + 33)) click 1
  x11_print_to "$1" "$out/print_dialog.png"
  gone '^Print$'
  xdotool mousemove $((px + 708)) $((py + 527)) click 1
  gone '^Print Address$'
}
grid_page() { at 160 92; }                      # the "Parts" page (grid 4)
related_select() {
  popup $((mx + 604)) $((my + 254))             # the "..." of "Related"
  local before menu
  before=$(visible)
  xdotool mousemove $((mx + 640)) $((my + 298)) # "Select" opens its sub-menu
  menu=$(new_window "$before") || fail "no sub-menu of Select"
  painted "$menu" 20
  shot "$out/relation_menu.png" "$mx" "$my" 900 600
  xdotool mousemove $((mx + 780)) $((my + 298)) click 1
}
# shown_menu FILE: the pop-up menu that just opened (new since the list BEFORE) is drawn; FILE
# shows the main window's corner under it.
shown_menu() {
  local menu
  menu=$(new_window "$before") || fail "no pop-up menu"
  painted "$menu" 20
  shot "$1" "$mx" "$my" 800 600
}
grid_print() { # grid_print N: item N of the grid print menu
  grid_page
  local before
  before=$(visible)
  xdotool mousemove $((mx + 580)) $((my + 313)) click 1  # "Print"
  shown_menu "$out/grid_print_menu.png"
  menu_pick "$1" shown
}
grid_popup() { # grid_popup N: item N of the grid's pop-up
  grid_page
  local before
  before=$(visible)
  xdotool mousemove $((mx + 95)) $((my + 153)) click 3
  shown_menu "$out/grid_popup.png"
  menu_pick "$1" shown
}
grid_find() {
  grid_page
  at 95 131                                     # from the first line
  at 580 257                                    # "Find"
}
item_double_click() {
  at 75 92                                      # the "Items" page
  xdotool mousemove $((mx + 50)) $((my + 143)) click --repeat 2 --delay 80 1
}
print_detail() {
  at 199 92                                     # the "Notes" page
  at 79 432                                     # "Print Detail"
}

start_client
login
related_x=$((mx + 422)) related_y=$((my + 248))  # the "Related" field's text

# ---- A related record from the entire database ----
opens '^From Entire Database$' related_select
w=$(the_window '^From Entire Database$')
drawn "$out/pick_related.png" "$w"
geometry "$w"
px=$X py=$Y
# The list holds every record but the one shown: "Record 5 Gold" is its fifth entry, lit once
# chosen.
until_changed "$out/pick_related_chosen.png" $((px + 5)) $((py + 60)) 240 16 \
  xdotool mousemove $((px + 50)) $((py + 68)) click 1 || fail "the pick list's fifth entry was not chosen"
xdotool mousemove $((px + 152)) $((py + 246)) click 1  # "Select"
gone '^From Entire Database$'
shows "$out/related_field.png" "$related_x" "$related_y" 168 16 100 || fail "the related record does not show"
settled "$out/related_field.png" "$related_x" "$related_y" 168 16 || fail "the related field did not settle"
drawn "$out/related_chosen.png" "$main"

# ---- Grid 4: address labels of the selected line, then of every line ----
grid_page
at 95 153                                       # the "Bolt Sample" line
opens '^Print Address$' grid_print 2            # "Selected Address"
print_labels "$out/labels_selected.pdf" "$out/labels_selected.png"
opens '^Print Address$' grid_print 3            # "All Addresses"
print_labels "$out/labels_all.pdf" "$out/labels_all.png"
pdftotext -layout "$out/labels_selected.pdf" "$out/labels_selected.txt"
pdftotext -layout "$out/labels_all.pdf" "$out/labels_all.txt"
grep -q "Bolt Sample" "$out/labels_selected.txt" || fail "the selected line's label is missing"
grep -q "Leuven" "$out/labels_selected.txt" || fail "the address's second line is missing"
grep -q "Ann Example" "$out/labels_selected.txt" && fail "the selected line's labels hold another line"
for name in "Ann Example" "Bolt Sample" "Cy Person 0" "Ostend" "Hill Road 1"; do
  grep -q "$name" "$out/labels_all.txt" || fail "'$name' is not on the labels of every line"
done

# ---- "List": the grid's quick report ----
opens '^Report$' grid_print 1
w=$(the_window '^Report$')
drawn "$out/grid_list_report.png" "$w"
geometry "$w"
xdotool mousemove $((X + 704)) $((Y + 539)) click 1
gone '^Report$'

# ---- The grid's pop-up: its print settings with their preview, then its print ----
opens '^Print Settings$' grid_popup 1
w=$(the_window '^Print Settings$')
drawn "$out/grid_print_settings.png" "$w"
geometry "$w"
xdotool mousemove $((X + 275)) $((Y + 360)) click 1  # OK
gone '^Print Settings$'
opens '^Print to File' grid_popup 2
save_pdf "$out/grid.pdf"
gone '^Print to File'
pdftotext -layout "$out/grid.pdf" "$out/grid.txt"
for text in "Contact Name" "Ann Example" "555 0102" "Cy Person 0"; do
  grep -q "$text" "$out/grid.txt" || fail "'$text' is not on the printed grid"
done

# ---- Find a contact, then remove the line found ----
opens '^Find$' grid_find
last '^Find$'
fx=$X fy=$Y
until_changed "$out/grid_find_text.png" $((fx + 68)) $((fy + 10)) 192 20 \
  xdotool type --delay 40 "cy person" || fail "the Find window's box shows no text"
settled "$out/grid_find_text.png" $((fx + 68)) $((fy + 10)) 192 20 || fail "the Find window's box did not stop changing"
shot "$out/grid_find.png" "$mx" "$my" "$mw" "$mh"
# Return finds the line (a line not found would bring up a box over the window); Cancel then
# closes the window.
xdotool key Return
xdotool mousemove $((fx + 307)) $((fy + 48)) click 1
# (A box "not found" would carry the main window's title.)
find_done() {
  ! window_sized '^Quillon Server$' 0 600 || fail "the contact was not found"
  ! shown '^Find$'
}
x11_poll 20 "the Find window to close" find_done || true
gone '^Find$'
at 580 145                                      # "Remove": the line found
# (The box leaves the grid's first two columns uncovered.)
until_changed "$out/grid_lines_left.png" $((mx + 10)) $((my + 100)) 100 100 box_answer grid_remove Yes ||
  fail "Remove changed nothing in the grid"
settled "$out/grid_removed.png" "$mx" "$my" "$mw" "$mh" || fail "the grid did not settle after the removal"

# ---- The three notes to the printer ----
opens '^Print to File - Book Detail' print_detail
save_pdf "$out/detail.pdf"
box_answer detail_sent OK
pdftotext "$out/detail.pdf" "$out/detail.txt"
tr -d '\f' < "$out/detail.txt" | grep -v '^$' > "$out/detail_lines.txt" || true
expected=$'Notes of record 0\nsecond notes line\nattachment-0.txt\nQuay 7\nAntwerp'
[ "$(cat "$out/detail_lines.txt")" = "$expected" ] || { cat "$out/detail_lines.txt" >&2; fail "the printed notes differ"; }

# ---- The item list: a double click edits the item, not while read-only ----
opens '^Edit Skill$' item_double_click
w=$(the_window '^Edit Skill$')
drawn "$out/item_editor.png" "$w"
geometry "$w"
xdotool mousemove $((X + 330)) $((Y + 275)) click 1  # "Cancel"
gone '^Edit Skill$'
# (Its box as it shows with the pointer over "Read Only".)
xdotool mousemove $((mx + 396)) $((my + 63))
settled "$out/readonly_off.png" $((mx + 336)) $((my + 55)) 14 16 || fail "the Read Only box did not settle"
until_changed "$out/readonly_on.png" $((mx + 336)) $((my + 55)) 14 16 at 396 63 ||  # "Read Only"
  fail "Read Only was not ticked"
xdotool mousemove $((mx + 50)) $((my + 143)) click --repeat 2 --delay 80 1
# Read Only unticked by the next click: once its box shows that, the double click before it was
# taken too, and a window it opened would be up (a modal one would have kept the click out).
at 396 63
until_same "$out/readonly_off.png" $((mx + 336)) $((my + 55)) 14 16 || fail "Read Only was not unticked (a window keeps the click out?)"
shown "^Edit Skill\$" && fail "a read-only record's item opened"

# ---- The window resized: the notebook and the status line follow ----
at 160 92
xdotool windowmove "$main" 0 0 windowsize "$main" 1000 760
main_wider() { geometry "$main"; [ "$WIDTH" -ge "$1" ]; }
main_narrower() { geometry "$main"; [ "$WIDTH" -le "$1" ]; }
x11_poll 20 "the main window enlarged" main_wider 990 || true
settled "$out/resized_large.png" "$X" "$Y" "$WIDTH" "$HEIGHT" || fail "the enlarged window did not stop changing"
geometry "$main"
shot "$out/resized_large.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
[ "$WIDTH" -ge 990 ] || fail "the window was not resized"
[ $((X + WIDTH)) -le 1280 ] || fail "the resized window is not on the screen"
shot "$out/resized_status.png" "$X" $((Y + HEIGHT - 24)) 200 24
[ "$(count "$out/resized_status.png" 0 0 200 24 0 128 0)" -gt 20 ] || fail "the status line is not at the bottom"
shot "$out/resized_buttons.png" $((X + WIDTH - 100)) $((Y + 100)) 100 260
[ "$(count "$out/resized_buttons.png" 0 0 100 260 0 0 0)" -gt 100 ] || fail "the grid page buttons are not at the right edge"
xdotool windowsize "$main" 634 482
x11_poll 20 "the main window made small" main_narrower 640 || true
settled "$out/resized_small.png" "$X" "$Y" "$WIDTH" "$HEIGHT" || fail "the shrunk window did not stop changing"
geometry "$main"
[ "$WIDTH" -le 640 ] || fail "the window was not made small (it is $WIDTH pixels wide)"
mx=$X my=$Y
shot "$out/resized_small.png" "$X" "$Y" "$WIDTH" "$HEIGHT"

# ---- Close: the record is saved; the database holds the choice and the removal ----
geometry "$main"
xdotool mousemove $((X + 596)) $((Y + 33)) click 1
client_closed
"$make_db" --dump "$R/Data/database/Test.qnd" > "$out/database.txt"
first=$(head -1 "$out/database.txt")
fifth=$(grep -P '\tRecord 5 Gold\t' "$out/database.txt" | cut -f1)
[ -n "$fifth" ] || fail "record 5 is missing"
[ "$(echo "$first" | cut -f3)" = "Record 5 Gold : $fifth" ] || fail "the related record was not stored: '$first'"
echo "$first" | grep -q "Cy Person 0" && fail "the line found was not removed"
echo "$first" | grep -q "Bolt Sample" || fail "the other lines went too"
echo "nav_x11: related record chosen, labels of one and of all lines, grid list, grid print settings and print, find and remove, notes printed, item editor, resize; screenshots in $out"
