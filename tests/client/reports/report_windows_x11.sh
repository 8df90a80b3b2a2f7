#!/usr/bin/env bash
# The report windows of the installed client as a person opens them, on a real X server, over a
# database whose records hold reminder dates, quantities, desired quantities, barcodes and prices:
# the reminders of a date field's pop-up menu (Find, Add to the search list, which the search
# results then show, then a record opened by a double click), the
# quick order and the value report of the "Report and View" menu and the grid data summary of
# grid 3, each exported through its Print window as CSV and compared with the database; the print
# window of the rich text (exported as HTML, its preview on paper and on labels), of the address
# memos (exported as RTF) and of a barcode label; the About box.  A screenshot of every window is
# saved.
# Usage: report_windows_x11.sh SOURCE_DIR BUILD_DIR MAKE_REPORT_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
# The day the database was made for and the records as made, for the checks.
made_for=$(date +%m/%d/%Y)
dump_records() {
  echo "$made_for" > "$out/today.txt"
  "$make_db" --dump "$out/R/Data/database/Test.qnd" > "$out/records.txt"
}
installed_client_x11 1280x1024 --clear '*.csv' --clear '*.htm' --clear '*.rtf' --clear '*.txt' \
  --db "$make_db" "$made_for" --then dump_records -- "$@"
today=$(cat "$out/today.txt")

# wait_ink FILE X Y W H: waits until the rectangle of the screen shows text (pixels darker than
# the grey of the windows), into FILE.
wait_ink() {
  x11_poll 20 "text in $1" x11_holds 'shot "$@" && x11_ask darker "$1" 450 && [ "$x11_answer" -gt 30 ]' "$@" || fail "nothing shows in $1"
}
# ok_message NAME: the message box that is up is answered by a click on its OK (NAME.png shows it
# with the pointer there).
ok_message() { box_answer "$1" OK; }
# export_report CSV: the report window of a Print button (the quick report window) is up; its
# "CSV Export" writes the grid to the file; OK closes it.
export_report() {
  local w
  w=$(window Report 700) || fail "no report window for $1"
  geometry "$w"
  local rx=$X ry=$Y
  drawn "$out/$(basename "$1" .csv)_print.png" "$w"
  xdotool mousemove $((rx + 430)) $((ry + 538)) click 1
  save_as "$1"
  ok_message "$(basename "$1" .csv)_exported"
  xdotool mousemove $((rx + 705)) $((ry + 538)) click 1
  gone '^Report$'
}
# The OK and Print buttons of the quick order and value report windows: their panel is centred,
# its top at the window height less 96.
report_button() { # report_button X_IN_PANEL: clicks it in the window at X Y W H
  xdotool mousemove $((X + (WIDTH - 400) / 2 + $1)) $((Y + HEIGHT - 96 + 40)) click 1
}
# tab X: a record page by its tab (the X server hands the program the clicks in order: the next
# click reaches the page shown).
tab() { xdotool mousemove $((mx + $1)) $((my + 92)) click 1; }
# print_window TAB X Y NAME: the button at X Y of the record page whose tab is at TAB opens the
# print window "Print" (w; px py its corner), screenshot as NAME.
print_window() {
  tab "$1"
  opens '^Print$' xdotool mousemove $((mx + $2)) $((my + $3)) click 1
  w=$(window Print 700) || fail "no print window for $4"
  geometry "$w"
  px=$X py=$Y
  drawn "$out/$4.png" "$w"
}
# export_print Y FILE: the entry at Y of the print window's "Export" menu writes FILE.
export_print() {
  popup $((px + 725)) $((py + 36))
  xdotool mousemove $((px + 798)) $((py + $1)) click 1
  save_as "$2"
  ok_message "$(basename "$2" | tr . _)_exported"
}

start_client
login

