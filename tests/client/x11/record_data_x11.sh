#!/usr/bin/env bash
# The record window on a real X server, driven with the mouse as a person uses it, over a
# database made by the login window's "Create Demo" from the shipped definition:
#   - the scanner station, the quick quantity report and the reminder report open without a
#     field's kind being set first;
#   - the quantity dialog keeps what was typed in another field;
#   - "Tree View" opens the category editor on the lines as typed, its Help on its topic;
#   - a grid 3 cell takes no typing in place;
#   - a read-only record's description menu stays shut, its item mark stays, its relation menu
#     offers only the diagram;
#   - a record deleted by another client is kept whole as a new record when the person says Yes;
#   - inserted copies list no attachment of the original.
# Every box is answered with a click on its button; screenshots of the windows and boxes are kept.
# Usage: record_data_x11.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
prog="$1" out="$2"
# shellcheck source=record_program.sh
source "$(dirname "$0")/record_program.sh"
record_program_x11 record "$@"
printf 'A letter kept with the record.\n' > "$out/letter.txt"

fail() {
  echo "FAIL: $*" >&2
  echo "--- state:" >&2
  cat "$state" >&2 || true
  echo "--- program:" >&2
  tail -n 20 "$out/program.log" >&2 || true
  exit 1
}
line() { grep -h "^at $1 " "$state" 2>/dev/null | tail -1; }
at() { line "$1" | awk '{print $3, $4}'; }
enabled() { line "$1" | awk '{print $5}'; }
st() { grep "^$1 " "$state" 2>/dev/null | head -1 | cut -d' ' -f2-; }
has() { grep -q -- "$1" "$state" 2>/dev/null; }
wait_has() { # wait_has PATTERN [WHAT]: until a state line matches
  x11_poll 30 "has 1" x11_holds 'has "$1"' "$@" && return 0
  fail "${2:-no '$1'}"
}
wait_gone() {
  x11_poll 30 "has 1" x11_holds '! { has "$1"; }' "$@" && return 0
  fail "'$1' did not go"
}
wait_state() { # wait_state KEY VALUE: until the state line reads so
  x11_poll 30 "[ (st 1) = 2 ]" x11_holds '[ "$(st "$1")" = "$2" ]' "$@" && return 0
  fail "$1 is '$(st "$1")', not '$2'"
}
point() { # point NAME: the pointer onto NAME once it has a place
  x11_poll 20 "[ -n (at 1) ]" x11_holds '[ -n "$(at "$1")" ]' "$@" || true
  [ -n "$(at "$1")" ] || fail "$1 is not on the screen"
  xdotool mousemove --sync $(at "$1")
}
click() { point "$1"; xdotool click 1; }
type_into() { # type_into NAME TEXT: the field's text replaced
  click "$1"
  xdotool key ctrl+a
  xdotool type --delay 30 "$2"
}
shot_window() { # shot_window WINDOW FILE
  local x y w h
  read -r x y w h <<< "$(line "window:$1" | awk '{print $3, $4, $5, $6}')"
  [ -n "$h" ] || fail "no window $1 to photograph"
  shot "$out/$2.png" "$x" "$y" "$w" "$h"
}
shot_box() { # shot_box FILE: the message or input box up now (the pointer is on its button)
  local x y w h
  read -r x y w h <<< "$(line boxwin | awk '{print $3, $4, $5, $6}')"
  [ -n "$h" ] || fail "no box to photograph"
  shot "$out/$1.png" "$((x - 20))" "$((y - 40))" "$((w + 40))" "$((h + 60))"
}
answer() { # answer BUTTON FILE: the box's button clicked, the box gone
  point "box:$1"
  shot_box "$2"
  xdotool click 1
  wait_gone "^box "
}

record_program_start
M=Quillon_Server

