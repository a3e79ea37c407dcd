#!/usr/bin/env python3
"""End-to-end tests of the tutorial recording pill and the tutorial pages with the real program.

The road tests' desktop (Xvfb, openbox, trayer); keys and clicks come from xdotool, texts on screen are
read back with tesseract from screenshots of the root window, the guide from the clipboard with xclip.

    tutorial_e2e.py PELICARTA [unittest options]     (KEEP_SHOTS=folder keeps the screenshots)
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_e2e  # noqa: E402
from road_e2e import Desktop, Pelicarta, image_size, press_until, wait_for  # noqa: E402

WIDTH, HEIGHT = 1600, 1000
PILL_W, PILL_H = 470, 52


def words(png, x, y, w, h, scale=4):
    """[(text, centre x, centre y)] of the words tesseract reads in a region of a screenshot: the crop is
    enlarged, its contrast raised and inverted (the interface's text is light on dark)."""
    folder = tempfile.mkdtemp(prefix="pelicarta-ocr-")
    try:
        crop = os.path.join(folder, "crop.png")
        subprocess.run(["convert", png, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-colorspace", "gray", "-filter",
                        "Lanczos", "-resize", f"{scale * 100}%", "-level", "0%,60%", "-negate", crop], check=True)
        # One thread: Debian's tesseract runs OpenMP, a hundred times slower on a busy machine.
        out = subprocess.run(["tesseract", crop, "-", "-l", "por", "--psm", "11", "tsv"], capture_output=True,
                             env=dict(os.environ, OMP_THREAD_LIMIT="1")).stdout.decode()
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    found = []
    for line in out.splitlines()[1:]:
        cells = line.split("\t")
        if len(cells) == 12 and cells[11].strip() and float(cells[10]) > 30:
            left, top, width, height = map(int, cells[6:10])
            found.append((cells[11].strip(), x + (left + width / 2) / scale, y + (top + height / 2) / scale))
    return found


def reads(found, pattern):
    """Whether the words read, joined by spaces, hold `pattern` (a regular expression; the interface
    font's 0 reads as O and its 1 as l or I, so digits there are written [0O] and [1lI])."""
    return re.search(pattern, " ".join(word for word, _, _ in found)) is not None


def text_of(png, x, y, w, h):
    """The words read in a region, joined by spaces."""
    return " ".join(word for word, _, _ in words(png, x, y, w, h, scale=3))


def answered(app):
    """Whether the program answers a request on its socket (Pelicarta.answers)."""
    return app.answers()


def pixel(png, x, y):
    out = subprocess.run(["convert", png, "-crop", f"1x1+{x}+{y}", "+repage", "-depth", "8", "txt:-"],
                         capture_output=True).stdout.decode()
    match = re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1])
    return tuple(int(v) for v in match.groups())


