#!/usr/bin/env python3
"""End-to-end tests of the one running instance, and of a machine that misbehaves around it.

Many launches at once, launches against a busy instance, thousands of idle connections on its socket,
a file-size limit, a settings file that is a FIFO, a recents folder that is a link. The real program
runs on its own Xvfb display (the road tests' desktop); captures are full-screen ones with the copy
outcome, counted as the files they leave in the recents folder.

    instance_e2e.py PELICARTA [unittest options]
"""

import os
import resource
import shutil
import signal
import socket
import stat
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_e2e  # noqa: E402
from road_e2e import DesktopTest, Home, guard, tiny_png, wait_for  # noqa: E402

# PNG captures: quicker to write than HEIC when dozens come at once.
COPY = {"afterCapture": "copy", "history.compact": False}


def instances(home):
    """The pids of Pelicarta processes running with this home (not their text reader processes)."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.path.realpath(f"/proc/{pid}/exe") != os.path.realpath(road_e2e.APP):
                continue
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if b"--read-text" in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if f"HOME={home}".encode() in f.read().split(b"\0"):
                    found.append(int(pid))
        except OSError:
            continue
    return found


def capture_files(home):
    folder = home.recents
    return sorted(n for n in os.listdir(folder) if n.endswith(".png")) if os.path.isdir(folder) else []


class InstanceTest(DesktopTest):
    size = (1280, 800)

    def home(self, settings=COPY, **options):
        home = Home(self.desktop, settings, **options)

        def remove():
            for pid in instances(home.path):
                os.kill(pid, 9)
            shutil.rmtree(home.path, ignore_errors=True)
        self.addCleanup(remove)
        return home

    def launch_all(self, home, count, spacing=0.0):
        """`count` launches asking for a full-screen capture, `spacing` seconds apart; their exit statuses."""
        launches = []
        for _ in range(count):
            launches.append(subprocess.Popen([road_e2e.APP, "--capture", "fullscreen"], env=home.env,
                                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            time.sleep(spacing)
        return launches

    def assert_one_instance_and_captures(self, home, launches, expected, instance_among_launches, settle=180):
        """Waits for the launches to be answered and their captures made, then ends the instance."""
        # Every launch but the one that became the instance hands its request over and ends.
        remaining = 1 if instance_among_launches else 0
        self.assertTrue(wait_for(lambda: sum(p.poll() is None for p in launches) == remaining, settle),
                        f"{sum(p.poll() is None for p in launches)} launches still running")
        self.assertEqual([p.returncode for p in launches if p.poll() is not None], [0] * sum(
            p.poll() is not None for p in launches))
        self.assertEqual(len(instances(home.path)), 1, instances(home.path))
        self.assertTrue(wait_for(lambda: len(capture_files(home)) >= expected, settle),
                        f"{len(capture_files(home))} of {expected} captures")
        # --quit returns once the instance has ended, the captures it had begun written: nothing more
        # comes after it, and no second instance is left behind.
        quit_launch = subprocess.run([road_e2e.APP, "--quit"], env=home.env, capture_output=True, timeout=guard(60))
        self.assertEqual(quit_launch.returncode, 0, quit_launch.stderr)
        self.assertEqual(len(capture_files(home)), expected, "a request was carried out twice")
        self.assertTrue(wait_for(lambda: not instances(home.path), 20), instances(home.path))

    def test_thirty_simultaneous_launches_make_one_instance_and_thirty_captures(self):
        home = self.home()
        launches = self.launch_all(home, 30)
        self.assert_one_instance_and_captures(home, launches, 30, instance_among_launches=True)

    def test_launches_against_a_busy_instance_are_all_handed_over(self):
        home = self.home()
        app = self.start(home=home)
        # A desktop shortcut pressed ten times, 100 ms apart, while the instance does not answer for
        # six seconds (stopped here; a long start or capture does the same).
        os.kill(app.process.pid, signal.SIGSTOP)
        try:
            launches = self.launch_all(home, 10, spacing=0.1)
            time.sleep(6)
        finally:
            os.kill(app.process.pid, signal.SIGCONT)
        self.assert_one_instance_and_captures(home, launches, 10, instance_among_launches=False)

    def test_a_launch_that_hands_over_builds_nothing_of_the_gui(self):
        # With no platform plugin to be had, any launch that built the GUI would end at once: a desktop
        # shortcut's capture, a second start and a quit still reach the running instance, with their
        # statuses and messages.
        home = self.home()
        app = self.start(home=home)
        no_gui = dict(home.env, QT_QPA_PLATFORM="nowhere", QT_QPA_PLATFORM_PLUGIN_PATH=home.path)

        def launch(*arguments):
            return subprocess.run([road_e2e.APP, *arguments], env=no_gui, capture_output=True, text=True,
                                  timeout=guard(60))
        self.desktop.set_clipboard_text("before")
        capture = launch("--capture", "fullscreen")
        self.assertEqual(capture.returncode, 0, capture.stderr)
        self.assert_png_copied(app)
        self.assertEqual(launch().returncode, 0)
        self.assertIn("usage: pelicarta", launch("--help").stdout)
        wrong = launch("--capture", "everything")
        self.assertEqual(wrong.returncode, 2)
        self.assertIn("unknown capture action: everything", wrong.stderr)
        ended = launch("--quit")
        self.assertEqual(ended.returncode, 0, ended.stderr)
        self.assertTrue(wait_for(lambda: not app.running(), 20))
        alone = launch("--quit")
        self.assertEqual((alone.returncode, alone.stderr.strip()), (0, "Pelicarta is not running."))

    def test_thousands_of_idle_connections_leave_the_instance_reachable(self):
        home = self.home()
        # The usual limit of 1,024 descriptors: idle clients once took them all and the server gave up.
        app = self.start(home=home, limits={resource.RLIMIT_NOFILE: (1024, 1024)})
        soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
        resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, min(hard, 4096)), hard))
        idle = []
        try:
            for _ in range(2000):
                s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                s.setblocking(False)
                deadline = time.monotonic() + guard(5)
                while True:
                    try:
                        s.connect(app.socket_path())
                        idle.append(s)
                        break
                    except BlockingIOError:  # the server's queue is full for a moment
                        if time.monotonic() > deadline:
                            s.close()
                            break
                        time.sleep(0.001)
                    except OSError:
                        s.close()
                        break
            self.assertGreater(len(idle), 1500)
            self.assertTrue(os.path.exists(app.socket_path()))
            self.assertEqual(app.launch(), 0)
            self.assertEqual(len(instances(home.path)), 1)
        finally:
            for s in idle:
                s.close()
            resource.setrlimit(resource.RLIMIT_NOFILE, (soft, hard))
        self.assertTrue(app.running())

    def test_a_file_size_limit_fails_the_write_and_the_instance_lives_on(self):
        home = self.home(dict(COPY, **{"history.keep": 20}))
        app = self.start(home=home, limits={resource.RLIMIT_FSIZE: (1024, 1024)})
        self.desktop.set_clipboard_text("before")
        self.assertEqual(app.launch("--capture", "fullscreen"), 0)
        self.assert_png_copied(app)
        # The failed write is reported as a full disk would be, and the instance lives on.
        self.assertTrue(wait_for(lambda: "alert: Não foi possível salvar" in app.output(), 10), app.output())
        self.assertTrue(app.running(), app.output())
        # Nothing cut short is left behind.
        self.assertEqual(os.listdir(home.recents) if os.path.isdir(home.recents) else [], [])

    def test_a_settings_file_that_is_a_fifo_neither_blocks_nor_stops_a_launch(self):
        home = self.home(settings=None, onboarded=False)
        os.makedirs(os.path.dirname(home.settings_file))
        os.mkfifo(home.settings_file)
        quit_alone = subprocess.run([road_e2e.APP, "--quit"], env=home.env, capture_output=True, timeout=guard(30))
        self.assertEqual(quit_alone.returncode, 0)
        app = self.start(home=home)
        self.assertTrue(app.running())
        kept = [n for n in os.listdir(os.path.dirname(home.settings_file)) if ".unreadable-" in n]
        self.assertEqual(len(kept), 1)
        self.assertTrue(stat.S_ISFIFO(os.lstat(os.path.join(os.path.dirname(home.settings_file), kept[0])).st_mode))

    def test_a_name_holding_markup_and_a_fifo_picture_neither_blocks_nor_styles_the_launch(self):
        # Laid out as rich text, the name would be bold and red and its picture read from the FIFO,
        # which waits for a writer that never comes: the window would never appear.
        folder = tempfile.mkdtemp(prefix="pelicarta-e2e-fifo-")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        fifo = os.path.join(folder, "picture.png")
        os.mkfifo(fifo)
        name = f'<b>Ana</b> <font color=#ff0000>Rubi</font> <img src="{fifo}">'
        home = self.home(dict(COPY, customName=name))
        started = time.monotonic()
        app = self.start(home=home)  # waits for the main window, and fails after 20 s without it
        print(f"\nthe main window appeared {time.monotonic() - started:.2f} s after the launch", file=sys.stderr)
        self.assertTrue(app.request("ping"), "the program does not answer")

    def test_a_linked_recents_folder_is_left_alone_and_the_user_told(self):
        home = self.home(dict(COPY, **{"history.keep": 20}))
        photos = f"{home.path}/photos"
        os.makedirs(photos)
        os.chmod(photos, 0o755)
        for i in range(30):
            with open(f"{photos}/foto{i:02}.png", "wb") as f:
                f.write(tiny_png())
        before = sorted(os.listdir(photos))
        os.makedirs(home.documents, mode=0o700)
        os.symlink(photos, home.recents)
        app = self.start(home=home)
        self.desktop.set_clipboard_text("before")
        self.assertEqual(app.launch("--capture", "fullscreen"), 0)
        self.assert_png_copied(app)
        self.assertTrue(wait_for(lambda: "alert: Não foi possível salvar" in app.output(), 10), app.output())
        self.assertIn("link simbólico", app.output())
        self.assertEqual(sorted(os.listdir(photos)), before)
        self.assertEqual(stat.S_IMODE(os.stat(photos).st_mode), 0o755)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    road_e2e.APP = os.path.abspath(sys.argv[1])
    missing = [tool for tool in ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xprop", "xwininfo")
               if not shutil.which(tool)]
    if missing:
        print("missing tools: " + ", ".join(missing) + " (scripts/setup-debian.sh installs them)")
        sys.exit(1)
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=2)
