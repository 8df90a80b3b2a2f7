#!/usr/bin/env bash
# What a person meets only on a real X server, with the installed client: grid 3's data summary
# takes its From date from the date menu and its calendar, and the filter chosen before stays
# (the window comes back active once the calendar has closed); the scanner station opens from
# "Utilities" > "Scan Barcode" (the shipped definition has its barcode and quantity fields: no
# message, and its Close closes it).  Screenshots of the data summary and the scanner are saved.
# Usage: explore_x11.sh SOURCE_DIR BUILD_DIR MAKE_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
installed_client_x11 1280x1024 --db "$make_db" 10 -- "$@"
at() { xdotool mousemove $((mx + $1)) $((my + $2)) click 1; }

start_client
login

# ---- Grid 3's data summary: the filter "Event", then the From date through the date menu ----
until_changed "$out/grid3_page.png" $((mx + 10)) $((my + 100)) 600 200 at 117 92 ||
  fail "the grid 3 page did not show"
opens '^Data Summary$' at 580 285
w=$(window "Data Summary") || fail "no data summary"
geometry "$w"
dx=$X dy=$Y
# The filter's word only: not the frame, which shows the focus, nor the caret, which blinks in
# the column after the word while the box has the focus ("Event" ends in the 28th column).
filter_word() { shot "$out/$1.png" $((dx + 124)) $((dy + 71)) 28 13; }
filter_word filter_none
choose_filter() {
  popup $((dx + 270)) $((dy + 77))                        # the filter's list
  xdotool mousemove $((dx + 150)) $((dy + 107)) click 1   # its second entry: the grid's column "Event"
}
for attempt in 1 2 3; do
  until_changed "$out/filter_chosen.png" $((dx + 124)) $((dy + 71)) 28 13 choose_filter && break
  echo "explore_x11: no filter chosen (attempt $attempt), trying again" >&2
  xdotool key Escape
done
same "$out/filter_none.png" "$out/filter_chosen.png" && fail "no filter could be chosen"
before=$(visible)
menu_at $((dx + 110)) $((dy + 46)) 1                     # the From box's date menu: "Select Date"
calendar=$(new_window "$before") || fail "no calendar"
painted "$calendar" 40
until_changed "$out/from_taken.png" $((dx + 62)) $((dy + 38)) 94 16 xdotool key Return ||  # today
  fail "the From box took no date"
# Once the calendar has closed the window is active again and shows the filter chosen before.
until_same "$out/filter_chosen.png" $((dx + 124)) $((dy + 71)) 28 13 ||
  fail "the filter did not stay after the calendar"
drawn "$out/data_summary.png" "$w"
xdotool mousemove $((dx + 436)) $((dy + 409)) click 1
gone '^Data Summary$'

# ---- "Utilities" > "Scan Barcode" ----
menu u 8
w=$(window "Scan Barcode") || fail "no scanner station"
drawn "$out/scan_barcode.png" "$w"
# (A station that did not find its fields says so in a box as it opens: by the time the window is
# drawn and holds still the box would be up.)
no_box || { b=$(message_box); snap scan_barcode_message "$b"; fail "the scanner station did not find its fields"; }
geometry "$w"
xdotool mousemove $((X + 170)) $((Y + 397)) click 1   # "Close"
gone '^Scan Barcode$'

close_client 596 33
echo "explore_x11: the data summary's dates and the scanner station; screenshots in $out"
