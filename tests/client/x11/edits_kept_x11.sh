#!/usr/bin/env bash
# No typed key or edit is lost, in the installed client on a real X server, with the mouse, over a
# database of 40 records without rich text:
# - the Text page: words typed into the first record's page; after Next the second record's page
#   is empty, a style clicked there and Previous leave the first record's words where they were,
#   and the second record stores none of them (read back from the database after the close);
# - Bold clicked with the caret in the page and nothing selected: the keys typed next show in the
#   page and are stored bold;
# - the web server killed: Next is answered without a box, by a web server started again;
# - a message box open (Delete's question) when the desktop logs out (SIGTERM): the client ends at
#   once, the name typed before is saved and no server is left;
# - Close with the web server gone for good: the person is asked; No keeps the window with the
#   edit; Close once the web server can come back saves it.
# Usage: edits_kept_x11.sh SOURCE_DIR BUILD_DIR MAKE_NAV_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=../reports/x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
installed_client_x11 1280x1024 --clear '*.txt' --db "$make_db" -- "$@"

started=$(date +%s)
step() { echo "edits_kept_x11: $* ($(($(date +%s) - started)) s)"; }

# ---- Where things are in the record window (from its top left corner) ----
bar_y=33 prev_x=20 next_x=54 new_x=96 delete_x=130 close_x=588   # the tool bar
name_x=280 name_y=62                                              # the record's name
text_tab_x=236 tab_y=92                            # the Text page's tab
bold_x=284 tool_y=115                                             # Bold on the page's tool bar
edit_x=15 edit_y=135 edit_w=580 edit_h=150                        # the page's editor

in_main() { xdotool mousemove $((mx + $1)) $((my + $2)) click 1; }
tool() { in_main "$1" "$bar_y"; }
# editor_ink NAME: the dark pixels of the editor (its screenshot NAME.png, once drawn).
editor_ink() {
  settled "$out/$1.png" $((mx + edit_x)) $((my + edit_y)) "$edit_w" "$edit_h" ||
    fail "the editor did not hold still for $1"
  dark "$out/$1.png"
}
# web_server: the web server process of this client's port (none: empty).
web_server() { pgrep -f "lighttpd.*hmserv-[0-9]*-$port/" | head -1 || true; }
kill_web_server() {
  local web
  web=$(web_server)
  [ -n "$web" ] || fail "no web server runs"
  kill -KILL "$web"
  x11_poll 20 "kill -0 web 2>/dev/null" x11_holds '! { kill -0 "$web" 2>/dev/null; }' || true
  x11_poll 20 "[ -z (web_server) ] && pgrep -f R/bin/hmserv > /dev/null" x11_holds '! { [ -z "$(web_server)" ] && pgrep -f "$R/bin/hmserv" > /dev/null; }' || true
}
# dump: the database's records (code, name, ...) into database.txt, once the client has closed.
dump() { "$make_db" --dump "$R/Data/database/Test.qnd" > "$out/database.txt"; }

start_client
login

# ---- The Text page: words typed into the first record ----
until_changed "$out/text_page.png" $((mx + 10)) $((my + 100)) 600 300 in_main "$text_tab_x" "$tab_y" ||
  fail "the Text page did not show"
settled "$out/text_page.png" $((mx + 10)) $((my + 100)) 600 300 || fail "the Text page did not hold still"
empty_ink=$(editor_ink text_empty)
in_main $((edit_x + 100)) $((edit_y + 40))
xdotool type --delay 40 "Words of the first "
shows "$out/text_typed.png" $((mx + edit_x)) $((my + edit_y)) "$edit_w" "$edit_h" $((empty_ink + 40)) ||
  fail "the words typed into the Text page do not show"
typed_ink=$(editor_ink text_typed)
step "words typed into the Text page"

# ---- Bold with the caret in the page and nothing selected: the next keys come out bold ----
in_main "$bold_x" "$tool_y"
xdotool type --delay 40 "HEAVY"
shows "$out/text_bold.png" $((mx + edit_x)) $((my + edit_y)) "$edit_w" "$edit_h" $((typed_ink + 30)) ||
  fail "the keys typed after a click on Bold were lost"
geometry "$main"
shot "$out/bold_typed.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
step "Bold clicked, the next keys typed"

