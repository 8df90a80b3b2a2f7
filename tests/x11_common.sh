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
#   x11_poll SECONDS WHAT CMD...   the one wait of the X tests: runs the command until it
#                                  succeeds, for SECONDS at most (1 when it never did, and
#                                  x11_missed names WHAT); a miss or a failing command inside
#                                  never ends the script
#   x11_must SECONDS WHAT CMD...   as x11_poll, but a wait that ran out fails the test, naming WHAT
#   x11_holds CONDITION [ARG...]   the shell condition holds (for x11_poll of one written in place)
#   x11_nap [SECONDS]              a pause (a tenth of a second) that starts no process
#   x11_ask REQUEST [ARG...]       a question to the script's checker (x11_checker.py, started
#                                  once a run): its answer in x11_answer, its status returned
#   xdotool ARGS...                the mouse and keyboard steps given by the checker, the rest
#                                  by the xdotool program
#   x11_wait_for PATTERN           waits for a log line matching PATTERN (fails after 30 s)
#   x11_until COMMAND...           runs the command until it succeeds (1 when it never did in 30 s)
#   x11_visible                    the visible windows, one id a line, sorted
#   x11_new_window BEFORE          waits for a visible window not in the list BEFORE and prints it
#                                  (1 when none came in 30 s)
#   x11_closed WINDOW              waits until the window is no longer shown (1 after 30 s)
#   same A B                       the two pictures are the same
#   settled FILE X Y W H           waits until that rectangle of the screen stops changing (two
#                                  equal looks 0.2 s apart: the programs of a run blink no caret)
#   until_changed FILE X Y W H CMD runs the command, then waits until the rectangle changes
#   shot FILE X Y W H              a screenshot of that rectangle of the screen
#   x11_print_to FILE [SHOT]       the print dialog that is up prints into FILE: its output file
#                                  box is clicked and given the path, then its Print is clicked
#
# The script sets $prog, $out and $log before it calls x11_start.

# The programs show their text caret without blinking, so that a window with the keyboard holds
# still for a test that waits for it to.
export QN_STILL_CARET=1
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

# x11_display_ours XVFB N: the X server XVFB took the display N (its lock names it, and a client
# connects), or it has ended (then dpy stays empty).
x11_display_ours() {
  x11_ours "$1" || return 0
  if [ "$({ tr -dc 0-9 < "/tmp/.X$2-lock"; } 2> /dev/null)" = "$1" ] &&
     DISPLAY=":$2" xdotool getmouselocation > /dev/null 2>&1; then
    dpy=$2
  fi
  [ -n "$dpy" ]
}
x11_display_left() { ! grep -qsxz "DISPLAY=:$1" /proc/[0-9]*/environ; }

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
      x11_poll 30 "the X server :$n" x11_display_ours "$xvfb" "$n" || true
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
    x11_poll 10 "the programs on :$dpy to end" x11_display_left "$dpy" || true
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

# ---- Waits ----
# A pause reads from a pipe no one writes to (the shell's own read with a time limit): a sleep
# process costs as much as the pause on a busy machine.
exec {x11_nap_fd}<> <(:)
x11_nap() { read -r -t "${1:-0.1}" -u "$x11_nap_fd" _ || true; }

# x11_poll SECONDS WHAT COMMAND...: runs the command, and again a tenth of a second after each
# miss, until it succeeds (0) or SECONDS have gone by and it was tried at least twice (1;
# x11_missed then names WHAT, for the caller's message).  The command runs as a condition, so
# that nothing in it that fails (an assignment from a pipeline whose first command found
# nothing, under "set -e") ends the script: a miss is a miss.  Variables the command sets stay
# set.  QN_X11_PATIENCE multiplies every bound (2 on a machine slower still); x11_poll_nap, when
# set, is the pause between the tries (for a figure measured to the hundredth of a second).
x11_poll() {
  # (Its own names are such that the command's variables, of the caller's scope, are not hidden.)
  local x11_poll_what="$2" x11_poll_tries=0 x11_poll_end
  x11_poll_end=$((${EPOCHREALTIME/./} + ${1%.*} * 1000000 * ${QN_X11_PATIENCE:-1}))
  shift 2
  while :; do
    if "$@"; then return 0; fi
    x11_poll_tries=$((x11_poll_tries + 1))
    if [ "${EPOCHREALTIME/./}" -ge "$x11_poll_end" ] && [ "$x11_poll_tries" -ge 2 ]; then
      x11_missed="$x11_poll_what"
      return 1
    fi
    x11_nap "${x11_poll_nap:-0.1}"
  done
}
# x11_must SECONDS WHAT COMMAND...: x11_poll, failing the test when the wait ran out.
x11_must() {
  x11_poll "$@" || fail "waited $1 s for $x11_missed"
}

