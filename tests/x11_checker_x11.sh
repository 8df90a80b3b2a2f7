#!/usr/bin/env bash
# The X tests' checker (x11_checker.py) on a real X server, beside the xdotool program whose
# answers it stands in for: the visible windows and a search by title, a window's place and size,
# the pointer and the focused window as xdotool gives them; the mouse and keys it gives reach the
# windows (a click closes an xmessage window, typed keys reach an xev window); its pictures and
# its waits for the screen (settled, until_changed) see what is there.
#   bash x11_checker_x11.sh OUTPUT_FOLDER
set -euo pipefail
out="$1"
log="$out/events.log"
# shellcheck source=x11_common.sh
source "$(dirname "$0")/x11_common.sh"
x11_screen 640x480 "$@"
: > "$log"

problems=0
problem() { echo "FAULT: $*" >&2; problems=$((problems + 1)); }
# listed COMMAND...: the window ids xdotool prints, on one line.
listed() { command xdotool "$@" 2> /dev/null | tr '\n' ' ' | sed 's/ $//'; }

xmessage -title "Checker One" -print -geometry +40+50 -buttons left "the first window" > "$out/first.out" 2> /dev/null &
first=$!
xmessage -title "Checker Two" -geometry +300+200 -buttons right "the second one" > "$out/second.out" 2> /dev/null &
second=$!
xev=""
trap 'x11_kill "$first" "$second" "$xev"' EXIT
two_shown() { x11_ask search '^Checker (One|Two)$' && [ "$(wc -w <<< "$x11_answer")" = 2 ]; }
x11_must 20 "two xmessage windows" two_shown

# ---- The windows, as xdotool lists them ----
[ "$(x11_visible)" = "$(command xdotool search --onlyvisible --name '' | sort)" ] ||
  problem "the visible windows differ: $(x11_visible | tr '\n' ' ') against $(listed search --onlyvisible --name '')"
x11_ask search 'CHECKER' || true  # (the case of the title is ignored, as by xdotool)
windows=$x11_answer
[ "$windows" = "$(listed search --onlyvisible --name 'CHECKER')" ] ||
  problem "the windows titled Checker are '$windows', xdotool finds '$(listed search --onlyvisible --name 'CHECKER')'"
! x11_ask search '^no such window$' || problem "a search for a title no window has found '$x11_answer'"
for w in $windows; do
  x11_ask geometry "$w" || problem "no geometry of the window $w"
  read -r cx cy cw ch _ <<< "$x11_answer"
  eval "$(command xdotool getwindowgeometry --shell "$w")"
  [ "$cx $cy $cw $ch" = "$X $Y $WIDTH $HEIGHT" ] ||
    problem "the window $w is at $cx $cy $cw $ch, xdotool says $X $Y $WIDTH $HEIGHT"
done
x11_ask geometry 12345 && problem "a window that is not there has the geometry $x11_answer"

# ---- The pointer and the focus ----
xdotool mousemove 100 120
x11_ask pointer
read -r px py _ pw <<< "$x11_answer"
eval "$(command xdotool getmouselocation --shell)"
[ "$px $py" = "100 120" ] && [ "$X $Y $WINDOW" = "$px $py $pw" ] ||
  problem "the pointer is at $x11_answer by the checker, at $X $Y over $WINDOW by xdotool (moved to 100 120)"
x11_ask search '^Checker One$' || true
first_window=$x11_answer
command xdotool windowfocus --sync "$first_window"
x11_ask focus
[ "$x11_answer" = "$first_window" ] && [ "$x11_answer" = "$(command xdotool getwindowfocus)" ] ||
  problem "the focused window is $x11_answer by the checker, $(command xdotool getwindowfocus) by xdotool, after a focus on $first_window"

# ---- Pictures, and the waits on them ----
x11_ask geometry "$first_window"
read -r fx fy fw fh _ <<< "$x11_answer"
shot "$out/first.png" "$fx" "$fy" "$fw" "$fh"
cp "$out/first.png" "$out/first_copy.png"
same "$out/first.png" "$out/first_copy.png" || problem "a picture is not the same as its copy"
x11_ask dark "$out/first.png"
[ "$x11_answer" -gt 20 ] || problem "the first window's text shows $x11_answer dark pixels"
settled "$out/first_settled.png" "$fx" "$fy" "$fw" "$fh" || problem "a window that does not change did not settle"
same "$out/first.png" "$out/first_settled.png" || problem "the settled window is not the one shot before"
# A window shown over the rectangle changes it; nothing done changes nothing (the wait, with no
# time to wait, then gives up after two looks).
cover() { xmessage -geometry +60+60 "over the first" > /dev/null 2>&1 & over=$!; }
until_changed "$out/covered.png" "$fx" "$fy" "$fw" "$fh" cover || problem "a window shown over the first changed nothing"
x11_kill "$over"
wait "$over" 2> /dev/null || true
x11_must 20 "the first window shown whole again" x11_ask matches "$out/first.png" "$fx" "$fy" "$fw" "$fh"
QN_X11_PATIENCE=0 until_changed "$out/unchanged.png" "$fx" "$fy" "$fw" "$fh" true &&
  problem "the screen changed with nothing done"

# ---- The mouse and the keys it gives ----
# A click on the first window's button ends it (xmessage prints the button's name).
x11_ask geometry "$first_window"
read -r fx fy fw fh _ <<< "$x11_answer"
xdotool mousemove $((fx + 20)) $((fy + fh - 12)) click 1
x11_poll 20 "the first window to close" x11_gone "$first_window" || problem "a click on the first window's button did not close it"
x11_poll 20 "the first window's answer" x11_holds 'grep -qx left "$out/first.out"' || problem "the first window did not print its button"
# Keys typed and given into an xev window reach it as those keys.
xev -geometry 200x100+400+20 -name keys > "$out/xev.txt" 2>&1 &
xev=$!
x11_must 20 "the xev window" x11_ask search '^keys$'
keys=${x11_answer%% *}
command xdotool windowfocus --sync "$keys"
xdotool type --delay 20 aZ
xdotool mousemove 450 60 key Return
for want in 'keysym 0x61, a)' 'keysym 0x5a, Z)' 'keysym 0xff0d, Return)'; do
  x11_poll 20 "'$want' in xev's events" x11_holds 'grep -qF -- "$1" "$out/xev.txt"' "$want" || problem "no key event '$want'"
done

[ "$problems" = 0 ] || fail "$problems of the checker's answers are wrong"
echo "x11_checker_x11: windows, pointer, focus, pictures, waits, mouse and keys as xdotool gives them"
