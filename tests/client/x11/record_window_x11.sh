#!/usr/bin/env bash
# The record window's tool bar, its Edit menu and its header controls clicked with the mouse in
# the installed client on a real X server, over a database of 40 records; every box they open is
# answered by a click on its button (a click the box does not take fails the test): "You are
# already viewing the first record.", "... the last record.", "There are no items on the search
# list." from both search list buttons, Delete's confirmation (No, then Yes), "You may not delete
# read only records.", Insert's number of copies (OK with 2, then Cancel from the menu), and the
# request problem after Next once the web server is gone.  Each window a tool button opens is
# closed by a click on its own button.  A screenshot of each box is saved with the pointer drawn
# in where it was when the button was clicked (a screenshot of an X server leaves the pointer
# out).  The database and the settings are read back after the client closed.
#
# Where the record window's other controls are clicked with the mouse (the installed client in
# day_x11 and nav_x11, the in-process window in fields_x11 and record_data_x11):
#   Next, New, Search, Close; the Parts page's Edit and Summary; the barcode field's editor;
#     the Pictures page's Select ............................................. day_x11
#   the grid page's Print menu, Find and Remove, Print Detail, the item list,
#     the related record's "..." and Select .................................. nav_x11
#   description "..." menus, short values, label rename, grid 3 row editor, image tabs,
#     barcode field, URL field, the relationship diagram and its Close ......... fields_x11
#   Create Demo, the quantity dialog, Tree View, grid 3, read-only menus and item marks,
#     a record deleted elsewhere, inserted copies' attachments ................. record_data_x11
# The menus by the mouse here besides the Edit menu: Utilities' Calculator and Calendar, Report
# and View's search window and search list; Connect's Set Server Name (Cancel), Database
# Information (Cancel) and Local Server Settings (OK); Utilities' Email Account Settings (Cancel),
# Select Date Format (Cancel) and Reset Application's question (No); About's entry (OK); Help
# Manual's three entries, each page handed to the desktop's opener (a stand-in that records it)
# and read back.
# Not yet by the mouse: Report and View's four report submenus and Quick Record Print, Utilities'
# Generate E-mail, Print Address Labels and Scan Barcode (reached with keys in day_x11 and in
# tests/client/reports/*_x11.sh); Connect's Database Login and Close, left out as they end the
# session that the rest of this test needs; the grid Remove box of nav_x11 (answered with
# Return); the CD player's close (it has none but its frame's).
# Usage: record_window_x11.sh SOURCE_DIR BUILD_DIR MAKE_NAV_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=../reports/x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
# The desktop's opener: records what it was asked to open.
installed_client_x11 1280x1024 --clear '*.txt' --db "$make_db" --then opener_stand_in -- "$@"
export PATH="$out/opener:$PATH"

started=$(date +%s)
step() { echo "record_window_x11: $* ($(($(date +%s) - started)) s)"; }

# ---- Where things are in the record window (from its top left corner) ----
bar_y=33                                       # the tool bar's buttons, 34 pixels apart
prev_x=20 next_x=54 new_x=96 delete_x=130 copy_x=164 insert_x=198
search_x=240 find_x=274 prev_search_x=308 next_search_x=342 list_x=376 graph_x=410 calc_x=444
date_x=478 cd_x=512 scan_x=546 close_x=588
header_y=63                                    # the header's controls
readonly_x=343 searchlist_x=425 idle_refresh_x=540 idle_up_x=624 idle_up_y=58
edit_menu_x=86 menu_y=8                        # "Edit" of the menu bar

# ---- Screen helpers ----
# marked_shot FILE WINDOW: a screenshot of the window with an arrow drawn where the pointer is.
marked_shot() {
  local px py wx wy ww wh X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getmouselocation --shell)"
  px=$X py=$Y
  geometry "$2"
  wx=$X wy=$Y ww=$WIDTH wh=$HEIGHT
  shot "$1" "$wx" "$wy" "$ww" "$wh"
  /usr/bin/python3 - "$1" $((px - wx)) $((py - wy)) <<'PY'