# ---- "Create Demo" in the login window, then Login ----
wait_has "^window Login$" "no login window"
shot_window Login login
click Login.CreateBtn
I="Please_enter_database_information:"
wait_has "^window $I$" "Create Demo opened no database information window"
type_into "$I.DatabaseName" "Demo"
shot_window "$I" database_information
click "$I.OKBtn"
wait_has "^box .*database" "no message about the new database"
answer OK database_created
wait_has "^at Login.LoginBtn "
click Login.LoginBtn
wait_state login 1
wait_has "^window $M$"
shot_window "$M" record_window
echo "record_data_x11: Demo created and logged in"

# ---- The scanner station finds its fields ----
click "$M.BarcodeTBtn"
wait_has "^window Scan_Barcode$" "the scanner station did not open"
has "^box " && fail "the scanner station complained: $(st box)"
shot_window Scan_Barcode scanner_station
click Scan_Barcode.CloseForm
wait_gone "^window Scan_Barcode$"

# ---- The quick quantity report ----
click "menubar:Report_and_View"
click "menu:Quick_Quantity_Report"
click "menu:All_Records"
wait_has "^window Quick_Quantity_Report$" "the quick quantity report did not open"
has "^box " && fail "the quick quantity report complained: $(st box)"
shot_window Quick_Quantity_Report quick_quantity_report
click Quick_Quantity_Report.CloseBtn
wait_gone "^window Quick_Quantity_Report$"

# ---- The reminder report from the reminder date field ----
click "$M.Other2"
click "menu:Find_Review_Date"
wait_has "^box .*Select desired date range" "the reminder report did not start"
answer OK reminder_start
wait_has "^window Find_Review_Date$" "the reminder report did not open"
shot_window Find_Review_Date reminder_report
click Find_Review_Date.CloseBtn
wait_gone "^window Find_Review_Date$"
echo "record_data_x11: scanner station, quick quantity report and reminder report"

# ---- The quantity dialog keeps what was typed in another field ----
type_into "$M.Detail1" "Typed maker"
wait_state detail1 "Typed maker"
click "$M.Detail7"
wait_has "^window Edit_Quantity$" "the quantity dialog did not open"
click Edit_Quantity.AmountBox
xdotool type --delay 30 "5"
shot_window Edit_Quantity quantity_dialog
click Edit_Quantity.OKBtn
wait_state detail7 "5"
wait_state detail1 "Typed maker"
echo "record_data_x11: quantity added, the typed field kept"

# ---- "Tree View" opens on the lines as typed ----
click "$M.DescBtn4"
click "menu:ADD_NEW_YEAR_MADE_CATEGORY"
D=Edit_Drop_Down_Menu_Options
wait_has "^window $D$" "the choices window did not open"
click "$D.Choices"
xdotool type --delay 30 "1990"
xdotool key Return
xdotool type --delay 30 "2000"
wait_state choices "1990|2000"
shot_window "$D" choices_typed
click "$D.TreeViewBtn"
A=Add_Year_Made_Category
wait_has "^window $A$" "the category editor did not open"
wait_state tree "1990 2000"
shot_window "$A" tree_from_typed_lines
click "$A.HelpBtn"
x11_poll 10 "[[ (st shell) == */go.htm ]]" x11_holds '[[ "$(st shell)" == */go.htm ]]' || true
[[ "$(st shell)" == */go.htm ]] || fail "Help opened '$(st shell)'"
grep -q '#CustomizingtheSoftware"' "$(st shell)" || fail "Help does not lead to its topic"
click "$A.CloseForm"
wait_gone "^window $A$"
wait_state choices "1990|2000"
click "$D.OKBtn"
wait_gone "^window $D$"
click "$M.DescBtn4"
click "menu:2000"
wait_state desc4 "2000"
echo "record_data_x11: tree view from the typed lines"

# ---- A grid 3 cell takes no typing ----
click page2
wait_state page 2
click grid3cell
xdotool type --delay 30 "XYZ"
shot_window "$M" grid3_typed
click page0
wait_state page 0
[ "$(st grid3)" = "2 " ] || fail "grid 3 shows '$(st grid3)' after typing in a cell"
[ "$(st grid3editor)" = 0 ] || fail "grid 3 opened an editor in its cell"