# ---- Reminders: the date field's pop-up menu, "Find Service Date" ----
popup $((mx + 350)) $((my + 347))
shot "$out/date_menu.png" $((mx + 290)) $((my + 330)) 220 90
xdotool mousemove 1279 1023
xdotool key Down Down Down
xdotool key Return
w=$(window "Find Service Date") || fail "no reminder window"
ok_message reminder_start
geometry "$w"
wx=$X wy=$Y ww=$WIDTH
xdotool mousemove $((X + (WIDTH - 490) / 2 + 48)) $((Y + HEIGHT - 140 + 76)) click 1
wait_ink "$out/reminder_rows.png" $((wx + 20)) $((wy + 20)) 120 230
drawn "$out/reminder_report.png" "$w"
due=$(awk -F'\t' -v d="$today" '$8 == d' "$out/records.txt" | wc -l)
shown_rows=$(text_rows "$out/reminder_report.png" 20 20 120 230)
[ "$shown_rows" -eq "$due" ] || fail "the reminders show $shown_rows rows, $due records have the date $today"
# "Add" puts the reminders on the search list: the search results show them at once.
xdotool mousemove $((wx + (ww - 490) / 2 + 232)) $((wy + HEIGHT - 140 + 76)) click 1
box_answer reminder_add_question Yes
r=$(window "Search Results" 300) || fail "the search results did not show the added reminders"
geometry "$r"
rx=$X ry=$Y
wait_ink "$out/results_rows.png" $((rx + 4)) $((ry + 84)) 120 300
drawn "$out/reminder_added_results.png" "$r"
listed=$(text_rows "$out/reminder_added_results.png" 4 84 120 300)
[ "$listed" -eq "$due" ] || fail "the search results show $listed rows after Add, $due reminders were added"
xdotool mousemove $((rx + 300)) $((ry + 14)) click 1  # its "Close"
gone '^Search Results$'
geometry "$w"
# A double click on the second reminder shows its record; the window then closes.
second=$(awk -F'\t' -v d="$today" '$8 == d { n++; if (n == 2) print $2 }' "$out/records.txt")
xdotool mousemove $((wx + 100)) $((wy + 17 + 17 + 8)) click --repeat 2 --delay 80 1
gone '^Find Service Date$'
number=$(echo "$second" | awk '{print $2}')

# ---- The quick order report: "Report and View" > "Quick Order Report" > "All Records" ----
opens '^Quick Quantity Report$' menu r 1 1
w=$(window "Quick Quantity Report") || fail "no quick order report"
geometry "$w"
wait_ink "$out/order_rows.png" $((X + 4)) $((Y + 24)) 80 100
drawn "$out/quick_order_report.png" "$w"
[ "$(count "$out/quick_order_report.png" 0 20 "$WIDTH" 22 0 0 128)" -gt 2000 ] || fail "the quick order report has no first row selected"
report_button 260
export_report "$out/quick_order.csv"
geometry "$w"
report_button 350
gone '^Quick Quantity Report$'
/usr/bin/python3 - "$out/records.txt" "$out/quick_order.csv" <<'PY' || fail "the quick order report differs from the records"
import csv, sys
def whole(t):
    try: return int(t)
    except ValueError: return 0
records = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])]
got = list(csv.reader(open(sys.argv[2], newline="")))
assert [h.strip() for h in got[0]] == ["Record ID", "Name", "Barcode", "Current", "Desired", "Required"], got[0]
want = [[r[0], r[1], r[4], r[2], r[3], str(whole(r[3]) - whole(r[2]))] for r in records]
assert got[1:] == want, "\n".join(map(str, got[1:4] + want[:3]))
PY

# ---- The value report: "Report and View" > "Quick Financial Report" > "All Records" ----
opens '^Quick Financial Report$' menu r 2 1
w=$(window "Quick Financial Report") || fail "no value report"
geometry "$w"
wait_ink "$out/value_rows.png" $((X + 4)) $((Y + 24)) 80 100
drawn "$out/value_report.png" "$w"
report_button 260
export_report "$out/value.csv"
geometry "$w"
report_button 350
gone '^Quick Financial Report$'
/usr/bin/python3 - "$out/records.txt" "$out/value.csv" <<'PY' || fail "the value report differs from the records"
import csv, sys
from decimal import Decimal
records = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])]
got = list(csv.reader(open(sys.argv[2], newline="")))
assert got[0] == ["Record ID", "Name", "Price Paid", "Current Value"], got[0]
assert got[1:-1] == [[r[0], r[1], r[5], r[6]] for r in records], got[1:3]
price, value = (sum(Decimal(r[i]) for r in records) for i in (5, 6))
assert got[-1] == ["Total", "", "%.2f" % price, "%.2f" % value], (got[-1], price, value)
PY

# ---- The grid data summary: "Report and View" > "Grid3Summary" > "All Records" ----
opens '^History \(All Records\)$' menu r 3 1
w=$(window "History \(All Records\)") || fail "no grid data summary"
geometry "$w"
wait_ink "$out/summary_rows.png" $((X + 4)) $((Y + 24)) 80 100
drawn "$out/grid_data_summary.png" "$w"
# Its Print: the panel is centred, its top at the window height less 88.
xdotool mousemove $((X + WIDTH / 2 + 44)) $((Y + HEIGHT - 45)) click 1
export_report "$out/grid_summary.csv"
geometry "$w"
xdotool mousemove $((X + WIDTH / 2 + 135)) $((Y + HEIGHT - 45)) click 1
gone '^History \(All Records\)$'
# Each record's grid 3 line: its date cell holds the record's number (below 50), its event "Part"
# and the number modulo 6.
/usr/bin/python3 - "$out/records.txt" "$out/grid_summary.csv" <<'PY' || fail "the grid data summary differs from the records"
import csv, sys
records = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])]
got = list(csv.reader(open(sys.argv[2], newline="")))
assert got[0][:4] == ["Record ID", "Record Name", "Date", "Event"], got[0]
want = []
for code, name, *_ in records:
    n = int(name.split()[1])
    want.append([code, name, str(n % 50), "Part %d" % (n % 6)])
