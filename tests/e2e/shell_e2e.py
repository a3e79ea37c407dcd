#!/usr/bin/env python3
"""End-to-end tests of the main window with the real program: its size and frame, its page keys,
the sidebar and the tutorial mark, read from what reaches the screen and the settings file.

    shell_e2e.py PELICARTA [unittest options]
"""

import json
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_e2e  # noqa: E402
from road_e2e import wait_for  # noqa: E402

WIDTH, HEIGHT = 1920, 1080
# Where the sidebar draws, in the window's own coordinates: the page items' rows and a point inside
# each item's cell (left of its icon), collapsed or not.
ITEM_TOP, ITEM_STEP, ITEM_HEIGHT, CELL_X = 62, 36, 32, 12
PAGES = ["home", "editor", "history", "tutorial", "brand", "settings"]
PANEL = (16, 16, 21)
MARK = (255, 90, 95)


class Screenshot:
    """The screen's pixels, read from the X server; written to `path` as a PNG when one is given."""

    def __init__(self, desktop, path=None):
        self.width, self.height = desktop.width, desktop.height
        self.data = desktop.pixels()
        if path:
            self.save(path)

    def save(self, path):
        road_e2e.write_png(path, self.width, self.height, self.data)

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def area(self, x, y, width, height):
        """The raw pixels of a part of the screen, clipped to it."""
        x, y = max(0, x), max(0, y)
        width, height = min(width, self.width - x), min(height, self.height - y)
        return b"".join(self.data[3 * (row * self.width + x):3 * (row * self.width + x + width)]
                        for row in range(y, y + height))


def settled(desktop, path, ready=lambda shot: True, area=None, timeout=10):
    """A screenshot taken once the screen (or `area` of it: x, y, width, height) has come to rest on what
    `ready(shot)` looks for: two reads in a row alike, the second one ready; written to `path`. A read is
    slower than a frame, so an animation still running shows as a change. None when that never happens."""
    previous = [None]

    def read():
        shot = Screenshot(desktop)
        pixels = shot.area(*area) if area else shot.data
        alike = pixels == previous[0]
        previous[0] = pixels
        return shot if alike and ready(shot) else None
    shot = wait_for(read, timeout, interval=0.1)
    if shot:
        shot.save(path)
    return shot


def patience(seconds):
    """`seconds` on a desktop at rest, stretched as wait_for stretches its timeouts: for bounds that only
    say that something did not hang."""
    return seconds * road_e2e.PATIENCE * road_e2e.slowdown()


def close_to(a, b, tolerance=6):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def client(app):
    """(id, x, y, width, height) of the main window's own area on the screen (xwininfo's absolute
    position: xdotool's counts the frame twice), or None."""
    window = app.main_window()
    if not window:
        return None
    info = dict(line.strip().split(":", 1) for line in app.desktop.x(["xwininfo", "-id", window[0]]).decode().splitlines()
                if ":" in line)
    return (window[0], int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"]), int(info["Width"]),
            int(info["Height"]))


