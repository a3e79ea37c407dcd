#!/usr/bin/env python3
"""The history page's first visit as a person sees it: how long after the key each card on the screen
shows its picture (not part of the test run).

On an Xvfb + openbox desktop with a busy screen, the real program takes N full-screen captures (kept as
HEIC, the default) and reads their text. One visit to the history page is then looked at whole: where
the cards' pictures sit on the screen. Each round starts the program afresh (nothing of the captures
decoded in its memory), waits until its home page rests, presses Ctrl+3 through XTest and reads the
screen area of the cards over and over through XGetImage (libxcb, on the script's own processor); a
card counts as shown from the read after which its picture area stays as it ends. Every process of the
desktop and the program runs on the processors of --cpus, beside --load busy loops there.

Prints per round when the first and the last card showed, and the order in which they did (rows from
the top); then the medians and ranges over the rounds. With --compare, the rounds alternate between
the two programs on the same desktop and captures, so that both meet the same load. With --cold, the
folder of card pictures kept between runs is emptied before each round: a first visit right after
the captures were taken, or the first run that keeps them.

    history_first_visit.py PELICARTA [--compare OTHER] [--sizes 1366x768,1920x1080] [--captures 35]
                           [--rounds 8] [--cpus 0,1] [--load 2] [--cold] [--shots FOLDER]
"""

import argparse
import ctypes
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import soak  # noqa: E402
from soak import Desktop, Pelicarta, busy_desktop, stop_all, wait_for  # noqa: E402
import road_e2e  # noqa: E402
from shell_e2e import client  # noqa: E402

# The fill of a card's picture box around (and, until it comes, instead of) the picture.
BOX = (21, 21, 27)
SIDEBAR = 211
HEADER = 110  # the page's title, search field and rule lie above this, in the window


class Screen:
    """Reads parts of the screen straight from the X server (libxcb) and presses keys (libXtst)."""

    class Iterator(ctypes.Structure):
        _fields_ = [("data", ctypes.c_void_p), ("rem", ctypes.c_int), ("index", ctypes.c_int)]

    class Cookie(ctypes.Structure):
        _fields_ = [("sequence", ctypes.c_uint)]

    def __init__(self, display):
        xcb = self.xcb = ctypes.CDLL("libxcb.so.1")
        xcb.xcb_connect.restype = ctypes.c_void_p
        xcb.xcb_connect.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
        xcb.xcb_get_setup.restype = ctypes.c_void_p
        xcb.xcb_get_setup.argtypes = [ctypes.c_void_p]
        xcb.xcb_setup_roots_iterator.restype = Screen.Iterator
        xcb.xcb_setup_roots_iterator.argtypes = [ctypes.c_void_p]
        xcb.xcb_get_image.restype = Screen.Cookie
        xcb.xcb_get_image.argtypes = [ctypes.c_void_p, ctypes.c_uint8, ctypes.c_uint32, ctypes.c_int16,
                                      ctypes.c_int16, ctypes.c_uint16, ctypes.c_uint16, ctypes.c_uint32]
        xcb.xcb_get_image_reply.restype = ctypes.c_void_p
        xcb.xcb_get_image_reply.argtypes = [ctypes.c_void_p, Screen.Cookie, ctypes.c_void_p]
        xcb.xcb_get_image_data.restype = ctypes.c_void_p
        xcb.xcb_get_image_data.argtypes = [ctypes.c_void_p]
        xcb.xcb_get_image_data_length.restype = ctypes.c_int
        xcb.xcb_get_image_data_length.argtypes = [ctypes.c_void_p]
        xcb.xcb_disconnect.argtypes = [ctypes.c_void_p]
        self.libc = ctypes.CDLL(None)
        self.libc.free.argtypes = [ctypes.c_void_p]
        self.connection = xcb.xcb_connect(display.encode(), None)
        self.root = ctypes.c_uint32.from_address(
            xcb.xcb_setup_roots_iterator(xcb.xcb_get_setup(self.connection)).data).value

        x11 = self.x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.dpy = x11.XOpenDisplay(display.encode())

    def grab(self, x, y, w, h):
        """The pixels of the area as 4 bytes each (blue, green, red, pad), row after row."""
        cookie = self.xcb.xcb_get_image(self.connection, 2, self.root, x, y, w, h, 0xFFFFFFFF)  # Z pixmap
        reply = self.xcb.xcb_get_image_reply(self.connection, cookie, None)
        if not reply:
            raise RuntimeError("the X server gave no image")
        try:
            return ctypes.string_at(self.xcb.xcb_get_image_data(reply), self.xcb.xcb_get_image_data_length(reply))
        finally:
            self.libc.free(reply)

    def press(self, *keysyms):
        """Presses the keys together and lets them go; returns once the server has them."""
        codes = [self.x11.XKeysymToKeycode(self.dpy, k) for k in keysyms]
        for code in codes:
            self.xtst.XTestFakeKeyEvent(self.dpy, code, 1, 0)
        for code in reversed(codes):
            self.xtst.XTestFakeKeyEvent(self.dpy, code, 0, 0)
        self.x11.XSync(self.dpy, 0)

    def close(self):
        self.xcb.xcb_disconnect(self.connection)
        self.x11.XCloseDisplay(self.dpy)