assert [row[:4] for row in got[1:]] == want, (got[1:3], want[:2])
PY

# ---- The print window of the rich text: the record opened from the reminders ----
print_window 236 570 116 record_print_text
# The font, size and colour boxes show the font of the text where the editor starts: a name, a
# size, and a black swatch before the colour's name.
f="$out/record_print_text.png"
[ "$(count "$f" 265 57 100 14 0 0 0)" -gt 15 ] || fail "the font box shows no font name"
[ "$(count "$f" 402 57 26 14 0 0 0)" -gt 8 ] || fail "the size box shows no size"
[ "$(count "$f" 462 59 20 10 0 0 0)" -gt 150 ] || fail "the colour box shows no black swatch"
[ "$(count "$f" 488 57 50 14 0 0 0)" -gt 15 ] || fail "the colour box shows no colour name"
export_print 69 "$out/rich_text.htm"                    # "Export To HTML"
grep -q "Rich text of record $number" "$out/rich_text.htm" || fail "the HTML export does not hold record $number's text"
grep -q "<B>Bold line" "$out/rich_text.htm" || fail "the HTML export lost the bold line"
xdotool mousemove $((px + 58)) $((py + 10)) click 1    # "Preview"
wait_ink "$out/paper_text.png" $((px + 310)) $((py + 150)) 140 40
drawn "$out/record_print_preview.png" "$w"
# "Labels": the sheet's labels show on the paper.
until_changed "$out/labels_shown.png" $((px + 303)) $((py + 152)) 100 25 \
  xdotool mousemove $((px + 15)) $((py + 516)) click 1 || fail "Labels changed nothing in the preview"
drawn "$out/record_print_labels.png" "$w"
# The text goes on the first label only.
[ "$(count "$out/record_print_labels.png" 303 152 48 25 0 0 0)" -gt 20 ] || fail "the first label holds no text"
[ "$(count "$out/record_print_labels.png" 356 152 46 25 0 0 0)" -eq 0 ] || fail "the second label holds text"
xdotool mousemove $((px + 710)) $((py + 527)) click 1  # OK
gone '^Print$'

# ---- The print window of the address: memo 1 and memo 3, exported as RTF ----
print_window 199 451 432 address_print
export_print 47 "$out/address.rtf"                      # "Export to RTF"
for text in "First memo line $number" "Addressee $number" "Quay $number" "Antwerp"; do
  grep -q "$text" "$out/address.rtf" || fail "'$text' is not in the RTF export"
done
xdotool mousemove $((px + 710)) $((py + 527)) click 1
gone '^Print$'

# ---- A barcode label: the barcode editor's "Print Selected Barcode" ----
tab 30
opens '^Edit Barcode$' xdotool mousemove $((mx + 555)) $((my + 369)) click 1
w=$(window "Edit Barcode") || fail "no barcode editor"
geometry "$w"
bx=$X by=$Y
opens '^Print Selected Barcode$' xdotool mousemove $((bx + 485)) $((by + 237)) click 1
w=$(window "Print Selected Barcode" 700) || fail "no barcode label window"
geometry "$w"
px=$X py=$Y
popup $((px + 368)) $((py + 112))                       # "Add": the record name
before=$(visible)
xdotool key Down Return
x11_poll 20 "[ (visible) != before ]" x11_holds '[ "$(visible)" != "$before" ]' || true
[ "$(visible)" != "$before" ] || fail "the Add menu did not close"
drawn "$out/barcode_label_edit.png" "$w"
# The label text's font, colour and size ("10") show; "Plain Paper" is disabled, its caption
# greyed (grey pixels, none black).
f="$out/barcode_label_edit.png"
[ "$(count "$f" 30 51 100 14 0 0 0)" -gt 15 ] || fail "the label font box shows no font name"
[ "$(count "$f" 175 53 19 10 0 0 0)" -gt 120 ] || fail "the label colour box shows no black swatch"
[ "$(count "$f" 278 51 22 14 0 0 0)" -gt 8 ] || fail "the label size box shows no size"
[ "$(count "$f" 28 486 62 14 128 128 128)" -gt 20 ] || fail "the disabled Plain Paper shows no greyed caption"
[ "$(count "$f" 28 486 62 14 0 0 0)" -eq 0 ] || fail "the disabled Plain Paper's caption is not greyed"
until_changed "$out/labels_shown.png" $((px + 303)) $((py + 152)) 100 25 \
  xdotool mousemove $((px + 58)) $((py + 10)) click 1 || fail "no label preview"
