#!/usr/bin/env bash
# Every figure the installed client writes is the one typed, by the mouse on a real X server, over
# six records whose prices are "99,95", "1.234,50", "1,234.50", 10.25, 20.25 and 30.25:
#   workbook:   the value report's quick report ("Report and View" > "Quick Financial Report" >
#               "All Records", its Print) exported by "Excel Export": openpyxl reads "99,95" and
#               "1.234,50" back as the texts they are and "1,234.50" as the number 1234.5 (they
#               were the numbers 9995, 1.2345 and 1234.5, and the sheet's sum was wrong);
#   money:      the first record's stored "99,95" shows marked (red) in its Price Paid; "99,95"
#               typed into its Current Value and Next clicked: a warning box says it is no amount
#               (its OK clicked), the record stays and keeps the value, marked; "99.95" typed instead is saved and the record moves on (it was taken
#               without a word);
#   calculator: 12.5 + 7.25 = then * 3 = clicked on its keys shows 59.25, and the tape it prints
#               (to the PDF printer, read back with pdftotext) holds 19.75, 3.00 * and 59.25 =
#               (it showed 21.75 and printed 19.75 / 3.00 * / 21.75 =).
# Every check is made and told; the test fails at the end when any failed.  Screenshots of every
# window met on the way are saved.
# Usage: figures_x11.sh SOURCE_DIR BUILD_DIR MAKE_FIGURES_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=../reports/x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
installed_client_x11 1280x1024 --clear '*.xlsx' --clear '*.pdf' --clear '*.txt' --clear '*.png' \
  --db "$make_db" -- "$@"

started=$(date +%s)
step() { echo "figures_x11: $* ($(($(date +%s) - started)) s)"; }
in_main() { xdotool mousemove $((mx + $1)) $((my + $2)) click 1; }

start_client
trap stop_client EXIT
login
step "logged in"

# ---- Workbook: the value report's quick report, "Excel Export" ----
opens '^Quick Financial Report$' submenu_click 162 2 0 1
w=$(window "Quick Financial Report") || fail "no value report"
# The report names the prices it could not read.
b=$(message_box) || fail "the value report said nothing of the prices typed 99,95 and 1.234,50"
drawn "$out/value_unread_values.png" "$b"
box_answer value_unread_values OK 1 "$b"
value_report_print "$w"  # its Print: the report's quick report window
xdotool mousemove $((rx + 337)) $((ry + 538)) click 1  # Excel Export
type_name "$out/value.xlsx"
x11_written "$out/value.xlsx" || fail "the Excel export under value.xlsx wrote nothing"
if b=$(message_box); then box_answer value_xlsx_exported OK 1 "$b"; else problem "the Excel export told nothing"; fi
/usr/bin/python3 - "$out/value.xlsx" > "$out/value_xlsx.txt" 2>&1 <<'PY' || problem "the workbook's prices are not the figures typed: $(cat "$out/value_xlsx.txt")"
import openpyxl, sys
ws = openpyxl.load_workbook(open(sys.argv[1], "rb")).active
rows = [[c.value for c in row] for row in ws.iter_rows()]
print(rows)
head = rows[0]
assert head[:4] == ["Record ID", "Name", "Price Paid", "Current Value"], head
prices = {row[1]: row[2] for row in rows[1:-1]}
# Decimal commas stay the texts they are; a grouped number is a number.
assert prices["Item 1"] == "99,95", prices
assert prices["Item 2"] == "1.234,50", prices
assert prices["Item 3"] == 1234.5, prices
assert prices["Item 4"] == 10.25, prices
# A spreadsheet's sum of the column is that of the amounts: the report's own total.
numbers = sum(v for v in prices.values() if isinstance(v, (int, float)))
assert abs(numbers - 1295.25) < 1e-9, numbers
assert rows[-1][0] == "Total" and float(rows[-1][2]) == 1295.25, rows[-1]
PY
xdotool mousemove $((rx + 705)) $((ry + 538)) click 1  # OK
gone '^Report$'
geometry "$w"
xdotool mousemove $((X + (WIDTH - 400) / 2 + 350)) $((Y + HEIGHT - 96 + 40)) click 1
gone '^Quick Financial Report$'
step "workbook export read back"

