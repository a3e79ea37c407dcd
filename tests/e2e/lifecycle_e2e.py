#!/usr/bin/env python3
"""End-to-end tests of how the resident program ends and how it stays the only one: a capture followed at
once by `--quit`, by SIGTERM (a logout) or by Ctrl+C is still written and the program ends cleanly, as it
does, without a crash, when its display server goes away; a runtime folder it may not write in never lets a second copy run; a request it does not know is refused,
and a launch refused that way ends with a message.

    lifecycle_e2e.py PELICARTA [unittest options]
"""

import fcntl
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_e2e  # noqa: E402
from road_e2e import wait_for  # noqa: E402

ROUNDS = 20
# Guards against a hang only (stretched by road_e2e.guard).
END_GUARD = 30.0


def make_unwritable(path):
    """Takes away the right to create files in the folder `path`, from root too (which writes through the
    mode bits): mode 0500 and, for root, the immutable flag. Whether it worked."""
    os.chmod(path, 0o500)
    if os.geteuid() != 0:
        return True
    return subprocess.run(["chattr", "+i", path], capture_output=True).returncode == 0


class Resident:
    """One run of the program in `home` (a road_e2e.Home), reached over the socket in `folder`."""

    def __init__(self, home, folder):
        self.home, self.env = home, home.env
        self.socket = f"{folder}/pelicarta-{re.sub(r'[^A-Za-z0-9.]', '_', home.env['DISPLAY'])}.socket"
        self.log = open(f"{home.path}/pelicarta.log", "a+")
        self.process = subprocess.Popen([road_e2e.APP], env=self.env, stdout=self.log, stderr=subprocess.STDOUT)

    def answer(self, *words):
        """The running program's answer to a request, as a second launch would send it; None when it cannot
        be reached."""
        try:
            with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
                s.settimeout(road_e2e.guard(5))
                s.connect(self.socket)
                s.sendall(json.dumps(list(words)).encode() + b"\n")
                return s.recv(4096).strip()
        except OSError:
            return None

    def wait_up(self):
        return wait_for(lambda: self.process.poll() is None and self.answer("ping") == b"ok", 20)

    def launch(self, *arguments, timeout=20):
        return subprocess.run([road_e2e.APP, *arguments], env=self.env, capture_output=True,
                              timeout=road_e2e.guard(timeout))

    def ended(self):
        """The program's exit status once it has ended; None while it runs past the guard."""
        try:
            return self.process.wait(road_e2e.guard(END_GUARD))
        except subprocess.TimeoutExpired:
            return None

    def output(self):
        return road_e2e.read_log(self.log)

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.log.close()


