#!/usr/bin/env bash
# A day with the installed client on a real X server, as a person uses it: a database created
# from the login window, two records typed in (fields, an address, grid lines), address labels
# printed to the "PDF" printer (read back with pdftotext), the addresses mailed to a loopback
# mail server, the barcode scanner, the close; then a second start where everything typed is
# there, a search and a quick report from its results printed to the "PDF" printer, after which
# the search window, a new modal window and the record window still take clicks, and the close.
# A screenshot of every window met on the way is saved.
# Usage: day_x11.sh SOURCE_DIR BUILD_DIR OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" out="$3"
log="$out/client.log"
# shellcheck source=../reports/x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
# No database yet: the day starts with a new one.
new_folders() { mkdir -p "$out/config" "$out/mail"; }
installed_client_x11 1280x1024 --clear '*.pdf' --clear '*.txt' --clear mail --then new_folders -- "$@"

started=$(date +%s)
# A loopback mail server: each message is written whole into mail/ and then renamed into place.
mail_stand_in "$out/mail"
printf '[SETTINGS]\r\nMailServer=127.0.0.1\r\nMailPort=%s\r\nSenderEmail=me@example.com\r\nSenderName=Day Tester\r\n' \
  "$smtp_port" > "$out/config/QuillonClient.ini"
stop_smtp() { x11_kill "$smtp"; }
step() { echo "day_x11: $* ($(($(date +%s) - started)) s)"; }

# closes PATTERN X Y: a click at X Y closes the window, given again when it came too early.
closes() {
  local attempt
  for attempt in 1 2 3; do
    xdotool mousemove "$2" "$3" click 1
    x11_poll 4 "the window '$1' to close" not_shown "$1" && return 0
    echo "day_x11: '$1' still open (attempt $attempt), trying again" >&2
  done
  fail "the window '$1' did not close"
}
# centred NAME: the window last measured sits in the middle of the 1280 x 1024 screen (a
# screenshot of the whole screen is kept).
centred() {
  shot "$out/$1_on_screen.png" 0 0 1280 1024
  local dx=$((X - (1280 - WIDTH) / 2)) dy=$((Y - (1024 - HEIGHT) / 2))
  [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ] || fail "the $1 window is at $X,$Y ($WIDTH x $HEIGHT), not centred"
}
# at X Y: a click in the main window.  (The X server hands the program its input in order: what
# is typed after it reaches the field it focused, and a page's fields are there once its tab was
# clicked; the steps that look at the screen wait for it.)
at() { xdotool mousemove $((mx + $1)) $((my + $2)) click 1; }
# type_in X Y TEXT: a one-line field of the main window, its old text replaced.
type_in() {
  at "$1" "$2"
  xdotool key ctrl+a
  xdotool type --delay 30 "$3"
}
# page X: the notebook page whose tab is at X is shown, the focus on its tab: the page on screen
# changes and settles (when it was shown already, the focus frame of a field it had goes and the
# page stays still); the record window opens on its first page.
shown_page=30
page() {
  if [ "$1" = "$shown_page" ]; then
    at "$1" 92
    still "$out/page.png" $((mx + 10)) $((my + 100)) 600 300 || fail "the page whose tab is at $1 did not stay still"
    return 0
  fi
  until_changed "$out/page.png" $((mx + 10)) $((my + 100)) 600 300 at "$1" 92 ||
    fail "the page whose tab is at $1 did not show"
  settled "$out/page.png" $((mx + 10)) $((my + 100)) 600 300 || fail "the page whose tab is at $1 did not settle"
  shown_page=$1
}
pictures_page() { page 277; }
# pick N: entry N (from 1) of the pop-up menu that is up (popup waited for it), by keyboard (the
# pointer is moved off it first so that no entry is hovered); then the menu is waited out.
pick() {
  local i before
  xdotool mousemove 1279 1023
  before=$(visible)
  xdotool key $(downs "$1") Return
  x11_poll 20 "the pop-up menu to close" visible_not "$before" || fail "the pop-up menu did not close at its entry $1"
}
# A print job from the print dialog: its output file box gets the path.
print_to() { # print_to FILE SHOT: the print dialog is up
  x11_print_to "$1" "$out/$2.png"
}
details_page() { page 30; }
parts_page() { page 160; }
notes_page() { page 199; }

# ---- The login window: a new database "Day" ----
start_client
trap 'stop_client; stop_smtp' EXIT
login=$(window Login) || fail "no login window"
drawn "$out/login.png" "$login"
geometry "$login"
lx=$X ly=$Y
opens '^Please enter database information:$' xdotool mousemove $((lx + 70)) $((ly + 132)) click 1
info=$(window 'Please enter database information:') || fail "no database information window"
geometry "$info"
ix=$X iy=$Y
xdotool mousemove $((ix + 260)) $((iy + 24)) click 1
xdotool type --delay 40 "Day"
shows "$out/database_name.png" $((ix + 150)) $((iy + 15)) 80 16 30 || fail "the database's name does not show"
drawn "$out/database_information.png" "$info"
xdotool key Return
box_answer database_created OK
[ -f "$R/Data/database/Day.qnd" ] || fail "the database was not created"
xdotool mousemove $((lx + 226)) $((ly + 132)) click 1
logged_in
gone '^Login$'
step "database created, logged in"

