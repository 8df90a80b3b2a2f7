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

at() { xdotool mousemove $((mx + $1)) $((my + $2)) click 1; sleep "${3:-0.8}"; }
# A message box of the program (titled as the main window) over it.
message_up() {
  for _ in $(seq 80); do
    [ "$(xdotool search --onlyvisible --name '^Quillon Server$' 2>/dev/null | wc -l)" -ge 2 ] && { sleep 0.4; return 0; }
    sleep 0.1
  done
  fail "no message box"
}
# A print job of the "PDF" printer: the file dialog gets the file's path.
save_pdf() { # save_pdf FILE
  xdotool type --delay 20 "$1"
  xdotool key Return
  for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done
  fail "$1 was not written"
}
# Labels of the print window: Print, the print dialog given the file, then OK.
print_labels() { # print_labels FILE SCREENSHOT
  last '^Print Address$'
  local px=$X py=$Y
  sleep 0.5
  shot "$2" "$px" "$py" "$WIDTH" "$HEIGHT"
  opens '^Print$' xdotool mousemove $((px + 635)) $((py + 33)) click 1
  x11_print_to "$1" "$out/print_dialog.png"
  sleep 0.5
  xdotool mousemove $((px + 708)) $((py + 527)) click 1
  gone '^Print Address$'
}
grid_page() { at 160 92; }                      # the "Parts" page (grid 4)
related_select() {
  popup $((mx + 604)) $((my + 254))             # the "..." of "Related"
  local before
  before=$(visible)
  xdotool mousemove $((mx + 640)) $((my + 298)) # "Select" opens its sub-menu
  new_window "$before" > /dev/null || fail "no sub-menu of Select"
  sleep 0.3
  shot "$out/relation_menu.png" "$mx" "$my" 900 600
  xdotool mousemove $((mx + 780)) $((my + 298)) sleep 0.4 click 1
}
grid_print() { # grid_print N: item N of the grid print menu
  grid_page
  popup $((mx + 580)) $((my + 313))             # "Print"
  shot "$out/grid_print_menu.png" "$mx" "$my" 800 600
  menu_pick "$1" shown
}
grid_popup() { # grid_popup N: item N of the grid's pop-up
  grid_page
  local before
  before=$(visible)
  xdotool mousemove $((mx + 95)) $((my + 153)) click 3
  new_window "$before" > /dev/null || fail "no pop-up menu of the grid"
  sleep 0.3
  shot "$out/grid_popup.png" "$mx" "$my" 800 600
  menu_pick "$1" shown
}
grid_find() {
  grid_page
  at 95 131                                     # from the first line
  at 580 257 0.2                                # "Find"
}
item_double_click() {
  at 75 92                                      # the "Items" page
  xdotool mousemove $((mx + 50)) $((my + 143)) click --repeat 2 --delay 80 1
}
print_detail() {
  at 199 92                                     # the "Notes" page
  at 79 432 0.2                                 # "Print Detail"
}

start_client
login

# ---- A related record from the entire database ----
opens '^From Entire Database$' related_select
last '^From Entire Database$'
px=$X py=$Y
shot "$out/pick_related.png" "$px" "$py" "$WIDTH" "$HEIGHT"
# The list holds every record but the one shown: "Record 5 Gold" is its fifth entry.
xdotool mousemove $((px + 50)) $((py + 68)) click 1
sleep 0.4
xdotool mousemove $((px + 152)) $((py + 246)) click 1
gone '^From Entire Database$'
sleep 0.5
shot "$out/related_chosen.png" "$mx" "$my" "$mw" "$mh"

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
last '^Report$'
rx=$X ry=$Y
sleep 0.5
shot "$out/grid_list_report.png" "$rx" "$ry" "$WIDTH" "$HEIGHT"
xdotool mousemove $((rx + 704)) $((ry + 539)) click 1
gone '^Report$'