class LifecycleTest(road_e2e.DesktopTest):
    size = (1024, 700)

    def make_home(self, settings=None):
        home = road_e2e.Home(self.desktop)
        os.makedirs(f"{home.path}/tmp", mode=0o700)
        # The fallback for the socket is looked for in the temporary folder: this home's own.
        home.env["TMPDIR"] = f"{home.path}/tmp"
        self.addCleanup(road_e2e.remove_home, home.path)
        if settings:
            self.write_settings(home, settings)
        return home

    @staticmethod
    def write_settings(home, settings):
        values = {"hasCompletedOnboarding": {"type": "bool", "value": True}}
        for key, value in settings.items():
            values[key] = {"type": "bool" if isinstance(value, bool) else "string", "value": value}
        os.makedirs(os.path.dirname(home.settings_file), exist_ok=True)
        with open(home.settings_file, "w") as f:
            json.dump({"format": 1, "values": values}, f)

    def start(self, home, folder=None):
        resident = Resident(home, folder or f"{home.path}/run")
        self.addCleanup(resident.stop)
        if not resident.wait_up():
            status = resident.process.poll()
            state = "still running" if status is None else f"ended with status {status}"
            self.fail(f"the program never answered ({state}):\n" + resident.output())
        return resident

    @staticmethod
    def files(home):
        if not os.path.isdir(home.recents):
            return []
        return [n for n in os.listdir(home.recents) if n.endswith((".png", ".heic"))]

    def capture_then(self, end, rounds):
        """`rounds` times: the program started, a full-screen capture asked for and, the moment the launch
        returns, `end(resident)`; the program must end with status 0 and the capture be on disk."""
        home = self.make_home()
        for n in range(rounds):
            # Copy and quick panel in turn; PNG files, so that the rounds stay short.
            self.write_settings(home, {"afterCapture": "copy" if n % 2 == 0 else "quick", "history.compact": False})
            resident = self.start(home)
            launched = resident.launch("--capture", "fullscreen")
            self.assertEqual(launched.returncode, 0, launched.stderr)
            end(resident)
            status = resident.ended()
            self.assertIsNotNone(status, f"round {n}: the program did not end:\n" + resident.output())
            self.assertEqual(status, 0, f"round {n}: the program ended with {status}:\n" + resident.output())
            self.assertEqual(len(self.files(home)), n + 1, f"round {n}: a capture was lost:\n" + resident.output())
            resident.stop()

    def test_a_capture_followed_at_once_by_quit_is_kept(self):
        def quit_now(resident):
            quitting = resident.launch("--quit", timeout=END_GUARD)
            self.assertEqual(quitting.returncode, 0, quitting.stderr)
        self.capture_then(quit_now, ROUNDS)

    def test_a_capture_followed_at_once_by_sigterm_is_kept(self):
        self.capture_then(lambda resident: resident.process.send_signal(signal.SIGTERM), ROUNDS)

    def test_ctrl_c_ends_in_order_and_a_new_start_takes_over(self):
        self.capture_then(lambda resident: resident.process.send_signal(signal.SIGINT), 2)

    def test_a_runtime_folder_it_may_not_write_in_never_makes_two_residents(self):
        home = self.make_home({"afterCapture": "copy", "history.compact": False})
        if not make_unwritable(f"{home.path}/run"):
            self.skipTest("the runtime folder cannot be made unwritable here")
        fallback = f"{home.path}/tmp/pelicarta-{os.geteuid()}"
        first = self.start(home, fallback)
        for _ in range(3):
            launched = first.launch("--capture", "fullscreen")
            self.assertEqual(launched.returncode, 0, launched.stderr)
        self.assertTrue(wait_for(lambda: len(self.files(home)) == 3, 20), first.output())
        quitting = first.launch("--quit", timeout=END_GUARD)
        self.assertEqual(quitting.returncode, 0, quitting.stderr)
        self.assertEqual(first.ended(), 0, first.output())

        # With no folder at all to write in, it does not start rather than run beside another.
        cache = f"{home.path}/.cache"
        os.makedirs(cache, exist_ok=True)
        home.env["XDG_CACHE_HOME"] = cache
        shutil.rmtree(fallback)
        # The cache's own folder may be there already (the history's card pictures live in it).
        for folder in (f"{home.path}/tmp", cache, f"{cache}/Pelicarta"):
            if os.path.isdir(folder):
                self.assertTrue(make_unwritable(folder))
        alone = subprocess.run([road_e2e.APP], env=home.env, capture_output=True, timeout=road_e2e.guard(20))
        self.assertEqual(alone.returncode, 1)
        self.assertIn(b"cannot start", alone.stderr)

    def test_a_request_it_does_not_know_is_refused(self):
        home = self.make_home()
        resident = self.start(home)
        for words in (["bogus"], ["help"], ["capture", "everything"]):
            self.assertTrue(resident.answer(*words).startswith(b"refused "), words)
        self.assertEqual(resident.answer("ping"), b"ok")
        quitting = resident.launch("--quit", timeout=END_GUARD)
        self.assertEqual(quitting.returncode, 0, quitting.stderr)
        self.assertEqual(resident.ended(), 0, resident.output())

        # A resident that cannot read what a launch sends ("error"): the launch ends at once, non-zero,
        # saying so, instead of sending it again for as long as that resident lives.
        lock = open(f"{home.path}/run/pelicarta-{re.sub(r'[^A-Za-z0-9.]', '_', self.desktop.display)}.lock", "w")
        self.addCleanup(lock.close)
        fcntl.flock(lock, fcntl.LOCK_EX)
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as server:
            if os.path.exists(resident.socket):
                os.remove(resident.socket)
            server.bind(resident.socket)
            server.listen(4)
            launch = subprocess.Popen([road_e2e.APP, "--capture", "fullscreen"], env=home.env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            server.settimeout(road_e2e.guard(20))
            client, _ = server.accept()
            with client:
                client.recv(4096)
                client.sendall(b"error\n")
            try:
                _, error = launch.communicate(timeout=road_e2e.guard(20))
            except subprocess.TimeoutExpired:
                launch.kill()
                launch.communicate()
                self.fail("the launch kept sending a request the resident could not read")
        self.assertEqual(launch.returncode, 1)
        self.assertIn(b"did not understand", error)

    def test_the_display_server_going_away_mid_capture_ends_without_a_crash(self):
        for n in range(3):
            desktop = road_e2e.Desktop(640, 480)
            self.addCleanup(desktop.close)
            home = self.make_home({"afterCapture": "copy", "history.compact": False})
            home.env.update(DISPLAY=desktop.display)
            resident = self.start(home)
            resident.launch("--capture", "fullscreen")
            desktop.processes[0].kill()  # Xvfb
            status = resident.ended()
            self.assertIsNotNone(status, f"round {n}: the program outlived its display:\n" + resident.output())
            self.assertGreaterEqual(status, 0, f"round {n}: the program crashed ({status}):\n" + resident.output())


if __name__ == "__main__":
    road_e2e.run_tests(__doc__, ("Xvfb", "openbox", "trayer", "xdotool", "xprop", "xwininfo"))
