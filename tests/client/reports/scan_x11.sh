#!/usr/bin/env bash
# The scanner station of the installed client as a person uses it, on a real X server: opened from
# the main window's tool bar, a code scanned with "Jump To Item" (the scanner types it and Enter)
# closes the window and the main window shows that record; opened from the "Utilities" menu, a
# code scanned with "Add to Inventory" adds 1 to that record's stock, which the database file holds
# once the client has closed; a code no record holds shows "Not Found" in red.  Screenshots of the
# window are saved.
# Usage: scan_x11.sh SOURCE_DIR BUILD_DIR MAKE_REPORT_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
# The records as made, for the checks.
dump_records() { "$make_db" --dump "$out/R/Data/database/Test.qnd" > "$out/records.txt"; }
installed_client_x11 1280x1024 --db "$make_db" "$(date +%m/%d/%Y)" --then dump_records -- "$@"

# field_text X Y: the text of the main window's edit box at X Y, selected and copied.
field_text() {
  printf '' | xclip -selection clipboard
  xdotool mousemove $((mx + $1)) $((my + $2)) click 1
  xdotool key ctrl+a ctrl+c
  x11_poll 20 "the field's text on the clipboard" clipboard_text && echo "$t" || true
}
clipboard_text() { t=$(xclip -o -selection clipboard 2>/dev/null || true); [ -n "$t" ]; }
# scan_window: the scanner station that is up (w; sx sy its corner), screenshot as $1.
scan_window() {
  w=$(window "Scan Barcode") || fail "no scanner station"
  geometry "$w"
  sx=$X sy=$Y
  drawn "$out/$1.png" "$w"
}
# scan CODE: a click into the code box, then the scanner's keys: the code and Enter (the X server
# hands them to the program after the click).
scan() {
  xdotool mousemove $((sx + 200)) $((sy + 126)) click 1
  xdotool type --delay 30 "$1"
  xdotool key Return
}
field() { awk -F'\t' -v n="$1" -v f="$2" 'NR == n { print $f }' "$out/records.txt"; }

start_client
login
jump_code=$(field 6 1) jump_name=$(field 6 2) jump_barcode=$(field 6 5)
[ "$(field_text 100 62)" != "$jump_code" ] || fail "record $jump_code is shown before the scan"

# ---- From the tool bar's "Scan" (the third button from the right): Jump To Item ----
opens '^Scan Barcode$' xdotool mousemove $((mx + 556)) $((my + 33)) click 1
scan_window scan_barcode
scan "$jump_barcode"
gone '^Scan Barcode$'
x11_poll 10 "record $jump_code shown" x11_holds 'shown_code=$(field_text 100 62); [ "$shown_code" = "$jump_code" ]' || true
[ "$shown_code" = "$jump_code" ] || fail "the jump shows record '$shown_code', not $jump_code"
[ "$(field_text 280 62)" = "$jump_name" ] || fail "the jump does not show the name $jump_name"
shot "$out/main_after_jump.png" "$mx" "$my" "$mw" "$mh"

# ---- From "Utilities" > "Scan Barcode" (its last entry): Add to Inventory ----
add_code=$(field 9 1) add_barcode=$(field 9 5) add_stock=$(field 9 3)
opens '^Scan Barcode$' menu_click 247 8 8  # its last entry, under four separators
scan_window scan_from_menu
until_changed "$out/scan_add_chosen.png" $((sx + 20)) $((sy + 62)) 110 16 \
  xdotool mousemove $((sx + 60)) $((sy + 70)) click 1 || fail "\"Add to Inventory\" was not chosen"
until_changed "$out/scan_item.png" $((sx + 80)) $((sy + 146)) 240 52 scan "$add_barcode" ||
  fail "the scanner station shows nothing after adding to the stock"
drawn "$out/scan_added.png" "$w"
# A code no record holds: "Not Found", in red, in the item box.
until_changed "$out/scan_missing.png" $((sx + 80)) $((sy + 146)) 240 21 scan "99999999999" ||
  fail "the scanner station shows nothing for a code no record holds"
settled "$out/scan_missing.png" $((sx + 80)) $((sy + 146)) 240 21 || fail "the item box did not settle"
[ "$(count "$out/scan_missing.png" 0 0 240 21 255 0 0)" -gt 25 ] || fail "\"Not Found\" is not shown in red"
xdotool mousemove $((sx + 170)) $((sy + 397)) click 1  # "Close"
gone '^Scan Barcode$'

# ---- Close; the database file holds the new stock and nothing else changed ----
geometry "$main"
xdotool mousemove $((X + 596)) $((Y + 33)) click 1
client_closed
"$make_db" --dump "$out/R/Data/database/Test.qnd" > "$out/records_after.txt"
/usr/bin/python3 - "$out/records.txt" "$out/records_after.txt" "$add_code" <<'PY' || fail "the stock in the database is not what the scans made"
import sys
before = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])]
after = [l.rstrip("\n").split("\t") for l in open(sys.argv[2])]
code = sys.argv[3]
assert len(before) == len(after), (len(before), len(after))
for b, a in zip(before, after):
    if b[0] == code:
        assert int(a[2]) == int(b[2]) + 1, (b, a)
        b[2] = a[2]
    assert a == b, (b, a)
PY
echo "scan_x11: jumped to $jump_code, stock of $add_code from $add_stock to $((add_stock + 1)); screenshots in $out"