# x11_holds CONDITION [ARG...]: the shell condition holds ($1... in it are the ARGs), for a wait
# on a condition written in place:
#   x11_poll 10 "another record" x11_holds '[ "$(st number)" != "$1" ]' "$first"
x11_holds() { local x11_condition="$1"; shift; eval "$x11_condition"; }

x11_logged() { grep -q -- "$1" "$log" 2> /dev/null; }
x11_wait_for() { x11_poll 30 "'$1' in the log" x11_logged "$1" || fail "no '$1' in the log"; }

x11_until() { x11_poll 30 "$*" "$@"; }

# ---- The checker: one process a run that answers the screen and window questions ----
# x11_ask REQUEST [ARG...]: the answer in x11_answer; 0 yes, 1 no; a request the checker cannot
# answer fails the test.  The checker of the run's display is started with the run inside its X
# server (below), in the script's own shell, so that every subshell of the script shares it (one
# of another display the script starts, on its first question there).
declare -A x11_ask_fds x11_told_fds
x11_checker_start() {
  local d ask told
  d=$(mktemp -d "${XDG_RUNTIME_DIR:-${TMPDIR:-/tmp}}/x11check.XXXXXX")
  mkfifo "$d/ask" "$d/told"
  /usr/bin/python3 -u "$(dirname "${BASH_SOURCE[0]}")/x11_checker.py" < "$d/ask" > "$d/told" &
  exec {ask}> "$d/ask" {told}< "$d/told"
  rm -rf "$d"
  x11_ask_fds[d$DISPLAY]=$ask x11_told_fds[d$DISPLAY]=$told
}
x11_ask() {
  local IFS=$'\x1f' reply
  if [ -z "${x11_ask_fds[d${DISPLAY:-}]:-}" ]; then
    [ -n "${DISPLAY:-}" ] && [ "$BASHPID" = "$$" ] && x11_checker_start ||
      { x11_answer="no checker (no X display, or a first question from a subshell)"; return 2; }
  fi
  printf '%s\n' "$*" >&"${x11_ask_fds[d$DISPLAY]}"
  IFS=' ' read -r -t 300 -u "${x11_told_fds[d$DISPLAY]}" reply || {
    unset "x11_ask_fds[d$DISPLAY]"
    fail "the checker did not answer '$1'"
  }
  x11_answer="${reply:2}"
  case "$reply" in
    0*) return 0 ;;
    1*) return 1 ;;
    *) fail "the checker cannot answer '$*': $x11_answer" ;;
  esac
}
if [ "${QN_X11_INNER:-}" = 1 ] && [ -n "${DISPLAY:-}" ]; then x11_checker_start; fi

