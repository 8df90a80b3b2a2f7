# What the X tests of the test programs share (sourced by a script run as SCRIPT PROGRAM
# OUTPUT_FOLDER): the run under a virtual X server, the program started with its event log, and
# the places the program writes to its log.
#
#   x11_screen WIDTHxHEIGHT "$@"   runs the calling script again on an X server of its own; the test
#                                  fails on any Qt warning the programs wrote to their standard
#                                  error or to the logs (*.log) of the output folder $out
#   x11_start TITLE [ARGS...]      starts $prog with $log (and ARGS), waits for its "ready" line
#                                  and its window of that title; sets pid and wid
#   x11_stop                       ends the program and waits for it
#   fail MESSAGE                   says what failed and shows the log ($fail_lines: its last
#                                  lines only), then exits
#   at NAME                        "X Y" of the newest line "at NAME X Y" of the log
#   box NAME                       "X Y W H" of the newest line "NAME X Y W H" of the log
#   click NAME                     a click at NAME, then a pause of $click_pause seconds
#   x11_wait_for PATTERN           waits for a log line matching PATTERN (fails after 10 s)
#   shot FILE X Y W H              a screenshot of that rectangle of the screen
#   x11_print_to FILE [SHOT]       the print dialog that is up prints into FILE: its output file
#                                  box is clicked and given the path, then its Print is clicked
#
# The script sets $prog, $out and $log before it calls x11_start.

# Qt's own messages carry their type, so that a warning stands out from the programs' output.
export QT_MESSAGE_PATTERN='qt-%{type}: %{if-category}%{category}: %{endif}%{message}'
x11_qt_warning_pattern='^qt-(warning|critical|fatal): '

x11_screen() {
  local size="$1"
  shift
  if [ "${QN_X11_INNER:-}" != 1 ]; then
    # The toolkit's run-time files go into the output folder, not the system's temporary folder.
    mkdir -p -m 700 "$out/run"
    # The run, then its standard error and the logs it wrote into the output folder are read: a
    # Qt warning from any program of the run fails the test.  (The run may empty the output
    # folder: what it writes to its standard error is kept in a folder of its own beside it.)
    # (Two tests may share an output folder: the folder is named after the run too.)
    local keep="${out%/}.x11run.$$" stamp err rc=0 found xvfb dpy=""
    rm -rf "$keep"
    mkdir -p "$keep"
    stamp="$keep/started" err="$keep/stderr"
    x11_keep="$keep" x11_xvfb=""
    trap 'kill "$x11_xvfb" 2> /dev/null || true; rm -rf "$x11_keep"' EXIT
    trap 'exit 143' TERM INT
    : > "$stamp"
    # The X server takes a free display itself and names it once it is ready: X tests that start
    # at the same time never race for one display.
    Xvfb -displayfd 5 -screen 0 "${size}x24" -nolisten tcp 5> "$keep/display" > "$keep/xvfb.out" 2>&1 &
    xvfb=$!
    x11_xvfb=$xvfb
    for _ in $(seq 300); do
      dpy=$(tr -dc 0-9 < "$keep/display")
      [ -n "$dpy" ] && break
      kill -0 "$xvfb" 2> /dev/null || break
      sleep 0.1
    done
    # The run starts once the X server has taken a client's connection (ten seconds at most).
    if [ -n "$dpy" ]; then
      for _ in $(seq 100); do
        DISPLAY=":$dpy" xdotool getmouselocation > /dev/null 2>&1 && break
        sleep 0.1
      done
      DISPLAY=":$dpy" xdotool getmouselocation > /dev/null 2>&1 || dpy=""
    fi
    if [ -z "$dpy" ]; then
      echo "FAIL: the X server did not start" >&2
      cat "$keep/xvfb.out" >&2
      kill "$xvfb" 2> /dev/null || true
      rm -rf "$keep"
      exit 1
    fi
    DISPLAY=":$dpy" QN_X11_INNER=1 XDG_RUNTIME_DIR="$out/run" bash "$0" "$@" 2> "$err" || rc=$?
    # A program the run ended may still be on its way out: the X server goes once no program of
    # the run is left on it (ten seconds at most).
    for _ in $(seq 100); do
      grep -qsxz "DISPLAY=:$dpy" /proc/[0-9]*/environ || break
      sleep 0.1
    done
    kill "$xvfb" 2> /dev/null || true
    wait "$xvfb" 2> /dev/null || true
    cat "$err" >&2
    found=$({
      grep -hE "$x11_qt_warning_pattern" "$err" || true
      [ -d "$out" ] && find "$out" -type f -name '*.log' -newer "$stamp" -exec grep -hE "$x11_qt_warning_pattern" {} +
      true
    })
    rm -rf "$keep"
    if [ -n "$found" ]; then
      echo "FAIL: Qt warnings from the programs of the run:" >&2
      echo "$found" | sort | uniq -c | sort -rn | head -20 >&2
      exit 1
    fi
    exit "$rc"
  fi
}

