# The X tests' checker: one process a test script starts once (x11_common.sh, x11_check), which
# answers its questions about the screen and its windows, so that a look at the screen costs a
# round trip over a pipe instead of a new process.
#
# It reads requests from its standard input, one a line, the fields separated by the unit
# separator (0x1f), and writes one line an answer: "0 TEXT" (yes, or the answer), "1 TEXT" (no)
# or "2 MESSAGE" (a request it cannot answer).
#
#   shot FILE X Y W H              a screenshot of that rectangle of the screen into FILE (PNG)
#   same A B                       the two pictures are the same, pixel for pixel
#   dark FILE [X Y W H]            the dark pixels (text, frames) of a picture or of a rectangle of it
#   darker FILE SUM                the pixels whose red, green and blue add up to less than SUM
#   count FILE X Y W H R G B       the pixels of about that colour in a rectangle of a picture
#   text_rows FILE X Y W H         the bands of rows holding dark pixels, at least 3 pixels apart
#   inked FILE                     more than 20 pixels of another colour than the commonest one
#   mark FILE X Y                  an arrow drawn into the picture where the pointer is
#   colours FILE [MIN R G B]...    more than MIN pixels of about each of those colours in the picture
#   framed FILE OUT                the picture in grey with a white margin, doubled in size (for
#                                  a barcode reader)
#   screen_dark X Y W H            the dark pixels of that rectangle of the screen
#   screen_inked X Y W H           that rectangle of the screen shows more than its background
#   look NAME X Y W H              that rectangle of the screen is kept as NAME (in memory)
#   kept NAME FILE                 the rectangle kept as NAME saved into FILE
#   differs NAME X Y W H [FILE]    the screen's rectangle differs from what NAME holds (FILE then
#                                  holds it)
#   steady NAME X Y W H [FILE]     the screen's rectangle is what NAME holds (FILE then holds it);
#                                  NAME then holds what the screen showed
#   matches FILE X Y W H           the screen's rectangle shows the picture FILE
#   visible                        the visible windows, their ids space separated, in the order
#                                  of a search of the window tree
#   search PATTERN                 the visible windows whose title matches PATTERN (an extended
#                                  regular expression, case ignored), in the order of that search
#   geometry WINDOW                "X Y WIDTH HEIGHT SCREEN" of the window
#   name WINDOW                    the window's title
#   focus                          the window that has the keyboard (the top-level one)
#   pointer                        "X Y SCREEN WINDOW": where the pointer is, and the window under it
#   port                           a free TCP port of the loopback address
#   input STEP...                  mouse and keyboard steps as an xdotool command line gives them
#                                  (mousemove, click, mousedown, mouseup; then key or type, last)
#
# The windows are looked up through the same library the xdotool program uses, so that the ids,
# places and the focused window are the ones it would give.  The checker ends with the shell
# that started it.
import ctypes
import ctypes.util
import re
import signal
import sys
from collections import Counter

from PIL import Image, ImageChops, ImageDraw, ImageGrab

# Ended with its parent, the test script, however that ends.
ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG

Window = ctypes.c_ulong


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", Window), ("class_", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


IS_VIEWABLE = 2

x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
xdo_lib = ctypes.CDLL(ctypes.util.find_library("xdo"))
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XDefaultRootWindow.restype = Window
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                           ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(XWindowAttributes)]
x11.XFree.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# A window that went between two requests is told by an error, which is not the end of the checker.
ignore_errors = ERROR_HANDLER(lambda display, event: 0)
x11.XSetErrorHandler(ignore_errors)

xdo_lib.xdo_new.restype = ctypes.c_void_p
xdo_lib.xdo_new.argtypes = [ctypes.c_char_p]
xdo = xdo_lib.xdo_new(None)
if not xdo:
    sys.exit("x11_checker: no X display")