# xdotool ARGS...: the mouse and keyboard steps of the scripts (mousemove X Y, click with
# --repeat and --delay, mousedown, mouseup, key, and type with --delay, the last) are given by the
# checker, as xdotool gives them, without a process of their own; any other command line (a
# search, a window's move, an option these do not take) goes to xdotool.
xdotool() {
  if [ -n "${x11_ask_fds[d${DISPLAY:-}]:-}" ] && x11_input_steps "$@"; then
    x11_ask input "$@"
  else
    command xdotool "$@"
  fi
}
x11_input_steps() {
  local number='^[0-9]+$' a
  [ $# -gt 0 ] || return 1
  while [ $# -gt 0 ]; do
    case "$1" in
      mousemove) [[ "${2:-}" =~ $number && "${3:-}" =~ $number ]] || return 1; shift 3 ;;
      click)
        shift
        while [[ "${1:-}" == --repeat || "${1:-}" == --delay ]]; do [[ "${2:-}" =~ $number ]] || return 1; shift 2; done
        [[ "${1:-}" =~ $number ]] || return 1
        shift
        ;;
      mousedown | mouseup) [[ "${2:-}" =~ $number ]] || return 1; shift 2 ;;
      key)  # (its keys end at the next step's name)
        shift
        [[ $# -gt 0 && "$1" != -* ]] || return 1
        while [ $# -gt 0 ] && ! [[ "$1" =~ ^(mousemove|click|mousedown|mouseup|key|type)$ ]]; do
          [[ "$1" != -* && "$1" != *$'\x1f'* ]] || return 1
          shift
        done
        ;;
      type)
        shift
        if [ "${1:-}" = --delay ]; then [[ "${2:-}" =~ $number ]] || return 1; shift 2; fi
        [ $# -gt 0 ] || return 1
        for a in "$@"; do [[ "$a" != -* && "$a" != *$'\x1f'* ]] || return 1; done
        return 0
        ;;
      *) return 1 ;;
    esac
  done
}

x11_visible() { x11_ask visible; tr ' ' '\n' <<< "$x11_answer" | sort; }

x11_new_window_step() { x11_found=$(comm -13 <(echo "$1") <(x11_visible) | head -1); [ -n "$x11_found" ]; }
x11_new_window() {
  x11_poll 30 "a new window" x11_new_window_step "$1" || return 1
  echo "$x11_found"
}

x11_shown() { x11_ask visible; [[ " $x11_answer " == *" $1 "* ]]; }
x11_gone() { ! x11_shown "$1"; }
x11_closed() { x11_poll 30 "the window $1 to close" x11_gone "$1"; }

# same A B: the two pictures are the same, pixel for pixel.
same() { x11_ask same "$1" "$2"; }
# settled FILE X Y W H: waits until the screen's rectangle stops changing (a window drawn whole);
# FILE then holds it.
x11_settle_step() { x11_nap 0.2; x11_ask steady settled "$@"; }
settled() {
  local f="$1"
  shift
  x11_ask look settled "$@"
  x11_poll 30 "the screen at $* to stop changing" x11_settle_step "$@" "$f" && return 0
  x11_ask kept settled "$f"
  return 1
}
# until_changed FILE X Y W H COMMAND...: runs the command, then waits until the screen's
# rectangle differs from what it showed before (the command took effect); FILE then holds it.
until_changed() {
  local f="$1" x="$2" y="$3" w="$4" h="$5"
  shift 5
  x11_ask look changed "$x" "$y" "$w" "$h"
  "$@"
  x11_poll 30 "the screen at $x $y $w $h to change" x11_ask differs changed "$x" "$y" "$w" "$h" "$f"
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

x11_ready() { grep -qx ready "$log" 2> /dev/null; }
x11_titled() { x11_ask search "$1" && wid=${x11_answer%% *}; }
x11_start() {
  local title="$1"
  shift
  QT_QPA_PLATFORM=xcb "$prog" "$log" "$@" &
  pid=$!
  trap 'x11_kill -KILL "${pid:-}"' EXIT
  x11_poll 30 "the program's ready line" x11_ready || fail "the program did not start"
  x11_must 30 "the window $title" x11_titled "^$title\$"
  xdotool windowfocus --sync "$wid" || fail "the window $title did not take the keyboard"
}

x11_left() { ! x11_ours "$1"; }
x11_stop() {
  x11_kill "$pid"
  # (A test program whose own loop does not take the signal is ended after ten seconds.)
  x11_poll 10 "the program to end" x11_left "$pid" || true
  x11_kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
}

at() { grep "^at $1 " "$log" | tail -1 | awk '{print $3, $4}'; }
box() { grep "^$1 [0-9-]" "$log" | tail -1 | awk '{print $2, $3, $4, $5}'; }
click() { xdotool mousemove $(at "$1") click 1; }
shot() { x11_ask shot "$@"; }

# The print dialog (its printer is "Print to File (PDF)" on a machine with no printers): the
# output file box sits 65 pixels above its bottom, Print 24 above it, both left of the middle.
x11_print_dialog() { x11_ask search '^Print$' && dialog=${x11_answer##* }; }
x11_print_to() {
  local dialog="" X Y WIDTH HEIGHT SCREEN WINDOW
  x11_poll 30 "the print dialog" x11_print_dialog || fail "no print dialog"
  x11_ask geometry "$dialog" || fail "the print dialog closed"
  read -r X Y WIDTH HEIGHT SCREEN <<< "$x11_answer"
  # The dialog is drawn whole before its box is clicked (SHOT, or a file of the output folder,
  # then holds it).
  settled "${2:-$out/print_dialog.png}" "$X" "$Y" "$WIDTH" "$HEIGHT" || fail "the print dialog did not stop changing"
  xdotool mousemove $((X + 165)) $((Y + HEIGHT - 65)) click 1 key ctrl+a type --delay 20 "$1"
  local attempt
  for attempt in 1 2; do
    xdotool mousemove $((X + 155)) $((Y + HEIGHT - 24)) click 1
    x11_written "$1" && return 0
    # A click that only closed the file name completer's list is given again.
    x11_ask search '^Print$' || break
  done
  x11_written "$1" || fail "$1 was not written"
}

# x11_written FILE: waits until the file is there and its size holds (1 after thirty seconds).
x11_size_held() {
  local now
  now=$(stat -c %s "$1" 2>/dev/null || echo 0)
  [ "$now" -gt 0 ] && [ "$now" = "${x11_size:-}" ] && return 0
  x11_size=$now
  return 1
}
x11_written() { x11_size=""; x11_poll 30 "$1 written" x11_size_held "$1"; }