fail() {
  echo "FAIL: $*" >&2
  echo "--- events:" >&2
  tail -n "${fail_lines:-+1}" "$log" >&2 || true
  exit 1
}

x11_wait_for() {
  for _ in $(seq 100); do grep -q -- "$1" "$log" 2>/dev/null && return 0; sleep 0.1; done
  fail "no '$1' in the log"
}

x11_start() {
  local title="$1"
  shift
  QT_QPA_PLATFORM=xcb "$prog" "$log" "$@" &
  pid=$!
  trap 'kill -KILL "$pid" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do grep -qx ready "$log" 2>/dev/null && break; sleep 0.1; done
  grep -qx ready "$log" || fail "the program did not start"
  wid=$(xdotool search --sync --name "^$title\$" | head -1)
  xdotool windowfocus --sync "$wid" || true
}

x11_stop() {
  kill "$pid" 2>/dev/null || true
  # (A test program whose own loop does not take the signal is ended after ten seconds.)
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

at() { grep "^at $1 " "$log" | tail -1 | awk '{print $3, $4}'; }
box() { grep "^$1 [0-9-]" "$log" | tail -1 | awk '{print $2, $3, $4, $5}'; }
click() { xdotool mousemove $(at "$1") click 1; sleep "${click_pause:-0.3}"; }
shot() {
  /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import ImageGrab
f, x, y, w, h = sys.argv[1], *map(int, sys.argv[2:])
ImageGrab.grab().crop((x, y, x + w, y + h)).save(f)
PY
}

# The print dialog (its printer is "Print to File (PDF)" on a machine with no printers): the
# output file box sits 65 pixels above its bottom, Print 24 above it, both left of the middle.
x11_print_to() {
  local dialog="" X Y WIDTH HEIGHT SCREEN
  for _ in $(seq 150); do
    dialog=$(xdotool search --onlyvisible --name '^Print$' 2>/dev/null | tail -1)
    [ -n "$dialog" ] && break
    sleep 0.1
  done
  [ -n "$dialog" ] || fail "no print dialog"
  sleep 0.4
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  [ -z "${2:-}" ] || shot "$2" "$X" "$Y" "$WIDTH" "$HEIGHT"
  xdotool mousemove $((X + 165)) $((Y + HEIGHT - 65)) click 1 key ctrl+a
  xdotool type --delay 20 "$1"
  local attempt
  for attempt in 1 2; do
    xdotool mousemove $((X + 155)) $((Y + HEIGHT - 24)) click 1
    for _ in $(seq 100); do [ -s "$1" ] && { sleep 0.3; return 0; }; sleep 0.1; done
    # A click that only closed the file name completer's list is given again.
    xdotool search --onlyvisible --name '^Print$' > /dev/null 2>&1 || break
  done
  for _ in $(seq 100); do [ -s "$1" ] && { sleep 0.3; return 0; }; sleep 0.1; done
  fail "$1 was not written"
}
