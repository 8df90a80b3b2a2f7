# What the X tests of the test programs share (sourced by a script run as SCRIPT PROGRAM
# OUTPUT_FOLDER): the run under a virtual X server, the program started with its event log, and
# the places the program writes to its log.
#
#   x11_screen WIDTHxHEIGHT "$@"   runs the calling script again on an X server of its own; the test
#                                  fails on any Qt warning the programs wrote to their standard
#                                  error or to the logs (*.log) of the output folder $out; a
#                                  run that fails without a "FAIL:" line (a command of the script
#                                  failed under "set -e", or a signal ended it) is told, with the
#                                  script's last steps
#   x11_ours PID / x11_kill PID... whether a process is still this script's child / a signal to
#                                  those that are (never to a stranger that got an ended one's id)
#   x11_start TITLE [ARGS...]      starts $prog with $log (and ARGS), waits for its "ready" line
#                                  and its window of that title; sets pid and wid
#   x11_stop                       ends the program and waits for it
#   fail MESSAGE                   says what failed and shows the log ($fail_lines: its last
#                                  lines only), then exits
#   at NAME                        "X Y" of the newest line "at NAME X Y" of the log
#   box NAME                       "X Y W H" of the newest line "NAME X Y W H" of the log
#   click NAME                     a click at NAME (the script then waits for what it does)
#   x11_wait_for PATTERN           waits for a log line matching PATTERN (fails after 10 s)
#   x11_until COMMAND...           runs the command until it succeeds (1 when it never did in 10 s)
#   x11_visible                    the visible windows, one id a line, sorted
#   x11_new_window BEFORE          waits for a visible window not in the list BEFORE and prints it
#                                  (1 when none came in 10 s)
#   x11_closed WINDOW              waits until the window is no longer shown (1 after 10 s)
#   same A B                       the two pictures are the same
#   settled FILE X Y W H           waits until that rectangle of the screen stops changing
#   until_changed FILE X Y W H CMD runs the command, then waits until the rectangle changes
#   shot FILE X Y W H              a screenshot of that rectangle of the screen
#   x11_print_to FILE [SHOT]       the print dialog that is up prints into FILE: its output file
#                                  box is clicked and given the path, then its Print is clicked
#
# The script sets $prog, $out and $log before it calls x11_start.

# Qt's own messages carry their type, so that a warning stands out from the programs' output.
export QT_MESSAGE_PATTERN='qt-%{type}: %{if-category}%{category}: %{endif}%{message}'
x11_qt_warning_pattern='^qt-(warning|critical|fatal): '

# Inside its X server the script's steps go to a trace, shown when it fails without a message.
if [ "${QN_X11_INNER:-}" = 1 ] && [ -n "${QN_X11_TRACE:-}" ]; then
  exec {x11_trace}>> "$QN_X11_TRACE"
  unset QN_X11_TRACE
  BASH_XTRACEFD=$x11_trace
  PS4='+ ${BASH_SOURCE[0]##*/}:$LINENO: '
  set -x
