#!/usr/bin/env bash
# The record window's smaller windows as a person sees them on a real X server under a window
# manager (openbox), each opened with the mouse: the search results (named columns, rows that
# stay readable, Ctrl+C copying the clicked row), the database information (its dates as the
# database writes them), the server settings and the CD player (a title bar on the screen at its
# first opening).  Then the record window is maximized by a double click on its title bar and
# closed with its Close button: the size kept for the next start is the window's own, and at that
# start its title bar is on the screen.  A screenshot of each window is saved.
# Usage: windows_x11.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
prog="$1" out="$2"
# shellcheck source=record_program.sh
source "$(dirname "$0")/record_program.sh"
record_program_x11 windows "$@"

fail() { echo "FAIL: $*" >&2; echo "--- state:" >&2; cat "$state" >&2 || true; exit 1; }
at() { grep -h "^at $1 " "$log" "$state" 2>/dev/null | tail -1 | awk '{print $3, $4}'; }
st() { grep "^$1 " "$state" 2>/dev/null | head -1 | cut -d' ' -f2-; }
click() { # click NAME: waits until NAME has a place (a menu entry: until its menu is open); the
  # caller then waits for what the click does
  x11_poll 20 "[ -n (at 1) ]" x11_holds '[ -n "$(at "$1")" ]' "$@" || true
  [ -n "$(at "$1")" ] || fail "$1 is not on the screen"
  xdotool mousemove $(at "$1") click 1
}
wait_state() { # wait_state KEY VALUE: until the state line reads so
  x11_poll 20 "[ (st 1) = 2 ]" x11_holds '[ "$(st "$1")" = "$2" ]' "$@" && return 0
  fail "$1 is '$(st "$1")', not '$2'"
}
wait_line() { # wait_line KEY: until the state has such a line
  x11_poll 20 "grep -q ^1  state 2>/dev/null" x11_holds 'grep -q "^$1 " "$state" 2>/dev/null' "$@" && return 0
  fail "no '$1' in the state"
}
menu_entry() { # menu_entry BAR ENTRY: an entry of a menu of the menu bar, by the mouse
  local attempt
  for attempt in 1 2 3; do
    click "bar:$1"
    x11_poll 20 "grep -q ^at menu:2  state" x11_holds 'grep -q "^at menu:$2 " "$state"' "$@" || true
    grep -q "^at menu:$2 " "$state" && { click "menu:$2"; return 0; }
    xdotool key Escape
  done
  fail "the $1 menu shows no $2"
}
# colour_count FILE R G B: pixels of exactly that colour.
colour_count() {
  /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import Image
f, r, g, b = sys.argv[1], *map(int, sys.argv[2:])
print(sum(1 for p in Image.open(f).convert("RGB").getdata() if p == (r, g, b)))
PY
}
# ink_gap FILE LINE X: on the text line LINE (0 the first: runs of rows with dark ink) of the
# picture, the columns without ink around column X between the ink left and right of it.
ink_gap() {
  /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGB")
line, x = int(sys.argv[2]), int(sys.argv[3])
w, h = im.size
dark = lambda px, py: max(im.getpixel((px, py))) < 100
rows = [any(dark(px, py) for px in range(w)) for py in range(h)]
bands, py = [], 0
while py < h:
    if rows[py]:
        top = py
        while py < h and rows[py]: py += 1
        bands.append((top, py))
    else:
        py += 1
if line >= len(bands): print(-1); sys.exit()
top, bottom = bands[line]
ink = lambda px: any(dark(px, py) for py in range(top, bottom))
if ink(x): print(0); sys.exit()
left, right = x, x
while left >= 0 and not ink(left): left -= 1
while right < w and not ink(right): right += 1
print(right - left - 1 if left >= 0 and right < w else -1)
PY
}
# frame WINDOW: the window manager's frame extents of a window, "LEFT RIGHT TOP BOTTOM" (empty
# while it has none).
frame() { xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p' | tr -d ,; }
# form TITLE: "X Y W H STATE" of the program's visible window of that title (spaces as "_").
form() { grep "^form $1 " "$state" 2>/dev/null | head -1 | cut -d' ' -f3-; }
# x_window W H: the program's X window of that size.
x_window_step() {
  local w X Y WIDTH HEIGHT SCREEN WINDOW
  for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    x11_ask geometry "$w" || continue
    read -r X Y WIDTH HEIGHT SCREEN <<< "$x11_answer"
    [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ] && { x11_found=$w; return 0; }
  done
  return 1
}
x_window() {
  x11_poll 10 "a window of $1 by $2" x_window_step "$1" "$2" || return 1
  echo "$x11_found"
}

# ---- The window manager ----
# It runs once the root window names its check window and that window names itself back (the
# last step of its start); on a busy machine that takes up to a minute.
openbox --sm-disable > "$out/openbox.log" 2>&1 &
wm=$!
trap 'x11_kill "$wm"' EXIT
wm_running() {
  local check
  check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # //p')
  [ -n "$check" ] && xprop -id "$check" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id # $check\$"
}
wm_started() {
  wm_running && return 0
  if ! x11_ours "$wm"; then
    wait "$wm" && rc=0 || rc=$?
    trap - EXIT
    cat "$out/openbox.log" >&2
    fail "the window manager ended (status $rc) before the root window's _NET_SUPPORTING_WM_CHECK named it"
  fi
  return 1
}
x11_poll 60 "the window manager" wm_started || true
wm_running || { cat "$out/openbox.log" >&2; fail "the window manager did not set the root window's _NET_SUPPORTING_WM_CHECK within a minute"; }

record_program_start
trap 'x11_kill "$pid" "$wm"' EXIT
code=$(grep '^code ' "$log" | cut -d' ' -f2)
wait_line main
read -r _ _ mw mh _ <<< "$(st main)"
main=$(x_window "$mw" "$mh") || fail "the record window is not on the screen"

# ---- Search Results: both records put on the list, the window from the tool bar ----
click searchlistbox
wait_state onlist 1
click nexttool
x11_poll 20 "[ (st shown) != code ]" x11_holds '[ "$(st shown)" != "$code" ]' || true
[ "$(st shown)" != "$code" ] || fail "Next showed no other record"
wait_state onlist 0
click searchlistbox
wait_state onlist 1
click searchlisttool
wait_line results
wait_state header "Record ID|$(st header | cut -d'|' -f2)"
[ -n "$(st header | cut -d'|' -f2)" ] || fail "the name column has no header"
wait_state results "4 2"
read -r gx gy gw gh <<< "$(st resultsgrid)"
shot "$out/search_results.png" "$gx" "$gy" "$gw" "$gh"
# The second record's row is light (black text stays readable; the first is selected); the
# empty row is not coloured.
[ "$(colour_count "$out/search_results.png" 255 255 0)" -eq 0 ] || fail "the search results show bright yellow rows"
[ "$(colour_count "$out/search_results.png" 0 128 0)" -eq 0 ] || fail "the search results show dark green rows"
[ "$(colour_count "$out/search_results.png" 255 255 192)" -gt 200 ] || fail "the second record's row is not light yellow"
click resultrow1
wait_state selected 1
printf 'before' | xclip -selection clipboard
xdotool key ctrl+c
x11_until eval '[ "$(xclip -o -selection clipboard 2>/dev/null)" != before ]' || fail "Ctrl+C put nothing on the clipboard"
copied=$(xclip -o -selection clipboard 2>/dev/null | tr -d '\r')
[ "$copied" = "$code"$'\t'"Item 06 Hammer drill" ] || fail "Ctrl+C copied '$copied'"
xdotool windowactivate --sync "$main" || fail "the record window did not become the active window"

# ---- Database Information: the dates as the database writes them ----
menu_entry Connect Database_Information
wait_line created
wait_state created 12/02/2026
wait_state updated 12/09/2026
read -r fx fy fw fh _ <<< "$(form Please_enter_database_information:)"
shot "$out/database_information.png" "$fx" "$fy" "$fw" "$fh"
click infocancel
x11_poll 20 "grep -q ^created  state" x11_holds '! { grep -q '\''^created '\'' "$state"; }' || true
grep -q '^created ' "$state" && fail "the database information did not close"