x11.XSetErrorHandler(ignore_errors)  # (after the library's own connection is made)
display = ctypes.cast(xdo, ctypes.POINTER(ctypes.c_void_p))[0]  # the library's first field
root = x11.XDefaultRootWindow(display)
xdo_lib.xdo_get_window_name.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_char_p),
                                        ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
xdo_lib.xdo_get_window_location.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_int),
                                            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_void_p)]
xdo_lib.xdo_get_window_size.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_uint),
                                        ctypes.POINTER(ctypes.c_uint)]
xdo_lib.xdo_free.argtypes = [ctypes.c_void_p]
xdo_lib.xdo_move_mouse.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int]
xdo_lib.xdo_mouse_down.argtypes = [ctypes.c_void_p, Window, ctypes.c_int]
xdo_lib.xdo_mouse_up.argtypes = [ctypes.c_void_p, Window, ctypes.c_int]
xdo_lib.xdo_click_window_multiple.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint]
xdo_lib.xdo_send_keysequence_window.argtypes = [ctypes.c_void_p, Window, ctypes.c_char_p, ctypes.c_uint]
xdo_lib.xdo_enter_text_window.argtypes = [ctypes.c_void_p, Window, ctypes.c_char_p, ctypes.c_uint]
xdo_lib.xdo_get_focused_window_sane.argtypes = [ctypes.c_void_p, ctypes.POINTER(Window)]
xdo_lib.xdo_get_mouse_location2.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                                            ctypes.POINTER(Window)]


def children(window):
    r, p, kids, n = Window(), Window(), ctypes.POINTER(Window)(), ctypes.c_uint()
    if not x11.XQueryTree(display, window, ctypes.byref(r), ctypes.byref(p), ctypes.byref(kids),
                          ctypes.byref(n)):
        return []
    found = [kids[i] for i in range(n.value)]
    if kids:
        x11.XFree(kids)
    return found


def title(window):
    name, length, kind = ctypes.c_char_p(), ctypes.c_int(), ctypes.c_int()
    xdo_lib.xdo_get_window_name(xdo, window, ctypes.byref(name), ctypes.byref(length), ctypes.byref(kind))
    if not name.value or length.value <= 0:
        return ""
    text = ctypes.string_at(name, length.value).decode("utf-8", "replace")
    x11.XFree(name)
    return text


def viewable(window):
    attributes = XWindowAttributes()
    return x11.XGetWindowAttributes(display, window, ctypes.byref(attributes)) and \
        attributes.map_state == IS_VIEWABLE


def search(pattern):
    """The viewable windows whose title matches: from the root down, the children of a window (in
    their stacking order, the lowest first) before the windows below each of them."""
    x11.XSync(display, 0)
    expression = re.compile(pattern, re.IGNORECASE)
    found = []

    def below(parent):
        kids = children(parent)
        found.extend(w for w in kids if viewable(w) and expression.search(title(w)))
        for w in kids:
            below(w)

    if expression.search(title(root)):  # (the root window too, as the search of xdotool has it)
        found.append(root)
    below(root)
    return found


def geometry(window):
    x, y, screen = ctypes.c_int(), ctypes.c_int(), ctypes.c_void_p()
    w, h = ctypes.c_uint(), ctypes.c_uint()
    x11.XSync(display, 0)
    attributes = XWindowAttributes()
    if not x11.XGetWindowAttributes(display, window, ctypes.byref(attributes)):
        return None
    xdo_lib.xdo_get_window_location(xdo, window, ctypes.byref(x), ctypes.byref(y), ctypes.byref(screen))
    xdo_lib.xdo_get_window_size(xdo, window, ctypes.byref(w), ctypes.byref(h))
    return "%d %d %d %d 0" % (x.value, y.value, w.value, h.value)


CURRENT_WINDOW = 0
STEPS = ("mousemove", "click", "mousedown", "mouseup", "key", "type")