fi

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
    # (A process id is dropped once its process is reaped: ids come round again within seconds on
    # a machine busy starting processes, and a late kill would end another test's process.)
    trap 'x11_kill "$x11_xvfb"; rm -rf "$x11_keep"' EXIT
    trap 'exit 143' TERM INT
    : > "$stamp"
    # The X server takes a display number drawn at random from a wide range, so that X tests
    # started at the same time never race for one, and a number another X server has just left
    # is not taken again while that server is still going (its going removes the display's
    # socket). A number in use makes the server end at once: another is drawn.  The display is
    # ours once its lock file names our server and a client's connection is taken.  It does not
    # reset when its last client leaves (-noreset): a program connecting during that reset, as
    # the first of the run does right after that test connection, is turned away.
    local try n
    for try in $(seq 20); do
      n=$((1000 + (RANDOM * 32768 + RANDOM) % 30000))
      Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset > "$keep/xvfb.out" 2>&1 &
      xvfb=$!
      x11_xvfb=$xvfb
      for _ in $(seq 100); do
        x11_ours "$xvfb" || break
        if [ "$({ tr -dc 0-9 < "/tmp/.X$n-lock"; } 2> /dev/null)" = "$xvfb" ] &&
           DISPLAY=":$n" xdotool getmouselocation > /dev/null 2>&1; then
          dpy=$n
          break
        fi
        sleep 0.1
      done
      [ -n "$dpy" ] && break
      x11_kill "$xvfb"
      wait "$xvfb" 2> /dev/null || true  # reaps the server ended here: its status is the signal's
      x11_xvfb=""
    done
    if [ -z "$dpy" ]; then
      echo "FAIL: the X server did not start" >&2
      cat "$keep/xvfb.out" >&2
      x11_kill "$xvfb"
      wait "$xvfb" 2> /dev/null || true  # reaps the server ended here: its status is the signal's
      x11_xvfb=""
      rm -rf "$keep"
      exit 1
    fi
    DISPLAY=":$dpy" QN_X11_INNER=1 QN_X11_TRACE="$keep/trace" XDG_RUNTIME_DIR="$out/run" bash "$0" "$@" 2> "$err" || rc=$?
    # (An X server that ended before the run did explains what the run then missed.)
    local ended=""
    if ! x11_ours "$xvfb"; then
      wait "$xvfb" 2> /dev/null && ended="status 0" || ended="status $?"
      x11_xvfb=""
    fi
    # A program the run ended may still be on its way out: the X server goes once no program of
    # the run is left on it (ten seconds at most).
    for _ in $(seq 100); do
      grep -qsxz "DISPLAY=:$dpy" /proc/[0-9]*/environ || break
      sleep 0.1
    done
    x11_kill "$xvfb"
    wait "$xvfb" 2> /dev/null || true  # reaps the server ended here: its status is the signal's
    x11_xvfb=""
    cat "$err" >&2
    if [ -n "$ended" ]; then
      echo "FAIL: the X server :$dpy ended ($ended) before the run did; what it wrote:" >&2
      cat "$keep/xvfb.out" >&2
      [ "$rc" != 0 ] || rc=1
    fi
    # A run that failed without saying what (a command of its own failed under "set -e", or a
    # signal ended it) is told by its last steps.
    if [ "$rc" != 0 ] && ! grep -q '^FAIL' "$err"; then
      if [ "$rc" -gt 128 ]; then
        echo "FAIL: the test script was ended by signal $((rc - 128)) ($(kill -l $((rc - 128)) 2> /dev/null))" >&2
      else
        echo "FAIL: the test script ended with status $rc without saying what failed" >&2
      fi
      echo "--- its last steps:" >&2
      tail -n 30 "$keep/trace" >&2 2> /dev/null || true
    fi
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

x11_until() {
  for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done
  return 1
}

x11_visible() { xdotool search --onlyvisible --name '' 2>/dev/null | sort; }