# ---- Next: the second record (no rich text) shows an empty page ----
moved next_record tool "$next_x"
[ "$(editor_ink second_page)" -le $((empty_ink + 25)) ] ||
  fail "the second record shows rich text it does not have (see second_page.png)"
geometry "$main"
shot "$out/second_record.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
# A style clicked on its empty page, then back: the first record's words, then Next: still empty.
in_main "$bold_x" "$tool_y"
moved previous_record tool "$prev_x"
[ "$(editor_ink first_again)" -ge $((typed_ink)) ] || fail "the first record's words are gone (see first_again.png)"
moved next_again tool "$next_x"
no_box || fail "a box came after Next"
[ "$(editor_ink second_again)" -le $((empty_ink + 25)) ] ||
  fail "the second record took the first record's text (see second_again.png)"
# New: an empty page too.
moved new_record tool "$new_x"
[ "$(editor_ink new_page)" -le $((empty_ink + 25)) ] || fail "the new record shows rich text (see new_page.png)"
step "Next, a style, Previous, Next, New: each record shows its own text"

# ---- The web server killed: Next is answered by a web server started again ----
kill_web_server
moved after_web_server tool "$prev_x"
no_box || { marked_shot "$out/web_server_box.png" "$(message_box)"; fail "a box came after Previous once the web server had gone"; }
[ -n "$(web_server)" ] || fail "no web server runs after the request"
step "web server started again at the next request"

# ---- A message box open when the desktop logs out: the edit is saved, the client ends ----
in_main "$name_x" "$name_y"
xdotool key ctrl+a
xdotool type --delay 30 "Kept at logout"
tool "$delete_x"
box=$(message_box) || fail "Delete asked nothing"
painted "$box"
marked_shot "$out/logout_box.png" "$box"
kill -TERM "$pid"
x11_poll 30 "x11_ours pid" x11_holds '! { x11_ours "$pid"; }' || true
x11_ours "$pid" && fail "the client still runs 15 seconds after SIGTERM with a box open"
client_closed
dump
grep -q "	Kept at logout	" "$out/database.txt" || fail "the name typed before the logout was not saved"
step "SIGTERM with a box open: the client ended, the edit saved"

# ---- Close with the web server gone for good: asked; No stays; Close again saves ----
restart_client
login
kill_web_server
chmod -x "$R/bin/hmserv"
in_main "$name_x" "$name_y"
xdotool key ctrl+a
xdotool type --delay 30 "Typed before Close"
tool "$close_x"
box=$(message_box) || { chmod +x "$R/bin/hmserv"; fail "Close said nothing when the edit could not be saved"; }
painted "$box"
box_answer close_unsaved No
chmod +x "$R/bin/hmserv"
x11_ours "$pid" || fail "the client ended although No was answered"
window "Quillon Server" 600 > /dev/null || fail "the record window went although No was answered"
geometry "$main"
shot "$out/stayed.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
tool "$close_x"
client_closed
dump
grep -q "	Typed before Close	" "$out/database.txt" || fail "the edit kept after No was not saved by the next Close"
step "Close without a web server: asked, stayed, saved at the next Close"

# ---- What the database holds: the first record's words, bold where Bold was clicked ----
/usr/bin/python3 - "$R/Data/database/Test.qnd" <<'PY' || fail "the stored rich text is not as typed"
import re, sys
# The database stores a rich text as one value a character (a tag and the byte).
data = re.sub(rb"\x06\x01(.)", rb"\1", open(sys.argv[1], "rb").read(), flags=re.S).decode("latin-1")
texts = re.findall(r"\{\\rtf1.*?(?=\x06|$)", data, re.S)
mine = [t for t in texts if "Words of the first" in t]
if len(mine) != 1 or len(texts) != 1:
    sys.exit("the first record's words are stored %d times, %d rich texts in all" % (len(mine), len(texts)))
t = mine[0]
before = t[: t.index("HEAVY")]
words = re.findall(r"\\b(0?)(?![a-z])", before)
if not words or words[-1] != "":
    sys.exit("HEAVY is not bold: " + t)
print("stored:", t)
PY
echo "edits_kept_x11: rich text per record, Bold for the next keys, web server started again, logout and Close keep the edit; screenshots in $out"