drawn "$out/barcode_label.png" "$w"
[ "$(count "$out/barcode_label.png" 303 152 48 25 0 0 0)" -gt 40 ] || fail "the first label holds no barcode"
[ "$(count "$out/barcode_label.png" 356 152 46 25 0 0 0)" -eq 0 ] || fail "the second label holds a barcode"
xdotool mousemove $((px + 710)) $((py + 527)) click 1
gone '^Print Selected Barcode$'
xdotool mousemove $((bx + 570)) $((by + 325)) click 1  # Cancel
gone '^Edit Barcode$'

# ---- A quick report of Maker and Service Date, filtered by both ----
# The search window's "Generate Report"; the items Maker (detail 2) and Service Date (other 2).
opens '^Search$' xdotool mousemove $((mx + 276)) $((my + 32)) click 1
w=$(window Search 400) || fail "no search window"
geometry "$w"
opens '^Report Setup$' xdotool mousemove $((X + 140)) $((Y + 14)) click 1
w=$(window "Report Setup") || fail "no report setup"
geometry "$w"
ux=$X uy=$Y
for item in 12 25; do
  menu_at $((ux + 335)) $((uy + 40)) "$item"
done
drawn "$out/quick_filter_setup.png" "$w"
opens '^Report$' xdotool mousemove $((ux + 280)) $((uy + 323)) click 1
w=$(window Report 700) || fail "no report window"
geometry "$w"
qx=$X qy=$Y
# The filter grid: one row per column (Record ID, Maker, Service Date), the filter in column 1.
filter_cell() { xdotool mousemove $((qx + 8 + 140 + 70)) $((qy + 30 + 25 * $1 + 12)) click 1; }
opens '^Enter Value$' filter_cell 1
# Its line (48 pixels down) takes the text, then its OK (left of Cancel) is clicked.
v=$(window "Enter Value") || fail "no Enter Value box"
painted "$v"
geometry "$v"
until_changed "$out/quick_filter_value.png" "$X" "$Y" "$WIDTH" "$HEIGHT" \
  xdotool mousemove $((X + WIDTH / 2)) $((Y + 48)) click 1 key ctrl+a type --delay 40 "Acme" ||
  fail "the text typed does not show in the Enter Value box"
box_answer quick_filter_value_ok OK 2 "$v"
opens '^Edit Date Range$' filter_cell 2
d=$(window "Edit Date Range") || fail "no date range dialog"
geometry "$d"
md=$(echo "$today" | cut -c1-2,4-5)
xdotool mousemove $((X + 90)) $((Y + 18)) click 1
xdotool key Home
xdotool type --delay 40 "$md"
xdotool mousemove $((X + 90)) $((Y + 50)) click 1
xdotool key Home
until_changed "$out/quick_filter_dates.png" "$X" "$Y" "$WIDTH" "$HEIGHT" xdotool type --delay 40 "$md" ||
  fail "the date typed does not show"
drawn "$out/quick_filter_dates.png" "$d"
geometry "$d"
xdotool mousemove $((X + 154)) $((Y + 92)) click 1  # OK
gone '^Edit Date Range$'
drawn "$out/quick_filter_report.png" "$w"
export_report "$out/quick_filtered.csv"
# Maker is "Acme" for the odd records; the date filter keeps today and, for an empty date, today.
/usr/bin/python3 - "$out/records.txt" "$out/quick_filtered.csv" "$today" <<'PY' || fail "the filtered quick report differs from the records"
import csv, sys
records = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])]
got = list(csv.reader(open(sys.argv[2], newline="")))
today = sys.argv[3]
assert got[0] == ["Maker", "Service Date"], got[0]
want = [["Acme", r[7]] for r in records if int(r[1].split()[1]) % 2 == 1 and r[7] in (today, "")]
assert want and got[1:] == want, (got[1:], want)
PY
w=$(window Search 400) && { geometry "$w"; xdotool mousemove $((X + 380)) $((Y + 14)) click 1; }

# ---- The About box ----
opens '^About$' menu a 1
w=$(window About) || fail "no About box"
drawn "$out/about.png" "$w"
geometry "$w"
xdotool mousemove $((X + 250)) $((Y + 128)) click 1
gone '^About$'

# ---- Close ----
xdotool mousemove $((mx + 596)) $((my + 33)) click 1
client_closed
echo "report_windows_x11: reminders, quick order and value reports, grid data summary, print window of text, address and barcode label, About; screenshots in $out"
