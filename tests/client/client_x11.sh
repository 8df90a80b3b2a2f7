#!/usr/bin/env bash
# The installed client as a person uses it, on a real X server: scripts/run installs it (with no
# display it says so and fails), then R/qnclient starts, shows the login window, "Create Demo"
# fills the database information window and creates the database, Login shows the first record,
# a detail typed into two records survives Next and Previous, and the window closes: no web
# server or resident server instance is left and the hand-over folder is empty. Screenshots of
# the login window and of the main window with a record are saved beside the log.
# Usage: client_x11.sh SOURCE_DIR BUILD_DIR OUTPUT_FOLDER
set -euo pipefail
src="$1" bin="$2" out="$3"
log="$out/client.log"
# shellcheck source=reports/x11_helpers.sh
source "$src/tests/client/reports/x11_helpers.sh"
# Installing with no display: the client says so and the script fails.
installation_checks() {
  [ "$install_rc" -ne 0 ] || { echo "FAIL: scripts/run without a display succeeded" >&2; exit 1; }
  grep -q "No display" "$out/install.log" || { echo "FAIL: scripts/run did not say there is no display" >&2; cat "$out/install.log" >&2; exit 1; }
  for f in qnclient bin/hmserv Data/database/qnserver.exe Data/database/General.set Data/database/General.atr; do
    [ -e "$out/R/$f" ] || { echo "FAIL: $f was not installed" >&2; exit 1; }
  done
  [ -f "$out/xdg/applications/quillon.desktop" ] || { echo "FAIL: no desktop entry" >&2; exit 1; }
  grep -q "^Exec=$out/R/qnclient$" "$out/xdg/applications/quillon.desktop" || { echo "FAIL: desktop entry" >&2; exit 1; }
  [ -f "$out/xdg/icons/hicolor/scalable/apps/quillon.svg" ] || { echo "FAIL: no icon" >&2; exit 1; }
}
installed_client_x11 1024x768 --then installation_checks -- "$@"

# Milliseconds since $1 (from date +%s%N).
since() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }

start_client
started=$(date +%s%N)

# ---- The login window ----
login=""
login_shown() { shown '^Login$' && login=${x11_answer%% *}; }
x11_poll_nap=0.01 x11_poll 20 "the login window" login_shown || true
[ -n "$login" ] || fail "no login window"
echo "figure: program start to login window: $(since "$started") ms"
drawn "$out/login_window.png" "$login"
geometry "$login"
lx=$X ly=$Y
[ "$(dark "$out/login_window.png" 14 10 220 22)" -gt 60 ] || fail "the login window shows no title"
[ "$(dark "$out/login_window.png" 116 44 240 21)" -gt 40 ] || fail "the login window shows no server address"

# ---- Create Demo: the database information window, then the message ----
xdotool mousemove $((lx + 70)) $((ly + 132)) click 1
info=$(the_window '^Please enter database information:$' first)
geometry "$info"
ix=$X iy=$Y
xdotool mousemove $((ix + 260)) $((iy + 24)) click 1
xdotool type --delay 40 "Demo"
shows "$out/database_name.png" $((ix + 150)) $((iy + 15)) 80 16 30 || fail "the database's name does not show"
drawn "$out/database_information.png" "$info"
[ "$(dark "$out/database_information.png" 148 130 236 21)" -gt 20 ] || fail "the creation date is not filled in"
xdotool key Return
box_answer database_created OK
[ -f "$R/Data/database/Demo.qnd" ] || fail "the database was not created"

# ---- Login: the first record ----
# Login; the time until the first record's code shows in the main window behind.
main=$(the_window '^Quillon Client$' first)
[ -n "$main" ] || fail "no main window behind the login window"
geometry "$main"
/usr/bin/python3 - $((lx + 226)) $((ly + 132)) $((X + 63)) $((Y + 53)) <<'PY' || fail "no record shown after Login"
import subprocess, sys, time
from PIL import ImageGrab
bx, by, nx, ny = map(int, sys.argv[1:])
subprocess.run(["xdotool", "mousemove", str(bx), str(by)], check=True)
start = time.monotonic()
subprocess.run(["xdotool", "click", "1"], check=True)
while time.monotonic() - start < 15:
    px = ImageGrab.grab(bbox=(nx, ny, nx + 74, ny + 18)).convert("RGB").load()
    if sum(1 for y in range(18) for x in range(74) if sum(px[x, y]) < 300) > 20:
        print("figure: login to first record: %d ms" % ((time.monotonic() - start) * 1000))
        sys.exit(0)
    time.sleep(0.005)
sys.exit(1)
PY
main=$(window "Quillon Server" 600) || fail "no main window"
gone '^Login$'
geometry "$main"
mx=$X my=$Y mw=$WIDTH mh=$HEIGHT
shot "$out/first_record.png" "$mx" "$my" "$mw" "$mh"
[ "$(dark "$out/first_record.png" 63 53 74 18)" -gt 20 ] || fail "no record code shown"

# Fields of the record page, from the window's top left: the second detail and the code box.
field_x=$((mx + 200)) field_y=$((my + 140))
away_x=$((mx + 100)) away_y=$((my + 62))
next_x=$((mx + 59)) prev_x=$((mx + 19)) new_x=$((mx + 108)) close_x=$((mx + 589)) tool_y=$((my + 32))
# crop_field FILE: the field once the focus left it for the code box (no caret in it).
crop_field() {
  xdotool mousemove "$away_x" "$away_y" click 1
  still "$1" $((mx + 118)) $((my + 132)) 180 17 || fail "the field did not stop changing"
}
# field_becomes FILE COMMAND...: runs the command, then waits until the field shows what the
# picture FILE holds ("empty": no text at all).
field_becomes() {
  local want="$1"
  shift
  "$@"
  x11_poll 12 "the field to show $want" field_is "$want"
}
field_is() {
  crop_field "$out/field_now.png"
  if [ "$1" = empty ]; then
    [ "$(dark "$out/field_now.png" 0 0 180 17)" -eq 0 ]
  else
    same "$1" "$out/field_now.png"
  fi
}
type_field() {
  xdotool mousemove "$field_x" "$field_y" click 1
  xdotool key ctrl+a
  xdotool type --delay 40 "$1"
}

