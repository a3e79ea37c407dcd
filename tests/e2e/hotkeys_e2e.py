#!/usr/bin/env python3
"""End-to-end tests of the global hot keys and the quick panel with the real program.

The program runs on its own Xvfb display with openbox and trayer (the road tests' desktop); keys are
typed with xdotool, which the X server delivers to whichever client grabbed them.

    hotkeys_e2e.py PELICARTA [unittest options]
"""

import ctypes
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import menu_e2e  # noqa: E402
import road_e2e  # noqa: E402
import screen_reader  # noqa: E402
from road_e2e import (Desktop, Pelicarta, crop_bytes, next_second, press_until, screen_bytes,  # noqa: E402
                      wait_changed, wait_for, wait_settled)

WIDTH, HEIGHT = 1920, 1080
PANEL_W, PANEL_H = 340, 300
SHADOW = 24  # the transparent margin around the panel that holds its shadow, when a compositor runs


class KeyGrabber:
    """Another X client holding a key combination on the root window (through libxcb)."""

    def __init__(self, display, keycode, modifiers):
        xcb = screen_reader.xcb_library()
        xcb.xcb_grab_key.argtypes = [ctypes.c_void_p, ctypes.c_uint8, ctypes.c_uint32, ctypes.c_uint16,
                                     ctypes.c_uint8, ctypes.c_uint8, ctypes.c_uint8]
        self.xcb = xcb
        self.connection, screen = screen_reader.connect(display)
        root = screen_reader.root_window(screen)
        xcb.xcb_grab_key(self.connection, 0, root, modifiers, keycode, 1, 1)
        road_e2e.round_trip(xcb, self.connection)  # held once this returns

    def close(self):
        self.xcb.xcb_disconnect(self.connection)


def mean_color(path, x, y, w, h):
    """The mean red, green and blue (0…255) of a part of an image."""
    out = subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-format",
                          "%[fx:mean.r*255] %[fx:mean.g*255] %[fx:mean.b*255]", "info:"], capture_output=True)
    return tuple(float(v) for v in out.stdout.decode().split())


def luma(red, green, blue):
    """0…1, as ImageMagick's -colorspace gray weighs the three."""
    return (0.212656 * red + 0.715158 * green + 0.072186 * blue) / 255


def screen_mean_color(desktop, area):
    """The mean red, green and blue (0…255) of `area` (x, y, width, height) of the screen."""
    colors = desktop.colors(area)
    total = sum(colors.values()) or 1
    return tuple(sum(((color >> shift) & 0xFF) * count for color, count in colors.items()) / total
                 for shift in (16, 8, 0))


