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
click_pause=0.4
x11_start "Own controls"

click round
click roundcorner
click round
click round
xdotool mousemove 5 5
sleep 0.4

read -r cx cy cw ch < <(box client)
/usr/bin/python3 - "$shot" "$cx" "$cy" "$cw" "$ch" <<'PY' || fail "screenshot check"
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
zbar=$(zbarimg -q "$shot" 2>/dev/null || true)
[ "$zbar" = "EAN-13:4006381333931" ] || fail "zbarimg read '$zbar' off the screen"

x11_stop

expected=$'round down\nround up\nround down'
[ "$(grep '^round ' "$log")" = "$expected" ] || fail "the oval button's clicks"
echo "controls_x11: clicks and pixels as expected; screenshot $shot"
