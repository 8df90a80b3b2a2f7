#!/usr/bin/env bash
# Faults a person met, each by the mouse on the installed client on a real X server:
#   pictures:  the Record Print window of the first record, left open while the main window's
#              idle refresh fetches and deletes its own copy of the picture; Generate still
#              prints the picture (it printed a blank page);
#   exports:   the print window's "Export To HTML" under a name ending ".html" writes the page
#              (it wrote nothing, silently); the quick report's CSV and HTML exports typed
#              without an extension get ".csv" and ".htm" (they were saved without one);
#   amounts:   the value report over prices typed "99,95" and "1.000,50" says which values it
#              left out, and its total is that of the amounts it read (it counted 9995 and 1.00);
#   mail:      a message typed with "ü" reaches the mail server declared and coded so that
#              Python's email module reads it exactly (it went out as raw bytes under us-ascii).
# Every check is made and told; the test fails at the end when any failed.  Screenshots of
# every window on the way are saved.  QN_X11_PARTS names the parts run (all when unset): each
# starts from the record window as the login leaves it, so that they may run as tests of their
# own (the pictures part waits for the idle refresh, half a minute).
# Usage: faults_x11.sh SOURCE_DIR BUILD_DIR MAKE_FAULTS_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
# The first record's picture: a red JPEG the server hands out as CODE.im1.
make_picture() {
  mkdir -p "$out/mail"
  /usr/bin/python3 - "$out/R/Data/database/$db_output.im1" <<'PY'
import sys
from PIL import Image
Image.new('RGB', (240, 160), (255, 0, 0)).save(sys.argv[1], 'JPEG', quality=95)
PY
}
installed_client_x11 1280x1024 --clear '*.csv' --clear '*.htm' --clear '*.html' --clear 'value_*' --clear mail \
  --setting ImageReportW:=760 --setting ImageReportH:=640 --setting 'IDLE SECONDS=30' \
  --db "$make_db" --then make_picture -- "$@"

parts=" ${QN_X11_PARTS:-pictures exports amounts mail} "
part() { [[ "$parts" == *" $1 "* ]]; }  # part NAME: that part is run
# answer_if_any NAME: a message box that comes within ten seconds is answered by its OK.
answer_if_any() {
  local w
  w=$(message_box) || return 1
  box_answer "$1" OK 1 "$w"
}

# A loopback mail server: each message is written whole into mail/.
mail_stand_in "$out/mail"
printf 'MailServer=127.0.0.1\r\nMailPort=%s\r\nSenderEmail=me@example.com\r\nSenderName=Fault Tester\r\n' \
  "$smtp_port" >> "$out/config/QuillonClient.ini"
watcher=""
stop_all() {
  stop_client
  x11_kill "$smtp" "$watcher"
}

start_client
trap stop_all EXIT
login
trap stop_all EXIT

# ---- Pictures: the Record Print window keeps its picture across the main window's refresh ----
if part pictures; then
until_changed "$out/pictures_page.png" "$mx" $((my + 100)) "$mw" 300 xdotool mousemove $((mx + 277)) $((my + 92)) click 1 ||
  fail "the Pictures page did not show"
drawn "$out/main_pictures.png" "$main"
opens '^Record Print$' xdotool mousemove $((mx + 545)) $((my + 117)) click 1
report=$(window "Record Print" 500) || fail "no Record Print window"
geometry "$report"
ix=$X iy=$Y iw=$WIDTH ih=$HEIGHT
px=$((ix + 4)) py=$((iy + 54))
drawn "$out/record_print_open.png" "$report"
# The main window's refresh comes after 30 idle seconds: it fetches the picture into its work
# folder and deletes it there.  Watched for with inotify, once the window's own copies are made.
/usr/bin/python3 - "$out/R/Work" > "$out/refresh_seen.txt" 2>&1 <<'PY' &
import ctypes, os, struct, sys
libc = ctypes.CDLL(None, use_errno=True)
fd = libc.inotify_init()
IN_DELETE, IN_MOVED_FROM = 0x200, 0x40
wd = libc.inotify_add_watch(fd, sys.argv[1].encode(), IN_DELETE | IN_MOVED_FROM)
assert fd >= 0 and wd >= 0, "no watch on " + sys.argv[1]
print("watching", flush=True)
while True:
    data = os.read(fd, 4096)
    i = 0
    while i < len(data):
        _, mask, _, length = struct.unpack_from("iIII", data, i)
        name = data[i + 16:i + 16 + length].rstrip(b"\0").decode()
        i += 16 + length
        if name == "red.jpg":
            print("deleted", name, flush=True)
            sys.exit(0)
