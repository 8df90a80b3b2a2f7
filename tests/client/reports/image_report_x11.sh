#!/usr/bin/env bash
# The image report window of the installed client as a person uses it, on a real X server: a
# database whose first record has a JPEG, a GIF and a PCX picture, the login, the record's quick
# print from the report menu, layout "Four" chosen by its picture, the three images chosen, the
# preview generated.  The screenshots of the window's pages and of the preview are saved, and the
# preview's pixels show the three colours, stacked left of the text.
# Usage: image_report_x11.sh SOURCE_DIR BUILD_DIR MAKE_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
# The pictures of the record whose code the maker printed.
make_pictures() {
  /usr/bin/python3 - "$out/R/Data/database/$db_output" <<'PY'
import sys
from PIL import Image
base = sys.argv[1]
Image.new('RGB', (240, 120), (255, 0, 0)).save(base + '.im1', 'JPEG', quality=95)
Image.new('RGB', (100, 100), (0, 160, 0)).convert('P').save(base + '.im2', 'GIF')
Image.new('RGB', (60, 180), (0, 0, 255)).save(base + '.im3', 'PCX')
PY
}
installed_client_x11 1280x1024 --db "$make_db" --setting ImageReportW:=760 --setting ImageReportH:=640 \
  --then make_pictures -- "$@"

# pictures_shown: the Pictures page shows the record's first picture (red) and the main window's
# status reads "Ready" (green) again: its request is over.
pictures_shown_step() {
  shot "$out/status.png" "$mx" "$my" "$mw" "$mh"
  [ "$(count "$out/status.png" 0 150 "$mw" $((mh - 180)) 255 0 0)" -gt 5000 ] &&
    [ "$(count "$out/status.png" 4 $((mh - 22)) 60 18 0 128 0)" -gt 8 ]
}
pictures_shown() {
  x11_poll 20 "the first picture and Ready" pictures_shown_step ||
    fail "the Pictures page does not show the first picture, or the main window stays busy"
}

start_client
login
shot "$out/main.png" "$mx" "$my" "$mw" "$mh"
until_changed "$out/pictures_page.png" "$mx" $((my + 100)) "$mw" 300 xdotool mousemove $((mx + 277)) $((my + 92)) click 1 ||
  fail "the Pictures page did not show"
pictures_shown
shot "$out/pictures.png" "$mx" "$my" "$mw" "$mh"
# ---- The quick print: the image report window ----
opens '^Record Print$' xdotool mousemove $((mx + 545)) $((my + 117)) click 1
report=$(window "Record Print" 500) || fail "no image report window"
geometry "$report"
ix=$X iy=$Y iw=$WIDTH ih=$HEIGHT
# The page's controls start 4, 54 inside the window.
px=$((ix + 4)) py=$((iy + 54))
# Layout "Four" by its picture.
until_changed "$out/image_report_layout.png" "$ix" "$iy" "$iw" "$ih" xdotool mousemove $((px + 490)) $((py + 198)) click 1 ||
  fail "the layout Four was not chosen"
settled "$out/image_report_layout.png" "$ix" "$iy" "$iw" "$ih" || fail "the Layout page did not settle"
# ---- Images: slots one to three, stacked ----
until_changed "$out/images_page.png" "$ix" "$iy" "$iw" "$ih" xdotool mousemove $((ix + 271)) $((iy + 39)) click 1 ||
  fail "the Images page did not show"
for i in 0 1 2; do pick $((px + 130)) $((py + 18 + 30 * i)) $((i + 1)); done
pick $((px + 400)) $((py + 18)) 1
shot "$out/image_report_images.png" "$ix" "$iy" "$iw" "$ih"
# The image title's font dialog, cancelled: the window keeps its choices.
shot "$out/combos_before.png" $((px + 70)) "$py" 125 180
before=$(visible)
xdotool mousemove $((px + 425)) $((py + 80)) click 1
font=$(new_window "$before") || fail "no font dialog"
drawn "$out/font_dialog_window.png" "$font"
shot "$out/font_dialog.png" 0 0 1280 1024
box_answer font_dialog_cancel Cancel 1 "$font"
shot "$out/combos_after.png" $((px + 70)) "$py" 125 180
same "$out/combos_before.png" "$out/combos_after.png" || fail "the font dialog reset the window's choices"
# ---- Preview: shown, then generated again ----
until_changed "$out/preview_page.png" "$ix" "$iy" "$iw" "$ih" xdotool mousemove $((ix + 322)) $((iy + 39)) click 1 ||
  fail "the Preview page did not show"
