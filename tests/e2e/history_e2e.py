#!/usr/bin/env python3
"""End-to-end test of the history page with the real program: captures of a window showing known
text are found by typing a word, open in the editor on a double click and are deleted from the hover
button, read from what reaches the screen and the recents folder.

    history_e2e.py PELICARTA [unittest options]
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_e2e  # noqa: E402
import shell_e2e  # noqa: E402
from road_e2e import wait_for  # noqa: E402
from shell_e2e import client, close_to  # noqa: E402

# The accent at 0.28 over the page's background: what marks the match in a card's text.
MARK = (64, 61, 82)
# The fill of a card's picture box, around the picture.
BOX = (21, 21, 27)
SIDEBAR = 211


class HistoryPageTest(road_e2e.DesktopTest):
    # The shell test's ways of reading the screen and pressing keys (not its tests).
    shot = shell_e2e.ShellTest.shot
    current_page = shell_e2e.ShellTest.current_page
    key = shell_e2e.ShellTest.key
    wait_page = shell_e2e.ShellTest.wait_page

    def keep_screenshot(self, app, name):
        """The last screenshot, for a person to look at: test-output/<name> beside the program's build."""
        shell_e2e.ShellTest.keep_screenshot(self, app, name, prefix="")

    def words_window(self, text):
        self.open_test_window("Words", "--fill", "ffffff", "--rect", "40,40,760,90", "--text", text)

    def marked_pixels(self, app):
        """How many pixels of the page show the mark's colour."""
        _, x, y, w, h = client(app)
        shot = self.shot(app)
        return sum(1 for py in range(y + 120, y + h, 2) for px in range(x + SIDEBAR, x + w, 2)
                   if close_to(shot.pixel(px, py), MARK, 5))

    def first_box(self, app, shot=None):
        """(x, y) of the top-left corner of the first card's picture box on the screen (or `shot`), or None."""
        _, x, y, w, h = client(app)
        shot = shot or self.shot(app)
        for py in range(y + 120, y + h - 20):
            for px in range(x + SIDEBAR + 20, x + SIDEBAR + 120):
                if close_to(shot.pixel(px, py), BOX, 2) and close_to(shot.pixel(px + 10, py + 10), BOX, 2):
                    return px, py
        return None

    def resting_box(self, app):
        """first_box() once the page has stopped changing (its cards laid out and drawn), or None."""
        _, x, y, w, h = client(app)
        shot = shell_e2e.settled(self.desktop, f"{app.home}/screen.png", lambda shot: self.first_box(app, shot),
                                 (x + SIDEBAR, y + 120, w - SIDEBAR, h - 120))
        return shot and self.first_box(app, shot)

    def click(self, x, y, repeat=1):
        self.desktop.x(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "--repeat", str(repeat),
                        "--delay", "80", "1"])

    def test_find_open_and_delete_from_the_history_page(self):
        self.words_window("Configurações da Conta")
        app = self.start({"afterCapture": "copy", "history.compact": False})
        # One capture after the other, each in its own file (one in the same second takes the next free name).
        for count in (1, 2):
            self.assertEqual(app.launch("--capture", "fullscreen"), 0)
            files = wait_for(lambda: (lambda f: f if len(f) == count else None)(app.capture_files()), 15)
            self.assertTrue(files, app.capture_files())

        self.key(app, "ctrl+3")
        self.assertTrue(self.wait_page(app, "history"), self.current_page(app))
        self.key(app, "ctrl+f")
        self.desktop.x(["xdotool", "type", "--delay", "60", "configuracoes"])
        # The cards appear with their marked line once the texts are read.
        marked = wait_for(lambda: self.marked_pixels(app) > 100, 90, 0.5)
        if not marked:
            self.keep_screenshot(app, "history-search-failed.png")
        self.assertTrue(marked, "no marked snippet:\n" + app.output())
        self.keep_screenshot(app, "history-search.png")
        box = self.resting_box(app)
        self.assertTrue(box, "no card on the page")

        # A double click opens the capture on the editor page.
        self.click(box[0] + 40, box[1] + 40, repeat=2)
        self.assertTrue(self.wait_page(app, "editor"), self.current_page(app))

        # Back on the page (a fresh visit), the pointer over the first card shows its buttons:
        # "Excluir" deletes its file at once.
        self.key(app, "ctrl+3")
        self.assertTrue(self.wait_page(app, "history"))
        box = self.resting_box(app)
        self.assertTrue(box, "no card on the page")
        # The buttons show as the pointer enters, and the click below comes after the move.
        self.desktop.x(["xdotool", "mousemove", "--sync", str(box[0] + 60), str(box[1] + 60)])
        width = self.card_box_width(app, box)
        self.click(box[0] + width - 6 - 12, box[1] + 6 + 12)
        self.assertTrue(wait_for(lambda: len(app.capture_files()) == 1, 5), app.capture_files())
        self.assertTrue(app.running())

    def card_box_width(self, app, box):
        """The width of the picture box whose top-left corner is `box`, along its top edge."""
        shot = self.shot(app)
        x = box[0]
        while x < box[0] + 400 and not close_to(shot.pixel(x, box[1] + 3), (11, 11, 15), 3):
            x += 1
        return x - box[0]


if __name__ == "__main__":
    road_e2e.run_tests(__doc__, ("Xvfb", "openbox", "trayer", "xdotool", "xprop", "xwininfo", "convert"))
