# What the X tests of the record window run in-process share (sourced by a script run as
# SCRIPT PROGRAM OUTPUT_FOLDER that has set prog and out): the run on an X server of its own and
# the program's start.  The script defines fail (what failed, with the program's state).
# shellcheck source=../../x11_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../x11_common.sh"

# record_program_x11 NAME "$@": runs the script again on an X server of its own (x11_screen);
# inside, the output folder is made anew with the program's root folder $out/root, its log $log
# ($out/NAME.log) beside its state $state, and the settings key in $out/config.
record_program_x11() {
  local name="$1"
  shift
  x11_screen 1024x768 "$@"
  rm -rf "$out"
  mkdir -p "$out/root"
  log="$out/$name.log"
  state="$log.state"
  export XDG_CONFIG_HOME="$out/config" QT_QPA_PLATFORM=xcb QN_PORT=6777
}

# record_program_start: starts $prog on $out/root with $log (its output into $out/program.log) and
# waits for its "ready" line; pid is the program, ended with the script.
record_program_start() {
  "$prog" "$out/root" "$log" > "$out/program.log" 2>&1 &
  pid=$!
  trap 'x11_kill "$pid"' EXIT
  x11_poll 30 "grep -qx ready log 2>/dev/null" x11_holds 'grep -qx ready "$log" 2>/dev/null' || true
  grep -qx ready "$log" || { cat "$out/program.log" >&2; fail "the program did not start"; }
}