# ---- Two records: name, details, an address ----
fill_record() { # fill_record NAME MAKER PRICE EMAIL ADDRESS...
  details_page
  type_in 280 62 "$1"
  type_in 210 139 "$2"
  type_in 210 300 "$3"
  type_in 150 369 "$4"
  shift 4
  notes_page
  at 510 200
  xdotool key ctrl+a
  local first=1 line
  for line in "$@"; do
    [ "$first" = 1 ] || xdotool key Return
    xdotool type --delay 30 "$line"
    first=0
  done
  details_page
}
# The record's fields and its address, without the focus frames and the caret.
record_shot() { # record_shot NAME
  details_page
  shot "$out/$1.png" $((mx + 10)) $((my + 104)) 612 282
  shot "$out/$1_name.png" $((mx + 186)) $((my + 55)) 190 16
  notes_page
  shot "$out/$1_address.png" $((mx + 420)) $((my + 125)) 180 290
  details_page
}
fill_record "Gold Watch" "Bolt" "250" "ann@example.com" "Ann Example" "Quay 7" "Antwerp"
record_shot first_record
until_changed "$out/new_record.png" $((mx + 62)) $((my + 53)) 76 20 at 108 32 ||
  fail "New made no record"
fill_record "Silver Clock" "Cogs" "120" "bob@example.com" "Bob Sample" "Hill Road 1" "Leuven"
step "two records typed"

# ---- A grid line on the second record, through the line editor ----
parts_page
opens '^Edit$' at 580 117
last '^Edit$'
ex=$X ey=$Y
drawn "$out/line_editor.png" "$(the_window '^Edit$')"
row=0
for value in "Spring" "2" "Acme" "5"; do
  xdotool mousemove $((ex + 260)) $((ey + 40 + 22 * row)) click 1  # from "Part" on
  xdotool type --delay 40 "$value"
  xdotool key Return
  row=$((row + 1))
done
closes '^Edit$' $((ex + 285)) $((ey + 302))
shows "$out/grid_line.png" $((mx + 10)) $((my + 100)) 320 46 150 || fail "the grid line does not show"
settled "$out/grid_line.png" $((mx + 10)) $((my + 100)) 320 46 || fail "the grid line did not settle"
step "grid line added"

# ---- A picture on the second record ----
/usr/bin/python3 -c 'import sys; from PIL import Image; Image.new("RGB", (120, 80), (200, 30, 30)).save(sys.argv[1])' "$out/red.bmp"
pictures_page
opens '^Open$' at 396 117
xdotool type --delay 20 "$out/red.bmp"
xdotool key Return
gone '^Open$'
red_look() {
  shot "$out/$1.png" "$mx" $((my + 160)) "$mw" 280
  [ "$(count "$out/$1.png" 0 0 "$mw" 280 200 30 30)" -gt 20000 ]
}
red_shown() { x11_poll 10 "the red picture" red_look "$1"; }
red_shown picture_shown || fail "the picture does not show"
step "picture chosen"

# ---- The barcode editor: a code scanned in, then OK ----
details_page
opens '^Edit Barcode$' at 555 369
w=$(window "Edit Barcode") || fail "no barcode editor"
geometry "$w"
bx=$X by=$Y
opens '^Scan Code$' xdotool mousemove $((bx + 550)) $((by + 177)) click 1
xdotool type --delay 40 "12345670"
xdotool key Return
gone '^Scan Code$'
shows "$out/barcode_value.png" $((bx + 142)) $((by + 98)) 196 17 20 || fail "the scanned code is not in the barcode box"
drawn "$out/barcode_editor.png" "$w"
closes '^Edit Barcode$' $((bx + 480)) $((by + 325))
shows "$out/barcode_field.png" $((mx + 498)) $((my + 370)) 100 12 20 || fail "the scanned code is not in the barcode field"
record_shot second_record
drawn "$out/main_window.png" "$main"
step "barcode scanned"

# ---- Address labels of every record to the "PDF" printer ----
# Utilities > Print Address Labels (under two separators) > its first entry, by the mouse.
opens '^Print All Records$' submenu_click 247 5 4 1
last '^Print All Records$'
px=$X py=$Y
centred address_labels
drawn "$out/address_labels.png" "$(the_window '^Print All Records$')"
opens '^Print$' xdotool mousemove $((px + 635)) $((py + 33)) click 1
print_to "$out/labels.pdf" label_print_dialog
pdftotext -layout "$out/labels.pdf" "$out/labels.txt"
for text in "Ann Example" "Quay 7" "Antwerp" "Bob Sample" "Hill Road 1" "Leuven"; do
  grep -q "$text" "$out/labels.txt" || fail "'$text' is not on the labels"
