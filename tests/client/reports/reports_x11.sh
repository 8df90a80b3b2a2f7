#!/usr/bin/env bash
# The search and report windows of the installed client as a person uses them, on a real X
# server: a database of 300 generated records, the login, a search of three terms (the record
# name, a category from the value menu, a status), the search results, the graph window from
# them (its tree of the descriptions shown, a node double-clicked and charted), a record opened
# from them, a quick report of three columns generated and paged through in its preview; the
# search windows open in the middle of the screen and the replies are kept in the installation's
# "Work" folder.  Screenshots of the search window, the results, the graph, the record and the
# report preview are saved.
# Usage: reports_x11.sh SOURCE_DIR BUILD_DIR MAKE_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
installed_client_x11 1280x1600 --db "$make_db" 300 -- "$@"

start_client
login
shot "$out/main_before.png" "$mx" "$my" "$mw" "$mh"

# ---- The search window: three terms ----
opens '^Search$' xdotool mousemove $((mx + 241)) $((my + 32)) click 1
search=$(window Search 400) || fail "no search window"
geometry "$search"
sx=$X sy=$Y sw=$WIDTH sh=$HEIGHT
row_y() { echo $((sy + 28 + 21 * $1 + 10)); }
col_x() { echo $((sx + 188 * $1 + 90)); }
# add_term: "Add Term", waited for until the grid shows the new row.
add_term() {
  until_changed "$out/terms.png" "$sx" $((sy + 28)) "$sw" 120 \
    xdotool mousemove $((sx + (sw - 560) / 2 + 160)) $((sy + sh - 177 + 28 + 17)) click 1 || fail "Add Term added no row"
}
# choose COLUMN ROW: a click that makes the cell the current one.  A press on the current cell
# opens its menu or editor: the click is 40 pixels left of the cell's middle, where that press
# comes, so that the two are never taken for a double click.
choose() { xdotool mousemove $(($(col_x "$1") - 40)) "$(row_y "$2")" click 1; }
# Row 1: the record name, typed.
menu_at "$(col_x 0)" "$(row_y 1)" 23
choose 2 1
xdotool type --delay 60 "Gold"
xdotool key Return
# value_cell N FILE: waits until the value cell of row N shows a text.
value_cell() { shows "$2" $((sx + 380)) $(($(row_y "$1") - 8)) 190 16 20 || fail "row $1 shows no value"; }
value_cell 1 "$out/term_1.png"
# Row 2: the price paid, a range from its dialog.
add_term
choose 0 2
menu_at "$(col_x 0)" "$(row_y 2)" 20
choose 2 2
opens '^Select Range$' xdotool mousemove "$(col_x 2)" "$(row_y 2)" click 1
range=$(window "Select Range") || fail "no range dialog"
geometry "$range"
xdotool mousemove $((X + 8 + 95)) $((Y + 8 + 30)) click 1
xdotool type --delay 60 "100"
xdotool mousemove $((X + 8 + 221)) $((Y + 8 + 30)) click 1
xdotool type --delay 60 "300"
shows "$out/range_to.png" $((X + 8 + 178)) $((Y + 8 + 24)) 60 12 20 || fail "the range's end does not show"
drawn "$out/range_dialog.png" "$range"
xdotool mousemove $((X + 8 + 337)) $((Y + 8 + 30)) click 1
gone '^Select Range$'
# Row 3: the maker, a specific value from its dialog.
add_term
choose 1 3
choose 0 3
menu_at "$(col_x 0)" "$(row_y 3)" 13
choose 2 3
opens '^Select Range$' xdotool mousemove "$(col_x 2)" "$(row_y 3)" click 1
range=$(window "Select Range") || fail "no range dialog for the maker"
geometry "$range"
xdotool mousemove $((X + 8 + 158)) $((Y + 96 + 34)) click 1
xdotool type --delay 60 "Bolt"
xdotool mousemove $((X + 8 + 337)) $((Y + 96 + 34)) click 1
gone '^Select Range$'
value_cell 3 "$out/term_3.png"
drawn "$out/search_window.png" "$search"

# ---- Search: the results ----
opens '^Search Results$' xdotool mousemove $((sx + (sw - 560) / 2 + 54)) $((sy + sh - 177 + 28 + 17)) click 1
results=$(window "Search Results" 300) || fail "no search results window"
geometry "$results"
rx=$X ry=$Y rw=$WIDTH rh=$HEIGHT
drawn "$out/search_results.png" "$results"
green=$(count "$out/search_results.png" 0 60 "$rw" 400 176 240 176)  # the light green of a found row
[ "$green" -gt 2000 ] || fail "the results show no rows marked by the last search ($green green pixels)"
# Both windows open in the middle of the screen, not at its corner.
centred() { # centred NAME X Y W H: the window at X Y of size W H is in the middle of the 1280x1600 screen
  local dx=$(($2 - (1280 - $4) / 2)) dy=$(($3 - (1600 - $5) / 2))
  [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ] || fail "the $1 window opens at $2,$3, not in the middle of the screen"
}
centred search "$sx" "$sy" "$sw" "$sh"
centred "search results" "$rx" "$ry" "$rw" "$rh"
# The reply of the search is kept in the installation's own folder, none in the current one.
[ -s "$out/R/Work/logdata.txt" ] || fail "the search reply was not kept in Work/logdata.txt"
[ -e logdata.txt ] && fail "the client wrote logdata.txt into the current folder"