def is_box(pixels, width, x, y):
    i = 4 * (y * width + x)
    b, g, r = pixels[i], pixels[i + 1], pixels[i + 2]
    return abs(r - BOX[0]) <= 1 and abs(g - BOX[1]) <= 1 and abs(b - BOX[2]) <= 1


def picture_areas(pixels, width, height):
    """The picture areas of the cards in a resting page's pixels (`width` × `height`, the grid's part of
    the window), top to bottom and left to right, as (x, y, w, h) clipped to the area: between the
    box's strips of fill above and below the picture (the lowest row may be cut by the window)."""
    runs_by_row = []
    for y in range(height):
        runs, x = [], 0
        while x < width:
            if is_box(pixels, width, x, y):
                start = x
                while x < width and is_box(pixels, width, x, y):
                    x += 1
                if x - start >= 100:
                    runs.append((start, x))
            else:
                x += 1
        runs_by_row.append(runs)
    # Strips: rows of long runs at about the same place, one under the other.
    strips = []  # [x0, x1, top, bottom]
    open_strips = []
    for y, runs in enumerate(runs_by_row):
        still = []
        for x0, x1 in runs:
            for strip in open_strips:
                if abs(strip[0] - x0) <= 12 and abs(strip[1] - x1) <= 12 and strip[3] == y - 1:
                    strip[0], strip[1], strip[3] = min(strip[0], x0), max(strip[1], x1), y
                    still.append(strip)
                    break
            else:
                strip = [x0, x1, y, y]
                strips.append(strip)
                still.append(strip)
        open_strips = still
    strips = [s for s in strips if s[3] - s[2] >= 3]
    areas = []
    by_column = {}
    for strip in sorted(strips, key=lambda s: (s[2], s[0])):
        by_column.setdefault(round(strip[0] / 20), []).append(strip)
    for column in by_column.values():
        i = 0
        while i < len(column):
            top = column[i]
            below = column[i + 1] if i + 1 < len(column) else None
            if below and below[2] - top[3] > 20:
                areas.append((top[0] + 10, top[3] + 2, top[1] - top[0] - 20, below[2] - top[3] - 3))
                i += 2
            else:
                if height - top[3] > 24:  # the lowest row, cut by the window
                    areas.append((top[0] + 10, top[3] + 2, top[1] - top[0] - 20, height - top[3] - 3))
                i += 1
    return sorted(areas, key=lambda a: (a[1], a[0]))


def rows_of(pixels, width, area, step=2):
    x, y, w, h = area
    return [pixels[4 * ((y + r) * width + x):4 * ((y + r) * width + x + w)] for r in range(0, h, step)]


