#!/usr/bin/env bash
# The print preview as a person uses it, on a real X server: xdotool pages through a three-page
# document with the navigator, zooms in and out, fits the whole page, scrolls with Page Down,
# turns the paper with the orientation picture; the program's log must show each change, and
# screenshots of the window (100 %, whole page, each page) are saved and their pixels checked.
# Usage: preview_x11.sh PROGRAM OUTPUT_FOLDER
set -euo pipefail
prog="$1"
out="$2"
source "$(dirname "$0")/../../x11_common.sh"
x11_screen 1024x768 "$@"
mkdir -p "$out"
log="$out/preview_events.log"
rm -f "$log" "$out"/preview_*.png
x11_start "Page preview"

last() { grep "^$1 " "$log" | tail -1; }
# now KIND PATTERN MESSAGE: waits until the newest KIND line of the log matches the pattern.
now() {
  x11_poll 20 "last 1 | grep -q 2" x11_holds 'last "$1" | grep -q "$2"' "$@" && return 0
  fail "$3 ($(last "$1"))"
}
read -r px py pw ph < <(box previewrect)

# page_shot NAME EXPECT: a screenshot of the preview, taken again until it shows the paper (ten
# seconds at most); EXPECT is the colour the page's band must show (red, green, blue) or "none"
# to skip the colour check.
page_shot() {
  settled "$out/preview_$1.png" "$px" "$py" "$pw" "$ph" || fail "the preview did not stop changing ($1)"
  x11_until preview_shows "$@" || fail "screenshot $1: $(tail -1 "$out/preview_check.txt")"
}
preview_shows() {
  /usr/bin/python3 - "$out/preview_$1.png" "$px" "$py" "$pw" "$ph" "$2" > "$out/preview_check.txt" 2>&1 <<'PY'
import sys
from PIL import ImageGrab
path, x, y, w, h, want = sys.argv[1], *map(int, sys.argv[2:6]), sys.argv[6]
image = ImageGrab.grab().crop((x, y, x + w, y + h)).convert("RGB")
image.save(path)
px = image.load()
counts = {"red": 0, "green": 0, "blue": 0, "white": 0, "dark": 0}
for yy in range(0, h, 2):
    for xx in range(0, w, 2):
        r, g, b = px[xx, yy]
        if r > 200 and g < 60 and b < 60: counts["red"] += 1
        elif g > 200 and r < 60 and b < 60: counts["green"] += 1
        elif b > 200 and r < 60 and g < 60: counts["blue"] += 1
        elif r > 240 and g > 240 and b > 240: counts["white"] += 1
        elif r + g + b < 200: counts["dark"] += 1
print(path, counts)
assert counts["white"] > 500, "no paper"
if want != "none":
    assert counts[want] > 200, "the page's band is not " + want
    for other in ("red", "green", "blue"):
        if other != want:
            assert counts[other] < 20, other + " shows on a page that has none"
PY
}

page_shot start red
# fit_whole: a click on "whole page", waited for until the preview reports its new zoom.
fit_whole() {
  local zooms
  zooms=$(grep -c "^zoom " "$log" || true)
  click fitwhole
  x11_until eval '[ "$(grep -c "^zoom " "$log")" -gt "$zooms" ]' || fail "fit whole page did nothing"
}
fit_whole
page_shot whole red
click next
now page "^page 2$" "next page did not show page 2"
page_shot page2 green
click next
now page "^page 3$" "next page did not show page 3"
page_shot page3 blue
click prev
now page "^page 2$" "previous page"
click first
now page "^page 1$" "first page"
click last
now page "^page 3$" "last page"
click fitwidth
# The preview's client is 744 pixels wide: trunc(100 x (744 - 2 x 30 - 20) / (8.26 x 96)) = 83.
now zoom "^zoom 83 " "fit width"
click actual
now zoom "^zoom 100 " "actual size is not 100 %"
page_shot actual none
click zoomin
now zoom "^zoom 120 " "zoom in from 100 is 120"
click zoomout
now zoom "^zoom 80 " "zoom out from 120 is the next step down, 80"
# Page Down scrolls the page (the preview has the focus after a click on it; the keys reach it
# after the click).
before=$(last vpos | awk '{print $2}')
xdotool mousemove $(at preview) click 1 key Next
x11_until eval '[ "$(last vpos | awk "{print \$2}")" -gt "$before" ]' ||
  fail "Page Down did not scroll ($before -> $(last vpos | awk '{print $2}'))"
page_shot scrolled none
click landscape
now orientation "^orientation 1$" "the orientation picture did not turn the page"
fit_whole
page_shot landscape blue
/usr/bin/python3 - "$out/preview_landscape.png" "$out/preview_whole.png" <<'PY' || fail "landscape paper"
import sys
from PIL import Image
def paper(path):
    im = Image.open(path).convert("RGB")
    px = im.load()
    xs = [x for x in range(im.width) if sum(1 for y in range(0, im.height, 3) if px[x, y] == (255, 255, 255)) > 20]
    ys = [y for y in range(im.height) if sum(1 for x in range(0, im.width, 3) if px[x, y] == (255, 255, 255)) > 20]
    return max(xs) - min(xs), max(ys) - min(ys)
w, h = paper(sys.argv[1])
w0, h0 = paper(sys.argv[2])
assert w > h, "landscape paper is wider than high: %dx%d" % (w, h)
assert h0 > w0, "portrait paper is higher than wide: %dx%d" % (w0, h0)
PY

# The whole window: navigator, orientation picture, paper list and preview.
read -r wx wy ww wh < <(box window)
/usr/bin/python3 - "$out/preview_window.png" "$wx" "$wy" "$ww" "$wh" <<'PY' || fail "window screenshot"
import sys
from PIL import ImageGrab
path, x, y, w, h = sys.argv[1], *map(int, sys.argv[2:])
image = ImageGrab.grab().crop((x, y, x + w, y + h)).convert("RGB")
image.save(path)
px = image.load()
# The navigator's glyphs: dark blue arrows in its first buttons.
assert sum(1 for yy in range(0, 46) for xx in range(0, 150) if px[xx, yy][2] > 100 and px[xx, yy][0] < 60) > 20, "no arrows"
PY

x11_stop
echo "preview_x11: all changes seen; screenshots in $out"