# Generated again: the three pictures show on the paper.
xdotool mousemove $((px + 39)) $((py + 16)) click 1
x11_poll 20 "the pictures on the paper" x11_holds \
  'shot "$out/image_report_preview.png" "$ix" "$iy" "$iw" "$ih" && [ "$(count "$out/image_report_preview.png" 0 90 "$iw" $((ih - 90)) 0 0 255)" -gt 50 ]' || true
settled "$out/image_report_preview.png" "$ix" "$iy" "$iw" "$ih" || fail "the preview did not stop changing"
# The paper shows the three pictures one above the other at its left, in slot order.
/usr/bin/python3 - "$out/image_report_preview.png" <<'PY' || fail "the preview does not show the pictures stacked at the left"
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGB"); px = im.load(); w, h = im.size
def box(c):
    pts = [(x, y) for y in range(90, h) for x in range(w) if all(abs(px[x, y][i] - c[i]) < 60 for i in range(3))]
    if len(pts) < 50: sys.exit("colour %s missing" % (c,))
    xs, ys = zip(*pts)
    return min(xs), min(ys), max(xs), max(ys)
# The paper: the white area of the preview.
white = [(x, y) for y in range(90, h, 2) for x in range(0, w, 2) if px[x, y] == (255, 255, 255)]
xs, ys = zip(*white)
paper = min(xs), min(ys), max(xs), max(ys)
r, g, b = box((255, 0, 0)), box((0, 160, 0)), box((0, 0, 255))
print("paper", paper, "red", r, "green", g, "blue", b)
assert r[1] < g[1] < b[1], "not stacked in slot order"
assert abs(r[0] - g[0]) <= 3 and abs(g[0] - b[0]) <= 3, "not at one left edge"
# Layout Four: the pictures in the left four fifths of the paper.
assert max(r[2], g[2], b[2]) <= paper[0] + 0.82 * (paper[2] - paper[0]), "pictures beyond their share"
assert r[0] - paper[0] < 0.12 * (paper[2] - paper[0]), "pictures not from the left margin"
PY
until_changed "$out/image_report_header.png" "$ix" "$iy" "$iw" "$ih" xdotool mousemove $((ix + 100)) $((iy + 39)) click 1 ||
  fail "the Header and Footer page did not show"
settled "$out/image_report_header.png" "$ix" "$iy" "$iw" "$ih" || fail "the Header and Footer page did not settle"
# ---- Records and Text: the record name as the first item ----
until_changed "$out/records_page.png" "$ix" "$iy" "$iw" "$ih" xdotool mousemove $((ix + 200)) $((iy + 39)) click 1 ||
  fail "the Records and Text page did not show"
pick $((px + 321)) $((py + 20)) 1
until_changed "$out/image_report_text.png" "$ix" "$iy" "$iw" "$ih" xdotool mousemove $((px + 390)) $((py + 72)) click 1 ||
  fail "the record name was not added"
settled "$out/image_report_text.png" "$ix" "$iy" "$iw" "$ih" || fail "the text page did not settle"
# ---- Close: the format is kept in "LastReport.rp1", the downloaded pictures are gone ----
xdotool mousemove $((ix + 180)) $((iy + 14)) click 1
gone '^Record Print$'
x11_poll 20 "[ -n (find R -name LastReport.rp1) ]" x11_holds '[ -n "$(find "$R" -name LastReport.rp1)" ]' || true
last=$(find "$R" -name LastReport.rp1 | head -1)
[ -n "$last" ] || fail "closing wrote no LastReport.rp1"
left=$(find "$R" -name wide.jpg -o -name square.gif -o -name tall.pcx | wc -l)
[ "$left" -eq 0 ] || fail "the downloaded pictures were not deleted"
shot "$out/main_after.png" "$mx" "$my" "$mw" "$mh"
echo "image_report_x11: quick print, layout Four, three pictures previewed, format kept; screenshots in $out"
