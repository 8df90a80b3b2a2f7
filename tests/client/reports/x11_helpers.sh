# What the X tests of the installed client share (sourced): the installation into $out/R, the
# run inside an X server of its own, the client's start, login and end, and the screen helpers.
# They use $out (the output folder) and $log (the client's output, $out/client.log when unset).
# A script runs twice: first outside (x11_outside: install, make its database, then x11_screen),
# then inside its X server, where it starts the client:
#   src="$1" bin="$2" make_db="$3" out="$4"
#   source "$src/tests/client/reports/x11_helpers.sh"
#   installed_client_x11 1280x1024 --db "$make_db" 30 -- "$@"
#   start_client; login; ...; client_closed

# install_client SOURCE_DIR BUILD_DIR: installs into $out/R (scripts/run stops without a display:
# install_rc is its exit status).
install_client() {
  mkdir -p "$out"
  rm -rf "$out/R" "$out/xdg" "$out/config" "$out"/*.png
  env -u DISPLAY -u WAYLAND_DISPLAY QN_SKIP_BUILD=1 BUILD_DIR="$2" QN_HOME="$out/R" \
    XDG_DATA_HOME="$out/xdg" bash "$1/scripts/run" > "$out/install.log" 2>&1 && install_rc=0 || install_rc=$?
  [ -x "$out/R/qnclient" ] || { echo "FAIL: the client was not installed" >&2; cat "$out/install.log" >&2; exit 1; }
}

# installed_client_x11 WIDTHxHEIGHT [OPTION...] -- SCRIPT_ARGUMENTS...: the start of every run.
# Outside its X server it installs the client (install_client "$src" "$bin"), removes old outputs,
# makes the database, writes the settings key and runs the script again on an X server of that
# size (x11_screen, which ends the outer run); inside, it returns at once.
#   --clear GLOB         the old outputs $out/GLOB (files or folders) are removed first
#   --db MAKER [ARG...]  $out/R/Data/database/Test.qnd is made by MAKER with those arguments (up to
#                        the next option); db_output holds what it printed; the settings key
#                        $out/config/QuillonClient.ini names that database
#   --setting LINE       one more line of the settings key
#   --then FUNCTION      the script's own set-up, run once the database is made
installed_client_x11() {
  local size="$1" maker=() clear=() settings="" then="" glob
  shift
  while [ "$1" != -- ]; do
    case "$1" in
      --clear) clear+=("$2"); shift 2 ;;
      --db)
        maker=("$2")
        shift 2
        while [ "$1" != -- ] && [[ "$1" != --* ]]; do maker+=("$1"); shift; done
        ;;
      --setting) settings+="$2"$'\r\n'; shift 2 ;;
      --then) then="$2"; shift 2 ;;
      *) echo "installed_client_x11: unknown option '$1'" >&2; exit 2 ;;
    esac
  done
  shift
  x11_outside || return 0
  install_client "$src" "$bin"
  # shellcheck disable=SC2086 # the old outputs are patterns
  for glob in "${clear[@]}"; do rm -rf "$out"/$glob; done
  if [ "${#maker[@]}" -gt 0 ]; then
    db_output=$("${maker[0]}" "$out/R/Data/database/Test.qnd" "${maker[@]:1}")
    mkdir -p "$out/config"
    printf '[SETTINGS]\r\nDATABASE=Test\r\n%s' "$settings" > "$out/config/QuillonClient.ini"
  fi
  [ -z "$then" ] || "$then"
  x11_screen "$size" "$@"
}

# opener_stand_in: the desktop's opener (xdg-open) replaced by one in $out/opener that records
# what it was asked to open in $out/opener/opened.txt (the run puts $out/opener first in PATH).
opener_stand_in() {
  rm -rf "$out/opener"
  mkdir -p "$out/opener"
  printf '#!/bin/sh\necho "$@" >> "%s/opened.txt"\n' "$out/opener" > "$out/opener/xdg-open"
  chmod +x "$out/opener/xdg-open"
}

# The run on an X server of its own is that of the test programs' scripts (x11_screen WIDTHxHEIGHT "$@"); their
# other helpers are replaced below by those of the installed client.
# shellcheck source=../../x11_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../x11_common.sh"
x11_outside() { [ "${QN_X11_INNER:-}" != 1 ]; }
# start_client: the installed client $out/R/qnclient on a free port with the settings key in
# $out/config; pid is its process, and the client is stopped when the script ends.
start_client() {
  R="$out/R"
  port=$(free_port)
  export QN_PORT="$port" XDG_CONFIG_HOME="$out/config" QT_QPA_PLATFORM=xcb
  : > "${log:-$out/client.log}"
  restart_client
}
# restart_client: the client started again (once it has ended) on the same port; its output is
# added to the log.
restart_client() {
  "$R/qnclient" >> "${log:-$out/client.log}" 2>&1 &
  pid=$!
  trap stop_client EXIT
}
# login: Return in the login window (the database the settings key names), then logged_in.
login() {
  local w
  w=$(window Login) || fail "no login window"
  painted "$w"
  xdotool key Return
  logged_in
}
# logged_in: once the login window's Login is given: main is the main window, waited for until it
# shows the record and holds still (its size is fitted to the database's layout after it first
# shows), and mx my mw mh its geometry.
logged_in() {
  main=$(window "Quillon Server" 600) || fail "no main window"
  painted "$main"
  geometry "$main"
  still "$out/logged_in.png" "$X" "$Y" "$WIDTH" "$HEIGHT" || fail "the main window did not hold still after the login"
  geometry "$main"
  mx=$X my=$Y mw=$WIDTH mh=$HEIGHT
}
# servers_left: the web server and the server's resident instance of this installation, if any run.
servers_left() {
  pgrep -f "^$R/Data/database/qnserver.exe" > /dev/null || pgrep -f "hmserv-[0-9]*-$port/" > /dev/null
}
# stop_client: ends the client if it still runs (SIGTERM: it stops its web server, which ends the
# server's resident instance) and waits until none of the three is left.
no_servers() { ! servers_left; }
stop_client() {
  trap - EXIT
  x11_kill "${pid:-}"
  x11_poll 30 "the client to end" x11_left "${pid:-}" || true
  x11_poll 30 "the servers to end" no_servers || true
}
# close_client X Y: the main window's Close at X Y (from its corner), then client_closed.  A click
# that came just as a window over it closed may not take: after ten seconds with the client still
# running it is given again, once.
close_client() {
  xdotool mousemove $((mx + $1)) $((my + $2)) click 1
  x11_poll 10 "the client to end" x11_left "$pid" || true
  if x11_ours "$pid" && shown '^Quillon Server$'; then
    echo "$(basename "$0" .sh): the client still runs ten seconds after Close, clicking it again" >&2
    xdotool mousemove $((mx + $1)) $((my + $2)) click 1
  fi
  client_closed
}
# client_closed: waits until the client has ended by itself and its servers are gone (its close
# saves the record and stops the web server, which takes long on a loaded machine: a minute at most).
client_closed() {
  x11_poll 60 "the client to end" x11_left "$pid" || fail "the client did not close"
  x11_poll 30 "the servers to end" no_servers || fail "the web server or the server's resident instance is still running"
  trap - EXIT
}

fail() {
  echo "FAIL: $*" >&2
  local width height
  read -r width height < <(xdotool getdisplaygeometry 2> /dev/null) || true
  [ -z "${width:-}" ] || shot "$out/failure.png" 0 0 "$width" "$height" || true
  echo "--- client output:" >&2
  cat "${log:-$out/client.log}" >&2 || true
  exit 1
}
count() { x11_ask count "$@"; echo "$x11_answer"; }  # count FILE X Y W H R G B: pixels of about that colour in a rectangle
# menu_pick N shown: item N (from 1) of the menu that just popped up at the pointer and was
# waited for (as menu_at does). The menu opens below the pointer, or higher up when it does not
# fit there: its items are counted from its top. The item is clicked once it lights under the
# pointer, and the menu is then waited out.
menu_pick() {
  local X Y WINDOW SCREEN px py WIDTH HEIGHT iy before
  pointer
  px=$X py=$Y HEIGHT=0
  geometry "$WINDOW"
  if [ "$WINDOW" != "${main:-}" ] && [ "$HEIGHT" -ge $((22 * $1)) ] && [ "$Y" -le "$py" ] && [ "$((Y + HEIGHT))" -gt "$py" ]; then
    iy=$((Y + 10 + 22 * ($1 - 1)))
  else
    iy=$((py + 10 + 22 * ($1 - 1)))
  fi
  until_changed "$out/menu_item_lit.png" $((px + 4)) $((iy - 8)) 72 16 xdotool mousemove $((px + 40)) "$iy" ||
    fail "the item $1 of the pop-up menu did not light under the pointer"
  rm -f "$out/menu_item_lit.png"
  before=$(visible)
  xdotool click 1
  x11_must 30 "the pop-up menu to close at its item $1" visible_not "$before"
}
# menu_at X Y N: a click at X Y pops up a menu (waited for), whose item N is chosen.
menu_at() {
  popup "$1" "$2"
  menu_pick "$3" shown
}
# geometry WINDOW: X Y WIDTH HEIGHT SCREEN (and WINDOW) of the window; left as they were when the
# window is gone.
geometry() {
  x11_ask geometry "$1" || return 0
  WINDOW=$1
  read -r X Y WIDTH HEIGHT SCREEN <<< "$x11_answer"
}
# pointer: X Y SCREEN of the pointer, and WINDOW, the window under it.
pointer() { x11_ask pointer; read -r X Y SCREEN WINDOW <<< "$x11_answer"; }
# windows PATTERN: the visible windows whose title matches, one a line, the newest last (none: 1).
windows() { x11_ask search "$1" || return 1; tr ' ' '\n' <<< "$x11_answer"; }
window_sized() { # window_sized PATTERN MIN MAX: x11_found, a visible window of that title at least MIN, less than MAX wide
  local w X Y WIDTH HEIGHT SCREEN WINDOW
  x11_ask search "$1" || return 1
  for w in $x11_answer; do
    WIDTH=0
    geometry "$w"
    if [ "$WIDTH" -ge "$2" ] && [ "$WIDTH" -lt "$3" ]; then x11_found=$w; return 0; fi
  done
  return 1
}
window() { # window TITLE [MINWIDTH]: the visible window of that title
  x11_poll 30 "a window '$1'" window_sized "^$1\$" "${2:-0}" 1000000 || return 1
  echo "$x11_found"
}
free_port() { x11_ask port; echo "$x11_answer"; }

# ---- Windows of the running client (they use $main, the main window) ----
dark() { x11_ask dark "$@"; echo "$x11_answer"; }  # dark FILE [X Y W H]: dark pixels of a picture (text, frames), or of a rectangle of it
snap() { # snap NAME WINDOW: a screenshot of the window into $out/NAME.png, once it shows something and holds still
  drawn "$out/$1.png" "$2"
}
shown() { x11_ask search "$1"; }  # shown PATTERN: a visible window's title matches
not_shown() { ! x11_ask search "$1"; }
# window_gone ID: waits until that window is no longer shown (a box closed); fails after thirty
# seconds.
window_gone() { x11_poll 30 "the window $1 to close" x11_gone "$1" || fail "the window $1 did not close"; }
# until_in FILE PATTERN: waits until a line of the file matches (a file written); fails after
# thirty seconds.
file_has() { grep -q -- "$2" "$1" 2> /dev/null; }
until_in() { x11_poll 30 "'$2' in $1" file_has "$1" "$2" || fail "no '$2' in $1"; }
gone() { # gone PATTERN: waits until no visible window's title matches
  x11_poll 30 "the window '$1' to close" not_shown "$1" || fail "the window '$1' did not close"
}
# the_window PATTERN: the newest visible window whose title matches, waited for (fails after
# thirty seconds).
# (the_window PATTERN first: the oldest.)
the_window() {
  x11_must 30 "a window '$1'" shown "$1"
  if [ "${2:-}" = first ]; then echo "${x11_answer%% *}"; else echo "${x11_answer##* }"; fi
}
# newest PATTERN: the newest visible window whose title matches (empty when none).
newest() { x11_ask search "$1" && echo "${x11_answer##* }"; true; }
last() { geometry "$(newest "$1")"; }  # the newest such window
# small_window TITLE: a visible window of that title narrower than the main window (a message box
# carries the main window's title).
small_window() {
  x11_poll 30 "a small window '$1'" window_sized "^$1\$" 0 600 || return 1
  echo "$x11_found"
}
message_box() { small_window "Quillon Server"; }  # the newest message box
focused() { x11_ask focus; echo "$x11_answer"; }  # the window that has the keyboard
main_has_keys() { x11_ask focus; [ "$x11_answer" = "$main" ]; }  # the main window has the keyboard
has_keys() { x11_ask focus; [ "$x11_answer" = "$1" ]; }  # has_keys WINDOW: the window has the keyboard
# menu_bar_enabled: waits until the main window's menu bar shows its titles enabled (black).  The
# client greys them while a command or a window over it runs, and for a moment after a box
# closed: a key or click on a greyed title opens nothing.
menu_bar_enabled() {
  local X Y WIDTH HEIGHT SCREEN
  geometry "$main"
  x11_poll 30 "the main window's menu bar enabled" screen_dark "$X" "$Y" "$WIDTH" 20 200 && return 0
  shot "$out/menu_bar.png" "$X" "$Y" "$WIDTH" 20 || true
  fail "the main window's menu bar stayed greyed for 30 seconds (see $out/menu_bar.png)"
}
downs() { local i; for ((i = 0; i < $1; ++i)); do printf 'Down '; done; }  # downs N: N times the key Down, for one xdotool key
# menu KEY N [SUB]: opens the main menu with Alt+KEY and chooses its N-th shown entry (and the
# SUB-th entry of its sub-menu).
menu() {
  local i before try
  for try in 1 2 3; do
    menu_bar_enabled
    xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
    x11_until main_has_keys || fail "the main window did not take the keyboard for the menu alt+$1"
    # Each menu takes the keys once it is shown (waited for).
    before=$(visible)
    xdotool key "alt+$1"
    new_window "$before" > /dev/null && break
    # A window shown just before takes the keyboard once it is on the screen: when it took it
    # from the main window meanwhile, the keys went there, and they are given again.
    if main_has_keys || [ "$try" = 3 ]; then fail "the menu alt+$1 did not open"; fi
    echo "$(basename "$0" .sh): the keyboard went to another window before the menu alt+$1, again" >&2
  done
  if [ -n "${3:-}" ]; then
    before=$(visible)
    xdotool key $(downs $(($2 - 1))) Right
    new_window "$before" > /dev/null || fail "the entry $2 of the menu alt+$1 opened no sub-menu"
    xdotool key $(downs $(($3 - 1))) Return
  else
    xdotool key $(downs $(($2 - 1))) Return
  fi
}
# save_as FILE: types the path into the file dialog that is up and waits for the file.
save_as() {
  local w
  w=$(window 'Save As') || fail "no file dialog for $1"
  takes_keys "$w"
  xdotool type --delay 20 "$1"
  xdotool key Return
  x11_written "$1" || fail "$1 was not written"
}
# takes_keys WINDOW: waits until the window has the keyboard.
takes_keys() {
  x11_poll 30 "the window $1 to take the keys" has_keys "$1" && return 0
  x11_ask name "$1" || true
  fail "the window $1 ($x11_answer) does not take the keys"
}
# opens PATTERN COMMAND...: runs the step until a window whose title matches the pattern shows; a
# click that reached a window still busy under load is given again (three tries, Escape between,
# waited for until no window the step opened instead is left).
opens_shown() { shown "$1" && painted "${x11_answer##* }"; }
opens_escaped() { opens_shown "$1" && x11_opened=1 && return 0; [ -z "$(comm -13 <(echo "$2") <(visible))" ]; }
opens() {
  local pattern="$1" attempt before
  shift
  for attempt in 1 2 3; do
    before=$(visible)
    "$@"
    x11_poll 12 "a window '$pattern'" opens_shown "$pattern" && return 0
    echo "$(basename "$0" .sh): no window '$pattern' (attempt $attempt), trying again" >&2
    xdotool key Escape
    x11_opened=""
    x11_poll 30 "what the step for '$pattern' opened to close" opens_escaped "$pattern" "$before" ||
      fail "Escape did not close what the step for '$pattern' opened"
    [ -z "$x11_opened" ] || return 0  # the window came late, after the Escape
  done
  fail "no window '$pattern'"
}
# visible: the visible windows, sorted (asked again when a window went while they were listed).
visible() { x11_visible; }
visible_not() { [ "$(visible)" != "$1" ]; }  # visible_not LIST: the visible windows are no longer those
visible_is() { [ "$(visible)" = "$1" ]; }  # visible_is LIST: the visible windows are those again
# new_window BEFORE_LIST: a visible window that was not in the list, at least 60 pixels wide.
new_window_step() {
  local w X Y WIDTH HEIGHT SCREEN WINDOW
  for w in $(comm -13 <(echo "$1") <(visible)); do
    WIDTH=0
    geometry "$w"
    if [ "$WIDTH" -ge 60 ]; then x11_found=$w; return 0; fi
  done
  return 1
}
new_window() {
  x11_poll 30 "a new window" new_window_step "$1" || return 1
  echo "$x11_found"
}
# clicked_open X Y: a click at X Y; prints the window it opened (a menu, a list), waited for, and
# fails when none came.
clicked_open() {
  local before
  before=$(visible)
  xdotool mousemove "$1" "$2" click 1
  new_window "$before"
}
# popup X Y: a click at X Y that opens a pop-up menu, waited for.
popup() {
  local menu
  menu=$(clicked_open "$1" "$2") || fail "no pop-up menu at $1,$2"
  inked "$menu"
}
# until_same REF X Y W H: waits until the screen's rectangle shows the picture REF again (a window
# repainted once a box over it closed); fails after about thirty seconds.
until_same() { x11_poll 30 "the screen at $2 $3 $4 $5 to show $1 again" x11_ask matches "$@"; }
# text_rows FILE X Y W H: the lines of text in a rectangle of a picture (bands of rows holding
# dark pixels, at least 3 pixels apart).
text_rows() { x11_ask text_rows "$@"; echo "$x11_answer"; }

# ---- Waits for what the screen shows, and boxes answered by the mouse ----
# painted WINDOW [DARK]: waits until the window shows its text (more than DARK dark pixels, 150
# when not given), not only its background.
screen_dark() { x11_ask screen_dark "$1" "$2" "$3" "$4" && [ "$x11_answer" -gt "$5" ]; }  # screen_dark X Y W H N: more than N dark pixels there
painted() {
  geometry "$1"
  x11_poll 30 "the window $1 to show its text" screen_dark "$X" "$Y" "$WIDTH" "$HEIGHT" "${2:-150}" && return 0
  shot "$out/painting.png" "$X" "$Y" "$WIDTH" "$HEIGHT" || true
  fail "the window $1 shows nothing (see $out/painting.png)"
}
closed() { x11_closed "$1"; }  # closed WINDOW: waits until the window is no longer shown
# marked_shot FILE WINDOW: a screenshot of the window with an arrow drawn where the pointer is.
marked_shot() {
  local px py wx wy ww wh X Y WIDTH HEIGHT SCREEN WINDOW
  pointer
  px=$X py=$Y
  geometry "$2"
  wx=$X wy=$Y ww=$WIDTH wh=$HEIGHT
  shot "$1" "$wx" "$wy" "$ww" "$wh"
  x11_ask mark "$1" $((px - wx)) $((py - wy))
}
# drawn FILE WINDOW: waits until the window shows its text and has stopped changing; FILE then
# holds its screenshot.
drawn() {
  painted "$2"
  geometry "$2"
  settled "$1" "$X" "$Y" "$WIDTH" "$HEIGHT" || fail "the window $2 did not stop changing"
}
# shows FILE X Y W H [DARK]: waits until the screen's rectangle shows more than DARK dark pixels
# (20 when not given: a text written in); FILE then holds it.  Fails (1) after thirty seconds.
shows_step() { shot "$1" "$2" "$3" "$4" "$5" && x11_ask dark "$1" && [ "$x11_answer" -gt "$6" ]; }
shows() { x11_poll 30 "the screen at $2 $3 $4 $5 to show a text" shows_step "$1" "$2" "$3" "$4" "$5" "${6:-20}"; }
# pointed X Y WHAT: the pointer moved onto the button at X Y, waited for until the button lights
# under it (the 80 by 26 pixels around X Y change from how they hold still with the pointer in
# the screen's corner).
pointed() {
  xdotool mousemove 0 0
  settled "$out/pointed.png" $(($1 - 40)) $(($2 - 13)) 80 26 || fail "$3 did not stop changing"
  until_changed "$out/pointed.png" $(($1 - 40)) $(($2 - 13)) 80 26 xdotool mousemove "$1" "$2" ||
    fail "$3 did not light under the pointer"
  rm -f "$out/pointed.png"
}
# box_answer NAME BUTTON [PLACE] [WINDOW]: the message box that is up (or WINDOW) is answered by a
# click on its button: PLACE counts the buttons from the right (1: the rightmost; when not given,
# 2 for Yes, 1 for OK, No and Cancel).  NAME.png shows the box with the pointer drawn on the
# button.  The box must close at that click.
box_answer() {
  local name="$1" place="${3:-}" w="${4:-}" bx by
  [ -n "$w" ] || w=$(message_box) || fail "no message box ($name)"
  case "$2" in
    Yes) place=${place:-2} ;;
    OK | No | Cancel) place=${place:-1} ;;
    *) fail "no button $2" ;;
  esac
  painted "$w"
  geometry "$w"
  # The buttons are 89 pixels apart, the rightmost 45 from the box's right edge.
  bx=$((X + WIDTH - 45 - 89 * (place - 1))) by=$((Y + HEIGHT - 22))
  pointed "$bx" "$by" "the $2 button of the box '$name'"
  marked_shot "$out/$name.png" "$w"
  xdotool click 1
  closed "$w" || fail "the box '$name' took no click on its $2"
}
under_pointer() { pointer; [ "$WINDOW" = "$1" ]; }  # under_pointer WINDOW: the window is the one under the pointer
# raised WINDOW X Y: the window raised, waited for until it is the one under the pointer at X Y
# (where the pointer is left).
raised() {
  local X Y SCREEN WINDOW
  xdotool windowraise "$1" mousemove "$2" "$3"
  x11_poll 30 "the window $1 under the pointer" under_pointer "$1" || fail "the window $1 did not come up at $2,$3"
}
# menu_click X N [EXTRA]: the main window's menu bar entry at X opens its menu (waited for), whose
# N-th entry is then clicked (the entries are 22 pixels apart; EXTRA: 2 for each separator above
# it); menu_X.png shows the menu.
menu_click() {
  local before popup
  menu_bar_enabled
  before=$(visible)
  xdotool mousemove $((mx + $1)) $((my + ${menu_y:-8})) click 1
  popup=$(new_window "$before") || fail "the menu at $1 did not open"
  painted "$popup" 40  # "About" has one short entry
  geometry "$popup"
  shot "$out/menu_$1.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
  xdotool mousemove $((X + 40)) $((Y + 10 + 22 * ($2 - 1) + ${3:-0})) click 1
  closed "$popup" || fail "the menu at $1 took no click on its entry $2"
}
# inked WINDOW: waits until the window shows more than its background (over 20 pixels of another
# colour than its commonest one), as a pop-up menu whose only entry is lit shows no dark text.
inked() {
  geometry "$1"
  x11_poll 30 "the window $1 to show more than its background" x11_ask screen_inked "$X" "$Y" "$WIDTH" "$HEIGHT" && return 0
  shot "$out/inking.png" "$X" "$Y" "$WIDTH" "$HEIGHT" || true
  fail "the window $1 shows nothing (see $out/inking.png)"
}
# still FILE X Y W H: waits until the screen's rectangle shows the same picture three times over
# 0.7 seconds, longer than a text caret's blink (a field left by the focus, drawn whole); FILE then
# holds it.  Fails (1) after about half a minute.
still_step() {
  x11_nap 0.35
  if x11_ask steady still "$@"; then still_held=$((still_held + 1)); else still_held=0; fi
  [ "$still_held" -ge 2 ]
}
still() {
  local f="$1"
  shift
  x11_ask look still "$@"
  still_held=0
  x11_poll 30 "the screen at $* to hold still" still_step "$@" "$f" && return 0
  x11_ask kept still "$f"
  return 1
}
# submenu_click X N EXTRA M: as menu_click X N EXTRA, but the N-th entry opens a sub-menu (waited
# for), whose M-th entry is then clicked; menu_X_N.png shows both menus over the main window.
submenu_click() {
  local before popup sub
  menu_bar_enabled
  before=$(visible)
  xdotool mousemove $((mx + $1)) $((my + ${menu_y:-8})) click 1
  popup=$(new_window "$before") || fail "the menu at $1 did not open"
  inked "$popup"
  geometry "$popup"
  before=$(visible)
  xdotool mousemove $((X + 40)) $((Y + 10 + 22 * ($2 - 1) + $3)) click 1
  sub=$(new_window "$before") || fail "the entry $2 of the menu at $1 opened no sub-menu"
  inked "$sub"
  geometry "$main"
  shot "$out/menu_$1_$2.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
  geometry "$sub"
  xdotool mousemove $((X + 40)) $((Y + 10 + 22 * ($4 - 1))) click 1
  closed "$sub" || fail "the sub-menu of the entry $2 of the menu at $1 took no click on its entry $4"
  closed "$popup" || fail "the menu at $1 stayed open after its sub-menu's entry $4"
}

# ---- A loopback mail server, and the lists of boxes and buttons ----
# mail_stand_in FOLDER: a loopback mail server on a free port (smtp_port; smtp its process) that
# writes each message whole, after a line "To: " + its recipients, into FOLDER/NNN.eml (renamed
# into place once written).
mail_stand_in() {
  mkdir -p "$1"
  smtp_port=$(free_port)
  /usr/bin/python3 - "$smtp_port" "$1" > "$1/../smtp.log" 2>&1 <<'PY' &
import os, sys, time
from aiosmtpd.controller import Controller
port, folder = int(sys.argv[1]), sys.argv[2]
class Keep:
    count = 0
    async def handle_DATA(self, server, session, envelope):
        Keep.count += 1
        name = os.path.join(folder, "%03d" % Keep.count)
        with open(name + ".part", "wb") as f:
            f.write(("To: " + ",".join(envelope.rcpt_tos) + "\n").encode() + envelope.content)
        os.rename(name + ".part", name + ".eml")
        return "250 OK"
c = Controller(Keep(), hostname="127.0.0.1", port=port)
c.start()
open(os.path.join(folder, "ready"), "w").close()
while True:
    time.sleep(1)
PY
  smtp=$!
  x11_poll 30 "the mail server" test -e "$1/ready" && return 0
  cat "$1/../smtp.log" >&2
  x11_kill "$smtp"
  echo "FAIL: the mail server did not start" >&2
  exit 1
}
# pick X Y N: the N-th entry below the current one of the list a click at X Y shows (a box's list
# or a button's menu; waited for, then waited out).
pick() {
  local list
  list=$(clicked_open "$1" "$2") || fail "the click at $1,$2 showed no list"
  xdotool key $(downs "$3") Return
  closed "$list" || fail "the list shown at $1,$2 did not close"
}
# email_typed MENU_X SUBJECT LINE...: the main window's "Utilities" menu at MENU_X opens the Email
# window ("Generate E-mail", its third entry, under a separator; ox oy its corner); the subject
# and the lines of the message are typed into it where a person clicks.
email_typed() {
  opens '^Email$' menu_click "$1" 3 2
  last '^Email$'
  ox=$X oy=$Y
  xdotool mousemove $((ox + 230)) $((oy + 47)) click 1   # the subject
  xdotool type --delay 30 "$2"
  xdotool mousemove $((ox + 250)) $((oy + 180)) click 1  # the message
  shift 2
  xdotool type --delay 30 "$1"
  shift
  for line in "$@"; do xdotool key Return type --delay 30 "$line"; done
  shows "$out/email_text.png" $((ox + 20)) $((oy + 85)) 200 40 30 || fail "the message's text does not show"
  drawn "$out/email_message.png" "$(newest '^Email$')"
}
# email_send_all: the Email window's "Send Email" page, "Select All" and "Send".
email_send_all() {
  until_changed "$out/email_send_page.png" "$ox" "$oy" 569 438 \
    xdotool mousemove $((ox + 100)) $((oy + 14)) click 1 || fail "Send Email showed no recipients"
  settled "$out/email_send_page.png" "$ox" "$oy" 569 438 || fail "the Send Email page did not stop changing"
  until_changed "$out/email_all.png" "$ox" "$oy" 569 438 \
    xdotool mousemove $((ox + 157)) $((oy + 396)) click 1 || fail "Select All chose no recipients"
  drawn "$out/email_recipients.png" "$(newest '^Email$')"
  xdotool mousemove $((ox + 60)) $((oy + 396)) click 1   # "Send"
}
# ---- The record window's number box and message boxes ----
# moved NAME COMMAND...: the command shows another record (its number box changes).
moved() {
  local name="$1"
  shift
  until_changed "$out/$name.png" $((mx + 65)) $((my + 56)) 70 14 "$@" || fail "$name showed no other record"
}
no_box() { ! window_sized '^Quillon Server$' 0 600; }  # no_box: no message box is up

# problems: how many checks failed so far (problem counts them).
problems=0
# problem TEXT: a check that failed, told with a screenshot of the screen; the test goes on.
problem() {
  problems=$((problems + 1))
  echo "FAULT: $*" >&2
  shot "$out/problem_$problems.png" 0 0 1280 1024 || true
}
# type_name FILE: types the path into the file dialog that is up, once it is drawn and has the
# keyboard, and clicks its Save (the button at the dialog's lower right, 52 and 54 pixels in from
# its right and bottom edges).
type_name() {
  local d
  d=$(window 'Save As') || fail "no file dialog for $1"
  painted "$d"
  takes_keys "$d"
  xdotool type --delay 20 "$1"
  geometry "$d"
  shot "$out/save_as_$(basename "$1").png" "$X" "$Y" "$WIDTH" "$HEIGHT"
  xdotool mousemove $((X + WIDTH - 52)) $((Y + HEIGHT - 54)) click 1
  closed "$d" || fail "the file dialog for $1 took no click on its Save"
}
# value_report_print W: the value report window W drawn (value_report.png), then its Print
# clicked (its panel is centred, its top 96 above the bottom); r is the quick report window that
# comes, rx ry its place, value_print.png its picture.
value_report_print() {
  geometry "$1"
  drawn "$out/value_report.png" "$1"
  xdotool mousemove $((X + (WIDTH - 400) / 2 + 260)) $((Y + HEIGHT - 96 + 40)) click 1
  r=$(window Report 700) || fail "no report window"
  geometry "$r"
  rx=$X ry=$Y
  drawn "$out/value_print.png" "$r"
}