# ---- The grid's pop-up: its print settings with their preview, then its print ----
opens '^Print Settings$' grid_popup 1
last '^Print Settings$'
sx=$X sy=$Y
sleep 0.5
shot "$out/grid_print_settings.png" "$sx" "$sy" "$WIDTH" "$HEIGHT"
xdotool mousemove $((sx + 275)) $((sy + 360)) click 1  # OK
gone '^Print Settings$'
opens '^Print to File' grid_popup 2
save_pdf "$out/grid.pdf"
pdftotext -layout "$out/grid.pdf" "$out/grid.txt"
for text in "Contact Name" "Ann Example" "555 0102" "Cy Person 0"; do
  grep -q "$text" "$out/grid.txt" || fail "'$text' is not on the printed grid"
done

# ---- Find a contact, then remove the line found ----
sleep 0.5
opens '^Find$' grid_find
xdotool type --delay 40 "cy person"
xdotool key Return
sleep 1
shot "$out/grid_find.png" "$mx" "$my" "$mw" "$mh"
[ "$(xdotool search --onlyvisible --name '^Quillon Server$' | wc -l)" -ge 2 ] && fail "the contact was not found"
xdotool key Escape
gone '^Find$'
at 580 145 0.2                                  # "Remove": the line found
message_up
shot "$out/grid_remove.png" "$mx" "$my" "$mw" "$mh"
until_changed "$out/grid_removed.png" $((mx + 10)) $((my + 100)) 520 300 xdotool key Return ||
  fail "Remove changed nothing in the grid"
settled "$out/grid_removed.png" "$mx" "$my" "$mw" "$mh" || true

# ---- The three notes to the printer ----
opens '^Print to File - Book Detail' print_detail
save_pdf "$out/detail.pdf"
message_up
shot "$out/detail_sent.png" "$mx" "$my" "$mw" "$mh"
xdotool key Return
pdftotext "$out/detail.pdf" "$out/detail.txt"
tr -d '\f' < "$out/detail.txt" | grep -v '^$' > "$out/detail_lines.txt" || true
expected=$'Notes of record 0\nsecond notes line\nattachment-0.txt\nQuay 7\nAntwerp'
[ "$(cat "$out/detail_lines.txt")" = "$expected" ] || { cat "$out/detail_lines.txt" >&2; fail "the printed notes differ"; }

# ---- The item list: a double click edits the item, not while read-only ----
opens '^Edit Skill$' item_double_click
last '^Edit Skill$'
shot "$out/item_editor.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
xdotool key Escape
gone '^Edit Skill$'
at 396 63                                       # "Read Only"
xdotool mousemove $((mx + 50)) $((my + 143)) click --repeat 2 --delay 80 1
sleep 1.5
xdotool search --onlyvisible --name "^Edit Skill\$" > /dev/null 2>&1 && fail "a read-only record's item opened"
at 396 63

# ---- The window resized: the notebook and the status line follow ----
at 160 92
xdotool windowmove "$main" 0 0 windowsize "$main" 1000 760
for _ in $(seq 100); do geometry "$main"; [ "$WIDTH" -ge 990 ] && break; sleep 0.1; done
settled "$out/resized_large.png" "$X" "$Y" "$WIDTH" "$HEIGHT" || true
geometry "$main"
shot "$out/resized_large.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
[ "$WIDTH" -ge 990 ] || fail "the window was not resized"
[ $((X + WIDTH)) -le 1280 ] || fail "the resized window is not on the screen"
shot "$out/resized_status.png" "$X" $((Y + HEIGHT - 24)) 200 24
[ "$(count "$out/resized_status.png" 0 0 200 24 0 128 0)" -gt 20 ] || fail "the status line is not at the bottom"
shot "$out/resized_buttons.png" $((X + WIDTH - 100)) $((Y + 100)) 100 260
[ "$(count "$out/resized_buttons.png" 0 0 100 260 0 0 0)" -gt 100 ] || fail "the grid page buttons are not at the right edge"
xdotool windowsize "$main" 634 482
for _ in $(seq 100); do geometry "$main"; [ "$WIDTH" -le 640 ] && break; sleep 0.1; done
settled "$out/resized_small.png" "$X" "$Y" "$WIDTH" "$HEIGHT" || true
geometry "$main"
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