class TutorialTest(unittest.TestCase):
    desktop = None

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(WIDTH, HEIGHT)
        cls.shots = os.environ.get("KEEP_SHOTS") or tempfile.mkdtemp(prefix="pelicarta-shots-")
        os.makedirs(cls.shots, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        cls.desktop.close()
        if not os.environ.get("KEEP_SHOTS"):
            shutil.rmtree(cls.shots, ignore_errors=True)

    def shot(self, name):
        path = os.path.join(self.shots, name + ".png")
        self.desktop.screenshot(path)
        return path

    def key(self, keys):
        self.desktop.x(["xdotool", "key", keys])

    def click(self, x, y):
        self.desktop.x(["xdotool", "mousemove", "--sync", str(int(x)), str(int(y)), "click", "1"])

    def geometry(self, wid):
        """(x, y, width, height) of a window on the screen."""
        info = self.desktop.x(["xwininfo", "-id", wid]).decode()
        value = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))  # noqa: E731
        return value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height")

    def pill(self):
        ids = self.desktop.x(["xdotool", "search", "--onlyvisible", "--name", "^Gravando tutorial$"]).split()
        return ids[0].decode() if ids else None

    def main_window(self, app):
        window = app.main_window()
        return self.geometry(window[0]) if window else None

    def header_text(self, name, window):
        """What the page header (the top 100 of the main window) reads."""
        return text_of(self.shot(name), window[0], window[1], window[2], 100)

    def pill_text(self):
        """What the pill reads; nothing while it is away (it leaves the screen around a capture)."""
        pill = self.pill()
        if not pill:
            return ""
        x, y, w, h = self.geometry(pill)
        return words(self.shot("pill-now"), x, y, w, h)

    def press_word(self, word, region):
        """Clicks the first word read in `region` that is `word` (or its first seven letters: tesseract
        drops the end of small words now and then), once it has been painted."""
        read = []

        def found():
            read[:] = words(self.shot("before-click"), *region)
            return [(wx, wy) for text, wx, wy in read if text == word or (len(text) >= 7 and word.startswith(text))]
        at = wait_for(found, 10)
        self.assertTrue(at, f"no “{word}” on screen: {read}")
        self.click(*at[0])

    def test_recording_with_the_pill_and_the_tutorial_pages(self):
        app = Pelicarta(self.desktop, {"areaRelease": "instant", "afterCapture": "copy"})
        self.addCleanup(app.stop)
        # The hot keys are grabbed on the first turn of the event loop, before it serves its socket.
        self.assertTrue(wait_for(lambda: answered(app), 10), app.output())

        # The pill: a focus-less tool window above the others, on every desktop, at the top centre.
        self.assertTrue(press_until(lambda: self.key("alt+shift+t"), self.pill, 10, 10), "no pill:\n" + app.output())
        pill = self.pill()
        self.assertEqual(self.geometry(pill), ((WIDTH - PILL_W) // 2, 12, PILL_W, PILL_H))
        props = self.desktop.x(["xprop", "-id", pill]).decode()
        self.assertRegex(props, r"_NET_WM_DESKTOP\(CARDINAL\) = (4294967295|0xffffffff)")
        self.assertIn("_NET_WM_STATE_ABOVE", props)
        self.assertIn("Client accepts input or input focus: False", props)
        self.assertTrue(wait_for(lambda: reads(self.pill_text(), r"\b[0O] passos"), 5), self.pill_text())
        self.shot("pill")

        # Stopping opens the new tutorial, still empty; back to the library, which is empty too (an
        # untouched tutorial is not kept).
        self.key("alt+shift+t")
        self.assertTrue(wait_for(lambda: self.pill() is None, 5))
        self.assertTrue(wait_for(lambda: self.main_window(app), 10))
        window = self.main_window(app)
        self.assertTrue(wait_for(lambda: "Nenhum passo ainda" in self.header_text("detail-empty", window), 20))
        self.press_word("Tutoriais", (window[0], window[1], window[2], 72))
        self.assertTrue(wait_for(lambda: re.search(r"\b[0O] tutoriais", self.header_text("library-empty", window)), 20))

        # Recording over another program: the pill's step button leaves that program active.
        helper = os.environ["PELICARTA_TEST_WINDOW"]
        other = subprocess.Popen([helper, "--app", "Other", "--caption", "Other", "--fill", "30a050", "--rect",
                                  "40,200,400,300"], env=self.desktop.env, stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (other.stdin.close(), other.wait(), other.stdout.close()))
        other.stdout.readline()
        other_id = wait_for(lambda: self.desktop.x(["xdotool", "search", "--onlyvisible", "--name", "^Other$"]).split())
        self.assertTrue(other_id)
        other_id = other_id[0].decode()
        self.desktop.x(["xdotool", "windowactivate", "--sync", other_id])
        self.key("alt+shift+t")
        self.assertTrue(wait_for(self.pill, 10))
        active = lambda: self.desktop.x(["xdotool", "getactivewindow"]).decode().strip()  # noqa: E731
        self.assertEqual(active(), other_id)
        self.press_word("Capturar", self.geometry(self.pill()))
        overlay = self.desktop.overlay_windows
        # (The overlay holds the keyboard while it is up; the other program is active again after it.)
        self.assertTrue(wait_for(overlay, 10), "no overlay:\n" + app.output())
        # An area over the pill's place and the other window's top.
        left, top, right, bottom = WIDTH // 2 - 400, 2, WIDTH // 2 + 400, 260
        self.desktop.x(["xdotool", "mousemove", "--sync", str(left), str(top), "mousedown", "1"])
        self.desktop.x(["xdotool", "mousemove", "--sync", str((left + right) // 2), str(bottom // 2)])
        self.desktop.x(["xdotool", "mousemove", "--sync", str(right), str(bottom), "mouseup", "1"])
        self.assertTrue(wait_for(lambda: not overlay(), 10))
        self.assertTrue(wait_for(lambda: reads(self.pill_text(), r"\b[1lI|] passo\b"), 10), self.pill_text())
        self.assertTrue(wait_for(lambda: active() == other_id, 5), active())
        folders = os.listdir(app.tutorials)
        self.assertEqual(len(folders), 1)
        with open(f"{app.tutorials}/{folders[0]}/tutorial.json") as f:
            steps = json.load(f)["steps"]
        self.assertEqual(len(steps), 1)
        step = f"{app.tutorials}/{folders[0]}/{steps[0]['imageFile']}"
        self.assertEqual(image_size(self.desktop, step), (right - left, bottom - top))
        # Where the pill's dot was, the step shows the desktop.
        dot = ((WIDTH - PILL_W) // 2 + 14 + 5 - left, 12 + PILL_H // 2 - top)
        self.assertLess(sum(pixel(step, *dot)), 3 * 40, f"the pill is in the step: {pixel(step, *dot)}")

        # Stopping by the hot key: no pill, the tutorial with its one card.
        self.key("alt+shift+t")
        self.assertTrue(wait_for(lambda: self.pill() is None, 5))
        self.assertTrue(wait_for(lambda: self.main_window(app), 10))
        window = self.main_window(app)
        self.assertTrue(wait_for(lambda: re.search(r"\b[1lI|] passo\b", self.header_text("detail", window)), 20))
        # One card, under the header: its delete button, and nothing below it.
        card = lambda: text_of(self.shot("detail"), window[0], window[1] + 73, window[2], 360)  # noqa: E731
        self.assertTrue(wait_for(lambda: "Excluir passo" in card(), 20), card())
        self.assertEqual(card().count("Excluir passo"), 1)

        # "Concluir" does the same.
        self.key("alt+shift+t")
        self.assertTrue(wait_for(self.pill, 10))
        # The finish button ends the pill, 14 from its right edge.
        x, y, w, h = self.geometry(self.pill())
        self.click(x + w - 14 - 25, y + h // 2)
        self.assertTrue(wait_for(lambda: self.pill() is None, 5))
        self.assertTrue(wait_for(lambda: self.main_window(app), 10))
        self.assertTrue(wait_for(lambda: "Excluir passo" in card(), 20), card())

        # "Copiar guia": the whole guide as one image on the clipboard.
        self.desktop.set_clipboard_text("before")
        # Its ink-on-accent label reads poorly: it sits left of the delete button (33 wide, 24 from the
        # edge, 12 apart).
        self.click(window[0] + window[2] - 24 - 33 - 12 - 30, window[1] + 36)
        self.assertTrue(wait_for(lambda: "image/png" in self.desktop.clipboard_targets(), 15), app.output())
        self.assertEqual(image_size(self.desktop, self.desktop.clipboard("image/png"))[0], 1600)

        # Back to the library: one card.
        self.press_word("Tutoriais", (window[0], window[1], window[2], 72))
        self.assertTrue(wait_for(lambda: re.search(r"\b[1lI|] tutorial\b", self.header_text("library", window)), 20))
        self.assertTrue(app.running())


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    road_e2e.APP = os.path.abspath(sys.argv[1])
    missing = [tool for tool in ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xprop", "xwininfo", "convert",
                                 "identify", "tesseract") if not shutil.which(tool)]
    if missing or not os.environ.get("PELICARTA_TEST_WINDOW"):
        print("missing tools: " + ", ".join(missing or ["PELICARTA_TEST_WINDOW"]))
        sys.exit(77)
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=2)