# ---- Local Server Settings ----
menu_entry Connect Local_Server_Settings
wait_line explanation
read -r fx fy fw fh _ <<< "$(form Server_Settings)"
settled "$out/server_settings_still.png" "$fx" "$fy" "$fw" "$fh" || fail "the Server Settings window did not hold still"
shot "$out/server_settings.png" "$fx" "$fy" "$fw" "$fh"
read -r ex ey ew eh <<< "$(st explanation)"
shot "$out/server_settings_text.png" "$ex" "$ey" "$ew" "$eh"
# Between "program" and "with" (one blank in the text) the ink stands apart by about a blank's
# width, as between the text's other words: not twice as far.
read -r gap_x blank <<< "$(st programgap)"
ink_gap=$(ink_gap "$out/server_settings_text.png" 2 "$gap_x")
echo "windows_x11: the ink gap between \"program\" and \"with\" is $ink_gap px, a blank $blank px"
[ "$ink_gap" -ge 1 ] && [ "$ink_gap" -le $((blank + 2)) ] || fail "\"program\" and \"with\" stand $ink_gap px apart, a blank is $blank px"
click settingsok
x11_poll 20 "grep -q ^explanation  state" x11_holds '! { grep -q '\''^explanation '\'' "$state"; }' || true
grep -q '^explanation ' "$state" && fail "the server settings did not close"

