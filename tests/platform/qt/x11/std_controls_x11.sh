#!/usr/bin/env bash
# A form of standard controls with a main menu on a real X server, used as a person uses them:
# xdotool types into the edit, copies it (xclip reads what it copied), pastes what xclip offers
# into the memo, ticks the check box, picks a combo box item, clicks the button and picks a menu
# item; the program's event log must show each change once, with what was typed. A screenshot of the screen is saved beside the log and
# its pixels checked.
# Usage: std_controls_x11.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
prog="$1"
out="$2"
source "$(dirname "$0")/../../../x11_common.sh"
x11_screen 800x600 "$@"
mkdir -p "$out"
log="$out/std_controls_events.log"
shot="$out/std_controls_x11.png"
rm -f "$log" "$shot"
x11_start "Standard controls"

# Type into the edit, then select it all and copy it.
click edit
xdotool type --delay 60 "hello"
x11_wait_for '^edit hello$'
xdotool key ctrl+a ctrl+c
clipboard_is() { [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; }
x11_until clipboard_is hello || fail "xclip read '$(xclip -selection clipboard -o 2>&1)' from the edit's copy"

# Paste what xclip offers into the memo (once xclip offers it).
# (xclip offers it from the foreground, as a process of this script's own that is ended once
# the paste is seen: in the background it would stay on the display after the run.)
printf 'from xclip' > "$out/from_xclip.txt"
xclip -quiet -selection clipboard -i "$out/from_xclip.txt" > /dev/null 2>&1 &
xclip_owner=$!
x11_until clipboard_is 'from xclip' || fail "xclip does not offer what it was given"
click memo
xdotool key ctrl+v
x11_wait_for '^memo from xclip$'
x11_kill "$xclip_owner"
wait "$xclip_owner" 2> /dev/null || true

# Tick the check box, pick the third combo box item with the keyboard, press the button.
click check
x11_wait_for '^check 1$'
before=$(x11_visible)
click combo
list=$(x11_new_window "$before") || fail "the combo box's list did not drop down"
xdotool key Escape
x11_closed "$list" || fail "Escape did not close the combo box's list"
xdotool key Down Down
x11_wait_for '^combo Third$'
click button
x11_wait_for '^button hello$'

# Pick "Text > Upper case" from the menu bar with the mouse: the item's OnClick upper-cases the
# edit; the button then reports the new text.
click menu
x11_poll 10 "grep -q ^at upper  log" x11_holds 'grep -q '\''^at upper '\'' "$log"' || true
grep -q '^at upper ' "$log" || fail "the menu did not drop down"
click upper
x11_wait_for '^edit HELLO$'
click button
x11_wait_for '^button HELLO$'

# A screenshot of the screen, cut to the window, and a look at its pixels, taken again until the
# window shows what the events did (ten seconds at most; the last failure is kept).
read -r wx wy ww wh < <(grep '^window ' "$log" | awk '{print $2, $3, $4, $5}')
read -r cx cy < <(grep '^client ' "$log" | awk '{print $2, $3}')
shot_shows() {
  /usr/bin/python3 - "$shot" "$wx" "$wy" "$ww" "$wh" "$cx" "$cy" 2> "$out/shot_check.txt" <<'PY'
import sys
from PIL import ImageGrab
shot, x, y, w, h, cx, cy = sys.argv[1], *map(int, sys.argv[2:])
image = ImageGrab.grab().crop((x, y, x + w, y + h))
image.save(shot)
px = image.convert("RGB").load()
def dark(x0, y0, x1, y1, ox=cx, oy=cy):
    return sum(1 for yy in range(y0 + oy, y1 + oy) for xx in range(x0 + ox, x1 + ox) if sum(px[xx, yy]) < 300)
# The menu bar sits above the client area and shows its entry; the edit shows "HELLO", the
# button its caption, the memo the pasted text; the form's own background between the columns
# stays empty.
assert cy >= 15, "no menu bar above the client area"
assert dark(2, 2, 60, cy - 2, 0, 0) > 10, "no entry on the menu bar"
assert dark(12, 12, 198, 32) > 30, "no text in the edit"
assert dark(222, 102, 318, 128) > 30, "no caption on the button"
assert dark(12, 46, 198, 80) > 30, "no text in the memo"
assert dark(203, 10, 217, 140) == 0, "something drawn between the columns"
# "HELLO" is all capitals: the second glyph (an "E", not an "e") reaches the top of the first.
ink = lambda xx, yy: sum(px[xx + cx, yy + cy]) < 300
columns = [xx for xx in range(12, 198) if any(ink(xx, yy) for yy in range(12, 32))]
assert columns, "no text in the edit"
glyphs = []
for xx in columns:
    if glyphs and xx == glyphs[-1][-1] + 1: glyphs[-1].append(xx)
    else: glyphs.append([xx])
assert len(glyphs) >= 4, "the edit's text is not five letters"
top = min(yy for yy in range(12, 32) for xx in glyphs[0] if ink(xx, yy))
assert any(ink(xx, yy) for xx in glyphs[1] for yy in range(top, top + 2)), "the edit's text is not upper case"
PY
}
x11_until shot_shows || fail "screenshot check: $(tail -1 "$out/shot_check.txt")"

x11_stop

expect_once() { [ "$(grep -cx "$1" "$log")" = 1 ] || fail "expected '$1' once"; }
[ "$(grep -c '^edit ' "$log")" = 6 ] || fail "six edit changes expected (one per typed letter, one by the menu)"
expect_once "edit h"
expect_once "edit hello"
expect_once "memo from xclip"
expect_once "check 1"
expect_once "combo Third"
expect_once "button hello"
expect_once "menu upper"
expect_once "edit HELLO"
expect_once "button HELLO"
grep -q '^menu lower' "$log" && fail "the wrong menu item fired"
grep -q '^check 0' "$log" && fail "the check box clicked twice"
echo "std_controls_x11: all events seen; screenshot $shot"