def screen_last_text_row(desktop, x, y, w, h):
    """The lowest row of `area` of the screen that holds light (text) pixels; None when none does."""
    pixels = desktop.pixels((x, y, w, h))
    rows = [row for row in range(len(pixels) // (3 * w))
            if any(luma(*pixels[i:i + 3]) > 0.5 for i in range(3 * w * row, 3 * w * (row + 1), 3))]
    return y + max(rows) if rows else None


class HotkeysTest(unittest.TestCase):
    desktop = None

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(WIDTH, HEIGHT)

    @classmethod
    def tearDownClass(cls):
        cls.desktop.close()

    def start(self, settings=None, prepare=None):
        app = Pelicarta(self.desktop, settings, prepare)
        self.addCleanup(app.stop)
        self.before = self.full_screen_windows()
        # The hot keys register on the event loop's first turn: it has turned once it answers.
        self.assertTrue(app.request("ping"), "the program does not answer")
        return app

    def key(self, keys):
        self.desktop.x(["xdotool", "key", keys])

    def full_screen_windows(self):
        return {w[0] for w in self.desktop.visible_windows(".*") if w[1:] == (0, 0, WIDTH, HEIGHT)}

    def overlay(self):
        """Full-screen windows that were not there when the test began (the root window is)."""
        return self.full_screen_windows() - self.before

    def panel_shown_after(self, press):
        """Presses and waits for the quick panel; (the panel, the moment it was first seen). Looked for with
        one quick query a round, so that the moment follows the panel's showing closely."""
        def names():
            return set(self.desktop.x(["xdotool", "search", "--onlyvisible", "--name", "^Pelicarta$"]).split())
        before = names()
        press()
        seen = wait_for(lambda: (names() - before) and time.monotonic(), 15)
        return wait_for(self.quick_panel, 15), seen

    def quick_panel(self):
        """The panel itself (id, x, y, width, height), inside its window's shadow margin."""
        for margin in (0, SHADOW):
            for wid, x, y, w, h in self.desktop.visible_windows("^Pelicarta$"):
                if (w, h) == (PANEL_W + 2 * margin, PANEL_H + 2 * margin):
                    return wid, x + margin, y + margin, PANEL_W, PANEL_H
        return None

    def click(self, x, y):
        self.desktop.x(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"])

    def toggle_lock(self, name):
        self.key(name)
        self.addCleanup(lambda: self.key(name))

    def test_hotkeys_capture_with_locks_and_open_the_overlay(self):
        app = self.start({"afterCapture": "copy"})
        captured = 0
        for lock in (None, "Num_Lock", "Caps_Lock"):
            if lock:
                self.toggle_lock(lock)
            press = lambda: self.key("alt+shift+f")  # noqa: E731
            made_one = lambda: len(app.capture_files()) > captured  # noqa: E731
            if captured == 0:
                made = press_until(press, made_one, 20)
            else:
                press()
                made = wait_for(made_one, 20)
            self.assertTrue(made, f"alt+shift+f with {lock or 'no lock'} made no capture:\n" + app.output())
            next_second()  # one capture per second keeps the file names apart
            captured = len(app.capture_files())
        self.key("alt+shift+a")
        self.assertTrue(wait_for(self.overlay, 10), "alt+shift+a did not open the overlay:\n" + app.output())
        self.key("Escape")
        self.assertTrue(wait_for(lambda: not self.overlay(), 10), "Escape did not close the overlay")
        self.assertTrue(app.running())

    def test_refused_and_duplicate_combinations(self):
        # Another client holds Alt+Shift+W (W is keycode 25, Alt is Mod1) before Pelicarta starts.
        grabber = KeyGrabber(self.desktop.display, 25, 0x1 | 0x8)
        self.addCleanup(grabber.close)

        def duplicate(app):
            os.makedirs(f"{app.home}/config/Pelicarta", exist_ok=True)
            path = f"{app.home}/config/Pelicarta/defaults.json"
            import base64
            import json
            with open(path) as f:
                document = json.load(f)
            stored = base64.b64encode(b'{"keyCode":3,"modifiers":655360,"key":"F"}').decode()
            document["values"]["shortcut.toggleTutorial"] = {"type": "data", "value": stored}
            with open(path, "w") as f:
                json.dump(document, f)

        app = self.start({"afterCapture": "copy"}, duplicate)
        log = app.output()
        self.assertIn("Global hot key refused: captureWindow", log)
        self.assertIn("Global hot key refused: toggleTutorial", log)
        self.assertNotIn("refused: captureFullScreen", log)
        self.key("alt+shift+f")
        self.assertTrue(wait_for(lambda: len(app.capture_files()) == 1, 15), app.output())
        self.key("alt+shift+a")
        self.assertTrue(wait_for(self.overlay, 10), "alt+shift+a did not open the overlay")
        self.key("Escape")
        self.assertTrue(wait_for(lambda: not self.overlay(), 10))

    def test_quick_panel(self):
        app = self.start({"quick.lifetime": 10})
        self.desktop.x(["xdotool", "mousemove", "--sync", "100", "300"])
        self.key("alt+shift+f")
        panel = wait_for(self.quick_panel, 15)
        self.assertTrue(panel, "no quick panel:\n" + app.output())
        _, px, py, _, _ = panel
        self.assertEqual((px + PANEL_W, py + PANEL_H), (WIDTH - 20, HEIGHT - 20))
        # On every desktop.
        self.assertIn(b"4294967295", self.desktop.x(["xprop", "-id", panel[0], "_NET_WM_DESKTOP"]))

        # A swatch: the thumbnail's edge turns from the dark desktop to the backdrop.
        strip = (px + 30, py + 80, 8, 60)  # the left band of the beautified thumbnail
        # Read once the panel has painted: a baseline taken before would let any paint pass for the change.
        wait_settled(self.desktop, (px, py, PANEL_W, PANEL_H))
        before = luma(*screen_mean_color(self.desktop, strip))
        if os.environ.get("KEEP_SHOTS"):
            self.desktop.screenshot("/tmp/hk/before.png")
        self.click(px + 10 + 36 * 1 + 15, py + 25 + 176 + 8 + 13)
        changed = wait_for(lambda: luma(*screen_mean_color(self.desktop, strip)) > before + 0.15, 10)
        if os.environ.get("KEEP_SHOTS"):
            self.desktop.screenshot("/tmp/hk/after.png")
        self.assertTrue(changed, "the thumbnail did not get the backdrop")

        # "Copiar": PNG and TIFF on the clipboard, and the panel goes.
        self.desktop.set_clipboard_text("before")
        self.click(px + 61, py + 259)
        self.assertTrue(wait_for(lambda: "image/png" in self.desktop.clipboard_targets(), 10))
        self.assertIn("image/tiff", self.desktop.clipboard_targets())
        self.assertTrue(wait_for(lambda: self.quick_panel() is None, 5), "the panel stayed after copying")

        # "Editar": the main window comes up on the editor.
        window = app.main_window()
        self.desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
        self.desktop.x(["xdotool", "key", "--clearmodifiers", "alt+F4"])
        self.assertTrue(wait_for(lambda: app.main_window() is None, 10))
        next_second()
        self.desktop.x(["xdotool", "mousemove", "--sync", "100", "300"])
        self.key("alt+shift+f")
        self.assertTrue(wait_for(self.quick_panel, 15))
        self.click(px + 279, py + 259)
        self.assertTrue(wait_for(app.main_window, 10), "Editar did not open the main window")
        self.assertTrue(wait_for(lambda: self.quick_panel() is None, 5))

        # The lifetime: gone after 10 s with the pointer elsewhere.
        next_second()
        self.desktop.x(["xdotool", "mousemove", "--sync", "100", "300"])
        panel, shown = self.panel_shown_after(lambda: self.key("alt+shift+f"))
        self.assertTrue(panel and shown, "no quick panel")
        self.assertTrue(wait_for(lambda: self.quick_panel() is None, 14))
        lifetime = time.monotonic() - shown
        self.assertGreater(lifetime, 9.0)

        # Hovering holds it past its lifetime; leaving starts the full lifetime again. Held for longer
        # than the program, as busy as it is now, took to close the panel above.
        next_second()
        self.key("alt+shift+f")
        self.assertTrue(wait_for(self.quick_panel, 15))
        self.desktop.x(["xdotool", "mousemove", "--sync", str(px + 200), str(py + 100)])
        time.sleep(max(12.0, lifetime + 2.0))
        self.assertIsNotNone(self.quick_panel(), "the panel closed while hovered")
        self.desktop.x(["xdotool", "mousemove", "--sync", "100", "300"])
        left = time.monotonic()
        self.assertTrue(wait_for(lambda: self.quick_panel() is None, 14))
        self.assertGreater(time.monotonic() - left, 9.0)
        self.assertTrue(app.running())

    def test_our_windows_never_in_a_capture_and_the_linux_desktop(self):
        app = self.start({"afterCapture": "quick", "history.compact": False, "quick.lifetime": 0})
        shots = os.environ.get("KEEP_SHOTS") or f"{app.home}/shots"
        os.makedirs(shots, exist_ok=True)

        # The tray icon stands out on trayer's light panel: its dark rim is there.
        icon = wait_for(app.tray_icon, 10)
        self.assertIsNotNone(icon, "no tray icon")
        self.desktop.screenshot(f"{shots}/tray.png")
        self.assertLess(min(self.desktop.pixels((icon[0] - 8, icon[1], 16, 1))[0::3]), 80,
                        "the tray icon does not show on a light panel")

        # A capture with the main window and the quick panel on screen shows the desktop where they are.
        desktop = (48, 96, 144)
        self.desktop.paint_root(desktop)

        def dark_again():  # the other tests expect the dark desktop
            def dark():
                self.desktop.paint_root((0, 0, 0))
                return screen_mean_color(self.desktop, (0, HEIGHT - 40, 40, 40)) == (0.0, 0.0, 0.0)
            wait_for(dark, 10, 0.5)
        self.addCleanup(dark_again)
        self.desktop.x(["xdotool", "mousemove", "--sync", "100", "300"])
        self.key("alt+shift+f")
        panel = wait_for(self.quick_panel, 15)
        self.assertTrue(panel, "no quick panel:\n" + app.output())
        window = app.main_window()
        self.assertTrue(window)
        next_second()

        def painted():
            self.desktop.paint_root(desktop)
            return screen_mean_color(self.desktop, (0, HEIGHT - 40, 40, 40)) == tuple(float(c) for c in desktop)
        self.assertTrue(wait_for(painted, 10, 0.5), "the desktop could not be painted")
        self.key("alt+shift+f")
        self.assertTrue(wait_for(lambda: len(app.capture_files()) == 2, 15), app.output())
        self.desktop.screenshot(f"{shots}/panel-and-window.png")
        captured = f"{app.recents}/{app.capture_files()[-1]}"
        shutil.copy(captured, f"{shots}/captured-with-our-windows-up.png")
        for name, (_, x, y, w, h) in (("main window", window), ("quick panel", panel)):
            color = mean_color(captured, x, y, w, h)
            for got, want in zip(color, desktop):
                self.assertAlmostEqual(got, want, delta=2, msg=f"the {name} left {color} in the capture")

        # A window that names no process (ImageMagick's display) is picked and taken in window mode.
        viewer = subprocess.Popen(["display", "-title", "Verde", "-geometry", "+700+250", "-size", "320x240",
                                   "xc:#20b040"], env=self.desktop.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (viewer.kill(), viewer.wait()))
        shown = wait_for(lambda: self.desktop.visible_windows("^Verde$"), 10)
        self.assertTrue(shown, "display did not open its window")
        self.assertIn(b"not found", self.desktop.x(["xprop", "-id", shown[0][0], "_NET_WM_PID"]))
        _, vx, vy, vw, vh = shown[0]
        next_second()
        target = (vx, vy, vw, vh)
        before = screen_bytes(self.desktop, target)
        self.key("alt+shift+w")
        self.assertTrue(wait_for(self.overlay, 10), "no overlay")
        # Its first frame is out over the window to pick.
        self.assertTrue(wait_changed(self.desktop, before, target), "the overlay did not paint")
        self.click(vx + vw // 2, vy + vh // 2)
        self.assertTrue(wait_for(lambda: len(app.capture_files()) == 3, 15), "the window was not taken:\n" + app.output())
        picked = f"{app.recents}/{app.capture_files()[-1]}"
        shutil.copy(picked, f"{shots}/window-without-pid.png")
        size = subprocess.run(["identify", "-format", "%w %h", picked], capture_output=True).stdout.decode().split()
        self.assertGreaterEqual(int(size[0]), 320)
        self.assertLess(int(size[0]), 360)
        width, height = int(size[0]), int(size[1])
        green = mean_color(picked, width // 2 - 20, height - 60, 40, 40)
        self.assertGreater(green[1], 150, f"not the green window: {green}")

        # The standard widgets speak Portuguese in the dark theme: the panel's context menu and its save
        # dialog.
        panel = wait_for(self.quick_panel, 5)
        _, px, py, _, _ = panel
        # Near the screen's bottom the menu opens upwards, over the blue desktop above the panel.
        above = (px + 200, py - 60, 60, 20)
        uncovered = screen_bytes(self.desktop, above)
        self.desktop.x(["xdotool", "mousemove", "--sync", str(px + 170), str(py + 100), "click", "3"])
        self.assertTrue(wait_changed(self.desktop, uncovered, above), "no context menu")
        self.desktop.screenshot(f"{shots}/context-menu.png")
        self.assertLess(luma(*screen_mean_color(self.desktop, above)), 0.2, "the context menu is not dark")
        self.key("Escape")
        self.assertTrue(wait_for(lambda: screen_bytes(self.desktop, above) == uncovered, 10), "the menu stayed")
        everything = screen_bytes(self.desktop)
        self.click(px + 170, py + 259)
        dialog = wait_for(lambda: self.desktop.visible_windows("^Salvar como$"), 10)
        self.assertTrue(dialog, "no save dialog titled Salvar como")
        # Painted where it shows, and at rest.
        _, dx, dy, dw, dh = dialog[0]
        area = (max(dx, 0), max(dy, 0), min(dx + dw, WIDTH) - max(dx, 0), min(dy + dh, HEIGHT) - max(dy, 0))
        self.assertTrue(wait_changed(self.desktop, crop_bytes(everything, WIDTH, area), area), "the dialog did not paint")
        self.desktop.screenshot(f"{shots}/save-dialog.png")
        _, dx, dy, dw, dh = dialog[0]
        self.assertLess(luma(*screen_mean_color(self.desktop, (dx + dw // 2, dy + dh // 2, 40, 40))), 0.25,
                        "the save dialog is not dark")
        self.key("Escape")
        self.assertTrue(wait_for(lambda: not self.desktop.visible_windows("^Salvar como$"), 5))

        # The reserved list, opened on the settings page (Ctrl+,).
        window = wait_for(app.main_window, 5)
        self.assertTrue(window, str(self.desktop.visible_windows(".*")))
        _, mx, my, mw, mh = window
        page = (mx, my, mw, mh)
        home = screen_bytes(self.desktop, page)
        self.desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
        self.desktop.x(["xdotool", "key", "--clearmodifiers", "ctrl+comma"])
        self.assertTrue(wait_changed(self.desktop, home, page), "ctrl+comma did not change the page")
        # What changed may be only the repaint where the dialog was: the settings item lights up.
        self.assertTrue(wait_for(lambda: menu_e2e.current_page(self.desktop, app) == "settings", 10),
                        "ctrl+comma did not show the settings page")
        # Scrolled to its end, the page shows the reserved list's heading as the last line of text above
        # the history section, the page's last, in the page's column right of the sidebar.
        column = mx + 250
        self.desktop.x(["xdotool", "mousemove", "--sync", str(column + 300), str(my + mh // 2)])
        top = screen_bytes(self.desktop, page)
        for _ in range(40):
            self.desktop.x(["xdotool", "click", "5"])
        self.assertTrue(wait_changed(self.desktop, top, page), "the settings page did not scroll")
        # A starved program can pause in the middle of the scroll: the heading is taken once two reads agree.
        previous = [None]

        def heading_at_rest():
            row = screen_last_text_row(self.desktop, column, my + mh - 305, 300, 50)
            alike = row is not None and row == previous[0]
            previous[0] = row
            return row if alike else None
        heading = wait_for(heading_at_rest, 10, 0.2)
        self.desktop.screenshot(f"{shots}/settings.png")
        self.assertIsNotNone(heading, "no settings page")
        closed = screen_bytes(self.desktop, page)
        self.click(column + 200, heading - 4)
        self.assertTrue(wait_changed(self.desktop, closed, page), "the click on the heading changed nothing")
        # Closed, the gap down to "Histórico" holds no text; open, the list's first lines fill it.
        opened = wait_for(lambda: screen_last_text_row(self.desktop, column, heading + 12, 300, 16) is not None, 10, 0.2)
        self.desktop.screenshot(f"{shots}/reserved-list.png")
        self.assertTrue(opened, "the reserved list did not open")
        for _ in range(12):
            self.desktop.x(["xdotool", "click", "5"])
        wait_settled(self.desktop, page)
        self.desktop.screenshot(f"{shots}/reserved-list-scrolled.png")
        self.assertTrue(app.running())


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    road_e2e.APP = os.path.abspath(sys.argv[1])
    missing = [tool for tool in ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xprop", "xwininfo", "convert")
               if not shutil.which(tool)]
    if missing:
        print("missing tools: " + ", ".join(missing))
        sys.exit(1)
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=2)