def frame_extents(app, wid):
    """(left, right, top, bottom) of the window manager's frame."""
    out = app.desktop.x(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"]).decode()
    return tuple(int(v) for v in out.split("=", 1)[1].split(",")) if "=" in out else (0, 0, 0, 0)


class ShellTest(road_e2e.DesktopTest):
    def shot(self, app):
        """The screen now, kept as the last screenshot."""
        self.last_shot = Screenshot(self.desktop)
        return self.last_shot

    def keep_screenshot(self, app, name, prefix="shell-"):
        """The last screenshot, for a person to look at, beside the program's build: test-output/<prefix><name>."""
        folder = os.path.join(os.path.dirname(road_e2e.APP), "..", "test-output")
        os.makedirs(folder, exist_ok=True)
        self.last_shot.save(os.path.join(folder, prefix + name))

    def current_page(self, app):
        """The page whose sidebar item is highlighted, or None."""
        window = client(app)
        shot = self.shot(app)
        lit = [page for i, page in enumerate(PAGES)
               if not close_to(shot.pixel(window[1] + CELL_X, window[2] + ITEM_TOP + i * ITEM_STEP + ITEM_HEIGHT // 2),
                               PANEL, 4)]
        return lit[0] if len(lit) == 1 else None

    def sidebar_width(self, app):
        """Where the sidebar's panel colour ends, along a row below the items."""
        window = client(app)
        shot = self.shot(app)
        y = window[2] + 400
        x = 0
        while x < 400 and close_to(shot.pixel(window[1] + x, y), PANEL, 2):
            x += 1
        return x

    def key(self, app, combination):
        self.desktop.x(["xdotool", "windowactivate", "--sync", app.main_window()[0]])
        self.desktop.x(["xdotool", "key", "--clearmodifiers", combination])

    def wait_page(self, app, page):
        return wait_for(lambda: self.current_page(app) == page, 5, 0.2)

    def defaults(self, app):
        with open(f"{app.home}/config/Pelicarta/defaults.json") as f:
            return json.load(f)["values"]

    def test_window_page_keys_and_sidebar(self):
        app = self.start()
        self.assertEqual(client(app)[3:], (1240, 800))
        self.assertTrue(self.wait_page(app, "home"), self.current_page(app))
        self.keep_screenshot(app, "home-expanded.png")
        self.assertEqual(self.sidebar_width(app), 210)
        self.key(app, "ctrl+3")
        self.assertTrue(self.wait_page(app, "history"), self.current_page(app))
        # ⌘2 without a capture and ⌘⇧1 are no page keys. ⌃⌘S (Super with Ctrl and the S key) collapses
        # the sidebar and keeps the page; it comes after them, so once it shows they have been handled.
        self.key(app, "ctrl+2")
        self.key(app, "ctrl+shift+1")
        self.key(app, "ctrl+super+s")
        self.assertTrue(wait_for(lambda: self.sidebar_width(app) == 60, 5, 0.2), self.sidebar_width(app))
        self.assertEqual(self.current_page(app), "history")
        self.assertIs(self.defaults(app)["sidebar.collapsed"]["value"], True)
        self.key(app, "ctrl+1")
        self.assertTrue(self.wait_page(app, "home"))
        self.keep_screenshot(app, "home-collapsed.png")

        # Recording a tutorial puts the red mark on "Tutoriais"; stopping takes it away.
        def marked():
            window = client(app)
            if not window:
                return None  # shown again as the recording stops: neither answer yet
            shot = self.shot(app)
            top = window[2] + ITEM_TOP + 3 * ITEM_STEP
            return any(close_to(shot.pixel(window[1] + x, top + y), MARK, 10) for x in range(0, 60) for y in range(0, 16))
        self.assertIs(marked(), False)
        self.assertEqual(app.launch("--capture", "tutorial"), 0)
        self.assertTrue(wait_for(marked, 5, 0.2), "no recording mark")
        self.assertEqual(app.launch("--capture", "tutorial"), 0)
        self.assertTrue(wait_for(lambda: marked() is False, 5, 0.2), "the recording mark stayed")

    def test_page_keys_follow_key_positions_on_a_french_keyboard(self):
        app = self.start()
        self.key(app, "ctrl+3")
        self.assertTrue(self.wait_page(app, "history"))
        self.desktop.x(["setxkbmap", "fr"])
        self.addCleanup(lambda: self.desktop.x(["setxkbmap", "us"]))
        # The server tells the program of the new layout before it sends the key below, and the program
        # reads its events in order: the key is read with the French layout.
        # On this layout the "1" key types an ampersand.
        self.key(app, "ctrl+ampersand")
        self.assertTrue(self.wait_page(app, "home"), self.current_page(app))

    def test_the_frame_survives_a_restart_and_stays_on_screen(self):
        home = {}

        def keep_home(app):
            home["path"] = app.home
        app = self.start(prepare=keep_home)
        wid = app.main_window()[0]
        self.desktop.x(["xdotool", "windowsize", "--sync", wid, "1100", "700"])
        self.desktop.x(["xdotool", "windowmove", "--sync", wid, "200", "150"])
        moved = wait_for(lambda: (lambda w: w if w and w[3:] == (1100, 700) and w[1] != 340 else None)(client(app)), 5)
        self.assertTrue(moved, client(app))

        def saved_frame():  # the frame is saved shortly after the last change
            try:
                value = self.defaults(app).get("PelicartaMainWindow", {}).get("value", {})
            except (OSError, ValueError):
                return False
            return (value.get("width"), value.get("height")) == (1100, 700)
        self.assertTrue(wait_for(saved_frame, 5))
        self.assertEqual(app.launch("--quit"), 0)
        self.assertEqual(app.process.wait(patience(10)), 0)
        self.assertTrue(saved_frame())

        # The same home again: the same frame.
        again = subprocess.Popen([road_e2e.APP], env=app.env, stdout=app.log, stderr=subprocess.STDOUT)
        self.addCleanup(lambda: again.poll() is None and (again.terminate(), again.wait()))
        self.assertTrue(wait_for(app.main_window, 20))
        self.assertTrue(wait_for(lambda: (client(app) or [None])[1:] == moved[1:], 5), (client(app), moved))
        app.launch("--quit")
        again.wait(patience(10))

        # A frame saved on a screen that is gone opens fully visible.
        far = self.start({"PelicartaMainWindow": {"x": 5000, "y": 100, "width": 1240, "height": 800}})
        self.assertTrue(wait_for(lambda: client(far), 5))
        wid, x, y, w, h = client(far)
        left, right, top, bottom = frame_extents(far, wid)
        self.assertEqual((w, h), (1240, 800))
        self.assertTrue(0 <= x - left and x + w + right <= WIDTH and 0 <= y - top and y + h + bottom <= HEIGHT,
                        (x, y, w, h, left, right, top, bottom))


class OpensWithinTheScreen:
    """On a screen whose panel (trayer) keeps its strip: the main window, title bar and borders included,
    within what the panel leaves, as large as fits up to 1240 × 800 and never below 1000 × 660."""
    tray_reserves = True

    def placed(self, app):
        """(x, y, width, height, frame) of the main window once the window manager has framed it wholly
        within the work area; fails with where it is when that never happens."""
        area = self.desktop.work_area()
        seen = []

        def within():
            window = client(app)
            if not window:
                return None
            wid, x, y, w, h = window
            frame = frame_extents(app, wid)
            left, right, top, bottom = frame
            seen[:] = [(x, y, w, h), frame]
            framed = top > 0
            inside = (area[0] <= x - left and x + w + right <= area[0] + area[2] and area[1] <= y - top
                      and y + h + bottom <= area[1] + area[3])
            return (x, y, w, h, frame) if framed and inside else None
        placed = wait_for(within, 10)
        self.assertTrue(placed, f"the window and its frame {seen} are not within the work area {area}")
        return placed

    def assert_as_large_as_fits(self, placed):
        _, _, w, h, (left, right, top, bottom) = placed
        _, _, width, height = self.desktop.work_area()
        self.assertEqual((w, h), (max(1000, min(1240, width - left - right)), max(660, min(800, height - top - bottom))))

    def test_the_first_launch_opens_within_the_screen(self):
        self.assert_as_large_as_fits(self.placed(self.start()))


class LaptopScreenTest(OpensWithinTheScreen, road_e2e.DesktopTest):
    size = (1366, 768)

    def test_a_frame_remembered_on_a_larger_screen_opens_within_this_one(self):
        app = self.start({"PelicartaMainWindow": {"x": 63, "y": 0, "width": 1240, "height": 800}})
        self.assert_as_large_as_fits(self.placed(app))


class SmallLaptopScreenTest(OpensWithinTheScreen, road_e2e.DesktopTest):
    size = (1280, 720)


class NarrowScreenTest(OpensWithinTheScreen, road_e2e.DesktopTest):
    size = (1024, 768)

if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    road_e2e.APP = os.path.abspath(sys.argv[1])
    missing = [tool for tool in ("Xvfb", "openbox", "trayer", "xdotool", "xprop", "xwininfo", "convert",
                                 "setxkbmap") if not shutil.which(tool)]
    if missing:
        print("missing tools: " + ", ".join(missing) + " (scripts/setup-debian.sh installs them)")
        sys.exit(1)
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=2)