def settled_window(desktop, app, seconds=0.6, timeout=30):
    """Waits until the main window's pixels have not changed for `seconds`."""
    screen = Screen(desktop.display)
    try:
        deadline = time.monotonic() + timeout
        last, since = None, time.monotonic()
        while time.monotonic() < deadline:
            window = client(app)
            if window:
                now = screen.grab(*window[1:])
                if now != last:
                    last, since = now, time.monotonic()
                elif time.monotonic() - since >= seconds:
                    return window
            time.sleep(0.1)
        return None
    finally:
        screen.close()


def grid_area(window):
    _, x, y, w, h = window
    return x + SIDEBAR, y + HEADER, w - SIDEBAR, h - HEADER


def visit(desktop, app, grab_cpus, areas=None, timeout=10.0):
    """Opens the history page with Ctrl+3 and reads the grid until it rests. Returns the grid's last
    pixels with its area and, when `areas` are given, (seconds after the key, area index) per card."""
    window = settled_window(desktop, app)
    if not window:
        raise RuntimeError("the main window never came to rest")
    desktop.x(["xdotool", "mousemove", str(window[1] + 100), str(window[2] + window[4] - 20)])
    desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
    time.sleep(0.5)
    area = grid_area(window)
    screen = Screen(desktop.display)
    own = os.sched_getaffinity(0)
    os.sched_setaffinity(0, grab_cpus)
    reads = []  # (seconds, rows per card)
    try:
        screen.press(0xFFE3, 0x33)  # Control_L, 3
        pressed = time.monotonic()
        quiet_since = None
        while time.monotonic() - pressed < timeout:
            asked = time.monotonic()
            pixels = screen.grab(*area)
            seen = (asked + time.monotonic()) / 2 - pressed
            if areas:
                reads.append((seen, [rows_of(pixels, area[2], a, 4) for a in areas]))
                # Done once the cards have not changed for a second.
                # (The home page rests too, until the key is taken.)
                if len(reads) > 1 and reads[-1][1] == reads[-2][1] and reads[-1][1] != reads[0][1]:
                    quiet_since = quiet_since or seen
                    if seen - quiet_since > 1.0:
                        break
                else:
                    quiet_since = None
        last = pixels
    finally:
        os.sched_setaffinity(0, own)
        screen.close()
    # Resting: what every card ends as.
    time.sleep(1.0)
    window = settled_window(desktop, app)
    screen = Screen(desktop.display)
    try:
        final = screen.grab(*grid_area(window)) if window else last
    finally:
        screen.close()
    shown = []
    if areas:
        for index, a in enumerate(areas):
            ends = rows_of(final, area[2], a, 4)
            # Rows that are the box's fill in the end (letterboxing) tell nothing.
            telling = [r for r, row in enumerate(ends) if not all(
                abs(row[i + 2] - BOX[0]) <= 1 and abs(row[i] - BOX[2]) <= 1 for i in range(0, len(row), 16))]
            at = None
            for seen, cards in reads:
                rows = cards[index]
                alike = sum(1 for r in telling if rows[r] == ends[r])
                if telling and alike >= 0.9 * len(telling):
                    at = seen if at is None else at
                else:
                    at = None
            shown.append((at, index))
    period = (reads[-1][0] - reads[0][0]) / max(1, len(reads) - 1) if len(reads) > 1 else 0
    return final, area, shown, period


def rows_from_top(areas, order):
    tops = sorted({a[1] for a in areas})
    return [tops.index(areas[i][1]) for i in order]


