#!/usr/bin/env bash
# The main window's server, settings and tool commands of the installed client on a real X
# server, each opened from its menu or tool bar button as a person does: Set Server Name,
# Database Information, Local Server Settings, Email Account Settings, Select Date Format,
# Calculator, Calendar, the CD player, the help page (through the redirect page and the desktop's
# opener, here a recording stand-in), Reset Application (No, then Yes) and Database Login.  A
# screenshot of every window is saved; the settings key is checked after the close.
# Usage: commands_x11.sh SOURCE_DIR BUILD_DIR MAKE_DATABASE OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" make_db="$3" out="$4"
# shellcheck source=x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
# The desktop's opener: records what it was asked to open.
installed_client_x11 1280x1024 --db "$make_db" 30 --setting SearchW:=700 --then opener_stand_in -- "$@"
export PATH="$out/opener:$PATH"

# visit KEY N TITLE NAME KEY: entry N of menu KEY opens the window TITLE, which the key closes.
visit() {
  menu "$1" "$2"
  local w
  w=$(window "$3") || fail "no window '$3'"
  snap "$4" "$w"
  xdotool key "$5"
  gone "^$3\$"
}

start_client
login

# ---- Connect ----
menu c 2
w=$(window "Enter Server Name") || fail "Set Server Name asked nothing"
snap set_server_name "$w"
xdotool key ctrl+a
xdotool type --delay 40 "Office"
xdotool key Return
gone '^Enter Server Name$'

visit c 3 "Please enter database information:" database_information Escape
visit c 4 "Server Settings" server_settings Return

# ---- Utilities ----
visit u 4 "Email Settings" email_settings Escape
visit u 6 "Select Date Format" select_date_format Escape
visit u 1 Calculator calculator Escape

before=$(visible)
menu u 2
w=$(new_window "$before") || fail "no calendar"
snap calendar "$w"
geometry "$w"
# Placed at the middle of the screen less 100 x 200.
[ "$X" -ge 500 ] && [ "$X" -le 600 ] && [ "$Y" -ge 350 ] && [ "$Y" -le 450 ] || fail "the calendar is at $X,$Y"
xdotool key Escape
window_gone "$w"

# ---- Help: the redirect page goes to the desktop's opener ----
rm -f "$out/opener/opened.txt"
menu h 1
x11_poll 10 "[ -s out/opener/opened.txt ]" x11_holds '[ -s "$out/opener/opened.txt" ]' || true
[ -s "$out/opener/opened.txt" ] || fail "the help page was not opened"
grep -q "go.htm" "$out/opener/opened.txt" || fail "the opener got $(cat "$out/opener/opened.txt")"
page=$(find "$R" -name go.htm | head -1)
[ -n "$page" ] && grep -q "URL=https://www.harrowmere.com/quillon/help.htm\">" "$page" || fail "no redirect page to the help page"

# ---- Reset Application: No changes nothing, Yes restores ----
menu u 7
w=$(small_window "Quillon Server") || fail "Reset Application asked nothing"
snap reset_question "$w"
geometry "$w"
# No is the right-hand button.
xdotool mousemove $((X + WIDTH - 50)) $((Y + HEIGHT - 22)) click 1
window_gone "$w"
grep -q "^SearchW:=700" "$out/config/QuillonClient.ini" || fail "No changed the settings"
menu u 7
w=$(small_window "Quillon Server") || fail "Reset Application asked nothing"
xdotool key Return
window_gone "$w"
w=$(small_window "Quillon Server") || fail "no message after the reset"
snap reset_done "$w"
xdotool key Return
window_gone "$w"
until_in "$out/config/QuillonClient.ini" "^SearchW:=581"
grep -q "^AlbumW:=518" "$out/config/QuillonClient.ini" || fail "the reset did not write AlbumW:"

# ---- The CD player from the tool bar (not modal) ----
geometry "$main"
mx=$X my=$Y
echo "commands_x11: main window at $X,$Y ${WIDTH}x${HEIGHT}"
before=$(visible)
# "CD" is the tool bar's third button from the right.
xdotool mousemove $((mx + 520)) $((my + 34)) click 1
w=$(window "CD Player") || fail "no CD player"
snap cd_player "$w"

# ---- Database Login: the login window again ----
menu c 1
w=$(window Login) || fail "Database Login showed no login window"
snap database_login "$w"
xdotool key Return
gone '^Login$'
geometry "$main"
settled "$out/main_after.png" "$X" "$Y" "$WIDTH" "$HEIGHT" || fail "the main window did not stop changing after the second login"

# ---- Close: the server name chosen is kept ----
menu c 5
client_closed
grep -q "^SERVERNAME=Office" "$out/config/QuillonClient.ini" || fail "the server name was not kept"
echo "commands_x11: every window opened; screenshots in $out"
