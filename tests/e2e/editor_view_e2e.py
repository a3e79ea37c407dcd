#!/usr/bin/env python3
"""End-to-end tests of the editor page with the real program: a capture lands on the page, a mark drawn
with the pointer reaches the copy made with the page's "Copiar" button, the stage drags the export into
another window as a file, and the command bar runs what is typed into it. Screenshots of the page, the
command bar and the shortcuts sheet go to test-output/editorview-*.png.

    editor_view_e2e.py PELICARTA [unittest options]
"""

import ctypes
import os
import stat
import subprocess
import sys
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import canvas_e2e  # noqa: E402
import editor_e2e  # noqa: E402
import road_e2e  # noqa: E402
from canvas_e2e import ARROW, pixels  # noqa: E402
from editor_e2e import ACCENT  # noqa: E402
from road_e2e import wait_for  # noqa: E402
from shell_e2e import Screenshot, client, close_to, settled  # noqa: E402

DIMMED_ACCENT = (91, 86, 115)  # under an overlay's black at 0.55


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def pointer_look(display):
    """What the pointer shows now: its cursor's name (from the cursor theme) and pixels, through XFixes.
    During a drag the source shows whether the window under the pointer takes the drop."""
    x11, xfixes = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        return None
    try:
        image = xfixes.XFixesGetCursorImage(connection)
        if not image:
            return None
        cursor = image.contents
        pixels = ctypes.string_at(cursor.pixels, cursor.width * cursor.height * ctypes.sizeof(ctypes.c_ulong))
        look = (cursor.name, cursor.xhot, cursor.yhot, pixels)
        x11.XFree(image)
        return look
    finally:
        x11.XCloseDisplay(connection)


class EditorViewTest(road_e2e.DesktopTest):
    open_editor = canvas_e2e.CanvasTest.open_editor
    key = canvas_e2e.CanvasTest.key
    paint_desk = canvas_e2e.CanvasTest.paint_desk
    canvas_frame = canvas_e2e.CanvasTest.canvas_frame
    find_frame = canvas_e2e.CanvasTest.find_frame
    drag = canvas_e2e.CanvasTest.drag
    choose_tool = canvas_e2e.CanvasTest.choose_tool
    mark_pixels = canvas_e2e.CanvasTest.mark_pixels

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

    def under_overlay(self, app, unlike=None):
        """The screen once an overlay of the page (the command bar, the shortcuts sheet) has faded in over it
        and come to rest: the page's "Copiar" button shows through its dimming layer (black at 0.55). With
        `unlike`, an earlier such screen whose lower part (under the bar's field) must have changed since."""
        _, cx, cy, cw, ch = client(app)
        below_field = (cx, cy + 250, cw, ch - 250)

        def ready(shot):
            return (editor_e2e.bottom_bar_shows(app, shot, DIMMED_ACCENT, 8) and
                    (unlike is None or shot.area(*below_field) != unlike.area(*below_field)))
        return settled(self.desktop, f"{app.home}/overlay.png", ready, (cx, cy, cw, ch))

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
        self.choose_tool(app, "a")
        fx, fy, fw, fh = self.canvas_frame(app)
        self.drag((fx + fw * 0.3, fy + fh * 0.3), (fx + fw * 0.7, fy + fh * 0.7))
        self.assertTrue(wait_for(lambda: self.mark_pixels(app, (fx, fy, fw, fh)) > 100, 10), "no arrow on the canvas")
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

        def red():
            window = client(app)
            if not window:
                return 0
            _, cx, cy, cw, ch = window
            shot = Screenshot(self.desktop)
            return sum(1 for y in range(cy, cy + ch) for x in range(cx, cx + cw) if close_to(shot.pixel(x, y), ARROW, 8))
        self.assertTrue(wait_for(lambda: red() > 150, 10, 0.2), "the arrow is gone after reopening")
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
        _, cx, cy, cw, ch = client(app)
        start = (cx + (cw - 300) // 2, cy + ch // 2)
        end = (1750, 400)

        def move(step):
            self.desktop.x(["xdotool", "mousemove", str(int(start[0] + (end[0] - start[0]) * step / 20)),
                            str(int(start[1] + (end[1] - start[1]) * step / 20))])
        self.desktop.x(["xdotool", "mousemove", "--sync", str(start[0]), str(start[1])])
        resting = pointer_look(self.desktop.display)
        self.desktop.x(["xdotool", "mousedown", "1"])
        # The drag begins once the export is rendered: the pointer then shows that the stage takes no drop.
        move(1)
        refused = wait_for(lambda: (lambda look: look if look != resting else None)(pointer_look(self.desktop.display)),
                           20, 0.02)
        self.assertTrue(refused, "the drag did not begin:\n" + app.output())
        for step in range(2, 21):
            move(step)
        # Released once the target has said it takes the drop (the pointer shows it): released before, the
        # drag would end without one.
        taken = wait_for(lambda: pointer_look(self.desktop.display) not in (resting, refused), 10, 0.02)
        self.assertTrue(taken, "the window never took the drag")
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
        bar = self.under_overlay(app)
        self.assertTrue(bar, "the command bar did not open")
        self.keep_screenshot(app, "bar.png")
        # The bar's field has the keyboard from its opening on; the keys are handled in order.
        self.desktop.x(["xdotool", "type", "--delay", "60", "sombra"])
        self.assertTrue(self.under_overlay(app, unlike=bar), "typing did not change the bar's list")
        self.keep_screenshot(app, "bar-sombra.png")
        self.key(app, "Return")
        without = self.copy_with_keys(app)
        a, b = pixels(with_shadow), pixels(without)
        self.assertEqual(a[:2], b[:2], "the shadow changed the size")
        self.assertNotEqual(a[2], b[2], "Return did not switch the shadow")
        # Without its shadow the backdrop around the capture is lighter.
        self.assertGreater(sum(b[2]), sum(a[2]))

        self.assertEqual(app.launch(), 0)
        self.key(app, "shift+slash")
        self.assertTrue(self.under_overlay(app), "the shortcuts sheet did not open")
        self.keep_screenshot(app, "sheet.png")
        self.key(app, "ctrl+z")  # closes the sheet, undoes nothing
        self.assertEqual(pixels(self.copy_with_keys(app))[2], b[2])
        self.assertTrue(app.running())


if __name__ == "__main__":
    road_e2e.run_tests(__doc__, ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xprop", "xwininfo", "identify",
                                 "convert"))
