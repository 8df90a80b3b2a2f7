#!/usr/bin/env bash
# The client's own controls on a real X server: xdotool clicks the oval button inside its
# ellipse (it toggles down, then up) and in the corner of its rectangle (nothing happens); a
# screenshot of the form is saved beside the log, its pixels are checked, and zbarimg reads the
# barcode off the screen.
# Usage: controls_x11.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
prog="$1"
out="$2"
source "$(dirname "$0")/../../x11_common.sh"
x11_screen 800x600 "$@"
mkdir -p "$out"
log="$out/controls_events.log"
shot="$out/controls_x11.png"
rm -f "$log" "$shot"
x11_start "Own controls"

# rounds N: waits until the oval button has reported N clicks.
rounds() { x11_until eval '[ "$(grep -c "^round " "$log")" -ge '"$1"' ]' || fail "the oval button took no click $1"; }
click round
rounds 1
click roundcorner
click round
rounds 2
# (A second click on the same spot so soon would be a double click: this one is 10 pixels left.)
read -r rx ry < <(at round)
xdotool mousemove $((rx - 10)) "$ry" click 1
rounds 3
xdotool mousemove 5 5

# The screenshot is taken again until the form shows the button down and no longer lit under
# the pointer (ten seconds at most; the last failure is kept).
read -r cx cy cw ch < <(box client)
shot_shows() {
  /usr/bin/python3 - "$shot" "$cx" "$cy" "$cw" "$ch" 2> "$out/shot_check.txt" <<'PY'
import sys
from PIL import ImageGrab
shot, x, y, w, h = sys.argv[1], *map(int, sys.argv[2:])
image = ImageGrab.grab().crop((x, y, x + w, y + h))
image.save(shot)
px = image.convert("RGB").load()
# The plain picture keeps its colours; the effects control shows it grey, in 10-pixel blocks.
r, g, b = px[160, 15]
assert r > 200 and g < 40, ("plain picture", (r, g, b))
for bx, by in ((185, 15), (255, 75), (335, 125)):
    r, g, b = px[bx, by]
    assert r == g == b, ("not grey", bx, by, (r, g, b))
assert px[181, 11] == px[189, 19], "mosaic block not uniform"
assert px[181, 11] != px[331, 121], "mosaic lost the picture"
# The oval button (down after three clicks): red inside, the form's face in its corner.
r, g, b = px[392, 55]
assert r > 200 and g < 60 and b < 60, ("button face", (r, g, b))
assert px[361, 21] == px[355, 21], ("corner painted", px[361, 21], px[355, 21])
# The scrolling panel: its navy child, the white panel beside it.
assert px[380, 140] == (0, 0, 128), px[380, 140]
assert px[480, 200][0] > 200, px[480, 200]
PY
}
x11_until shot_shows || fail "screenshot check: $(tail -1 "$out/shot_check.txt")"
zbar=$(zbarimg -q "$shot" 2>/dev/null || true)
[ "$zbar" = "EAN-13:4006381333931" ] || fail "zbarimg read '$zbar' off the screen"

x11_stop

expected=$'round down\nround up\nround down'
[ "$(grep '^round ' "$log")" = "$expected" ] || fail "the oval button's clicks"
echo "controls_x11: clicks and pixels as expected; screenshot $shot"
