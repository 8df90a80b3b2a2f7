#!/usr/bin/env bash
# The mail address dialog as a person uses it, on a real X server: the address and name are
# retyped and OK clicked with the mouse, which gives them back; then a name is typed and Cancel
# clicked, which leaves the address as it was. Screenshots of the dialog are saved and their
# pixels checked (the window's face and its dark texts); the program's standard error must hold
# no Qt warning.
# Usage: mail_address_x11.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
prog="$1"
out="$2"
source "$(dirname "$0")/../../x11_common.sh"
x11_screen 800x600 "$@"
mkdir -p "$out"
log="$out/mail_address_events.log"
errors="$out/mail_address_stderr.txt"
rm -f "$log" "$out"/mail_address_*.png
exec 3>&2 2>"$errors"
x11_start "Address"
exec 2>&3

# dialog_shot NAME: a screenshot of the dialog, taken again until it shows the button face and
# dark text (ten seconds at most).
dialog_shot() {
  read -r dx dy dw dh < <(box dialog)
  x11_until dialog_shows "$1" || fail "screenshot $1: $(tail -1 "$out/mail_address_check.txt")"
}
dialog_shows() {
  shot "$out/mail_address_$1.png" "$dx" "$dy" "$dw" "$dh"
  /usr/bin/python3 - "$out/mail_address_$1.png" 2> "$out/mail_address_check.txt" <<'PY'
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGB")
px = im.load()
dark = sum(1 for y in range(im.height) for x in range(im.width) if sum(px[x, y]) < 150)
white = sum(1 for y in range(im.height) for x in range(im.width) if px[x, y] == (255, 255, 255))
print(sys.argv[1], im.size, "dark", dark, "white", white)
assert im.width > 250 and im.height > 80, "the dialog is too small"
assert dark > 150, "no text"
assert white > 3000, "no edit fields"
PY
}

# retype FIELD TEXT: a click into the edit, everything in it selected and replaced.
retype() {
  click "$1"
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 20 "$2"
}

x11_wait_for "^shown 1$"
x11_wait_for "^texts name=Ann Smith address=ann@example.com$"
dialog_shot first
retype address "bob@example.org"
retype name "Bob Jones"
x11_wait_for "^texts name=Bob Jones address=bob@example.org$"
dialog_shot typed
click ok
x11_wait_for "^edit1 ok name=Bob Jones address=bob@example.org$"

x11_wait_for "^shown 2$"
x11_wait_for "^texts name=Bob Jones address=bob@example.org$"
retype name "Nobody"
x11_wait_for "^texts name=Nobody address=bob@example.org$"
click cancel
x11_wait_for "^edit2 cancel name=Bob Jones address=bob@example.org$"

x11_poll 10 "x11_ours pid" x11_holds '! { x11_ours "$pid"; }' || true
x11_stop
if grep -E "^(QWidget|QPainter|QObject|Qt|qt\.|QXcb|QFont)" "$errors" >/dev/null; then
  cat "$errors" >&2
  fail "Qt warnings on standard error"
fi
echo "mail_address_x11: OK and Cancel work with the mouse; screenshots in $out"