def measure(programs, size, captures, rounds, cpus, grab_cpus, load, cold, shots):
    width, height = size
    road_e2e.APP = programs[0]
    own = os.sched_getaffinity(0)
    os.sched_setaffinity(0, cpus)  # the desktop and the program start from here
    desktop = Desktop(width, height, lowered_workers=True)
    windows = busy_desktop(desktop)
    hogs = []
    home = road_e2e.Home(desktop, {"afterCapture": "copy", "history.keep": 100})
    results = {program: [] for program in programs}
    try:
        app = Pelicarta(desktop, home=home)
        soak.dismiss(app, desktop, "editor")
        for _ in range(captures):
            soak.capture(app, desktop, "copy")
        if not wait_for(lambda: soak.unread_captures(app) == 0, 900, 1.0):
            print("  the text of some captures is still unread", flush=True)
        time.sleep(4)  # the index is saved after a quiet moment
        # Where the cards' pictures are: a visit that has come to rest.
        app.launch()
        final, area, _, _ = visit(desktop, app, grab_cpus)
        areas = picture_areas(final, area[2], area[3])
        if shots:
            os.makedirs(shots, exist_ok=True)
            desktop.screenshot(os.path.join(shots, f"history-{width}x{height}.png"))
        app.stop(keep_home=True)
        print(f"[{width}x{height}] {captures} captures; {len(areas)} cards on the screen, in "
              f"{len(set(a[1] for a in areas))} rows", flush=True)
        if not areas:
            raise RuntimeError("no card found on the page")
        for _ in range(load):
            hogs.append(subprocess.Popen([sys.executable, "-c", "while True: pass"]))
        for n in range(rounds * len(programs)):
            program = programs[n % len(programs)]
            road_e2e.APP = program
            if cold:
                shutil.rmtree(f"{home.path}/.cache/Pelicarta", ignore_errors=True)
            app = Pelicarta(desktop, home=home)
            time.sleep(3)  # the index loaded, the home page's pictures in
            _, _, shown, period = visit(desktop, app, grab_cpus, areas)
            app.stop(keep_home=True)
            name = os.path.basename(os.path.dirname(program)) + "/" + os.path.basename(program)
            if any(at is None for at, _ in shown):
                print(f"  {name} round {n // len(programs) + 1}: {sum(1 for at, _ in shown if at is None)} cards "
                      f"never showed their picture", flush=True)
                continue
            times = sorted(shown)
            order = rows_from_top(areas, [i for _, i in times])
            first, last = times[0][0] * 1000, times[-1][0] * 1000
            results[program].append((first, last, order))
            print(f"  {name} round {n // len(programs) + 1}: first card {first:.0f} ms, all {last:.0f} ms (a read "
                  f"every {period * 1000:.0f} ms); rows in the order shown: {' '.join(map(str, order))}", flush=True)
        for program, found in results.items():
            if not found:
                continue
            firsts = [r[0] for r in found]
            lasts = [r[1] for r in found]
            in_order = sum(1 for r in found if r[2] == sorted(r[2]))
            print(f"[{width}x{height}{' cold' if cold else ''}] {program}: all cards shown: median "
                  f"{statistics.median(lasts):.0f} ms, {min(lasts):.0f}–{max(lasts):.0f} ms; first: median "
                  f"{statistics.median(firsts):.0f} ms; rows top first in {in_order} of {len(found)} rounds; "
                  f"load {soak.load_average()}", flush=True)
    finally:
        stop_all(hogs)
        stop_all(windows)
        desktop.close()
        road_e2e.remove_home(home.path)
        os.sched_setaffinity(0, own)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("app")
    parser.add_argument("--compare", help="another build of the program, measured in alternate rounds")
    parser.add_argument("--sizes", default="1366x768,1920x1080")
    parser.add_argument("--captures", type=int, default=35)
    parser.add_argument("--rounds", type=int, default=8)
    parser.add_argument("--cpus", default="0,1", help="the processors of the desktop and the program")
    parser.add_argument("--load", type=int, default=2, help="busy loops beside them on those processors")
    parser.add_argument("--cold", action="store_true", help="no card picture kept from an earlier run")
    parser.add_argument("--shots", help="a folder for a screenshot of each size's resting page")
    args = parser.parse_args()
    cpus = {int(c) for c in args.cpus.split(",")}
    others = set(range(os.cpu_count() or 1)) - cpus
    grab_cpus = {min(others)} if others else cpus
    for size in args.sizes.split(","):
        programs = [os.path.abspath(args.app)] + ([os.path.abspath(args.compare)] if args.compare else [])
        measure(programs, tuple(int(v) for v in size.split("x")), args.captures, args.rounds, cpus, grab_cpus,
                args.load, args.cold, args.shots)


if __name__ == "__main__":
    main()
