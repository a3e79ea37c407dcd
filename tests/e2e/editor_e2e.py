#!/usr/bin/env python3
"""End-to-end tests of the editor's keys with the real program: copying, the margin keys and undo,
copying the capture's text, saving through the dialog and closing, read from the clipboard, the
screen and the disk.

    editor_e2e.py PELICARTA [unittest options]
"""

import glob
import os
import re
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_e2e  # noqa: E402
from road_e2e import image_size, wait_for  # noqa: E402
from shell_e2e import client, close_to, settled  # noqa: E402

TEXT = "Configurações da Conta"
# The default style puts 64 points of margin, two pixels each, on every side of a full-screen capture.
BASE = (1920 + 4 * 64, 1080 + 4 * 64)
# The fill of the page's "Copiar" button.
ACCENT = (0xC9, 0xBE, 0xFF)


def bottom_bar_shows(app, shot, colour=ACCENT, tolerance=30):
    """Whether the right half of the main window's bottom bar shows `colour` (by default the accent fill of
    the editor page's "Copiar": the window shows that page)."""
    window = client(app)
    if not window:
        return False
    _, cx, cy, cw, ch = window
    return sum(1 for y in range(cy + ch - 64, cy + ch, 2) for x in range(cx + cw // 2, cx + cw, 2)
               if close_to(shot.pixel(x, y), colour, tolerance)) > 20


class EditorTest(road_e2e.DesktopTest):
    def open_editor(self, app):
        """Captures the full screen into the editor; the main window's id once the window shows the
        editor page at rest (its first result drawn)."""
        self.assertEqual(app.launch("--capture", "fullscreen"), 0)
        # The window shown before the capture goes for the grab and comes back with the page.
        shown = settled(self.desktop, f"{app.home}/editor.png", lambda shot: bottom_bar_shows(app, shot))
        self.assertTrue(shown, "the editor did not show:\n" + app.output())
        return app.main_window()[0]

    def key(self, app, *combinations):
        """Presses keys in the main window; it handles them in order, each before the next."""
        window = wait_for(app.main_window, 10)
        self.assertTrue(window, "no main window")
        self.desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
        for combination in combinations:
            self.desktop.x(["xdotool", "key", "--clearmodifiers", combination])

    def accept_dialog(self, title):
        """Waits for the dialog whose title matches, gives it the keyboard and presses Return (its default
        button)."""
        dialog = wait_for(lambda: self.desktop.visible_windows(title), 10)
        self.assertTrue(dialog, "no dialog " + title)
        # Return goes to the window that has the keyboard: the dialog, once it is the active window.
        self.desktop.x(["xdotool", "windowactivate", "--sync", dialog[0][0]])
        self.desktop.x(["xdotool", "key", "Return"])

    def copied_size(self, app, *keys, toast=None):
        """Presses `keys` then Ctrl+C: the size of the PNG on the clipboard, once the window is gone. With
        `toast`, the start of the title of a notice that must show as the copy lands (it shows for two
        seconds)."""
        self.desktop.set_clipboard_text("before")
        if toast:
            notice = self.watch("^" + re.escape(toast))
        self.key(app, *keys, "ctrl+c")
        self.assert_png_copied(app)
        if toast:
            self.assertTrue(notice.seen(3), "no toast")
        self.assertTrue(wait_for(lambda: app.main_window() is None, 5), "the window stayed after copying")
        return image_size(self.desktop, self.desktop.clipboard("image/png"))

    def test_copy_margin_keys_and_undo(self):
        app = self.start({"afterCapture": "editor"})
        self.open_editor(app)
        self.assertEqual(self.copied_size(app, toast="Copiado — "), BASE)
        targets = self.desktop.clipboard_targets()
        self.assertIn("image/tiff", targets)

        # The window comes back on the same capture: three margin steps of 8 points, then three undos.
        self.assertEqual(app.launch(), 0)
        self.assertEqual(self.copied_size(app, "bracketright", "bracketright", "bracketright"),
                         (BASE[0] + 96, BASE[1] + 96))
        self.assertEqual(app.launch(), 0)
        self.assertEqual(self.copied_size(app, "ctrl+z", "ctrl+z", "ctrl+z"), BASE)
        self.assertTrue(app.running())

    def test_text_copy_save_and_close(self):
        self.open_test_window("Words", "--fill", "ffffff", "--rect", "40,60,700,160", "--text", TEXT)
        app = self.start({"afterCapture": "editor"})
        self.open_editor(app)

        # Ctrl+Shift+C: the text read from the capture, as plain text.
        self.desktop.set_clipboard_text("before")
        held = {}

        def read_text():
            """Presses the keys; "copied" once the text is on the clipboard, else the title of the toast that
            says why not, or None."""
            # Either notice shows for two seconds: both are looked for from before the keys.
            notices = {title: self.watch(f"^{title} — ")
                       for title in ("Nenhum texto encontrado", "Não consegui ler o texto")}
            self.key(app, "ctrl+shift+c")

            def outcome():
                held["clipboard"] = self.desktop.clipboard("UTF8_STRING")
                if TEXT.encode() in held["clipboard"]:
                    return "copied"
                return next((title for title, notice in notices.items() if notice.seen(0)), None)
            result = wait_for(outcome, 30, 0.2)
            for notice in notices.values():
                notice.stop()
            return result
        result = read_text()
        if result and result.startswith("Não consegui ler o texto"):
            # A machine this busy can take longer than a read may, which the toast says; the engine has
            # started by now, and the second read must succeed.
            result = read_text()
        self.assertEqual(result, "copied", f"the text never reached the clipboard (it held {held['clipboard']!r}):\n"
                         + app.diagnosis())
        self.assertFalse([t for t in self.desktop.clipboard_targets() if t.startswith("image/")])
        self.assertTrue(app.main_window(), "copying the text closed the window")

        # Ctrl+S: the dialog proposes the capture's name; Return takes it.
        self.key(app, "ctrl+s")
        # The notice shows for two seconds from the save: looked for from before it.
        # (xdotool takes POSIX expressions: no \d.)
        notice = self.watch(r"^Salvo · .* — Pelicarta [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}\.[0-9]{2}\.[0-9]{2}\.png$")
        self.accept_dialog("^(Salvar como|Save As)$")
        saved = wait_for(lambda: glob.glob(f"{app.home}/**/Pelicarta *.png", recursive=True), 10)
        self.assertTrue(saved, "nothing saved:\n" + app.output())
        self.assertRegex(os.path.basename(saved[0]), r"^Pelicarta \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.png$")
        self.assertTrue(notice.seen(3), "no toast")
        # A real PNG (the automatic centring trims the empty screen, so its size is the beautifier's).
        with open(saved[0], "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertTrue(image_size(self.desktop, saved[0]), "the saved file does not decode")

        # Escape in the preview tool closes the window; the capture stays open for the next show.
        self.key(app, "Escape")
        self.assertTrue(wait_for(lambda: app.main_window() is None, 5), "Escape left the window open")
        self.assertTrue(app.running())


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    road_e2e.APP = os.path.abspath(sys.argv[1])
    missing = [tool for tool in ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xprop", "xwininfo", "identify",
                                 "convert") if not shutil.which(tool)]
    if missing:
        print("missing tools: " + ", ".join(missing) + " (scripts/setup-debian.sh installs them)")
        sys.exit(1)
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=2)