done
closes '^Print All Records$' $((px + 708)) $((py + 527))
step "labels printed"

# ---- The addresses mailed to the loopback mail server ----
email_typed 247 "Day notice" "Your item is ready."  # Utilities > Generate E-mail
email_send_all
two_mails() { [ "$(ls "$out/mail" | grep -c '\.eml$')" -ge 2 ]; }
x11_poll 15 "two messages" two_mails || true
[ "$(ls "$out/mail" | grep -c '\.eml$')" -eq 2 ] || fail "not one message for each of the two addresses"
# "Your message has been sent.": its OK, then the statuses.
box_answer email_sent OK
drawn "$out/email_statuses.png" "$(the_window '^Email$' first)"
/usr/bin/python3 - "$out/mail" <<'PY' || fail "the messages are not as written"
import email, glob, sys
to = set()
for name in sorted(glob.glob(sys.argv[1] + "/*.eml")):
    m = email.message_from_bytes(open(name, "rb").read())
    assert m["Subject"] == "Day notice", m["Subject"]
    assert "Your item is ready." in m.get_payload(decode=True).decode(), m.get_payload()
    assert "me@example.com" in m["From"], m["From"]
    to.add(m["To"])
assert to == {"ann@example.com", "bob@example.com"}, to
PY
closes '^Email$' $((ox + 510)) $((oy + 396))
step "addresses mailed"

# ---- The main window's menus, and the report windows they open ----
for key in c e r u h a; do
  xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
  before=$(visible)
  xdotool key "alt+$key"
  menu_win=$(new_window "$before") || fail "the menu of alt+$key did not open"
  inked "$menu_win"
  shot "$out/menu_$key.png" "$mx" "$my" "$mw" 300
  xdotool key Escape Escape
  x11_poll 5 "the menu of alt+$key to close" visible_is "$before" || true
done
# visit TITLE NAME CX CY COMMAND...: the command opens the window; a click at CX CY (from its
# top left) closes it, or Escape when CX is "-".
visit() {
  local title="$1" name="$2" cx="$3" cy="$4" w
  shift 4
  opens "^$title\$" "$@"
  w=$(the_window "^$title\$")
  drawn "$out/$name.png" "$w"
  geometry "$w"
  if [ "$cx" = - ]; then
    xdotool key Escape
    x11_poll 4 "'$title' to close" not_shown "^$title\$" && return 0
    fail "Escape did not close '$title'"
  fi
  closes "^$title\$" $((X + cx)) $((Y + cy))
}
visit "Record Print" record_print 180 14 menu_click 162 7 2  # Report and View > Quick Record Print
# The grid's summary window, from the grid page's "Summary".
parts_page
opens '^Data Summary$' at 580 285
w=$(the_window '^Data Summary$')
drawn "$out/data_summary.png" "$w"
geometry "$w"
closes '^Data Summary$' $((X + 436)) $((Y + 409))
details_page
step "menus and report windows"

# ---- Close: both records are stored ----
close_client() {
  xdotool mousemove $((mx + 596)) $((my + 33)) click 1
  client_closed
  wait "$pid" || fail "the client ended with a failure"
  trap stop_smtp EXIT
}
close_client
for text in "Gold Watch" "Silver Clock" "Bolt" "Cogs" "ann@example.com" "Hill Road 1" "12345670"; do
  grep -aq "$text" "$R/Data/database/Day.qnd"* || fail "'$text' was not stored"
done
step "closed"

# ---- Start again: the login window remembers the database, the records are there ----
restart_client
trap 'stop_client; stop_smtp' EXIT
login=$(window Login) || fail "no login window after the restart"
painted "$login"
geometry "$login"
xdotool mousemove $((X + 226)) $((Y + 132)) click 1
logged_in
shown_page=30
gone '^Login$'
record_shot restart_first
same "$out/first_record.png" "$out/restart_first.png" || fail "the first record is not as typed after the restart"
same "$out/first_record_name.png" "$out/restart_first_name.png" || fail "the first name is not as typed after the restart"
same "$out/first_record_address.png" "$out/restart_first_address.png" || fail "the first address is not as typed after the restart"
until_changed "$out/restart_second.png" $((mx + 62)) $((my + 53)) 76 20 at 59 32 ||
  fail "Next showed no second record after the restart"