# ---- The CD player at its first opening: framed, its title bar on the screen ----
click cdtool
wait_line cd
x11_must 20 "the CD player's window" x11_ask search '^CD Player$'
cdw=${x11_answer%% *}
x11_poll 20 "[ -n (frame cdw) ]" x11_holds '[ -n "$(frame "$cdw")" ]' || true
read -r _ _ top _ <<< "$(frame "$cdw")"
[ "${top:-0}" -gt 0 ] || fail "the CD player has no title bar"
read -r cx cy cw ch <<< "$(st cd)"
[ "$((cy - top))" -ge 0 ] || fail "the CD player's title bar is off the screen (window at $cy, title $top high)"
shot "$out/cd_player.png" "$cx" "$((cy - top))" "$cw" "$((ch + top))"
# Below the window's last row of controls there is the window's own face, no black band.
shot "$out/cd_player_bottom.png" "$cx" "$((cy + ch - 20))" "$cw" 20
[ "$(colour_count "$out/cd_player_bottom.png" 0 0 0)" -lt "$cw" ] || fail "the CD player shows a black band"

# ---- The record window: maximized by its title bar, closed, started again ----
read -r mx my normal_w normal_h _ <<< "$(st main)"
read -r _ _ top _ <<< "$(frame "$main")"
# (The record window is raised first: the other windows stand over its title bar.)
xdotool windowactivate --sync "$main" 2> /dev/null || xdotool windowraise "$main"
settled "$out/raised.png" 0 0 1024 768 || fail "the screen did not hold still once the record window was raised"
# The window's top is its menu bar's, as far above the bar's middle as the client is below it.
read -r _ bar_y <<< "$(at bar:Connect)"
title_y=$((2 * bar_y - my - top / 2))
xdotool mousemove $((mx + normal_w - 150)) "$title_y" click --repeat 2 --delay 80 1
x11_poll 20 "[ (st main | cut -d  -f5) = 2 ]" x11_holds '[ "$(st main | cut -d'\'' '\'' -f5)" = 2 ]' || true
if [ "$(st main | cut -d' ' -f5)" != 2 ]; then
  shot "$out/not_maximized.png" 0 0 1024 768
  fail "the record window is not maximized: $(st main); $(xprop -id "$main" _NET_WM_STATE _NET_WM_ALLOWED_ACTIONS _NET_FRAME_EXTENTS | tr '\n' ' ')"
fi
# (The window's controls are laid out for its new size before its Close is clicked.)
x11_poll 20 "[ (st main | cut -d  -f3) -gt normal_w ]" x11_holds '[ "$(st main | cut -d'\'' '\'' -f3)" -gt "$normal_w" ]' || true
[ "$(st main | cut -d' ' -f3)" -gt "$normal_w" ] || fail "the maximized record window kept its width: $(st main)"
settled "$out/record_maximized_still.png" 0 0 1024 768 || fail "the maximized record window did not hold still"
shot "$out/record_maximized.png" 0 0 1024 768
click closetool
x11_poll 20 "grep -q ^main  state" x11_holds '! { grep -q '\''^main '\'' "$state"; }' || true
grep -q '^main ' "$state" && { shot "$out/not_closed.png" 0 0 1024 768; fail "the record window did not close"; }
x11_stop
kept_w=$(grep -a '^ViewW:=' "$out/config/QuillonClient.ini" | tr -dc 0-9)
kept_h=$(grep -a '^ViewH:=' "$out/config/QuillonClient.ini" | tr -dc 0-9)
echo "windows_x11: normal $normal_w x $normal_h, kept $kept_w x $kept_h"
[ "${kept_w:-0}" -lt 1000 ] && [ "${kept_h:-0}" -lt 740 ] || fail "the maximized size was kept: $kept_w x $kept_h"
# A size kept by an older client (the screen's whole size) no longer pushes the title bar off.
sed -i 's/^ViewW:=.*/ViewW:=1024\r/; s/^ViewH:=.*/ViewH:=768\r/' "$out/config/QuillonClient.ini"
rm -f "$log" "$state"
record_program_start
wait_line main
read -r _ _ mw mh _ <<< "$(st main)"
main=$(x_window "$mw" "$mh") || fail "the record window is not on the screen at the second start"
x11_poll 20 "[ -n (frame main) ]" x11_holds '[ -n "$(frame "$main")" ]' || true
[ -n "$(frame "$main")" ] || fail "the record window has no frame at the second start"
read -r _ _ top bottom <<< "$(frame "$main")"
read -r mx my mw mh _ <<< "$(st main)"
read -r _ bar_y <<< "$(at bar:Connect)"
window_top=$((2 * bar_y - my))
shot "$out/record_second_start.png" 0 0 1024 768
[ "$((window_top - top))" -ge 0 ] || fail "the record window's title bar is off the screen (window at $window_top, title $top high)"
[ "$((my + mh + bottom))" -le 768 ] || fail "the record window reaches below the screen ($my + $mh)"
x11_stop
x11_kill "$wm"
trap - EXIT
echo "windows_x11: search results, database information, server settings, CD player, the maximized record window; screenshots in $out"