PY
watcher=$!
until_in "$out/refresh_seen.txt" watching
# Slot 1's image is chosen on the Images page meanwhile (the pointer stays off the main window).
until_changed "$out/images_page.png" "$ix" "$iy" "$iw" "$ih" xdotool mousemove $((ix + 271)) $((iy + 39)) click 1 ||
  fail "the Images page did not show"
pick $((px + 130)) $((py + 18)) 1
drawn "$out/record_print_images.png" "$report"
x11_poll 90 "the main window's refresh" x11_holds '! { x11_ours "$watcher"; }' || true
x11_ours "$watcher" && fail "the main window did not refresh within 90 seconds"
watcher=""
grep -q deleted "$out/refresh_seen.txt" || fail "the refresh watch ended without seeing it: $(cat "$out/refresh_seen.txt")"
until_changed "$out/preview_page.png" "$ix" "$iy" "$iw" "$ih" xdotool mousemove $((ix + 322)) $((iy + 39)) click 1 ||
  fail "the Preview page did not show"
xdotool mousemove $((px + 39)) $((py + 16)) click 1  # Generate
red=0
x11_poll 20 "the picture in the Record Print preview" x11_holds \
  'shot "$out/record_print_preview.png" "$ix" "$iy" "$iw" "$ih" && red=$(count "$out/record_print_preview.png" 0 90 "$iw" $((ih - 90)) 255 0 0) && [ "$red" -gt 200 ]' || true
settled "$out/record_print_preview.png" "$ix" "$iy" "$iw" "$ih" || fail "the Record Print preview did not stop changing"
[ "$red" -gt 200 ] || problem "the Record Print generated after the main window's refresh shows no picture ($red red pixels)"
xdotool mousemove $((ix + 180)) $((iy + 14)) click 1  # Close
gone '^Record Print$'
fi

# ---- Exports: the print window's "Export To HTML" under a name ending ".html" ----
if part exports; then
# The Text page's print button opens the print window of the record's rich text.
xdotool mousemove $((mx + 236)) $((my + 92)) click 1
opens '^Print$' xdotool mousemove $((mx + 570)) $((my + 116)) click 1
w=$(window Print 700) || fail "no print window"
geometry "$w"
px=$X py=$Y
drawn "$out/print_window.png" "$w"
popup $((px + 725)) $((py + 36))                   # Export
shot "$out/export_menu.png" $((px + 600)) "$py" 300 120
xdotool mousemove $((px + 798)) $((py + 69)) click 1  # Export To HTML
type_name "$out/rich.html"
if x11_written "$out/rich.html"; then
  answer_if_any html_exported || problem "the HTML export told nothing"
  /usr/bin/python3 - "$out/rich.html" <<'PY' || problem "the .html export does not read back as the record's text"
