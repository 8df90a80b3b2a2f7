#!/usr/bin/env bash
# The X tests' one wait, x11_poll (tests/x11_common.sh), without an X server: it goes on past a
# miss, even one that fails a command under "set -euo pipefail", and a wait that never comes true
# ends, bounded, with the test failed and what was waited for named.
#   bash x11_poll_test.sh OUTPUT_FOLDER
# Each case runs as an X test script does: a script of its own under "set -euo pipefail", the wait
# a plain statement of it (not a condition, where "set -e" would not apply).
set -euo pipefail
out="$1"
rm -rf "$out"
mkdir -p "$out"
common="$(cd "$(dirname "$0")" && pwd)/x11_common.sh"

failures=0
problem() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# run NAME BODY: BODY run as a script (with x11_common.sh sourced); its status in status, what it
# wrote in $out/NAME.txt.
run() {
  printf '%s\n' 'set -euo pipefail' "out='$out' log='$out/$1.log'" ': > "$log"' \
    "source '$common'" "$2" > "$out/$1.sh"
  status=0
  (unset DISPLAY QN_X11_INNER; bash "$out/$1.sh") > "$out/$1.txt" 2>&1 || status=$?
}

# A step as the X tests write them: an assignment from a pipeline whose first command finds
# nothing yet (grep exits 1; under pipefail the assignment fails), until its third look, when the
# line it waits for has come.
run past_a_miss '
tries=0
ready_step() {
  local line
  tries=$((tries + 1))
  [ "$tries" -lt 3 ] || echo ready >> "$log"
  line=$(grep -x ready "$log" | tail -1)
  x11_found="$line after $tries"
  [ "$line" = ready ]
}
x11_poll 60 "the ready line" ready_step
echo "looks: $tries, found: $x11_found"
x11_must 60 "the ready line" ready_step
echo "went on"'
[ "$status" = 0 ] || problem "the wait past a miss ended the script (status $status): $(cat "$out/past_a_miss.txt")"
grep -qx 'looks: 3, found: ready after 3' "$out/past_a_miss.txt" ||
  problem "the wait did not end at the third look, the first that found the line (nor keep what the step set): $(cat "$out/past_a_miss.txt")"
grep -qx 'went on' "$out/past_a_miss.txt" || problem "x11_must did not go on once the state was there"

# A state that never comes: the wait is bounded (a bound of 0 s still looks twice), answers 1
# and names what it waited for, and the script goes on.
run bounded '
looks=0
never() { looks=$((looks + 1)); false | tail -1; }
x11_poll 0 "a window that never comes" never || echo "answered $?"
echo "looks: $looks, missed: $x11_missed"'
grep -qx 'answered 1' "$out/bounded.txt" || problem "a wait that ran out did not answer 1: $(cat "$out/bounded.txt")"
grep -qE '^looks: ([2-9]|[1-9][0-9]+), missed: a window that never comes$' "$out/bounded.txt" ||
  problem "a wait that ran out did not look twice or name what it waited for: $(cat "$out/bounded.txt")"

# x11_must fails the test on a wait that ran out, with a FAIL line naming what was waited for.
run must_fail '
x11_must 0 "the print dialog" false
echo "went on"'
[ "$status" = 1 ] || problem "x11_must ended with status $status after a wait that ran out, not 1"
grep -qx 'FAIL: waited 0 s for the print dialog' "$out/must_fail.txt" ||
  problem "x11_must said: $(cat "$out/must_fail.txt")"
! grep -qx 'went on' "$out/must_fail.txt" || problem "x11_must went on after a wait that ran out"

# The print dialog's wait: with no X display each look misses; it looks for its bound (here no
# time, two looks) and then says what did not come, instead of ending the script at its first
# look.
run print_to 'QN_X11_PATIENCE=0 x11_print_to "$out/never.pdf"'
[ "$status" = 1 ] && grep -qx 'FAIL: no print dialog' "$out/print_to.txt" ||
  problem "the wait for the print dialog ended with status $status, saying: $(head -3 "$out/print_to.txt")"

[ "$failures" = 0 ] || exit 1
echo "x11_poll: all checks passed"