import sys
from PIL import Image, ImageDraw
f, x, y = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
im = Image.open(f).convert("RGB")
arrow = [(x, y), (x, y + 17), (x + 4, y + 13), (x + 7, y + 20), (x + 10, y + 19), (x + 7, y + 12), (x + 12, y + 12)]
ImageDraw.Draw(im).polygon(arrow, fill=(255, 255, 255), outline=(200, 0, 0))
im.save(f)
PY
}
# painted WINDOW [DARK]: waits until the window shows its text (more than DARK dark pixels, 150
# when not given), not only its background.
painted() {
  geometry "$1"
  for _ in $(seq 100); do
    shot "$out/painting.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
    [ "$(dark "$out/painting.png")" -gt "${2:-150}" ] && { rm -f "$out/painting.png"; return 0; }
    sleep 0.1
  done
  fail "the window $1 shows nothing"
}
closed() { # closed WINDOW: waits until the window is no longer shown
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '' 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}
# answer NAME BUTTON: the message box that is up is answered by a click on its button (Yes, No
# or OK, the rightmost first); NAME.png shows it with the pointer on the button.  The box must
# close at that click.
answer() {
  local w dx
  w=$(message_box) || fail "no message box ($1)"
  painted "$w"
  geometry "$w"
  case "$2" in
    OK | No) dx=45 ;;
    Yes) dx=134 ;;
    *) fail "no button $2" ;;
  esac
  xdotool mousemove $((X + WIDTH - dx)) $((Y + HEIGHT - 22))
  # The button shows the pointer over it before it is clicked.
  sleep 0.3
  marked_shot "$out/$1.png" "$w"
  xdotool click 1
  closed "$w" || fail "the box '$1' took no click on its $2"
}
# tool X: a click on the tool bar button at X.
tool() { xdotool mousemove $((mx + $1)) $((my + bar_y)) click 1; }
# number_shot FILE: the record number box.
number_shot() { shot "$1" $((mx + 65)) $((my + 56)) 70 14; }  # its text, not its focus frame
# moved NAME COMMAND...: the command shows another record (its number box changes).
moved() {
  local name="$1"
  shift
  until_changed "$out/$name.png" $((mx + 65)) $((my + 56)) 70 14 "$@" || fail "$name showed no other record"
}
no_box() { # no_box: no message box is up
  local w
  for w in $(xdotool search --onlyvisible --name '^Quillon Server$' 2>/dev/null); do
    geometry "$w"
    [ "$WIDTH" -lt 600 ] && return 1
  done
  return 0
}
# menu_click X N: the menu bar's entry at X opens its menu (waited for), whose N-th entry is then
# clicked (the entries are 22 pixels apart; a separator adds 2); menu_X.png shows the menu.
menu_click() {
  local before popup
  before=$(visible)
  xdotool mousemove $((mx + $1)) $((my + menu_y)) click 1
  popup=$(new_window "$before") || fail "the menu at $1 did not open"
  painted "$popup" 40  # "About" has one short entry
  geometry "$popup"
  shot "$out/menu_$1.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
  xdotool mousemove $((X + 40)) $((Y + 10 + 22 * ($2 - 1) + ${3:-0})) click 1
  closed "$popup" || fail "the menu at $1 took no click on its entry $2"
}
# opens_window NAME DX DY COMMAND...: the command opens a window, which a click DX DY from its
# top left corner closes ("-": it is left open and the record window raised over it; negative:
# from its bottom right corner, and NAME.png shows the pointer on the button clicked).
opens_window() {
  local name="$1" dx="$2" dy="$3" before wid
  shift 3
  before=$(visible)
  "$@"
  wid=$(new_window "$before") || fail "$name opened no window"
  painted "$wid"
  geometry "$wid"
  echo "record_window_x11: $name opened '$(xdotool getwindowname "$wid")' $X $Y $WIDTH $HEIGHT"
  if [ "$dx" = - ]; then
    shot "$out/$name.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
    xdotool windowraise "$main"
    return 0
  fi
  if [ "$dx" -lt 0 ]; then
    xdotool mousemove $((X + WIDTH + dx)) $((Y + HEIGHT + dy))
    sleep 0.3  # the button shows the pointer over it
    marked_shot "$out/$name.png" "$wid"
  else
    shot "$out/$name.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
    xdotool mousemove $((X + dx)) $((Y + dy))
  fi
  xdotool click 1
  closed "$wid" || fail "the $name window did not close at the click on its button"
}

start_client
login
step "logged in"

# ---- The first record: Prev says so; Next and Prev move ----
number_shot "$out/first_number.png"
tool $prev_x
answer first_record OK
number_shot "$out/still_first.png"
same "$out/first_number.png" "$out/still_first.png" || fail "Prev on the first record moved"
moved next tool $next_x
moved prev tool $prev_x
same "$out/first_number.png" "$out/prev.png" || fail "Prev did not come back to the first record"
step "Prev and Next"

# ---- New, then Next on it (the last record) ----
moved new tool $new_x
tool $next_x
answer last_record OK
number_shot "$out/still_last.png"
same "$out/new.png" "$out/still_last.png" || fail "Next on the last record moved"
step "New, and Next on the last record"

# ---- The search list buttons with an empty list ----
tool $next_search_x
answer no_search_items_next OK
tool $prev_search_x
answer no_search_items_previous OK
step "empty search list"