# ---- The graph window from the results' tool bar: its tree shows the ten descriptions ----
opens '^Graph Function$' xdotool mousemove $((rx + 100)) $((ry + 14)) click 1
graph=$(window "Graph Function" 300) || fail "no graph window"
geometry "$graph"
gx=$X gy=$Y gw=$WIDTH gh=$HEIGHT
# The tree panel: one band of text per root node (the ten description names), waited for.
tree_bands() {
/usr/bin/python3 - "$out/graph.png" <<'PY'
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGB"); px = im.load()
bands, gap = 0, 3
for y in range(40, im.size[1] - 40):
    inked = any(sum(px[x, y]) < 300 for x in range(20, 160))
    if inked and gap >= 3: bands += 1
    gap = 0 if inked else gap + 1
assert bands >= 10, bands
PY
}
x11_poll 20 "the graph window's tree" x11_holds 'shot "$out/graph.png" "$gx" "$gy" "$gw" "$gh" && tree_bands 2> /dev/null' || true
settled "$out/graph.png" "$gx" "$gy" "$gw" "$gh" || fail "the graph window did not settle"
tree_bands || fail "the graph window's tree shows no descriptions"
# The graph's request is kept: the chosen node's path and its children.
grep -q "category" "$out/R/Work/logsend.txt" || fail "the graph request was not kept in Work/logsend.txt"
# A double click on the second description's line (the second band of text) charts that
# description: its request carries the description number 2, and the chart changes.
second=$(/usr/bin/python3 - "$out/graph.png" <<'PY'
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGB"); px = im.load()
bands, gap, top = [], 3, 0
for y in range(40, im.size[1] - 40):
    inked = any(sum(px[x, y]) < 300 for x in range(20, 160))
    if inked and gap >= 3: top = y
    if not inked and gap == 0 and y > 40: bands.append((top + y) // 2)
    gap = 0 if inked else gap + 1
print(bands[1])
PY
)
xdotool mousemove $((gx + 50)) $((gy + second)) click --repeat 2 --delay 80 1
x11_poll 20 "grep -q ^0,1,2r out/R/Work/logsend.txt" x11_holds 'grep -q $'\''^0,1,2\r'\'' "$out/R/Work/logsend.txt"' || true
grep -q $'^0,1,2\r' "$out/R/Work/logsend.txt" || fail "a double click on the second description charted nothing"
grep -q "^0,0,condition" "$out/R/Work/logsend.txt" || fail "the second description's request names another node"
x11_poll 20 "the second chart" x11_holds 'shot "$out/graph_second.png" "$gx" "$gy" "$gw" "$gh" && ! same "$out/graph.png" "$out/graph_second.png"' || true
same "$out/graph.png" "$out/graph_second.png" && fail "the chart did not change for the second description"
settled "$out/graph_second.png" "$gx" "$gy" "$gw" "$gh" || fail "the second chart did not settle"
xdotool mousemove $((gx + 380)) $((gy + 14)) click 1
gone '^Graph Function$'

# ---- A record opened from the results ----
xdotool mousemove $((rx + 75)) $((ry + 60 + 21 + 10)) click --repeat 2 --delay 80 1
x11_poll 20 "the record opened" x11_holds 'shot "$out/record_opened.png" "$mx" "$my" "$mw" "$mh" && ! same "$out/main_before.png" "$out/record_opened.png"' || true
same "$out/main_before.png" "$out/record_opened.png" && fail "the record window did not change"
settled "$out/record_opened.png" "$mx" "$my" "$mw" "$mh" || fail "the record window did not settle"

# ---- The quick report from the results window ----
# The record window came forward over the results (both sit in the middle of the screen): the
# results are brought back, as a task bar would.
raised "$results" $((rx + 140)) $((ry + 14))
opens '^Report Setup$' xdotool mousemove $((rx + 140)) $((ry + 14)) click 1
setup=$(window "Report Setup") || fail "no report setup window"
geometry "$setup"
ux=$X uy=$Y
for item in 23 1 19; do
  menu_at $((ux + 335)) $((uy + 40)) "$item"
done
shot "$out/report_setup.png" "$ux" "$uy" 420 360
opens '^Report$' xdotool mousemove $((ux + 280)) $((uy + 323)) click 1
report=$(window Report 600) || fail "no report window"
grep -q "Gold" "$out/R/Work/testdata.txt" || fail "the report's reply was not kept in Work/testdata.txt"
geometry "$report"
qx=$X qy=$Y qw=$WIDTH qh=$HEIGHT
shot "$out/report_rows.png" "$qx" "$qy" "$qw" "$qh"
until_changed "$out/report_preview_1.png" "$qx" "$qy" "$qw" "$qh" xdotool mousemove $((qx + 250)) $((qy + 12)) click 1 ||
  fail "the preview did not show"
settled "$out/report_preview_1.png" "$qx" "$qy" "$qw" "$qh" || fail "the preview's first page did not settle"
# The navigator's third button: the next page.
until_changed "$out/report_preview_2.png" "$qx" "$qy" "$qw" "$qh" xdotool mousemove $((qx + 298)) $((qy + 36)) click 1 ||
  fail "paging the preview changed nothing"
# The page label reads "2 of n" now: its pixels differ from the first page's.
shot "$out/page_label.png" $((qx + 482)) $((qy + 30)) 150 20
[ "$(count "$out/page_label.png" 0 0 150 20 0 0 0)" -gt 10 ] || fail "no page label"
echo "reports_x11: search of three terms, results, record opened, quick report paged; screenshots in $out"