def give(steps):
    """The mouse and keyboard steps of one xdotool command line ("mousemove X Y", "click [--repeat
    N] [--delay MS] BUTTON", "mousedown B", "mouseup B", "key KEY...", "type [--delay MS] TEXT...",
    the last), given as that program gives them, with its defaults.  The keys go through a
    connection made for them, as that program's own would be (the keyboard's layout may have
    changed since the last ones), once the X server has taken the steps before them."""
    i, ok = 0, True
    while i < len(steps):
        what = steps[i]
        if what == "mousemove":
            ok &= xdo_lib.xdo_move_mouse(xdo, int(steps[i + 1]), int(steps[i + 2]), 0) == 0
            i += 3
        elif what == "click":
            i, repeat, delay = i + 1, 1, 100
            while steps[i] in ("--repeat", "--delay"):
                if steps[i] == "--repeat":
                    repeat = int(steps[i + 1])
                else:
                    delay = int(steps[i + 1])
                i += 2
            ok &= xdo_lib.xdo_click_window_multiple(xdo, CURRENT_WINDOW, int(steps[i]), repeat, delay * 1000) == 0
            i += 1
        elif what in ("mousedown", "mouseup"):
            call = xdo_lib.xdo_mouse_down if what == "mousedown" else xdo_lib.xdo_mouse_up
            ok &= call(xdo, CURRENT_WINDOW, int(steps[i + 1])) == 0
            i += 2
        elif what == "key":  # (its keys end at the next step's name)
            end = i + 1
            while end < len(steps) and steps[end] not in STEPS:
                end += 1
            x11.XSync(display, 0)
            keys = xdo_lib.xdo_new(None)
            for sequence in steps[i + 1:end]:
                ok &= xdo_lib.xdo_send_keysequence_window(keys, CURRENT_WINDOW, sequence.encode(), 12000) == 0
            xdo_lib.xdo_free(keys)
            i = end
        elif what == "type":  # (the rest is its text)
            delay, texts = 12, steps[i + 1:]
            if texts[:1] == ["--delay"]:
                delay, texts = int(texts[1]), texts[2:]
            x11.XSync(display, 0)
            keys = xdo_lib.xdo_new(None)
            for text in texts:
                ok &= xdo_lib.xdo_enter_text_window(keys, CURRENT_WINDOW, text.encode(), delay * 1000) == 0
            xdo_lib.xdo_free(keys)
            i = len(steps)
        else:
            raise ValueError("no such step: " + what)
    x11.XSync(display, 0)
    return ok


def grab(x, y, w, h):
    return ImageGrab.grab().convert("RGB").crop((x, y, x + w, y + h))


def picture(f):
    return Image.open(f).convert("RGB")


def same(a, b):
    return a.size == b.size and ImageChops.difference(a, b).getbbox() is None


def dark(im):
    return sum(1 for p in im.getdata() if sum(p) < 300)


def inked(im):
    return im.size[0] * im.size[1] - Counter(im.getdata()).most_common(1)[0][1] > 20


def clipped(im, x, y, w, h):
    return im.crop((x, y, min(x + w, im.size[0]), min(y + h, im.size[1])))


kept = {}


