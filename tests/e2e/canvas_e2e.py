#!/usr/bin/env python3
"""End-to-end tests of the annotation canvas with the real program: a full-screen capture opened in the
editor, marks drawn with xdotool, the result read back from the clipboard.

    canvas_e2e.py PELICARTA [unittest options]
"""

import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import editor_e2e  # noqa: E402
import road_e2e  # noqa: E402
from road_e2e import wait_for  # noqa: E402
from shell_e2e import Screenshot, client  # noqa: E402

DESK = (60, 120, 90)
ARROW = (0xFF, 0x5A, 0x5F)


def pixels(png):
    """(width, height, rgb bytes) of PNG bytes."""
    ppm = subprocess.run(["convert", "png:-", "-alpha", "off", "ppm:-"], input=png, capture_output=True).stdout
    parts = ppm.split(maxsplit=4)
    return int(parts[1]), int(parts[2]), parts[4]


class CanvasTest(road_e2e.DesktopTest):
    open_editor = editor_e2e.EditorTest.open_editor
    key = editor_e2e.EditorTest.key

    screenshot_prefix = "canvas-"

    def keep_screenshot(self, app, name):
        """The screen now, for a person to look at: test-output/<screenshot_prefix><name>."""
        folder = os.path.join(os.path.dirname(road_e2e.APP), "..", "test-output")
        os.makedirs(folder, exist_ok=True)
        self.desktop.screenshot(os.path.join(folder, self.screenshot_prefix + name))

    def paint_desk(self):
        """Paints the desktop and waits until the screen shows it: a window manager still starting may
        clear it again, so it is painted again until a later look finds the colour still there."""
        def painted():
            shot = Screenshot(self.desktop)
            if shot.pixel(10, 1000) == DESK:
                return True
            self.desktop.paint_root(DESK)
            return False
        self.assertTrue(wait_for(painted, 15, 0.5), "the desktop never took its colour")

    def canvas_frame(self, app):
        """(x, y, width, height) on the screen of the captured desktop shown in the editor's canvas, once two
        looks in a row find it in the same place (a page or a tool that has just changed has been laid out)."""
        frame = [None]

        def steady():
            frame.append(self.find_frame(app))
            return frame[-1] and frame[-1] == frame[-2]
        wait_for(steady, 10, 0.5)
        if not frame[-1] or frame[-1] != frame[-2]:
            self.keep_screenshot(app, "no-capture.png")
        self.assertTrue(frame[-1], "the canvas shows no capture")
        self.assertEqual(frame[-1], frame[-2], "the capture does not stay in one place on the canvas")
        return frame[-1]

    def choose_tool(self, app, key):
        """Picks a marking tool by its key and waits for its colour swatches over the canvas, the first of
        them the mark colour: the canvas has left the preview and shows the capture alone."""
        self.key(app, key)

        def swatches():
            _, cx, cy, cw, _ = client(app)
            return road_e2e.color_fraction(self.desktop, (cx, cy, cw, 140), "#ff5a5f", 3) > 0
        self.assertTrue(wait_for(swatches, 10), f"the tool of key {key} did not come up")

    def mark_pixels(self, app, frame):
        """How many pixels of the mark colour the canvas shows inside `frame`."""
        return road_e2e.color_fraction(self.desktop, frame, "#ff5a5f", 3) * frame[2] * frame[3]

    def find_frame(self, app):
        _, cx, cy, cw, ch = client(app)
        shot = Screenshot(self.desktop)
        xs, ys = [], []
        for y in range(cy, cy + ch, 2):
            # The longest run of the desktop's colour: the sidebar's thumbnail shows it too.
            best, run = (0, 0), None
            for x in range(cx, cx + cw, 2):
                if shot.pixel(x, y) == DESK:
                    run = run or x
                    if x - run > best[1] - best[0]:
                        best = (run, x)
                else:
                    run = None
            if best[1] - best[0] > 200:
                xs += list(best)
                ys.append(y)
        if not xs:
            return None
        return min(xs), min(ys), max(xs) - min(xs), max(ys) - min(ys)

    def test_an_arrow_drawn_on_the_canvas_is_in_the_copy_where_it_was_drawn(self):
        self.paint_desk()
        app = self.start({"afterCapture": "editor"})
        self.open_editor(app)
        self.choose_tool(app, "a")
        fx, fy, fw, fh = self.canvas_frame(app)
        scale = fw / 1920
        start, end = (fx + fw * 0.25, fy + fh * 0.3), (fx + fw * 0.7, fy + fh * 0.65)
        self.drag(start, end)
        # The arrow shows on the canvas as it is drawn.
        self.assertTrue(wait_for(lambda: self.mark_pixels(app, (fx, fy, fw, fh)) > 100, 10), "no arrow on the canvas")
        self.keep_screenshot(app, "arrow.png")

        self.desktop.set_clipboard_text("before")
        self.key(app, "ctrl+c")
        self.assert_png_copied(app)
        width, _, data = pixels(self.desktop.clipboard("image/png"))
        # The copy trims the capture's uniform borders, so the arrow is found by its colour: it must
        # span the drag's extent in image pixels and run along the drag's line.
        reds = [(i // 3 % width, i // 3 // width) for i in range(0, len(data) - 2, 3)
                if all(abs(p - q) <= 6 for p, q in zip(data[i:i + 3], ARROW))]
        self.assertTrue(reds, "no arrow in the copy")
        left, right = min(x for x, _ in reds), max(x for x, _ in reds)
        top, bottom = min(y for _, y in reds), max(y for _, y in reds)
        dx, dy = (int(end[0]) - int(start[0])) / scale, (int(end[1]) - int(start[1])) / scale
        self.assertLess(abs((right - left) - dx), 12, (left, right, dx))
        self.assertLess(abs((bottom - top) - dy), 12, (top, bottom, dy))
        red = set(reds)
        for t in (0.25, 0.5, 0.75):
            x, y = int(left + 3 + (dx - 6) * t), int(top + 3 + (dy - 6) * t)
            self.assertTrue(any((x + i, y + j) in red for i in range(-3, 4) for j in range(-3, 4)),
                            f"the arrow leaves the drag's line at {t}")
        self.assertTrue(app.running())


    def drag(self, start, end):
        self.desktop.x(["xdotool", "mousemove", str(int(start[0])), str(int(start[1])), "mousedown", "1"])
        for step in range(1, 11):
            self.desktop.x(["xdotool", "mousemove", str(int(start[0] + (end[0] - start[0]) * step / 10)),
                            str(int(start[1] + (end[1] - start[1]) * step / 10))])
        # The keys and clicks that follow reach the program after the release.
        self.desktop.x(["xdotool", "mouseup", "1"])

    def test_a_typed_label_and_an_applied_crop_reach_the_copy(self):
        self.paint_desk()
        app = self.start({"afterCapture": "editor"})
        self.open_editor(app)
        self.choose_tool(app, "t")
        fx, fy, fw, fh = self.canvas_frame(app)
        scale = fw / 1920
        # The click opens the label's field and gives it the keyboard before the typed keys are handled.
        self.desktop.x(["xdotool", "mousemove", str(int(fx + fw * 0.4)), str(int(fy + fh * 0.4)), "click", "1"])
        self.desktop.x(["xdotool", "type", "--delay", "60", "Olá"])
        self.desktop.x(["xdotool", "key", "Return"])
        # The finished label shows on the canvas in its pill of the mark colour.
        self.assertTrue(wait_for(lambda: self.mark_pixels(app, (fx, fy, fw, fh)) > 150, 10), "no label on the canvas")
        self.keep_screenshot(app, "text.png")

        self.key(app, "c")
        self.drag((fx + fw * 0.3, fy + fh * 0.3), (fx + fw * 0.7, fy + fh * 0.8))
        road_e2e.wait_settled(self.desktop, (fx, fy, fw, fh))
        self.keep_screenshot(app, "crop.png")
        self.key(app, "Return")  # applies the crop
        self.desktop.set_clipboard_text("before")
        self.key(app, "ctrl+c")
        self.assert_png_copied(app)
        width, height, data = pixels(self.desktop.clipboard("image/png"))
        pill = sum(1 for i in range(0, len(data) - 2, 3) if all(abs(p - q) <= 6 for p, q in zip(data[i:i + 3], ARROW)))
        # The label's pill, filled with the mark colour, is in the copy; the copy is no wider than the crop
        # and its margin.
        self.assertGreater(pill, 1500)
        self.assertLess(width, 0.4 * fw / scale + 2 * 140)
        self.assertLess(height, 0.5 * fh / scale + 2 * 140)
        self.assertTrue(app.running())

    def test_hiding_sensitive_data_puts_a_mosaic_over_an_email_address(self):
        self.open_test_window("Mail", "--fill", "ffffff", "--rect", "40,60,700,160", "--text", "contato@empresa.com.br")
        app = self.start({"afterCapture": "editor"})
        self.open_editor(app)
        dark_before = self.copied_dark_pixels(app)
        self.assertGreater(dark_before, 100, "the address is not in the copy")
        self.assertEqual(app.launch(), 0)  # copying closed the window; it comes back on the same capture

        self.key(app, "b")
        button = wait_for(lambda: self.prominent_button(app), 10)
        self.assertTrue(button, "no sensitive-data button in the toolbar")
        # On a busy machine the reading can run past its limit, which the editor reports as a failure the
        # user would answer by clicking again; so does a click that came before the button was ready.
        hidden = False
        for _ in range(3):
            # Either notice shows for two seconds: both are looked for from before the click.
            done, failed = self.watch("1 dado escondido"), self.watch("Não consegui analisar o print")
            self.desktop.x(["xdotool", "mousemove", str(button[0]), str(button[1]), "click", "1"])
            outcome = wait_for(lambda: done.seen(0) and "hidden" or failed.seen(0) and "failed", 30)
            done.stop()
            failed.stop()
            if outcome == "hidden":
                hidden = True
                break
            # A failure's toast goes before the next click, so that it is not taken for the next outcome.
            wait_for(lambda: not app.toast("Não consegui analisar o print"), 30)
        self.assertTrue(hidden, app.output())
        self.keep_screenshot(app, "sensitive.png")
        # The letters' dark pixels are averaged away into blocks of grey.
        self.assertLess(self.copied_dark_pixels(app), dark_before * 0.2)
        self.assertTrue(app.running())

    def copied_dark_pixels(self, app):
        """Copies the result: how many pixels of dark letters on white it holds."""
        self.desktop.set_clipboard_text("before")
        self.key(app, "ctrl+c")
        self.assert_png_copied(app)
        width, _, data = pixels(self.desktop.clipboard("image/png"))
        # Thin dark strokes on white: a letter's pixels, not the edge of a window or a mosaic block.
        light = lambda i: 0 <= i < len(data) - 2 and min(data[i:i + 3]) > 200
        return sum(1 for i in range(0, len(data) - 2, 3)
                   if max(data[i:i + 3]) < 90 and light(i - 12) and light(i + 12))

    def prominent_button(self, app):
        """The centre of the toolbar's accent-filled button, or None."""
        _, cx, cy, cw, _ = client(app)
        shot = Screenshot(self.desktop, f"{app.home}/toolbar.png")
        hits = [(x, y) for y in range(cy, cy + 140, 2) for x in range(cx, cx + cw, 2)
                if all(abs(p - q) <= 30 for p, q in zip(shot.pixel(x, y), (0xC9, 0xBE, 0xFF)))]
        if len(hits) < 20:
            return None
        return sum(x for x, _ in hits) // len(hits), sum(y for _, y in hits) // len(hits)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    road_e2e.APP = os.path.abspath(sys.argv[1])
    missing = [tool for tool in ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xprop", "xwininfo", "convert")
               if not shutil.which(tool)]
    if missing:
        print("missing tools: " + ", ".join(missing) + " (scripts/setup-debian.sh installs them)")
        sys.exit(1)
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=2)
