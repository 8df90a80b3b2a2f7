#!/usr/bin/env bash
# The Find window of the grid data summary (a modal window) as a person uses it, on a real X
# server: typed text shows in "Find what", "Find Next" with a text no record holds says so and
# closes the Find window, and "Cancel" closes it.  Screenshots of the windows are saved.
# Usage: find_x11.sh SOURCE_DIR BUILD_DIR MAKE_REPORT_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
installed_client_x11 1280x1024 --db "$make_db" "$(date +%m/%d/%Y)" -- "$@"

# find_window NAME: the Find window, opened with the summary's "Find" (its button panel is
# centred, its top at the window height less 88); fx fy its corner, screenshot as NAME.
find_window() {
  geometry "$w"
  opens '^Find$' xdotool mousemove $((X + WIDTH / 2 - 56)) $((Y + HEIGHT - 45)) click 1
  f=$(window Find) || fail "no Find window"
  drawn "$out/$1.png" "$f"
  geometry "$f"
  fx=$X fy=$Y
  # Into "Find what": what is typed next reaches it (the X server hands the program its input
  # in order).
  xdotool mousemove $((fx + 150)) $((fy + 18)) click 1
}

start_client
login
opens '^History \(All Records\)$' menu r 3 1
w=$(window "History \(All Records\)") || fail "no grid data summary"
drawn "$out/grid_data_summary.png" "$w"

# ---- A text no record holds: Find Next says so, and the Find window closes ----
find_window find_open
xdotool type --delay 30 "zzqx"
xdotool mousemove $((fx + 307)) $((fy + 19)) click 1  # "Find Next"
message_box > /dev/null || fail "Find Next gave no answer: the typing or the click was lost"
box_answer find_not_found OK
gone '^Find$'

# ---- Typing shows in "Find what"; Cancel closes the window ----
find_window find_again
until_changed "$out/find_typed_text.png" $((fx + 70)) $((fy + 10)) 190 18 xdotool type --delay 30 "Item" ||
  fail "the typed text does not show in Find what"
drawn "$out/find_typed.png" "$f"
xdotool mousemove $((fx + 307)) $((fy + 48)) click 1  # "Cancel"
gone '^Find$'

# ---- Close the summary, then the client ----
geometry "$w"
xdotool mousemove $((X + WIDTH / 2 + 135)) $((Y + HEIGHT - 45)) click 1
gone '^History \(All Records\)$'
geometry "$main"
xdotool mousemove $((X + 596)) $((Y + 33)) click 1
client_closed
echo "find_x11: typed, Find Next and Cancel reach the Find window of the grid data summary; screenshots in $out"