def answer(request):
    what, args = request[0], request[1:]
    num = lambda first: [int(v) for v in args[first:]]
    if what == "shot":
        grab(*num(1)).save(args[0])
        return 0, ""
    if what == "same":
        return (0 if same(picture(args[0]), picture(args[1])) else 1), ""
    if what == "dark":
        im = picture(args[0])
        return 0, str(dark(clipped(im, *num(1)) if len(args) > 1 else im))
    if what == "darker":
        limit = int(args[1])
        return 0, str(sum(1 for p in picture(args[0]).getdata() if sum(p) < limit))
    if what == "count":
        f, (x, y, w, h, r, g, b) = args[0], num(1)
        im = picture(f)
        px = im.load()
        x2, y2 = min(x + w, im.size[0]), min(y + h, im.size[1])
        return 0, str(sum(1 for yy in range(y, y2) for xx in range(x, x2)
                          if abs(px[xx, yy][0] - r) < 40 and abs(px[xx, yy][1] - g) < 40 and
                          abs(px[xx, yy][2] - b) < 40))
    if what == "text_rows":
        f, (x, y, w, h) = args[0], num(1)
        im = picture(f)
        px = im.load()
        bands, gap = 0, 3
        for yy in range(y, y + h):
            v = any(sum(px[xx, yy]) < 300 for xx in range(x, x + w))
            if v and gap >= 3:
                bands += 1
            gap = 0 if v else gap + 1
        return 0, str(bands)
    if what == "inked":
        return (0 if inked(picture(args[0])) else 1), ""
    if what == "mark":
        f, (x, y) = args[0], num(1)
        im = picture(f)
        arrow = [(x, y), (x, y + 17), (x + 4, y + 13), (x + 7, y + 20), (x + 10, y + 19),
                 (x + 7, y + 12), (x + 12, y + 12)]
        ImageDraw.Draw(im).polygon(arrow, fill=(255, 255, 255), outline=(200, 0, 0))
        im.save(f)
        return 0, ""
    if what == "colours":
        pixels = list(picture(args[0]).getdata())
        want = num(1)
        for i in range(0, len(want), 4):
            least, r, g, b = want[i:i + 4]
            if sum(1 for p in pixels if abs(p[0] - r) + abs(p[1] - g) + abs(p[2] - b) < 60) <= least:
                return 1, ""
        return 0, ""
    if what == "framed":
        im = Image.open(args[0]).convert("L")
        big = Image.new("L", (im.width + 80, im.height + 80), 255)
        big.paste(im, (40, 40))
        big.resize((big.width * 2, big.height * 2)).save(args[1])
        return 0, ""
    if what == "screen_dark":
        return 0, str(dark(grab(*num(0))))
    if what == "screen_inked":
        return (0 if inked(grab(*num(0))) else 1), ""
    if what == "look":
        kept[args[0]] = grab(*num(1))
        return 0, ""
    if what == "kept":
        kept[args[0]].save(args[1])
        return 0, ""
    if what in ("differs", "steady"):
        name, (x, y, w, h), f = args[0], [int(v) for v in args[1:5]], args[5] if len(args) > 5 else ""
        now = grab(x, y, w, h)
        before = kept.get(name)
        unchanged = before is not None and same(before, now)
        if what == "steady":
            kept[name] = now
        if f and unchanged == (what == "steady"):
            now.save(f)
        return (0 if unchanged == (what == "steady") else 1), ""
    if what == "input":
        return (0 if give(args) else 1), ""
    if what == "port":
        import socket
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
        s.close()
        return 0, str(port)
    if what == "matches":
        return (0 if same(picture(args[0]), grab(*num(1))) else 1), ""
    if what == "visible":
        return 0, " ".join(str(w) for w in search(""))
    if what == "search":
        found = search(args[0])
        return (0 if found else 1), " ".join(str(w) for w in found)
    if what == "geometry":
        g = geometry(int(args[0]))
        return (0, g) if g else (1, "")
    if what == "name":
        return 0, title(int(args[0]))
    if what == "focus":
        w = Window()
        xdo_lib.xdo_get_focused_window_sane(xdo, ctypes.byref(w))
        return 0, str(w.value)
    if what == "pointer":
        x, y, screen, w = ctypes.c_int(), ctypes.c_int(), ctypes.c_int(), Window()
        xdo_lib.xdo_get_mouse_location2(xdo, ctypes.byref(x), ctypes.byref(y), ctypes.byref(screen),
                                        ctypes.byref(w))
        return 0, "%d %d %d %d" % (x.value, y.value, screen.value, w.value)
    return 2, "unknown request " + what


for line in sys.stdin:
    try:
        status, text = answer(line.rstrip("\n").split("\x1f"))
    except Exception as e:  # a request it cannot answer is told, and the next one is read
        status, text = 2, "%s: %s" % (type(e).__name__, e)
    sys.stdout.write("%d %s\n" % (status, text.replace("\n", " ")))
    sys.stdout.flush()