record_shot restart_second
same "$out/second_record.png" "$out/restart_second.png" || fail "the second record is not as typed after the restart"
same "$out/second_record_name.png" "$out/restart_second_name.png" || fail "the second name is not as typed after the restart"
same "$out/second_record_address.png" "$out/restart_second_address.png" || fail "the second address is not as typed after the restart"
parts_page
shot "$out/restart_grid_line.png" $((mx + 10)) $((my + 100)) 320 46
same "$out/grid_line.png" "$out/restart_grid_line.png" || fail "the grid line is not there after the restart"
pictures_page
red_shown restart_picture || fail "the picture is not there after the restart"
details_page
step "started again: everything is there"

# ---- A search for the first record by its name ----
opens '^Search$' at 241 32
last '^Search$'
sx=$X sy=$Y sw=$WIDTH sh=$HEIGHT
popup $((sx + 90)) $((sy + 59))
pick 23 shown                                    # "Name"
# The term's value: typed into its cell (the click chose it), which then shows it.
xdotool mousemove $((sx + 466)) $((sy + 59)) click 1
xdotool type --delay 60 "Gold"
xdotool key Return
shows "$out/search_value.png" $((sx + 380)) $((sy + 51)) 190 16 20 || fail "the search term's value does not show"
drawn "$out/search.png" "$(the_window '^Search$')"
opens '^Search Results$' xdotool mousemove $((sx + (sw - 560) / 2 + 54)) $((sy + sh - 177 + 45)) click 1
last '^Search Results$'
rx=$X ry=$Y
drawn "$out/search_results.png" "$(the_window '^Search Results$')"
shot "$out/results_count.png" $((rx + 200)) $((ry + 30)) 300 20
step "searched"

# ---- A quick report of every record to the "PDF" printer ----
opens '^Report Setup$' xdotool mousemove $((rx + 140)) $((ry + 14)) click 1
last '^Report Setup$'
ux=$X uy=$Y
for item in 23 12 18; do                         # "Name", "Maker", "Price Paid" (a chosen item leaves the menu)
  popup $((ux + 335)) $((uy + 40))
  pick "$item" shown
done
drawn "$out/report_setup.png" "$(the_window '^Report Setup$')"
opens '^Report$' xdotool mousemove $((ux + 280)) $((uy + 323)) click 1
last '^Report$'
qx=$X qy=$Y
centred quick_report
drawn "$out/quick_report.png" "$(the_window '^Report$')"
until_changed "$out/quick_report_preview_shown.png" "$qx" "$qy" "$WIDTH" "$HEIGHT" \
  xdotool mousemove $((qx + 250)) $((qy + 12)) click 1 || fail "the preview did not show"
settled "$out/quick_report_preview_shown.png" "$qx" "$qy" "$WIDTH" "$HEIGHT" ||
  fail "the quick report's preview did not stop changing"
drawn "$out/quick_report_preview.png" "$(the_window '^Report$')"
opens '^Print$' xdotool mousemove $((qx + 112)) $((qy + 36)) click 1
print_to "$out/quick_report.pdf" print_dialog
pdftotext -layout "$out/quick_report.pdf" "$out/quick_report.txt"
grep -q "Name  *Maker  *Price Paid" "$out/quick_report.txt" || fail "the report's columns are not printed"
grep -q "Gold Watch  *Bolt  *250" "$out/quick_report.txt" || fail "the first record is not on the report"
grep -q "Silver Clock  *Cogs  *120" "$out/quick_report.txt" || fail "the second record is not on the report"
closes '^Report$' $((qx + 704)) $((qy + 539))
closes '^Search Results$' $((rx + 286)) $((ry + 14))
step "quick report printed"

# ---- After the report and the results window's close every window still takes clicks ----
# The search window: its "Search" shows the results again (then closed by its tool bar again).
search=$(the_window '^Search$')
raised "$search" $((sx + (sw - 560) / 2 + 54)) $((sy + sh - 177 + 45))
opens '^Search Results$' xdotool mousemove $((sx + (sw - 560) / 2 + 54)) $((sy + sh - 177 + 45)) click 1
last '^Search Results$'
closes '^Search Results$' $((X + 286)) $((Y + 14))
# A modal window opened afterwards: the search window's "Report" opens the setup, whose
# "Cancel" closes it.
opens '^Report Setup$' xdotool mousemove $((sx + 140)) $((sy + 14)) click 1
last '^Report Setup$'
closes '^Report Setup$' $((X + 366)) $((Y + 323))
# The main window: a click on a notebook tab shows that page.
raised "$main" $((mx + 160)) $((my + 92))
parts_page  # (it fails when the page does not show)
shot "$out/after_report_page.png" $((mx + 10)) $((my + 100)) 600 200
details_page
step "the windows take clicks after the report"

# The day ends with the main window's Close: the client ends cleanly and stops its servers.
close_client
step "ended"
echo "day_x11: a day's work; screenshots in $out"