import html.parser, sys
class Text(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(); self.text = []; self.bold = 0
    def handle_starttag(self, tag, attrs):
        if tag.lower() == "b": self.bold += 1
    def handle_data(self, d):
        if d.strip(): self.text.append((d.strip(), self.bold > 0))
    def handle_endtag(self, tag):
        if tag.lower() == "b": self.bold -= 1
p = Text(); p.feed(open(sys.argv[1], encoding="utf-8", errors="strict").read())
assert ("Rich text of item 1", False) in p.text, p.text
assert ("Bold line", True) in p.text, p.text
PY
else
  problem "Export To HTML under a name ending .html wrote nothing"
  answer_if_any html_not_exported || problem "Export To HTML under .html wrote nothing and said nothing"
fi
xdotool mousemove $((px + 710)) $((py + 527)) click 1  # OK
gone '^Print$'
fi

# ---- Amounts: the value report, "Report and View" > "Quick Financial Report" > "All Records" ----
if part amounts; then
opens '^Quick Financial Report$' submenu_click 162 2 0 1
w=$(window "Quick Financial Report") || fail "no value report"
if b=$(message_box); then
  drawn "$out/value_unread_values.png" "$b"
  box_answer value_unread_values OK 1 "$b"
else
  problem "the value report says nothing of the prices typed 99,95 and 1.000,50"
fi
value_report_print "$w"  # its Print: the report's quick report window
# "CSV Export" under a full name: the figures of the report.
xdotool mousemove $((rx + 430)) $((ry + 538)) click 1
type_name "$out/value.csv"
x11_written "$out/value.csv" || fail "the CSV export under value.csv wrote nothing"
answer_if_any value_csv_exported || problem "the CSV export told nothing"
/usr/bin/python3 - "$out/value.csv" <<'PY' || problem "the value report's total counts values it could not read"
import csv, sys
got = list(csv.reader(open(sys.argv[1], newline="")))
assert got[0] == ["Record ID", "Name", "Price Paid", "Current Value"], got[0]
prices = [row[2] for row in got[1:-1]]
assert sorted(prices) == sorted(["99,95", "1.000,50", "$1,234.50", "10.25", "20.25", "30.25"]), prices
# The amounts read: $1,234.50 + 10.25 + 20.25 + 30.25; the two comma values left out.
assert got[-1][:3] == ["Total", "", "1295.25"], got[-1]
assert got[-1][3] == "%.2f" % sum(100.5 + 7 * i for i in range(6)), got[-1]
PY
# "CSV Export" and "HTML Export" typed without an extension.
xdotool mousemove $((rx + 430)) $((ry + 538)) click 1
type_name "$out/value_bare"
if x11_written "$out/value_bare.csv"; then
  /usr/bin/python3 -c 'import csv,sys; rows=list(csv.reader(open(sys.argv[1], newline=""))); assert rows[-1][0] == "Total", rows' \
    "$out/value_bare.csv" || problem "value_bare.csv does not read back as the report"
else
  problem "the CSV export typed without an extension was not saved as value_bare.csv ($(ls "$out" | grep value_ | tr '\n' ' '))"
fi
answer_if_any value_bare_exported || problem "the CSV export typed without an extension told nothing"
xdotool mousemove $((rx + 525)) $((ry + 538)) click 1
type_name "$out/value_page"
if x11_written "$out/value_page.htm"; then
  /usr/bin/python3 - "$out/value_page.htm" <<'PY' || problem "value_page.htm does not read back as the report"
import html.parser, sys
class Cells(html.parser.HTMLParser):
    cells = []
    def handle_data(self, d):
        if d.strip(): self.cells.append(d.strip())
p = Cells(); p.feed(open(sys.argv[1]).read())
assert "99,95" in p.cells and "Total" in p.cells and "1295.25" in p.cells, p.cells
PY
else
  problem "the HTML export typed without an extension was not saved as value_page.htm"
fi
answer_if_any value_page_exported || problem "the HTML export typed without an extension told nothing"
xdotool mousemove $((rx + 705)) $((ry + 538)) click 1  # OK
gone '^Report$'
geometry "$w"
xdotool mousemove $((X + (WIDTH - 400) / 2 + 350)) $((Y + HEIGHT - 96 + 40)) click 1
gone '^Quick Financial Report$'
fi

# ---- Mail: a message beyond ASCII, "Utilities" > "Generate E-mail" ----
if part mail; then
# Typed on a keyboard that has "ü" and "ß" on keys of their own, as a person writing German has:
# the typing tool would otherwise lend a key to each such letter for a moment, which a busy
# client may read after the key is given back.
setxkbmap -layout de -variant nodeadkeys || fail "no German keyboard layout"
email_typed 232 "Grüße" "First line." "Second line with ümlaut."
setxkbmap -layout us || fail "the keyboard layout did not come back"
email_send_all
x11_poll 30 "ls out/mail | grep -q .eml" x11_holds 'ls "$out/mail" | grep -q '\''\.eml$'\''' || true
ls "$out/mail" | grep -q '\.eml$' || fail "no message reached the mail server"
box_answer email_sent OK
/usr/bin/python3 - "$out/mail" <<'PY' || problem "the message beyond ASCII does not read back exactly"
import email, email.policy, glob, sys
names = sorted(glob.glob(sys.argv[1] + "/*.eml"))
assert len(names) == 1, names
m = email.message_from_bytes(open(names[0], "rb").read(), policy=email.policy.default)
assert m["Subject"] == "Grüße", m["Subject"]
body = m.get_body(preferencelist=("plain",))
text = body.get_content()
print(repr(body["Content-Type"]), repr(body["Content-Transfer-Encoding"]), repr(text))
assert "Second line with ümlaut." in text, text
assert "First line." in text, text
PY
xdotool mousemove $((ox + 510)) $((oy + 396)) click 1  # Close
gone '^Email$'
fi

# ---- Close ----
xdotool mousemove $((mx + 596)) $((my + 33)) click 1
client_closed
x11_kill "$smtp"
trap - EXIT
[ "$problems" -eq 0 ] || { echo "FAIL: $problems fault(s) found; screenshots in $out" >&2; exit 1; }
echo "faults_x11:$parts(pictures kept across the refresh, .html and extension-less exports, unread amounts told, mail beyond ASCII) passed; screenshots in $out"