# ---- Delete: No keeps the record, Yes deletes it ----
tool $delete_x
answer delete_confirm_no No
number_shot "$out/kept.png"
same "$out/new.png" "$out/kept.png" || fail "No to the delete confirmation did not keep the record"
delete_yes() { tool $delete_x; answer delete_confirm_yes Yes; }
moved deleted delete_yes
step "Delete"

# ---- Read Only: Delete refuses ----
xdotool mousemove $((mx + readonly_x)) $((my + header_y)) click 1
tool $delete_x
answer read_only_delete OK
xdotool mousemove $((mx + readonly_x)) $((my + header_y)) click 1
step "read only"

# ---- Copy, then Insert with 2 copies (OK); Insert from the Edit menu, cancelled ----
# input_answer NAME BUTTON [TEXT]: the "Number of Copies" box takes TEXT in its line, then a
# click on its OK or Cancel.
input_answer() {
  local w
  w=$(window 'Number of Copies') || fail "no Number of Copies box ($1)"
  painted "$w"
  geometry "$w"
  local ix=$X iy=$Y iw=$WIDTH ih=$HEIGHT
  if [ -n "${3:-}" ]; then
    xdotool mousemove $((ix + iw / 2)) $((iy + input_line_y)) click --repeat 2 --delay 80 1
    until_changed "$out/$1_typed.png" "$ix" "$iy" "$iw" "$ih" xdotool key ctrl+a type --delay 40 "$3" ||
      fail "the number typed does not show in the Number of Copies box"
  fi
  case "$2" in
    OK) xdotool mousemove $((ix + iw - input_ok_dx)) $((iy + ih - 22)) ;;
    Cancel) xdotool mousemove $((ix + iw - input_cancel_dx)) $((iy + ih - 22)) ;;
  esac
  sleep 0.3
  marked_shot "$out/$1.png" "$w"
  xdotool click 1
  closed "$w" || fail "the Number of Copies box took no click on its $2"
}
input_line_y=48 input_ok_dx=134 input_cancel_dx=45
tool $copy_x
insert_two() { tool $insert_x; input_answer insert_copies OK 2; }
moved inserted insert_two
step "Copy and Insert"
menu_click $edit_menu_x 4                       # "Insert Record"
input_answer insert_cancelled Cancel
no_box || fail "a box came after Insert was cancelled"
step "Insert cancelled"

# ---- The Edit menu's New Record and Delete Record, by mouse ----
moved menu_new menu_click $edit_menu_x 1
menu_delete_yes() { menu_click $edit_menu_x 2; answer menu_delete_confirm Yes; }
moved menu_deleted menu_delete_yes
step "the Edit menu"
# Every other menu of the menu bar opens at a click on its title and closes at a second one.
for title_x in 34 162 232 323 392; do
  before=$(visible)
  xdotool mousemove $((mx + title_x)) $((my + menu_y)) click 1
  popup=$(new_window "$before") || fail "the menu at $title_x did not open"
  painted "$popup" 40  # "About" has one short entry
  geometry "$popup"
  shot "$out/menu_$title_x.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
  xdotool click 1
  closed "$popup" || fail "the menu at $title_x did not close at a click on its title"
done
step "the menu bar"

# ---- The search list: the shown record added, then walked with << and >> ----
xdotool mousemove $((mx + searchlist_x)) $((my + header_y)) click 1
number_shot "$out/listed.png"
moved listed_prev tool $prev_x
moved listed_again tool $next_search_x
same "$out/listed.png" "$out/listed_again.png" || fail ">> did not show the record of the search list"
moved listed_prev_again tool $prev_x
moved listed_back tool $prev_search_x
same "$out/listed.png" "$out/listed_back.png" || fail "<< did not show the record of the search list"
xdotool mousemove $((mx + searchlist_x)) $((my + header_y)) click 1
step "search list"

# ---- The tool windows, each closed by a click on its own button ----
# tool_window NAME X DX DY: the tool button at X opens a window that a click DX DY from its top
# left corner closes.
tool_window() { opens_window "$1" "$3" "$4" tool "$2"; }
tool_window search $search_x 378 14
tool_window find $find_x 378 14

tool_window list $list_x 299 14
tool_window graph $graph_x 379 14
tool_window calculator $calc_x 135 227
tool_window calendar $date_x 101 59
# The CD player has no button of its own that closes it (only its frame's close): it stays open,
# beside the record window, until the client closes.
tool_window cd $cd_x - -
tool_window scan $scan_x 169 397
step "tool windows"
# The same windows from the menus: Utilities' Calculator and Calendar, Report and View's search
# window and search list (after a separator).
opens_window menu_calculator 135 227 menu_click 232 1
opens_window menu_calendar 101 59 menu_click 232 2
opens_window menu_search 378 14 menu_click 162 5 2
opens_window menu_list 299 14 menu_click 162 6 2
step "tool windows from the menus"

