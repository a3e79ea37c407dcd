#!/usr/bin/env python3
"""End-to-end tests of the brand logo on captures with the real program.

A logo file is put in the brand folder and the switch set in the settings file before the program
starts (the road tests' desktop: Xvfb, openbox, trayer); the copy outcome is read back with xclip, the
quick panel with a screenshot of the root window. The brand page is driven with xdotool: a design file
and a logo are chosen in the real file dialogs, the logo switched on, and a capture copied.

    brand_e2e.py PELICARTA [unittest options]     (KEEP_SHOTS=folder keeps the screenshots)
"""

import os
import json
import shutil
import struct
import subprocess
import sys
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_e2e  # noqa: E402
import shell_e2e  # noqa: E402
from menu_e2e import current_page  # noqa: E402
from road_e2e import Desktop, Pelicarta, wait_for, wait_settled  # noqa: E402
from tutorial_e2e import answered  # noqa: E402

WIDTH, HEIGHT = 1280, 720
PANEL_W, PANEL_H = 340, 300
MARGIN = 4 * 64  # the default style's backdrop around a capture, both sides together


def green_logo_png(width=400, height=100, border=0):
    """An opaque pure-green 4:1 logo, a colour neither the desktop nor any built-in backdrop has; with a
    border, on a plain white field (as a logo file usually comes, for the loader to clear)."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    white, green = b"\xff\xff\xff", b"\x00\xff\x00"
    plain = b"\x00" + white * (width + 2 * border)
    line = b"\x00" + white * border + green * width + white * border
    rows = plain * border + line * height + plain * border
    width, height = width + 2 * border, height + 2 * border
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def green_pixels(image, x, y, w, h):
    """How many pixels of a region of an image (file path or PNG bytes) are pure-ish green."""
    source, data = ("png:-", image) if isinstance(image, bytes) else (image, None)
    out = subprocess.run(["convert", source, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-fuzz", "12%", "-fill", "black",
                          "+opaque", "#00ff00", "-fill", "white", "-opaque", "#00ff00", "-format", "%[fx:mean*w*h]",
                          "info:"], input=data, capture_output=True)
    return float(out.stdout.decode() or 0)


def with_logo(app):
    os.makedirs(f"{app.documents}/Marca", mode=0o700)
    with open(f"{app.documents}/Marca/logo.png", "wb") as f:
        f.write(green_logo_png())


class BrandLogoTest(unittest.TestCase):
    desktop = None

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(WIDTH, HEIGHT)

    @classmethod
    def tearDownClass(cls):
        cls.desktop.close()

    def start(self, settings):
        app = Pelicarta(self.desktop, settings, with_logo)
        self.addCleanup(app.stop)
        return app

    def keep(self, path, name):
        if os.environ.get("KEEP_SHOTS"):
            os.makedirs(os.environ["KEEP_SHOTS"], exist_ok=True)
            shutil.copy(path, os.path.join(os.environ["KEEP_SHOTS"], name))

    def test_copy_capture_has_the_logo_in_its_bottom_right_band_only_when_switched_on(self):
        width, height = WIDTH + MARGIN, HEIGHT + MARGIN
        band = MARGIN // 2
        for switch in (True, False):
            app = self.start({"afterCapture": "copy", "brand.kit": {"logoOnScreenshots": switch}})
            self.desktop.set_clipboard_text("before")
            self.assertEqual(app.launch("--capture", "fullscreen"), 0)
            self.assertTrue(wait_for(lambda: "image/png" in self.desktop.clipboard_targets(), 15), app.output())
            png = self.desktop.clipboard("image/png")
            if os.environ.get("KEEP_SHOTS"):
                with open(f"{app.home}/copy.png", "wb") as f:
                    f.write(png)
                self.keep(f"{app.home}/copy.png", f"copy-{'on' if switch else 'off'}.png")
            self.assertEqual(road_e2e.image_size(self.desktop, png), (width, height))
            # A medium logo of aspect 4 in a 128-pixel band: about 54 × 215 pixels, 37 from the corner.
            corner = green_pixels(png, width - 300, height - band, 300, band)
            elsewhere = green_pixels(png, 0, 0, width - 300, height)
            if switch:
                self.assertGreater(corner, 0.8 * 54 * 215, "no logo in the bottom-right band")
                self.assertLess(corner, 1.2 * 54 * 215)
            else:
                self.assertEqual(corner, 0, "a logo although the switch is off")
            self.assertEqual(elsewhere, 0)
            app.stop()

    def test_quick_panel_thumbnail_shows_the_logo_once_a_backdrop_is_chosen(self):
        app = self.start({"brand.kit": {"logoOnScreenshots": True}, "quick.lifetime": 0})
        self.desktop.x(["xdotool", "mousemove", "--sync", "100", "300"])
        self.assertEqual(app.launch("--capture", "fullscreen"), 0)
        panel = wait_for(lambda: [w for w in self.desktop.visible_windows("^Pelicarta$") if w[3:] == (PANEL_W, PANEL_H)], 15)
        self.assertTrue(panel, "no quick panel:\n" + app.output())
        _, px, py, _, _ = panel[0]
        shot = f"{app.home}/screen.png"
        quick = (px, py, PANEL_W, PANEL_H)
        # Painted (its accent-filled button shows) and at rest, before looking for what must not be there.
        self.assertTrue(wait_for(lambda: road_e2e.color_fraction(self.desktop, quick, "#c9beff", 10) > 0.005, 10),
                        "the quick panel was never painted")
        self.assertTrue(wait_settled(self.desktop, quick), "the quick panel never came to rest")
        self.desktop.screenshot(shot)
        self.keep(shot, "quick-before.png")
        self.assertEqual(green_pixels(shot, *quick), 0, "a logo on the plain capture")

        self.desktop.x(["xdotool", "mousemove", "--sync", str(px + 10 + 36 + 15), str(py + 25 + 176 + 8 + 13),
                        "click", "1"])
        shown = wait_for(lambda: road_e2e.color_fraction(self.desktop, quick, "#00ff00") * PANEL_W * PANEL_H > 100, 10)
        self.desktop.screenshot(shot)
        self.keep(shot, "quick-after.png")
        self.assertTrue(shown, "the thumbnail has no logo")
        # In the thumbnail's lower right, where the band of the beautified capture is.
        self.assertGreater(green_pixels(shot, px + PANEL_W // 2, py, PANEL_W // 2, 25 + 176), 100)
        self.assertTrue(app.running())


class BrandPageTest(unittest.TestCase):
    """The brand page on a desktop large enough for the main window."""
    desktop = None

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(1920, 1080)

    @classmethod
    def tearDownClass(cls):
        cls.desktop.close()

    def keep(self, app, name):
        folder = os.environ.get("KEEP_SHOTS") or os.path.join(os.path.dirname(road_e2e.APP), "..", "test-output")
        os.makedirs(folder, exist_ok=True)
        self.desktop.screenshot(os.path.join(folder, "brand-page-" + name))

    def choose_in_dialog(self, path):
        """Types a path into the open file dialog (its name field has the focus) and accepts it."""
        dialog = wait_for(lambda: self.desktop.visible_windows("Escolha|Choose"), 10)
        self.assertTrue(dialog, "no file dialog")
        # Typed keys go to the active window: the dialog's, once the window manager has handed it the focus.
        ids = {window[0] for window in dialog}
        self.assertTrue(wait_for(lambda: self.desktop.x(["xdotool", "getactivewindow"]).decode().strip() in ids, 10),
                        "the file dialog did not get the focus")
        self.desktop.x(["xdotool", "type", "--delay", "20", path])
        self.desktop.x(["xdotool", "key", "Return"])
        self.assertTrue(wait_for(lambda: not self.desktop.visible_windows("Escolha|Choose"), 10), "the dialog stayed")

    def at_rest(self, app, area):
        """Waits until the program has finished what it was doing (it serves its socket again) and the
        page has stopped moving: a notice eases in and pushes the cards down."""
        self.assertTrue(wait_for(lambda: answered(app), 10), app.output())
        self.assertTrue(wait_settled(self.desktop, area), "the page never came to rest")

    def kit(self, app):
        with open(f"{app.home}/config/Pelicarta/defaults.json") as f:
            return json.load(f)["values"].get("brand.kit", {}).get("value", {})

    def test_a_design_file_and_a_logo_chosen_on_the_page_reach_the_copied_capture(self):
        def prepare(app):
            with open(f"{app.home}/DESIGN.md", "w") as f:
                f.write("# ACME\n\n- Primary: #D81B60\n- Background: #FFFFFF\n")
            with open(f"{app.home}/logo.png", "wb") as f:
                f.write(green_logo_png(border=30))
            app.env["PELICARTA_WATCHDOG"] = "1"
        app = Pelicarta(self.desktop, {"afterCapture": "copy"}, prepare)
        self.addCleanup(app.stop)
        wid, x, y, w, h = shell_e2e.client(app)
        page = (x, y, w, h)
        self.desktop.x(["xdotool", "windowactivate", "--sync", wid])
        self.desktop.x(["xdotool", "key", "--clearmodifiers", "ctrl+5"])
        self.assertTrue(wait_for(lambda: current_page(self.desktop, app) == "brand", 10), "the brand page did not show")
        self.keep(app, "empty.png")
        # The import button closes the header on the right.
        self.desktop.x(["xdotool", "mousemove", "--sync", str(x + w - 28 - 60), str(y + 38 + 18), "click", "1"])
        self.choose_in_dialog(f"{app.home}/DESIGN.md")
        self.assertTrue(wait_for(lambda: self.kit(app).get("primary") == 0xD81B60, 10), self.kit(app))
        self.at_rest(app, page)

        # The drop zone is the first white area down the middle of the cards' column. A busy machine can
        # show the page a moment before it has painted again where the dialog was.
        def drop_zone():
            shot = shell_e2e.Screenshot(self.desktop)
            sidebar = next((i for i in range(1, 400)
                            if not shell_e2e.close_to(shot.pixel(x + i, y + 400), shell_e2e.PANEL, 2)), None)
            if sidebar is None:
                return None
            column = x + sidebar + 1 + 226
            zone = next((j for j in range(y + 80, y + h) if shot.pixel(column, j) == (255, 255, 255)), None)
            return zone and (sidebar, column, zone)
        found = wait_for(drop_zone, 10, 0.2)
        shown = []
        if not found:
            self.keep(app, "no-drop-zone.png")
            shown = [self.desktop.x(["xdotool", "getwindowname", wid]).decode(errors="replace").strip()
                     for wid in self.desktop.x(["xdotool", "search", "--onlyvisible", "--name", "."]).decode().split()]
        self.assertIsNotNone(found, f"no drop zone; the windows shown: {shown}\n" + app.output())
        sidebar, column, zone = found
        self.desktop.x(["xdotool", "mousemove", "--sync", str(column), str(zone + 40), "click", "1"])
        self.choose_in_dialog(f"{app.home}/logo.png")
        self.assertTrue(wait_for(lambda: os.path.exists(f"{app.documents}/Marca/logo.png"), 15), app.output())
        self.at_rest(app, page)  # the logo's notice eases in, and the column scrolls to show it
        self.keep(app, "logo.png")
        # The design file is parsed and the logo decoded off the GUI thread: it never worked for long
        # without turning (what it waited for a processor aside).
        worked = [line for _, cpu, line in road_e2e.gui_thread_stretches(app) if cpu > 1000 * road_e2e.slowdown()]
        self.assertEqual(worked, [], "the GUI thread worked for over a second at a time")

        # Scroll the cards down until the first switch shows, that of the logo-on-screenshots card: a
        # small white knob at the card's right edge.
        self.desktop.x(["xdotool", "mousemove", "--sync", str(column), str(y + h - 40)])
        right = x + sidebar + 1 + 452 - 28 - 18
        knob = None
        for _ in range(20):
            shot = shell_e2e.Screenshot(self.desktop)
            white = (255, 255, 255)
            knob = next(((i, j) for j in range(y + 80, y + h - 30) for i in range(right - 50, right - 10)
                         if shot.pixel(i, j) == white and white not in (shot.pixel(i - 20, j), shot.pixel(i + 20, j),
                                                                         shot.pixel(i, j + 20))), None)
            if knob:
                break
            before = road_e2e.screen_bytes(self.desktop, page)
            self.desktop.x(["xdotool", "click", "5"])
            # The cards move by a notch (at the end of the column nothing moves), then rest.
            wait_for(lambda: road_e2e.screen_bytes(self.desktop, page) != before, 2, may_run_out=True)
            self.assertTrue(wait_settled(self.desktop, page), "the page never came to rest")
        self.assertIsNotNone(knob, "no switch")
        self.desktop.x(["xdotool", "mousemove", "--sync", str(knob[0]), str(knob[1] + 4), "click", "1"])
        self.assertTrue(wait_for(lambda: self.kit(app).get("logoOnScreenshots") is True, 10), self.kit(app))
        self.at_rest(app, page)
        self.keep(app, "print.png")

        self.desktop.set_clipboard_text("before")
        self.assertEqual(app.launch("--capture", "fullscreen"), 0)
        self.assertTrue(wait_for(lambda: "image/png" in self.desktop.clipboard_targets(), 15), app.output())
        png = self.desktop.clipboard("image/png")
        width, height = road_e2e.image_size(self.desktop, png)
        self.assertGreater(green_pixels(png, width - 400, height - MARGIN // 2, 400, MARGIN // 2), 1000,
                           "no logo in the copied capture")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    road_e2e.APP = os.path.abspath(sys.argv[1])
    missing = [tool for tool in ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xprop", "xwininfo", "convert",
                                 "identify") if not shutil.which(tool)]
    if missing:
        print("missing tools: " + ", ".join(missing))
        sys.exit(1)
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=2)
