#!/usr/bin/env bash
# What a person meets only on a real X server, with the installed client: grid 3's data summary
# takes its From date from the date menu and its calendar, and the filter chosen before stays
# (the window comes back active once the calendar has closed); the scanner station opens from
# "Utilities" > "Scan Barcode" (the shipped definition has its barcode and quantity fields: no
# message, and its Close closes it).  Screenshots of the data summary and the scanner are saved.
# Usage: explore_x11.sh SOURCE_DIR BUILD_DIR MAKE_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1"
bin="$2"
make_db="$3"
out="$4"
# shellcheck source=x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
if x11_outside; then
  install_client "$src" "$bin"
  "$make_db" "$out/R/Data/database/Test.qnd" 10
  mkdir -p "$out/config"
  printf '[SETTINGS]\r\nDATABASE=Test\r\n' > "$out/config/QuillonClient.ini"
  x11_screen 1280x1024 "$@"
fi
at() { xdotool mousemove $((mx + $1)) $((my + $2)) click 1; sleep "${3:-0.4}"; }

start_client
login

# ---- Grid 3's data summary: the filter "Event", then the From date through the date menu ----
at 117 92 0.8
opens '^Data Summary$' at 580 285
w=$(window "Data Summary") || fail "no data summary"
geometry "$w"
dx=$X dy=$Y
# The filter's word only: not the frame, which shows the focus, nor the caret, which blinks in
# the column after the word while the box has the focus ("Event" ends in the 28th column).
filter_word() { shot "$out/$1.png" $((dx + 124)) $((dy + 71)) 28 13; }
filter_word filter_none
for _ in 1 2 3; do
  click_at $((dx + 270)) $((dy + 77)) 1      # the filter's list
  click_at $((dx + 150)) $((dy + 107)) 0.8   # its second entry: the grid's column "Event"
  filter_word filter_chosen
  same "$out/filter_none.png" "$out/filter_chosen.png" || break
done
same "$out/filter_none.png" "$out/filter_chosen.png" && fail "no filter could be chosen"
shot "$out/from_empty.png" $((dx + 62)) $((dy + 38)) 94 16
before=$(visible)
click_at $((dx + 110)) $((dy + 46)) 0.2    # the From box: the date menu
menu_pick 1                                # "Select Date"
new_window "$before" > /dev/null || fail "no calendar"
xdotool key Return                         # today
for _ in $(seq 50); do
  shot "$out/from_taken.png" $((dx + 62)) $((dy + 38)) 94 16
  same "$out/from_empty.png" "$out/from_taken.png" || break
  sleep 0.1
done
same "$out/from_empty.png" "$out/from_taken.png" && fail "the From box took no date"
sleep 0.5
filter_word filter_after
same "$out/filter_chosen.png" "$out/filter_after.png" || fail "the filter did not stay after the calendar"
snap data_summary "$w"
click_at $((dx + 436)) $((dy + 409)) 0.2
gone '^Data Summary$'

# ---- "Utilities" > "Scan Barcode" ----
menu u 8
w=$(window "Scan Barcode") || fail "no scanner station"
snap scan_barcode "$w"
b=$(message_box) && { snap scan_barcode_message "$b"; fail "the scanner station did not find its fields"; }
geometry "$w"
click_at $((X + 170)) $((Y + 397)) 0.2   # "Close"
gone '^Scan Barcode$'

close_client 596 33
echo "explore_x11: the data summary's dates and the scanner station; screenshots in $out"