# ---- The small dialogs of the Connect, Utilities and About menus, each answered by a click ----
# A dialog's button is given from its bottom right corner (OK when alone, else Cancel: -50 -25);
# NAME.png then shows the dialog with the pointer on that button.
opens_window set_server_name -45 -22 menu_click 34 2            # Cancel
opens_window database_information -50 -25 menu_click 34 3        # Cancel
opens_window server_settings -50 -25 menu_click 34 4             # OK (its only button)
opens_window email_settings -50 -25 menu_click 232 4 2           # Cancel
opens_window date_format -50 -25 menu_click 232 6 6              # Cancel
opens_window about -50 -25 menu_click 392 1                      # OK (its only button)
menu_click 232 7 6                                          # Reset Application
answer reset_application_no No
no_box || fail "a box came after the small dialogs"
step "Connect, Utilities and About dialogs"

# ---- Help Manual: each entry hands its page to the desktop's opener ----
# opened_page N: the N-th page handed to the opener (waited for).
opened_page() {
  for _ in $(seq 100); do
    [ "$(wc -l < "$out/opener/opened.txt" 2>/dev/null || echo 0)" -ge "$1" ] && break
    sleep 0.1
  done
  [ "$(wc -l < "$out/opener/opened.txt" 2>/dev/null || echo 0)" -ge "$1" ] || fail "Help Manual's entry $1 opened no page"
  sed -n "$1p" "$out/opener/opened.txt"
}
for entry in 1 2 3; do
  menu_click 323 $entry
  page=$(opened_page $entry)
  page=${page#file://}
  echo "record_window_x11: Help Manual entry $entry opened $page"
  [ -f "$page" ] || fail "Help Manual entry $entry opened '$page', which is no file"
  grep -q 'harrowmere.com' "$page" || fail "Help Manual entry $entry: '$page' leads nowhere"
  cp "$page" "$out/help_$entry.htm"
done
grep -q '#Contact' "$out/help_3.htm" || fail "Contact does not lead to the contact part of the help page"
grep -q '#Contact' "$out/help_1.htm" && fail "Contents leads to the contact part"
no_box || fail "a box came after the help pages"
step "Help Manual"

# ---- Idle Refresh saves what is typed; the idle seconds go up by one and are kept ----
# The shown record is the second inserted copy: " refreshed" is added to its name.  (With no
# window manager the keyboard does not follow a click back to the record window from a window
# that closed: it is given the focus as a window manager would.)
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool mousemove $((mx + 250)) $((my + header_y)) click 1
until_changed "$out/typed_name.png" $((mx + 184)) $((my + 54)) 146 20 xdotool key End type --delay 40 " refreshed" ||
  fail "the typed name does not show"
xdotool mousemove $((mx + idle_refresh_x)) $((my + header_y)) click 1
for _ in $(seq 100); do grep -aq "(2) refreshed" "$R/Data/database/Test.qnd"* 2>/dev/null && break; sleep 0.1; done
grep -aq "(2) refreshed" "$R/Data/database/Test.qnd"* || fail "Idle Refresh did not save the typed name"
until_changed "$out/idle_seconds.png" $((mx + 578)) $((my + 53)) 40 20 xdotool mousemove $((mx + idle_up_x)) $((my + idle_up_y)) click 1 ||
  fail "the idle seconds did not change"
step "Idle Refresh and the idle seconds"

# ---- Next once the web server is gone: the request problem, answered by a click ----
web=$(pgrep -f "hmserv-[0-9]*-$port/" | head -1 || true)
[ -n "$web" ] || fail "no web server runs"
kill "$web"
for _ in $(seq 100); do kill -0 "$web" 2>/dev/null || break; sleep 0.1; done
tool $next_x
answer request_problem OK
# Further requests of the same command (the fetch after the save) meet the same problem.
while ! no_box; do answer request_problem_again OK; done
step "request problem"

# ---- Close: the client ends; the database and the settings hold what was done ----
tool $close_x
# The close saves the record: the same problem is told, each box answered by a click.
for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || break
  no_box || answer close_problem OK
  sleep 0.2
done
client_closed
step "closed"
"$make_db" --dump "$R/Data/database/Test.qnd" > "$out/database.txt"
grep -q " (1)	" "$out/database.txt" || fail "the first inserted copy is not stored"
grep -q " (2) refreshed	" "$out/database.txt" || fail "the second inserted copy, with its refreshed name, is not stored"
grep -q " (3)	" "$out/database.txt" && fail "a cancelled Insert inserted a copy"
grep -q "^IDLE SECONDS=121" "$out/config/QuillonClient.ini" || { cat "$out/config/QuillonClient.ini" >&2; fail "the idle seconds were not kept"; }
echo "record_window_x11: tool bar, Edit menu, header controls and every box answered by the mouse; screenshots in $out"