type_field "Alpha"
crop_field "$out/alpha_typed.png"
[ "$(dark "$out/alpha_typed.png" 0 0 180 17)" -gt 20 ] || fail "the typed detail does not show"
field_becomes empty xdotool mousemove "$new_x" "$tool_y" click 1 || fail "the new record is not empty"
type_field "Beta"
crop_field "$out/beta_typed.png"
field_becomes "$out/alpha_typed.png" xdotool mousemove "$prev_x" "$tool_y" click 1 ||
  fail "Previous does not show the first record's detail"
shot "$out/main_window.png" "$mx" "$my" "$mw" "$mh"
field_becomes "$out/beta_typed.png" xdotool mousemove "$next_x" "$tool_y" click 1 ||
  fail "Next does not show the second record's detail"

# ---- Close ----
xdotool mousemove "$close_x" "$tool_y" click 1
client_closed
wait "$pid" || fail "the client ended with a failure"
left=$(find "$R/Data/database" -maxdepth 2 -ipath '*/temp/*' -type f | wc -l)
[ "$left" -eq 0 ] || fail "$left files left in the hand-over folder"
grep -aq "Alpha" "$R/Data/database/Demo.qnd"* || fail "the first record's detail was not stored"
grep -aq "Beta" "$R/Data/database/Demo.qnd"* || fail "the second record's detail was not stored"

# ---- Start again: the login window remembers the database; the first record is as typed; a
# quit from outside (SIGTERM, as at logout) still saves the edit and stops the servers ----
restart_client
login=$(window Login) || fail "no login window after the restart"
drawn "$out/login_again.png" "$login"
geometry "$login"
[ "$(dark "$out/login_again.png" 116 75 240 21)" -gt 20 ] || fail "the login window does not remember the database"
xdotool mousemove $((X + 226)) $((Y + 132)) click 1
gone '^Login$'
field_becomes "$out/alpha_typed.png" true || fail "the first record's detail is not there after a restart"
type_field "Delta"
# The edit is on the screen before the client is told to quit.
crop_field "$out/delta_typed.png"
same "$out/delta_typed.png" "$out/alpha_typed.png" && fail "the field does not show the edit"
stop_client
x11_ours "$pid" && fail "the client did not end on SIGTERM"
servers_left && fail "the web server or the resident instance is still running after SIGTERM"
grep -aq "Delta" "$R/Data/database/Demo.qnd"* || fail "the edit before SIGTERM was not stored"
# ---- The display goes away under a logged-in client: the client ends (no crash, no hang in its
# exit) and its web server and the resident instance end with it ----
# The X server takes a free display itself and names it once it is ready (another X server
# starting at the same time never gets the same one); it does not reset when the probe below
# leaves, which would turn the client away.
rm -f "$out/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset 5> "$out/display" > /dev/null 2>&1 &
xpid=$!
x11_poll 20 "[ -s out/display ]" x11_holds '[ -s "$out/display" ]' || true
dpy=$(tr -dc 0-9 < "$out/display")
[ -n "$dpy" ] || fail "no second X server"
x11_poll 20 "DISPLAY=:dpy xdotool getmouselocation > /dev/null 2>&1" x11_holds 'DISPLAY=":$dpy" xdotool getmouselocation > /dev/null 2>&1' || true
# Qt rightly warns there that its connection to the X server broke: that output goes beside the
# checked logs, and it may hold no other warning.
DISPLAY=":$dpy" "$R/qnclient" > "$out/display_gone.out" 2>&1 &
pid=$!
trap 'x11_kill "$pid" "$xpid"' EXIT
DISPLAY=":$dpy" x11_must 20 "the login window on the second display" shown '^Login$'
login=${x11_answer%% *}
DISPLAY=":$dpy" painted "$login"
eval "$(DISPLAY=":$dpy" xdotool getwindowgeometry --shell "$login")"
DISPLAY=":$dpy" xdotool mousemove $((X + 226)) $((Y + 132)) click 1
x11_poll 20 "pgrep -f hmserv-(id -u)-port/ > /dev/null" x11_holds 'pgrep -f "hmserv-$(id -u)-$port/" > /dev/null' || true
pgrep -f "hmserv-$(id -u)-$port/" > /dev/null || fail "no web server after the login on the second display"
# The display goes once the record window is up there.
DISPLAY=":$dpy" window "Quillon Server" 600 > /dev/null || fail "no record window on the second display"
kill "$xpid"
x11_poll 20 "x11_ours pid" x11_holds '! { x11_ours "$pid"; }' || true
x11_ours "$pid" && fail "the client did not end when its display went away"
set +e
wait "$pid"
rc=$?
set -e
[ "$rc" -lt 128 ] || fail "the client ended by signal $((rc - 128)) when its display went away"
if grep -E "$x11_qt_warning_pattern" "$out/display_gone.out" | grep -v 'connection broke'; then
  fail "Qt warnings besides the broken connection when the display went away"
fi
trap - EXIT
x11_poll 20 "servers_left" x11_holds '! { servers_left; }' || true
servers_left && fail "the web server or the resident instance is still running after the display went away"
echo "client_x11: login, creation, two records, Next and Previous, close, start again, SIGTERM, display gone; screenshots in $out"
