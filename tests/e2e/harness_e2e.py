#!/usr/bin/env python3
"""Tests of the end-to-end scripts' own harness: the screen read straight from the X server shows what
ImageMagick's import reads, and a wait that ran out having looked too rarely says so.

    harness_e2e.py [unittest options]
"""

import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_e2e  # noqa: E402
from road_e2e import TooFewLooks, wait_for  # noqa: E402
from screen_reader import fraction_close  # noqa: E402

WIDTH, HEIGHT = 320, 200


class ScreenReaderTest(unittest.TestCase):
    def test_pixels_and_colours_are_those_import_reads(self):
        desktop = road_e2e.Desktop(WIDTH, HEIGHT)
        self.addCleanup(desktop.close)
        desktop.paint_root((10, 120, 230))
        window = subprocess.Popen(["xmessage", "-geometry", "100x40+30+50", "-bg", "#ff5a00", "-fg", "#ff5a00", "x"],
                                  env=desktop.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (window.kill(), window.wait()))
        self.assertTrue(wait_for(lambda: desktop.visible_windows("xmessage"), 10), "xmessage did not show")
        self.assertTrue(road_e2e.wait_settled(desktop), "the screen never came to rest")
        imported = desktop.x(["import", "-window", "root", "-depth", "8", "rgb:-"], timeout=20)
        self.assertEqual(len(imported), 3 * WIDTH * HEIGHT)
        self.assertEqual(desktop.pixels(), imported)
        # An area, cut where it leaves the screen.
        area = (WIDTH - 40, 20, 100, 30)
        self.assertEqual(desktop.pixels(area), road_e2e.crop_bytes(imported, WIDTH, (WIDTH - 40, 20, 40, 30)))
        self.assertEqual(desktop.pixels((WIDTH, 0, 10, 10)), b"")
        # The desktop's blue fills a corner; the window's orange, its middle.
        self.assertEqual(desktop.colors((0, HEIGHT - 10, 10, 10)), {0x0A78E6: 100})
        self.assertEqual(fraction_close(desktop.colors((0, HEIGHT - 10, 10, 10)), 0x0F78E6, 3), 1.0)
        self.assertEqual(fraction_close(desktop.colors((0, HEIGHT - 10, 10, 10)), 0x2078E6, 3), 0.0)
        self.assertEqual(tuple(desktop.pixels((70, 70, 1, 1))), (255, 90, 0))


class WaitTest(unittest.TestCase):
    def setUp(self):
        # Waits of the seconds asked for, unstretched.
        patience = road_e2e.PATIENCE
        road_e2e.PATIENCE = 1
        self.addCleanup(lambda: setattr(road_e2e, "PATIENCE", patience))

    def test_a_wait_that_runs_out_tells_looks_too_slow_from_a_state_that_never_came(self):
        # Quick looks, the pause asked for between them aside: it never came. (Long enough that a busy
        # machine keeping this process from a processor for a moment is no slow look.)
        self.assertIsNone(wait_for(lambda: False, 12, 1.0))

        def slow():
            time.sleep(1.5)
            return False
        with self.assertRaisesRegex(TooFewLooks, r"slow looked \d+ times in [\d.]+ s, one look taking up to [\d.]+ s"):
            wait_for(slow, 3, 0.01)
        # Running out is no failure where the caller expects it.
        self.assertIsNone(wait_for(slow, 1, 0.01, may_run_out=True))
        self.assertEqual(wait_for(lambda: 7, 1), 7)


if __name__ == "__main__":
    missing = [tool for tool in ("Xvfb", "openbox", "trayer", "xdotool", "xprop", "xwininfo", "xmessage", "import")
               if not road_e2e.shutil.which(tool)]
    if missing:
        print("missing tools: " + ", ".join(missing))
        sys.exit(1)
    unittest.main(verbosity=2)
