#!/usr/bin/env python3
"""End-to-end test of captures requested faster than they are made, on few processors: the real program
kept to one, two or eight processors (as `taskset` does) takes a burst of `--capture fullscreen` launches
in each outcome; every launch is answered, every capture reaches the recents folder and `--quit` ends the
program promptly.

    burst_e2e.py PELICARTA [unittest options]
"""

import contextlib
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_e2e  # noqa: E402
from road_e2e import Pelicarta  # noqa: E402

BURST = 20
# Guards against a hang only (on a desktop at rest; road_e2e.guard stretches them); the times taken are
# printed.
QUIT_GUARD = 10.0
LAUNCH_GUARD = 120.0
# A burst's files keep coming while it is written; this long without a new one is a hang.
STALL = 30.0


@contextlib.contextmanager
def processors(count):
    """Everything started inside runs on the first `count` processors this test may use."""
    allowed = sorted(os.sched_getaffinity(0))
    os.sched_setaffinity(0, allowed[:count])
    try:
        yield
    finally:
        os.sched_setaffinity(0, allowed)


class BurstTest(road_e2e.DesktopTest):
    size = (1024, 700)

    def launch_all(self, app, count):
        """`count` launches of `--capture fullscreen` at once; their exit statuses and error output."""
        launches = [subprocess.Popen([road_e2e.APP, "--capture", "fullscreen"], env=app.env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE) for _ in range(count)]
        results = []
        for launch in launches:
            try:
                _, error = launch.communicate(timeout=road_e2e.guard(LAUNCH_GUARD))
            except subprocess.TimeoutExpired:
                launch.kill()
                _, error = launch.communicate()
                error += b"(no answer)"
            results.append((launch.returncode, error.decode(errors="replace").strip()))
        return results

    def wait_for_files(self, app, count):
        """Waits while the recents folder fills up to `count` files; how many there are then."""
        seen, last_change = len(app.capture_files()), time.monotonic()
        while seen < count and time.monotonic() - last_change < road_e2e.guard(STALL):
            time.sleep(0.1)
            now = len(app.capture_files())
            if now != seen:
                seen, last_change = now, time.monotonic()
        return seen

    def quit(self, app):
        """Asks the program to end; seconds until it has."""
        started = time.monotonic()
        status = app.launch("--quit", timeout=QUIT_GUARD + 5)
        try:
            app.process.wait(road_e2e.guard(QUIT_GUARD))
        except subprocess.TimeoutExpired:
            self.fail(f"--quit (status {status}) did not end the program within {road_e2e.guard(QUIT_GUARD)} s:\n"
                      + app.diagnosis())
        return time.monotonic() - started

    def burst(self, cpus, outcome, single_first=False):
        if cpus > len(os.sched_getaffinity(0)):
            self.skipTest(f"needs {cpus} processors")
        with processors(cpus):
            app = self.start({"afterCapture": outcome})
            expected = 0
            started = time.monotonic()
            if single_first:
                self.assertEqual(app.launch("--capture", "fullscreen", timeout=LAUNCH_GUARD), 0)
                expected += 1
                self.assertEqual(self.wait_for_files(app, expected), expected, app.diagnosis())
            results = self.launch_all(app, BURST)
        refused = [error for status, error in results if status != 0]
        self.assertEqual(refused, [], "launches were refused")
        expected += BURST
        written = self.wait_for_files(app, expected)
        if written != expected:
            self.fail(f"{written} of {expected} captures written:\n" + app.diagnosis())
        took = time.monotonic() - started
        quit_after = self.quit(app)
        print(f"\n  {outcome} on {cpus} processor(s): {written} of {expected} written in {took:.1f} s, "
              f"--quit took {quit_after:.2f} s", file=sys.stderr)

    # One processor: Qt's shared pool has a single thread, which a wait for lowered work could hold.
    def test_one_processor_copy(self):
        self.burst(1, "copy", single_first=True)

    def test_one_processor_quick_panel(self):
        self.burst(1, "quick")

    def test_one_processor_editor(self):
        self.burst(1, "editor")

    def test_two_processors_every_outcome(self):
        for outcome in ("copy", "quick", "editor"):
            with self.subTest(outcome=outcome):
                self.burst(2, outcome)

    def test_eight_processors_every_outcome(self):
        for outcome in ("copy", "quick", "editor"):
            with self.subTest(outcome=outcome):
                self.burst(8, outcome)


if __name__ == "__main__":
    road_e2e.run_tests(__doc__, ("Xvfb", "openbox", "trayer", "xdotool", "xprop", "xwininfo"))