# ---- Money: the first record's Details page (the record window's first page) ----
price_y=300 value_x=210 value_y=323 next_x=54 bar_y=33
# marked NAME Y yes|no: waits until the money field at Y shows its text (over 20 dark or red
# pixels) marked in red or not (1 when it did not within ten seconds); NAME.png holds it.  The
# caret may blink in it: what is looked for is the colour, not a picture held still.
marked() {
  local red ink
  for _ in $(seq 100); do
    shot "$out/$1.png" $((mx + 106)) $((my + $2 - 8)) 150 16
    red=$(count "$out/$1.png" 0 0 150 16 255 0 0)
    ink=$(dark "$out/$1.png")
    if [ "$3" = yes ]; then [ "$red" -gt 20 ] && return 0; else [ "$red" -eq 0 ] && [ "$ink" -gt 20 ] && return 0; fi
    sleep 0.1
  done
  return 1
}
menu_bar_enabled
marked price_stored "$price_y" yes || problem "the stored price 99,95 that no total reads is not marked"
marked value_stored "$value_y" no || problem "the current value 100.50 is marked, or does not show"
in_main "$value_x" "$value_y"
xdotool key ctrl+a
xdotool type --delay 30 "99,95"
marked value_typed "$value_y" yes || problem "the typed 99,95 is not marked"
shot "$out/number_before.png" $((mx + 65)) $((my + 56)) 70 14
drawn "$out/main_value_typed.png" "$main"
in_main "$next_x" "$bar_y"  # Next
if b=$(message_box); then
  drawn "$out/amount_refused_box.png" "$b"
  # The toolkit's box lends its text to no tool: it is seen in the screenshot.  It is the
  # warning (its yellow sign; a failed request's box is an error, the last record's an
  # information) of two lines, wider than a short box.
  geometry "$b"
  [ "$(count "$out/amount_refused_box.png" 0 0 "$WIDTH" "$HEIGHT" 255 255 0)" -gt 200 ] ||
    problem "the box at Next is no warning (see amount_refused_box.png)"
  [ "$WIDTH" -ge 450 ] || problem "the box at Next is $WIDTH pixels wide: not the refusal's two lines"
  box_answer amount_refused OK 1 "$b"
  # The record stayed, with the typed value to be mended.
  still "$out/number_after.png" $((mx + 65)) $((my + 56)) 70 14 || fail "the number box did not hold still"
  same "$out/number_before.png" "$out/number_after.png" || problem "Next moved on although the value was refused"
  marked value_kept "$value_y" yes || problem "the refused value did not stay in its field, marked"
  drawn "$out/main_value_refused.png" "$main"
else
  problem "\"99,95\" typed into Current Value was taken without a word"
fi
# Mended, it is saved and the record moves on.
in_main "$value_x" "$value_y"
xdotool key ctrl+a
xdotool type --delay 30 "99.95"
marked value_mended "$value_y" no || problem "the mended 99.95 is still marked"
moved value_saved in_main "$next_x" "$bar_y"
no_box || problem "a box came up although the value was mended"
step "money field"

# ---- Calculator: "Utilities" > "Calculator", its keys clicked ----
opens '^Calculator$' menu_click 232 1
c=$(window Calculator) || fail "no calculator"
geometry "$c"
cx=$X cy=$Y
drawn "$out/calculator_open.png" "$c"
# key COLUMN ROW: a click on the key of that column and row (40 x 26 pixels, 43 and 29 apart
# from 8, 40).  The X server hands the clicks over in order and no two in a row hit one key (they
# would make a double click): what is clicked next waits for nothing.
key() { xdotool mousemove $((cx + 28 + 43 * $1)) $((cy + 53 + 29 * $2)) click 1; }
declare -A keys=([0]="0 5" [1]="0 4" [2]="1 4" [3]="2 4" [5]="1 3" [7]="0 2" [.]="1 5"
                 [+]="3 4" [*]="3 2" [=]="3 5" [print]="2 5")
press() {
  local k
  for k in "$@"; do
    # shellcheck disable=SC2086 # column and row
    key ${keys[$k]}
  done
}
press 1 2 . 5 + 7 . 2 5 =
shows "$out/calculator_sum.png" $((cx + 8)) $((cy + 8)) 170 26 || fail "the display shows nothing"
press '*' 3 =
settled "$out/calculator_product.png" "$cx" "$cy" "$WIDTH" "$HEIGHT" || fail "the calculator did not hold still"
drawn "$out/calculator_chain.png" "$c"
press print
x11_print_to "$out/tape.pdf" "$out/tape_print_dialog.png"
pdftotext -layout "$out/tape.pdf" "$out/tape.txt"
sed -e 's/^ *//' -e 's/ *$//' -e 's/  */ /g' "$out/tape.txt" | tr -d '\f' | grep -v '^$' > "$out/tape_lines.txt" || true
echo "figures_x11: the printed tape:"; cat "$out/tape_lines.txt"
expected=$'Calculator\n--------------\n12.50\n7.25 +\n19.75 =\n--------------\n19.75\n3.00 *\n59.25 =\n--------------'
[ "$(cat "$out/tape_lines.txt")" = "$expected" ] || problem "the printed tape is not the chain computed: $(tr '\n' '/' < "$out/tape_lines.txt")"
xdotool mousemove $((cx + 135)) $((cy + 227)) click 1  # Quit
closed "$c" || fail "the calculator took no click on Quit"
step "calculator"

# ---- Close ----
close_client 596 33
trap - EXIT
[ "$problems" -eq 0 ] || { echo "FAIL: $problems fault(s) found; screenshots in $out" >&2; exit 1; }
echo "figures_x11: workbook figures as typed, a money value no total reads refused, the calculator's chain on its tape; screenshots in $out"
