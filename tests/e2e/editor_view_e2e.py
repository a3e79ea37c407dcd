#!/usr/bin/env python3
"""End-to-end tests of the editor page with the real program: a capture lands on the page, a mark drawn
with the pointer reaches the copy made with the page's "Copiar" button, the stage drags the export into
another window as a file, and the command bar runs what is typed into it. Screenshots of the page, the
command bar and the shortcuts sheet go to test-output/editorview-*.png.

    editor_view_e2e.py PELICARTA [unittest options]
"""

import os
import stat
import subprocess
import sys
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import canvas_e2e  # noqa: E402
import road_e2e  # noqa: E402
from canvas_e2e import ARROW, pixels  # noqa: E402
from road_e2e import wait_for  # noqa: E402
from shell_e2e import Screenshot, client, close_to  # noqa: E402

ACCENT = (0xC9, 0xBE, 0xFF)


class EditorViewTest(road_e2e.DesktopTest):
    open_editor = canvas_e2e.CanvasTest.open_editor
    key = canvas_e2e.CanvasTest.key
    paint_desk = canvas_e2e.CanvasTest.paint_desk
    canvas_frame = canvas_e2e.CanvasTest.canvas_frame
    find_frame = canvas_e2e.CanvasTest.find_frame
    drag = canvas_e2e.CanvasTest.drag

    screenshot_prefix = "editorview-"
    keep_screenshot = canvas_e2e.CanvasTest.keep_screenshot

    def copy_button(self, app):
        """The centre of the accent-filled button in the page's bottom bar."""
        _, cx, cy, cw, ch = client(app)
        shot = Screenshot(self.desktop, f"{app.home}/bottom.png")
        hits = [(x, y) for y in range(cy + ch - 64, cy + ch, 2) for x in range(cx + cw // 2, cx + cw, 2)
                if close_to(shot.pixel(x, y), ACCENT, 30)]
        self.assertGreater(len(hits), 20, "no Copiar button in the bottom bar")
        return sum(x for x, _ in hits) // len(hits), sum(y for _, y in hits) // len(hits)

    def click(self, point):
        self.desktop.x(["xdotool", "mousemove", str(int(point[0])), str(int(point[1])), "click", "1"])

    def copy_with_keys(self, app):
        self.desktop.set_clipboard_text("before")
        self.key(app, "ctrl+c")
        self.assert_png_copied(app)
        return self.desktop.clipboard("image/png")

    def test_a_mark_reaches_the_copy_made_with_the_button_and_the_editor_stays_open(self):
        self.paint_desk()
        app = self.start({"afterCapture": "editor"})
        self.open_editor(app)
        self.keep_screenshot(app, "page.png")
        self.key(app, "a")
        time.sleep(0.5)
        fx, fy, fw, fh = self.canvas_frame(app)
        self.drag((fx + fw * 0.3, fy + fh * 0.3), (fx + fw * 0.7, fy + fh * 0.7))
        self.keep_screenshot(app, "arrow.png")

        self.desktop.set_clipboard_text("before")
        self.click(self.copy_button(app))
        self.assert_png_copied(app)
        width, _, data = pixels(self.desktop.clipboard("image/png"))
        reds = sum(1 for i in range(0, len(data) - 2, 3) if all(abs(p - q) <= 6 for p, q in zip(data[i:i + 3], ARROW)))
        self.assertGreater(reds, 500, "no arrow in the copy")
        self.assertTrue(wait_for(lambda: app.main_window() is None, 5), "the window stayed after copying")

        # Shown again: the same capture, its arrow still on the canvas.
        self.assertEqual(app.launch(), 0)
        self.assertTrue(wait_for(app.main_window, 10))
        time.sleep(0.8)
        _, cx, cy, cw, ch = client(app)
        shot = Screenshot(self.desktop, f"{app.home}/again.png")
        red = sum(1 for y in range(cy, cy + ch) for x in range(cx, cx + cw) if close_to(shot.pixel(x, y), ARROW, 8))
        self.assertGreater(red, 150, "the arrow is gone after reopening")
        self.assertTrue(app.running())

    def test_dragging_the_stage_into_another_window_delivers_the_export_as_a_file(self):
        helper = os.environ.get("PELICARTA_TEST_WINDOW")
        if not helper or not os.path.exists(helper):
            self.skipTest("needs the test window helper")
        target = subprocess.Popen([helper, "--app", "Target", "--caption", "Target", "--fill", "2060a0", "--rect",
                                   "1600,200,300,400", "--accept-drops"], env=self.desktop.env,
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (target.stdin.close(), target.wait(), target.stdout.close()))
        self.assertTrue(target.stdout.readline().startswith(b"ready"))
        app = self.start({"afterCapture": "editor"})
        self.open_editor(app)
        time.sleep(1)
        _, cx, cy, cw, ch = client(app)
        start = (cx + (cw - 300) // 2, cy + ch // 2)
        end = (1750, 400)
        self.desktop.x(["xdotool", "mousemove", str(start[0]), str(start[1]), "mousedown", "1"])
        for step in range(1, 21):
            self.desktop.x(["xdotool", "mousemove", str(int(start[0] + (end[0] - start[0]) * step / 20)),
                            str(int(start[1] + (end[1] - start[1]) * step / 20))])
            time.sleep(0.05)
        time.sleep(0.3)
        self.desktop.x(["xdotool", "mouseup", "1"])
        line = wait_for(lambda: target.stdout.readline(), 10)
        self.assertTrue(line and line.startswith(b"dropped file://"), f"nothing dropped: {line!r}\n" + app.output())
        path = urllib.parse.unquote(urllib.parse.urlparse(line.split()[1].decode()).path)
        self.assertRegex(os.path.basename(path), r"^Pelicarta \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.png$")
        self.assertTrue(os.path.isfile(path), path)
        with open(path, "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertEqual(stat.S_IMODE(os.stat(os.path.dirname(path)).st_mode), 0o700)
        self.assertTrue(app.running())

    def test_the_command_bar_runs_what_is_typed_and_the_sheet_lists_the_keys(self):
        self.paint_desk()
        app = self.start({"afterCapture": "editor"})
        self.open_editor(app)
        with_shadow = self.copy_with_keys(app)
        self.assertEqual(app.launch(), 0)
        self.key(app, "ctrl+k")
        time.sleep(0.4)
        self.keep_screenshot(app, "bar.png")
        self.desktop.x(["xdotool", "type", "--delay", "60", "sombra"])
        time.sleep(0.4)
        self.keep_screenshot(app, "bar-sombra.png")
        self.key(app, "Return")
        time.sleep(0.5)
        without = self.copy_with_keys(app)
        a, b = pixels(with_shadow), pixels(without)
        self.assertEqual(a[:2], b[:2], "the shadow changed the size")
        self.assertNotEqual(a[2], b[2], "Return did not switch the shadow")
        # Without its shadow the backdrop around the capture is lighter.
        self.assertGreater(sum(b[2]), sum(a[2]))

        self.assertEqual(app.launch(), 0)
        self.key(app, "shift+slash")
        time.sleep(0.4)
        self.keep_screenshot(app, "sheet.png")
        self.key(app, "ctrl+z")  # closes the sheet, undoes nothing
        time.sleep(0.3)
        self.assertEqual(pixels(self.copy_with_keys(app))[2], b[2])
        self.assertTrue(app.running())


if __name__ == "__main__":
    road_e2e.run_tests(__doc__, ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xprop", "xwininfo", "identify",
                                 "convert", "import"))
