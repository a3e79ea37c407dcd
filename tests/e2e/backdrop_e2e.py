#!/usr/bin/env python3
"""End-to-end tests of the backdrop editor sheet with the real program, in Portuguese: "E" in the editor
opens it on the current backdrop; the kind, a typed colour and the colour panel are used with the pointer
and the keyboard, found on screen by tesseract; what is saved is read back from the settings file and the
copied PNG, and a cancelled sheet must leave the settings file as it was.

    backdrop_e2e.py PELICARTA [unittest options]     (KEEP_SHOTS=folder keeps the screenshots)
"""

import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import editor_e2e  # noqa: E402
import road_e2e  # noqa: E402
from road_e2e import Home, Pelicarta, wait_for  # noqa: E402
from shell_e2e import Screenshot, close_to  # noqa: E402
from tutorial_e2e import answered, pixel, reads, words  # noqa: E402

SHEET = "^Editar fundo$"
RAISED = (26, 26, 33)  # the fill of secondary buttons


class BackdropSheetTest(road_e2e.DesktopTest):
    def start_editor(self):
        home = Home(self.desktop, {"afterCapture": "editor"})
        home.env = dict(home.env, LANG="pt_BR.UTF-8", LANGUAGE="pt_BR")
        app = Pelicarta(self.desktop, home=home)
        self.addCleanup(app.stop)
        # The main window was up on the home page already: the key goes to the editor once it shows.
        window = editor_e2e.EditorTest.open_editor(self, app)
        self.desktop.x(["xdotool", "windowactivate", "--sync", window])
        self.desktop.x(["xdotool", "key", "--clearmodifiers", "e"])
        self.assertTrue(wait_for(lambda: self.desktop.visible_windows(SHEET), 10), "no sheet:\n" + app.output())
        return app

    def sheet(self):
        """(x, y, width, height) of the sheet's own area on the screen."""
        wid = self.desktop.visible_windows(SHEET)[0][0]
        info = dict(line.strip().split(":", 1) for line in self.desktop.x(["xwininfo", "-id", wid]).decode().splitlines()
                    if ":" in line)
        return tuple(int(info[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def look(self, app, name, showing=None):
        """A screenshot and the words read on the sheet; given `showing` (a regular expression), the first
        look that reads it, the sheet having been painted or having followed the last click."""
        shot = f"{app.home}/{name}"
        seen = []

        def read():
            self.desktop.screenshot(shot)
            seen[:] = words(shot, *self.sheet())
            return showing is None or reads(seen, showing)
        self.assertTrue(wait_for(read, 10), f"{name}: no “{showing}” on the sheet: {seen}")
        if os.environ.get("KEEP_SHOTS"):
            os.makedirs(os.environ["KEEP_SHOTS"], exist_ok=True)
            subprocess.run(["cp", shot, os.environ["KEEP_SHOTS"]])
        return shot, seen

    def click(self, found, word, dx=0):
        x, y = next((x, y) for text, x, y in found if text == word)
        self.desktop.x(["xdotool", "mousemove", "--sync", str(int(x + dx)), str(int(y)), "click", "1"])

    def footer_buttons(self, app):
        """The centres of "Cancelar" and of the save button, found on a line of the footer under their
        labels: from the right, the light run of the save button, then the raised fill of "Cancelar"."""
        x, y, w, h = self.sheet()
        line = y + h - 34 + 10
        shot = Screenshot(self.desktop)
        light = lambda i: min(shot.pixel(i, line)) > 180  # noqa: E731
        raised = lambda i: close_to(shot.pixel(i, line), RAISED, 3)  # noqa: E731
        save_right = next(i for i in range(x + w - 1, x, -1) if light(i))
        save_left = next(i for i in range(save_right, x, -1) if not light(i))
        cancel_right = next(i for i in range(save_left, x, -1) if all(raised(i - k) for k in range(20)))
        cancel_left = next(i for i in range(cancel_right, x, -1) if not raised(i))
        return ((cancel_left + cancel_right) // 2, line), ((save_left + save_right) // 2, line)

    def press(self, at):
        self.desktop.x(["xdotool", "mousemove", "--sync", str(at[0]), str(at[1]), "click", "1"])

    def closed(self, app):
        """Waits until the sheet has gone and the program has finished with its button: the settings are
        written in the same turn of its event loop, before it serves its socket again."""
        self.assertTrue(wait_for(lambda: not self.desktop.visible_windows(SHEET), 5), "the sheet stayed")
        self.assertTrue(wait_for(lambda: answered(app), 10), app.output())

    def field_text(self):
        """The focused field's text, copied with the keyboard."""
        self.desktop.set_clipboard_text("")
        self.desktop.x(["xdotool", "key", "ctrl+a", "ctrl+c"])
        return wait_for(lambda: self.desktop.clipboard("UTF8_STRING").decode() or None, 5)

    def settings(self, app):
        with open(f"{app.home}/config/Pelicarta/defaults.json", "rb") as f:
            return f.read()

    def test_a_solid_red_typed_in_the_sheet_is_saved_applied_and_copied(self):
        app = self.start_editor()
        shot, found = self.look(app, "backdrop-linear.png", r"Editar fundo")
        self.assertTrue(reads(found, r"Linear \W*3 cores"), found)
        self.assertTrue(reads(found, r"Excluir fundo"), found)

        self.click(found, "Sólido")
        # The hex field sits left of "Paleta": 92 wide, 8 apart, the button's label 30 from its edge.
        _, found = self.look(app, "backdrop-solid.png", r"Paleta")
        self.click(found, "Paleta", dx=-(30 + 8 + 46))
        self.desktop.x(["xdotool", "key", "ctrl+a"])
        self.desktop.x(["xdotool", "type", "--delay", "60", "ff0000"])
        x, y, _, _ = self.sheet()
        seen = [None]

        def red():
            # The stage eases from one colour to the next.
            seen[0] = tuple(self.desktop.pixels((x + 30, y + 95, 1, 1)))
            return seen[0] == (255, 0, 0)
        self.assertTrue(wait_for(red, 10), f"the stage is not red at the sixth character: {seen[0]}")
        shot, found = self.look(app, "backdrop-typed.png")
        self.assertEqual(self.field_text(), "ff0000")  # the typed text stays while focused
        self.desktop.x(["xdotool", "key", "Tab", "shift+Tab"])  # out and back in
        self.assertEqual(self.field_text(), "#FF0000")

        self.click(found, "Paleta")
        self.assertTrue(wait_for(lambda: self.desktop.visible_windows("^Cores$"), 5), "no colour panel")
        self.look(app, "backdrop-panel.png")
        self.press(self.footer_buttons(app)[1])
        self.closed(app)
        self.assertTrue(wait_for(lambda: not self.desktop.visible_windows("^Cores$"), 5),
                        "the colour panel outlived the sheet")
        stored = json.loads(self.settings(app))["values"]["style.backdrops"]["value"]
        self.assertIn({"kind": "solid", "colors": [0xFF0000]},
                      [{"kind": b["kind"], "colors": b["colors"]} for b in stored])

        self.desktop.set_clipboard_text("before")
        window = wait_for(app.main_window, 5)
        self.desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
        self.desktop.x(["xdotool", "key", "--clearmodifiers", "ctrl+c"])
        self.assert_png_copied(app)
        png = f"{app.home}/copied.png"
        with open(png, "wb") as f:
            f.write(self.desktop.clipboard("image/png"))
        self.assertEqual(pixel(png, 0, 0), (255, 0, 0))

    def test_cancel_after_edits_leaves_the_settings_file_as_it_was(self):
        app = self.start_editor()
        before = self.settings(app)
        _, found = self.look(app, "backdrop-cancel.png", r"Malha")
        self.click(found, "Malha")
        _, found = self.look(app, "backdrop-mesh.png", r"Surpreenda-me")
        self.click(found, "Surpreenda-me")
        self.press(self.footer_buttons(app)[0])
        self.closed(app)
        self.assertEqual(self.settings(app), before)


if __name__ == "__main__":
    road_e2e.run_tests(__doc__, ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xprop", "xwininfo", "convert",
                                 "tesseract"))