x11_new_window() {
  local w
  for _ in $(seq 100); do
    w=$(comm -13 <(echo "$1") <(x11_visible) | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

x11_closed() { x11_until eval "! x11_visible | grep -qx '$1'"; }

# same A B: the two pictures are the same, pixel for pixel.
same() {
  /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import Image, ImageChops
a, b = (Image.open(f).convert("RGB") for f in sys.argv[1:3])
sys.exit(0 if a.size == b.size and ImageChops.difference(a, b).getbbox() is None else 1)
PY
}
# settled FILE X Y W H: waits until the screen's rectangle stops changing (a window drawn whole);
# FILE then holds it.
settled() {
  local f="$1" prev="${1%.png}.prev.png"
  shot "$prev" "$2" "$3" "$4" "$5"
  for _ in $(seq 60); do
    sleep 0.2
    shot "$f" "$2" "$3" "$4" "$5"
    same "$f" "$prev" && { rm -f "$prev"; return 0; }
    mv "$f" "$prev"
  done
  mv "$prev" "$f"
  return 1
}
# until_changed FILE X Y W H COMMAND...: runs the command, then waits until the screen's
# rectangle differs from what it showed before (the command took effect); FILE then holds it.
until_changed() {
  local f="$1" x="$2" y="$3" w="$4" h="$5"
  shift 5
  shot "$f.before.png" "$x" "$y" "$w" "$h"
  "$@"
  for _ in $(seq 100); do
    shot "$f" "$x" "$y" "$w" "$h"
    same "$f" "$f.before.png" || { rm -f "$f.before.png"; return 0; }
    sleep 0.1
  done
  rm -f "$f.before.png"
  return 1
}

# x11_ours PID: the process is a child of this script, not yet reaped.  (A process id comes round
# again within seconds on a machine busy starting processes: a signal meant for a process that has
# ended must not reach the stranger that got its id.)
x11_ours() {
  local s ppid
  [ -n "${1:-}" ] && s=$(cat "/proc/$1/stat" 2> /dev/null) || return 1
  read -r _ ppid _ <<< "${s##*) }"
  [ "$ppid" = "$$" ]
}
# x11_kill [-SIGNAL] PID...: signals (TERM when not given) those of the processes still ours.
x11_kill() {
  local sig=-TERM p
  [[ "${1:-}" != -* ]] || { sig=$1; shift; }
  for p in "$@"; do x11_ours "$p" && kill "$sig" "$p" 2> /dev/null; done
  return 0
}

x11_start() {
  local title="$1"
  shift
  QT_QPA_PLATFORM=xcb "$prog" "$log" "$@" &
  pid=$!
  trap 'x11_kill -KILL "${pid:-}"' EXIT
  for _ in $(seq 100); do grep -qx ready "$log" 2>/dev/null && break; sleep 0.1; done
  grep -qx ready "$log" || fail "the program did not start"
  wid=$(xdotool search --sync --name "^$title\$" | head -1)
  xdotool windowfocus --sync "$wid" || fail "the window $title did not take the keyboard"
}

x11_stop() {
  x11_kill "$pid"
  # (A test program whose own loop does not take the signal is ended after ten seconds.)
  for _ in $(seq 100); do x11_ours "$pid" || break; sleep 0.1; done
  x11_kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
}

at() { grep "^at $1 " "$log" | tail -1 | awk '{print $3, $4}'; }
box() { grep "^$1 [0-9-]" "$log" | tail -1 | awk '{print $2, $3, $4, $5}'; }
click() { xdotool mousemove $(at "$1") click 1; }
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
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  # The dialog is drawn whole before its box is clicked (SHOT, or a file of the output folder,
  # then holds it).
  settled "${2:-$out/print_dialog.png}" "$X" "$Y" "$WIDTH" "$HEIGHT" || fail "the print dialog did not stop changing"
  xdotool mousemove $((X + 165)) $((Y + HEIGHT - 65)) click 1 key ctrl+a
  xdotool type --delay 20 "$1"
  local attempt
  for attempt in 1 2; do
    xdotool mousemove $((X + 155)) $((Y + HEIGHT - 24)) click 1
    x11_written "$1" && return 0
    # A click that only closed the file name completer's list is given again.
    xdotool search --onlyvisible --name '^Print$' > /dev/null 2>&1 || break
  done
  x11_written "$1" || fail "$1 was not written"
}

# x11_written FILE: waits until the file is there and its size holds (1 after ten seconds).
x11_written() {
  local size="" now
  for _ in $(seq 100); do
    now=$(stat -c %s "$1" 2>/dev/null || echo 0)
    [ "$now" -gt 0 ] && [ "$now" = "$size" ] && return 0
    size=$now
    sleep 0.1
  done
  return 1
}