# ---- A read-only record ----
click "$M.ReadonlyBox"
wait_state readonly 1
click "$M.DescBtn2"
# A menu that opened would take the next click itself: the page does not change then.
click page1
wait_state page 1
has "^at menu:" && fail "a read-only record's description menu opened"
click item0mark
shot_window "$M" readonly_items
click page0
wait_state page 0
wait_state item0 0
click "$M.DescBtn7"
wait_has "^at menu:Diagram " "the relation's menu did not open"
[ "$(enabled menu:Diagram)" = 1 ] || fail "the diagram is off"
[ "$(enabled menu:Select)" = 0 ] || fail "a read-only record's relation can be chosen"
[ "$(enabled menu:Clear_Field)" = 0 ] || fail "a read-only record's relation can be cleared"
shot "$out/readonly_relation_menu.png" 0 0 1024 768
xdotool key Escape
wait_gone "^at menu:"
[ "$(st desc2)" = "" ] || fail "the read-only record took a value"
click "$M.ReadonlyBox"
wait_state readonly 0
echo "record_data_x11: grid 3 and the read-only record"

# ---- A record deleted by another client is kept whole ----
first=$(st number)
click "$M.NewRecordTBtn"
x11_poll 20 "[ (st number) != first ]" x11_holds '[ "$(st number)" != "$first" ]' || true
doomed=$(st number)
[ "$doomed" != "$first" ] || fail "New made no record"
type_into "$M.RecordName" "Kept one"
wait_state name "Kept one"
records=$(st records)
touch "$out/root/delete.request"
wait_state deleted "$doomed"
type_into "$M.Detail1" "typed after the delete"
wait_state detail1 "typed after the delete"
# The refresh saves the record shown before it reloads it.
click "$M.IdleRefreshBtn"
wait_has "^box .*deleted by another user" "the person was not told of the delete"
answer Yes record_deleted_elsewhere
x11_poll 20 "[ (st number) != doomed ]" x11_holds '[ "$(st number)" != "$doomed" ]' || true
[ "$(st number)" != "$doomed" ] || fail "the kept record has the deleted one's code"
wait_state name "Kept one"
wait_state detail1 "typed after the delete"
[ "$(st records)" = "$records" ] || fail "$(st records) records, not $records"
echo "record_data_x11: the deleted record kept as a new one"

# ---- Inserted copies list no attachment of the original ----
click page4
wait_state page 4
click "$M.SelectResumeBtn"
wait_has "^box " "no file dialog"
wait_has "^keys .*|QLineEdit$" "the file dialog's name box does not take the keys"
xdotool type --delay 20 "$out/letter.txt"
xdotool key Return
wait_state memo2 "letter.txt"
click "$M.CopyRecordTBtn"
click "menubar:Edit"
click "menu:Insert_Record"
wait_has "^box .*Number of Copies" "Insert asked for no number"
click box:edit
xdotool key ctrl+a
xdotool type --delay 30 "2"
answer OK number_of_copies
wait_state name "Kept one (2)"
wait_state memo2 ""
click "$M.ViewResumeBtn"
wait_has "^box .*No Attachment file is selected" "View on a copy does not say it has no attachment"
answer OK copy_has_no_attachment
echo "record_data_x11: copies list no attachment"

# ---- The close; no Qt warning on the way ----
click "$M.CloseTBtn"
x11_poll 20 "x11_ours pid" x11_holds '! { x11_ours "$pid"; }' || true
x11_ours "$pid" && fail "the program did not end at the close"
trap - EXIT
wait "$pid" || fail "the program ended with a failure at the close"
if grep -E "^(Qt|QWidget|QObject|QSocketNotifier|QPainter|QPixmap|qt\.)|[Ww]arning" "$out/program.log"; then
  fail "Qt warnings on the standard error"
fi
echo "record_data_x11: done; screenshots in $out"
