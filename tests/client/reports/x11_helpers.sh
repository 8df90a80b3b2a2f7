# What the X tests of the installed client share (sourced): the installation into OUT/R, and the
# screen helpers.  They use $out (the output folder) and $log (the client's output).

install_client() { # install_client SOURCE_DIR BUILD_DIR: installs into $out/R (scripts/run stops without a display)
  mkdir -p "$out"
  rm -rf "$out/R" "$out/xdg" "$out/config"
  env -u DISPLAY -u WAYLAND_DISPLAY QN_SKIP_BUILD=1 BUILD_DIR="$2" QN_HOME="$out/R" \
    XDG_DATA_HOME="$out/xdg" bash "$1/scripts/run" > "$out/install.log" 2>&1 || true
  [ -x "$out/R/qnclient" ] || { echo "FAIL: the client was not installed" >&2; cat "$out/install.log" >&2; exit 1; }
}

shot() { # shot FILE X Y W H
  /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import ImageGrab
f, x, y, w, h = sys.argv[1], *map(int, sys.argv[2:])
ImageGrab.grab().crop((x, y, x + w, y + h)).save(f)
PY
}
fail() {
  echo "FAIL: $*" >&2
  shot "$out/failure.png" 0 0 1280 1024 || true
  echo "--- client output:" >&2
  cat "$log" >&2 || true
  exit 1
}
count() { # count FILE X Y W H R G B: pixels of about that colour in a rectangle
  /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import Image
f, x, y, w, h, r, g, b = sys.argv[1], *map(int, sys.argv[2:])
im = Image.open(f).convert("RGB"); px = im.load()
x2, y2 = min(x + w, im.size[0]), min(y + h, im.size[1])
print(sum(1 for yy in range(y, y2) for xx in range(x, x2)
          if abs(px[xx, yy][0] - r) < 40 and abs(px[xx, yy][1] - g) < 40 and abs(px[xx, yy][2] - b) < 40))
PY
}
same() {
  /usr/bin/python3 - "$@" <<'PY'
import sys
from PIL import Image, ImageChops
a, b = (Image.open(f).convert("RGB") for f in sys.argv[1:3])
sys.exit(0 if a.size == b.size and ImageChops.difference(a, b).getbbox() is None else 1)
PY
}
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
click_at() { xdotool mousemove "$1" "$2" click 1; sleep "${3:-0.6}"; }
window() { # window TITLE [MINWIDTH]: the visible window of that title
  local w
  for _ in $(seq 80); do
    for w in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      geometry "$w"
      if [ "$WIDTH" -ge "${2:-0}" ]; then echo "$w"; return 0; fi
    done
    sleep 0.1
  done
  return 1
}
free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
