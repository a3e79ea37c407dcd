#!/usr/bin/env python3
"""End-to-end tests of the resident app and the capture road.

The real program runs on its own Xvfb display with openbox as window manager and trayer as tray host;
the tests drive it with second launches, xdotool and xclip, and look at what it leaves on screen, on the
clipboard and on disk.

    road_e2e.py PELICARTA [unittest options]     run the tests

bench/side_by_side.py times a capture to the clipboard on this desktop; bench/soak.py follows memory
over many captures.
"""

import json
import os
import re
import resource
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import zlib
import struct

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from screen_reader import ScreenReader, connect, fraction_close, root_window, write_png, xcb_library  # noqa: E402

APP = None  # the pelicarta program under test


# A timeout below is how long a desktop at rest may take; a busy machine (a parallel build beside the
# tests, two cores) is given this many times that, and a program built with the address sanitizer, which
# is several times slower, that many times more (as its own limits are). A wait that succeeds returns at
# once, so only a failure is slower to report.
PATIENCE = float(os.environ.get("PELICARTA_E2E_PATIENCE", "4"))
_slowdown = None


def slowdown():
    """How many times slower the program under test is than a release build: 4 when it was built with
    the address sanitizer (its runtime is among the libraries it needs), else 1."""
    global _slowdown
    if _slowdown is None:
        _slowdown = 1
        if APP:
            try:
                with open(APP, "rb") as program:
                    _slowdown = 4 if b"libasan.so" in program.read() else 1
            except OSError:
                pass
    return _slowdown


# No single wait is stretched past this: ctest gives a whole script five to fifteen minutes, and a wait
# that runs out must still fail the test with its message rather than be killed with the script.
LONGEST_WAIT = 240.0


def guard(seconds):
    """A limit that only tells a hang from slowness: `seconds` on a desktop at rest, stretched for a busy
    machine and a slow build as every wait here is (up to LONGEST_WAIT)."""
    return min(seconds * PATIENCE * slowdown(), max(seconds, LONGEST_WAIT))


# A wait that runs out must have looked often enough for its "never came" to mean something: no look
# (beyond the pause the caller asked for between looks) took more than this share of the whole wait.
LOOKS_PER_WAIT = 10


class TooFewLooks(AssertionError):
    """A wait ran out having looked too rarely to tell whether what it waited for came: its looks took
    seconds each (reading the screen on a busy machine, asking a starved program), so something shown
    for a while could have come and gone between them, or come just after the last."""


def wait_for(predicate, timeout=10.0, interval=0.05, may_run_out=False):
    """The first truthy value of predicate() within timeout seconds (times PATIENCE and the program's
    slowdown), else None. Raises TooFewLooks when it ran out having looked too rarely to tell, unless
    running out is what the caller expects (`may_run_out`)."""
    began = time.monotonic()
    deadline = began + guard(timeout)
    looks, last, longest = 0, began, 0.0
    while True:
        now = time.monotonic()
        longest, last = max(longest, now - last - (interval if looks else 0)), now
        value = predicate()
        looks += 1
        if value:
            return value
        now = time.monotonic()
        if now > deadline:
            longest = max(longest, now - last)
            if not may_run_out and longest > (now - began) / LOOKS_PER_WAIT:
                name = getattr(predicate, "__qualname__", repr(predicate))
                raise TooFewLooks(f"{name} looked {looks} times in {now - began:.1f} s, one look taking up to "
                                  f"{longest:.1f} s: too rarely to tell whether it came")
            return None
        time.sleep(interval)


def screen_bytes(desktop, area=None):
    """The screen's pixels as raw RGB bytes, or those of `area` (x, y, width, height)."""
    return desktop.pixels(area)


def crop_bytes(pixels, width, area):
    """The part `area` (x, y, width, height) of a whole screen's raw RGB bytes `width` pixels wide, as
    screen_bytes(desktop, area) reads it."""
    x, y, w, h = area
    return b"".join(pixels[((y + row) * width + x) * 3:((y + row) * width + x + w) * 3] for row in range(h))


class WindowWatch:
    """Looks for a window in the background from the moment it is made: a notice shows for about two
    seconds, which a busy machine can spend on what a test checks in the meantime."""

    def __init__(self, desktop, name_regex):
        self._found = threading.Event()
        self._stopped = threading.Event()

        def look():
            while not self._stopped.is_set() and not self._found.is_set():
                if desktop.visible_windows(name_regex):
                    self._found.set()
                else:
                    self._stopped.wait(0.05)
        self._thread = threading.Thread(target=look, daemon=True)
        self._thread.start()

    def seen(self, timeout):
        """Whether the window has shown, waiting up to `timeout` seconds (stretched as every wait)."""
        return self._found.wait(guard(timeout))

    def stop(self):
        self._stopped.set()
        self._thread.join()


def wait_settled(desktop, area=None, timeout=10.0):
    """Waits until the screen (or `area` of it) has stopped changing: an animation has ended, a window
    has been painted. Two reads in a row alike are taken for rest; a read is slower than a frame, so a
    running animation shows as a change. Returns the pixels, or None when they never settled."""
    previous = [None]

    def still():
        now = screen_bytes(desktop, area)
        alike = now and now == previous[0]
        previous[0] = now
        return now if alike else None
    return wait_for(still, timeout, interval=0.1)


def wait_changed(desktop, before, area=None, timeout=10.0):
    """Waits until the screen (or `area` of it) differs from `before` (what screen_bytes read earlier),
    then until it has stopped changing: what an action started has shown and come to rest. Returns the
    pixels, or None when nothing changed or it never came to rest."""
    if not wait_for(lambda: screen_bytes(desktop, area) not in (b"", before), timeout, interval=0.1):
        return None
    return wait_settled(desktop, area, timeout)


def next_second():
    """Waits until the clock turns to its next second: a capture after that is named apart from one
    before (names tell the second)."""
    now = time.time()
    time.sleep(int(now) + 1 - now + 0.01)


def press_until(press, predicate, timeout=10.0, again=15.0):
    """Presses a hot key and waits for predicate; on a loaded machine the very first press can reach the
    server before the desktop has settled after start-up, so once more: a second press tells a slow start
    from a broken hot key."""
    press()
    if wait_for(predicate, timeout):
        return True
    press()
    return bool(wait_for(predicate, again))


def tiny_png(rgb=(200, 40, 40)):
    """A valid 1 × 1 PNG."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    ihdr = struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0)
    raw = b"\x00" + bytes(rgb)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def round_trip(xcb, connection):
    """Waits until the X server has carried out every request sent on `connection` (through libxcb): a
    connection closed right after a flush may lose what the server had not read yet."""
    import ctypes

    xcb.xcb_get_input_focus.restype = ctypes.c_uint
    xcb.xcb_get_input_focus.argtypes = [ctypes.c_void_p]
    xcb.xcb_get_input_focus_reply.restype = ctypes.c_void_p
    xcb.xcb_get_input_focus_reply.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_void_p]
    libc = ctypes.CDLL(None)
    libc.free.argtypes = [ctypes.c_void_p]
    libc.free(xcb.xcb_get_input_focus_reply(connection, xcb.xcb_get_input_focus(connection), None))


class Desktop:
    """Xvfb on a free display, openbox and trayer (at the top of the screen, or at `tray_edge`; with
    `tray_reserves`, its strip is kept free of windows, as a desktop's panel keeps it)."""

    def __init__(self, width, height, tray_edge="top", lowered_workers=False, tray_reserves=False):
        self.width, self.height = width, height
        self.processes = []
        self.reader = None  # the screen's pixels, read once asked for
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp",
             "-noreset"], pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        self.processes.append(xvfb)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n"):
                c = pipe.read(1)
                if not c:
                    break
                number += c
        if not number.strip():
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        # In tests the program's workers stay at normal priority, as in the other test programs: the
        # machine's other load is other tests, not a person's work, and text read at the lowest priority
        # beside them could wait minutes for a processor. Measurements keep the program as it ships.
        if not lowered_workers:
            self.env.setdefault("PELICARTA_NO_TUNING", "nice")
        self.env.pop("WAYLAND_DISPLAY", None)
        # No session bus: without an address, the D-Bus library forks to start one from a process that
        # already runs threads, and under the address sanitizer that child can hang in malloc, with the
        # program waiting on it at start. A bus that is not there fails at once.
        self.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=/nonexistent/pelicarta-test-bus"
        self.env.pop("QT_QPA_PLATFORM", None)
        self.processes.append(subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        if not wait_for(lambda: b"window id" in self.x(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]), 15):
            self.close()
            raise RuntimeError("openbox did not start")
        self.processes.append(subprocess.Popen(
            ["trayer", "--edge", tray_edge, "--align", "right", "--widthtype", "pixel", "--width", "120",
             "--height", "24", "--SetDockType", "true", "--SetPartialStrut", "true" if tray_reserves else "false"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        panel = wait_for(lambda: self.x(["xdotool", "search", "--name", "^panel$"]).split(), 15)
        if not panel:
            self.close()
            raise RuntimeError("trayer did not start")

        # openbox announces itself before it has finished starting and drops a window mapped in between,
        # which then stays unmapped for good: the panel is mapped again until it shows.
        def panel_shown():
            if b"IsViewable" in self.x(["xwininfo", "-id", panel[0]]):
                return True
            self.x(["xdotool", "windowmap", panel[0]])
            return False
        if not wait_for(panel_shown, 15, 0.5):
            self.close()
            raise RuntimeError("trayer's panel never showed")
        if tray_reserves and not wait_for(lambda: self.work_area()[3] < height, 15):
            self.close()
            raise RuntimeError("the window manager never kept trayer's strip free")

    def work_area(self):
        """(x, y, width, height) of what the panels leave of the screen, as the window manager says."""
        out = self.x(["xprop", "-root", "_NET_WORKAREA"]).decode()
        values = [int(v) for v in out.split("=", 1)[1].split(",")[:4]] if "=" in out else []
        return tuple(values) if len(values) == 4 else (0, 0, self.width, self.height)

    def x(self, command, timeout=10):
        """Runs an X client on this display; its standard output (empty on failure, or when it has not
        ended after `timeout` seconds, stretched as the waits are: one that asks the program, as xclip
        does, waits for it)."""
        try:
            return subprocess.run(command, env=self.env, capture_output=True, timeout=guard(timeout)).stdout
        except subprocess.TimeoutExpired:
            return b""

    def visible_windows(self, name_regex):
        """(id, x, y, width, height) of the visible windows whose name matches."""
        ids = self.x(["xdotool", "search", "--onlyvisible", "--name", name_regex]).split()
        windows = []
        for wid in ids:
            geometry = self.x(["xdotool", "getwindowgeometry", "--shell", wid]).decode()
            values = dict(line.split("=", 1) for line in geometry.splitlines() if "=" in line)
            if values:
                windows.append((wid.decode(), int(values["X"]), int(values["Y"]), int(values["WIDTH"]),
                                int(values["HEIGHT"])))
        return windows

    def watch(self, name_regex):
        """Starts looking for a visible window whose name matches, until the returned watch is stopped."""
        return WindowWatch(self, name_regex)

    def overlay_windows(self):
        """Pelicarta's full-screen windows on screen. Override-redirect windows escape `xdotool search`;
        the window tree lists them, shown or not (between captures the overlay's windows are kept hidden)."""
        tree = self.x(["xwininfo", "-root", "-tree"]).decode().splitlines()
        size = f" {self.width}x{self.height}+0+0 "
        ids = [line.split()[0] for line in tree if '"Pelicarta"' in line and size in line]
        return [wid for wid in ids if b"IsViewable" in self.x(["xwininfo", "-id", wid])]

    def clipboard_targets(self):
        return self.x(["xclip", "-selection", "clipboard", "-t", "TARGETS", "-o"], timeout=3).decode().split()

    def clipboard(self, target):
        return self.x(["xclip", "-selection", "clipboard", "-t", target, "-o"], timeout=5)

    def set_clipboard_text(self, text):
        # xclip keeps serving the selection in the background until another owner takes it.
        process = subprocess.Popen(["xclip", "-selection", "clipboard", "-i"], env=self.env,
                                   stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        process.communicate(text.encode(), timeout=guard(5))
        # Served by xclip only once it owns the selection; a capture before that would be overwritten.
        if not wait_for(lambda: self.clipboard("UTF8_STRING") == text.encode(), 5):
            raise RuntimeError("xclip did not take the clipboard")

    def paint_root(self, rgb):
        """Paints the desktop (the root window's background) in one colour, through libxcb."""
        import ctypes

        xcb = xcb_library()
        xcb.xcb_change_window_attributes.argtypes = [ctypes.c_void_p, ctypes.c_uint32, ctypes.c_uint32,
                                                     ctypes.POINTER(ctypes.c_uint32)]
        xcb.xcb_clear_area.argtypes = [ctypes.c_void_p, ctypes.c_uint8, ctypes.c_uint32, ctypes.c_int16,
                                       ctypes.c_int16, ctypes.c_uint16, ctypes.c_uint16]
        connection, screen = connect(self.display)
        root = root_window(screen)
        pixel = ctypes.c_uint32((rgb[0] << 16) | (rgb[1] << 8) | rgb[2])
        xcb.xcb_change_window_attributes(connection, root, 2, ctypes.byref(pixel))  # XCB_CW_BACK_PIXEL
        xcb.xcb_clear_area(connection, 0, root, 0, 0, 0, 0)
        round_trip(xcb, connection)
        xcb.xcb_disconnect(connection)

    def _screen(self):
        if self.reader is None:
            self.reader = ScreenReader(self.display, self.width, self.height)
        return self.reader

    def pixels(self, area=None):
        """The screen's pixels as raw RGB bytes, or those of `area` (x, y, width, height), clipped to the
        screen; b"" when the server could not be read."""
        return self._screen().rgb(area)

    def colors(self, area=None):
        """How many pixels of each colour (0xRRGGBB) the screen, or `area` of it, shows."""
        return self._screen().colors(area)

    def screenshot(self, path):
        """Writes the screen as a PNG file."""
        write_png(path, self.width, self.height, self.pixels())

    def close(self):
        if self.reader is not None:
            self.reader.close()
            self.reader = None
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self.processes = []


class Home:
    """A home of its own for one Pelicarta: XDG folders, a private runtime folder, optional settings."""

    def __init__(self, desktop, settings=None, onboarded=True):
        # Past the first-run onboarding unless a test is about it.
        if onboarded:
            settings = {"hasCompletedOnboarding": True, **(settings or {})}
        self.path = tempfile.mkdtemp(prefix="pelicarta-e2e-")
        os.chmod(self.path, 0o700)
        self.env = dict(desktop.env, HOME=self.path, XDG_CONFIG_HOME=f"{self.path}/config",
                        XDG_DATA_HOME=f"{self.path}/data", XDG_RUNTIME_DIR=f"{self.path}/run",
                        OMP_THREAD_LIMIT="1")
        os.makedirs(f"{self.path}/run", mode=0o700)
        self.documents = f"{self.path}/data/Pelicarta"
        self.recents = f"{self.documents}/Recentes"
        self.tutorials = f"{self.documents}/Tutoriais"
        self.settings_file = f"{self.path}/config/Pelicarta/defaults.json"
        if settings:
            os.makedirs(os.path.dirname(self.settings_file))
            values = {}
            for key, value in settings.items():
                kind = ("bool" if isinstance(value, bool) else "int" if isinstance(value, int)
                        else "json" if isinstance(value, (dict, list)) else "string")
                values[key] = {"type": kind, "value": value}
            with open(self.settings_file, "w") as f:
                json.dump({"format": 1, "values": values}, f)


class Pelicarta:
    """One running Pelicarta with a home of its own, started as the README starts it. `limits` maps
    resource.RLIMIT_* to the soft and hard limit the process starts with. A launch that opens no window
    (`window` False) is waited for until it answers on its socket."""

    def __init__(self, desktop, settings=None, prepare=None, arguments=(), home=None, limits=None, onboarded=True,
                 window=True):
        self.desktop = desktop
        home = home or Home(desktop, settings, onboarded)
        self.home, self.env = home.path, home.env
        self.documents, self.recents, self.tutorials = home.documents, home.recents, home.tutorials
        if prepare:
            prepare(self)
        # Appending: reading moves the offset this file shares with the app, whose lines would land
        # wherever the last read stopped.
        self.log = open(f"{self.home}/pelicarta.log", "a+")

        def apply_limits():
            for kind, value in (limits or {}).items():
                resource.setrlimit(kind, value)
        self.process = subprocess.Popen([APP, *arguments], env=self.env, stdout=self.log, stderr=subprocess.STDOUT,
                                        preexec_fn=apply_limits if limits else None)
        if not wait_for(self.main_window if window else self.answers, 20):
            output = self.output()  # stop() closes the log
            self.stop()
            raise RuntimeError(("the main window did not appear:\n" if window else "no answer on the socket:\n")
                               + output)

    def launch(self, *arguments, timeout=20):
        """A second launch of the program; its exit status. `timeout` (stretched as the waits are) only
        tells a hang."""
        return subprocess.run([APP, *arguments], env=self.env, capture_output=True,
                              timeout=guard(timeout)).returncode

    def socket_path(self):
        return f"{self.home}/run/pelicarta-{re.sub(r'[^A-Za-z0-9.]', '_', self.desktop.display)}.socket"

    def request(self, *words):
        """Hands a request to the running instance over its socket, as a second launch does."""
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
            s.settimeout(guard(5))
            s.connect(self.socket_path())
            s.sendall(json.dumps(list(words)).encode() + b"\n")
            return s.recv(16).strip() == b"ok"

    def answers(self):
        """Whether the program answers a request on its socket. Its event loop serves the socket once the
        handler it is in and the work posted before have run: a marker ordered after them."""
        try:
            return self.request("ping")  # answered, with nothing done
        except OSError:
            return False

    def main_window(self):
        windows = [w for w in self.desktop.visible_windows("^Pelicarta$") if w[3] >= 1000 and w[4] >= 600]
        return windows[0] if windows else None

    def tray_icon(self):
        """The absolute centre of Pelicarta's icon inside trayer's panel, or None."""
        tree = self.desktop.x(["xwininfo", "-root", "-tree"]).decode().splitlines()
        inside_panel = None
        for line in tree:
            indent = len(line) - len(line.lstrip())
            if '"panel": ("panel" "trayer")' in line:
                inside_panel = indent
                continue
            if inside_panel is not None:
                if indent <= inside_panel:
                    inside_panel = None
                    continue
                match = re.search(r'"Pelicarta".*?(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)', line)
                if match:
                    w, h, x, y = map(int, match.groups())
                    if w > 1 and h > 1:
                        return x + w // 2, y + h // 2
        return None

    def toast(self, text):
        return self.desktop.visible_windows(re.escape(text))

    def capture_files(self):
        if not os.path.isdir(self.recents):
            return []
        return sorted(n for n in os.listdir(self.recents) if re.search(r"\.(png|heic)$", n, re.I)
                      and not n.startswith("."))

    def running(self):
        return self.process.poll() is None

    def diagnosis(self):
        """For a wait that failed: whether the event loop still answers its socket, every thread's stack
        (when gdb is installed) and the program's output."""
        try:
            answers = self.running() and self.request("ping")  # answered once the requests before it were taken
        except OSError:
            answers = False
        report = ["the program answers its socket" if answers else "the program does NOT answer its socket"]
        if self.running() and shutil.which("gdb"):
            stacks = subprocess.run(["gdb", "-p", str(self.process.pid), "-batch", "-ex", "thread apply all bt 20"],
                                    capture_output=True, text=True, timeout=120).stdout
            report += [line for line in stacks.splitlines() if line.startswith(("Thread ", "#"))]
        return "\n".join(report + [self.output()])

    def output(self):
        return read_log(self.log)

    def stop(self, keep_home=False):
        """Ends the program and removes its home, unless `keep_home`: the next Pelicarta started with the
        same Home finds what this one left."""
        if self.process.poll() is None:
            try:
                self.launch("--quit")
            except subprocess.TimeoutExpired:
                pass
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()
        if not keep_home:
            remove_home(self.home)


def gui_thread_stretches(app):
    """(milliseconds, the GUI thread's CPU milliseconds in them, the line) of each stretch the event loop
    could not turn, as the program started with PELICARTA_WATCHDOG logs them."""
    return [(float(match.group(1)), float(match.group(2)), match.group(0))
            for match in re.finditer(r"^pelicarta-watchdog: busy ([\d.]+) ms \(cpu ([\d.]+) ms.*$", app.output(), re.M)]


def read_log(log):
    """All a program wrote so far to `log`, a file opened for appending and reading."""
    log.flush()
    log.seek(0)
    return log.read()


def remove_home(path):
    """Removes a home and whatever a test locked or closed inside it."""
    subprocess.run(["chattr", "-R", "-i", path], capture_output=True)
    for root, dirs, _ in os.walk(path):
        for d in dirs:
            os.chmod(os.path.join(root, d), 0o700)
    shutil.rmtree(path, ignore_errors=True)


def image_size(desktop, path_or_bytes):
    """(width, height) of an image file or PNG bytes, as ImageMagick (libheif for HEIC) decodes it."""
    if isinstance(path_or_bytes, bytes):
        out = subprocess.run(["identify", "-format", "%w %h", "png:-"], input=path_or_bytes, capture_output=True)
    else:
        out = subprocess.run(["identify", "-format", "%w %h", path_or_bytes], capture_output=True)
    if out.returncode != 0:
        return None
    w, h = out.stdout.decode().split()[:2]
    return int(w), int(h)


def color_fraction(desktop, area, color, fuzz=12):
    """How much of `area` (x, y, width, height) of the screen is close to a colour ("#rrggbb"), within
    `fuzz` percent as ImageMagick's -fuzz measures."""
    return fraction_close(desktop.colors(area), int(color[1:], 16), fuzz)


def red_fraction(desktop, area):
    """How much of `area` of the screen is pure-ish red."""
    return color_fraction(desktop, area, "#ff0000")


class DesktopTest(unittest.TestCase):
    """Tests on one shared desktop of `size` pixels; each Pelicarta they start is stopped after its test."""
    size = (1920, 1080)
    tray_edge = "top"
    tray_reserves = False
    desktop = None

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(*cls.size, cls.tray_edge, tray_reserves=cls.tray_reserves)

    @classmethod
    def tearDownClass(cls):
        cls.desktop.close()

    def start(self, settings=None, prepare=None, arguments=(), **options):
        app = Pelicarta(self.desktop, settings, prepare, arguments, **options)
        self.addCleanup(app.stop)
        return app

    def watch(self, name_regex):
        """Looks for a visible window whose name matches, from now until the test ends (Desktop.watch)."""
        watch = self.desktop.watch(name_regex)
        self.addCleanup(watch.stop)
        return watch

    def assert_png_copied(self, app, timeout=15):
        """Waits for a PNG on the clipboard; without one, keeps the screen and fails with what the program
        was doing."""
        if wait_for(lambda: "image/png" in self.desktop.clipboard_targets(), timeout):
            return
        folder = os.path.normpath(os.path.join(os.path.dirname(APP), "..", "test-output"))
        os.makedirs(folder, exist_ok=True)
        shot = os.path.join(folder, f"no-copy-{self.id().rsplit('.', 1)[-1]}.png")
        self.desktop.screenshot(shot)
        self.fail(f"the clipboard never held a PNG (the screen then: {shot}):\n" + app.diagnosis())

    def open_test_window(self, name, *options):
        """Shows a window of the test window helper titled `name`, with the helper's `options` (--fill, --rect,
        --text, ...), until the test ends; returns the line it prints once it is up. Skips the test without
        the helper."""
        helper = os.environ.get("PELICARTA_TEST_WINDOW")
        if not helper or not os.path.exists(helper):
            self.skipTest("needs the test window helper")
        window = subprocess.Popen([helper, "--app", name, "--caption", name, *options], env=self.desktop.env,
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (window.stdin.close(), window.wait(), window.stdout.close()))
        return window.stdout.readline()


class RoadTest(DesktopTest):

    def capture_and_wait_for_png(self, app, action="fullscreen"):
        self.desktop.set_clipboard_text("before")
        self.assertEqual(app.launch("--capture", action), 0)
        self.assert_png_copied(app)

    def test_lifecycle_window_tray_reopen_and_quit(self):
        app = self.start()
        self.assertIsNotNone(wait_for(app.tray_icon, 10), "no tray icon in trayer")
        window = app.main_window()
        # Closing the window keeps the process.
        self.desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
        self.desktop.x(["xdotool", "key", "--clearmodifiers", "alt+F4"])
        self.assertTrue(wait_for(lambda: app.main_window() is None, 10), "the window did not close")
        # Its event loop still turns after the close: it answers.
        self.assertTrue(app.request("ping"), "the program does not answer after its window closed")
        self.assertTrue(app.running())
        # A second launch reaches the running instance and shows the window again.
        self.assertEqual(app.launch(), 0)
        self.assertTrue(wait_for(app.main_window, 10), "a second launch did not show the window")
        self.assertTrue(app.running())
        # Bad arguments are refused by the launch and leave the running one alone.
        self.assertEqual(app.launch("--capture", "everything"), 2)
        self.assertTrue(app.running())
        # --help prints the usage and ends; --capture without its action is refused with it.
        shown = subprocess.run([APP, "--help"], env=app.env, capture_output=True, timeout=guard(20))
        self.assertEqual(shown.returncode, 0)
        self.assertIn(b"usage: pelicarta", shown.stdout)
        refused = subprocess.run([APP, "--capture"], env=app.env, capture_output=True, timeout=guard(20))
        self.assertEqual(refused.returncode, 2)
        self.assertIn(b"usage: pelicarta", refused.stderr)
        self.assertTrue(app.running())
        # "Sair" in the tray's panel ends the process with status 0.
        x, y = app.tray_icon()
        self.desktop.x(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"])
        menu = wait_for(lambda: self.desktop.visible_windows("^Menu do Pelicarta$"), 10)
        self.assertTrue(menu, "the tray panel did not open")
        _, mx, my, mw, mh = menu[0]
        self.desktop.x(["xdotool", "mousemove", "--sync", str(mx + mw // 2), str(my + mh - 6 - 16), "click", "1"])
        self.assertEqual(app.process.wait(guard(10)), 0)

    def test_fullscreen_copy_clipboard_toast_and_recents_file(self):
        app = self.start({"afterCapture": "copy"})
        # Idle first, then another program takes the clipboard: the request that follows comes from
        # outside X, so the copy must not rely on the time of the last X event the app saw. A length of
        # time on purpose: the server's clock must move on past that event.
        time.sleep(1.5)
        copied = self.watch(re.escape("Copiado — Cole com Ctrl+V em qualquer app"))
        self.capture_and_wait_for_png(app)
        targets = self.desktop.clipboard_targets()
        self.assertIn("image/png", targets)
        self.assertIn("image/tiff", targets)
        self.assertFalse([t for t in targets if t.startswith("text/")], targets)
        # The beautified capture: 2 × 64 pixels of backdrop on every side (default style, retina scale).
        png = self.desktop.clipboard("image/png")
        self.assertEqual(image_size(self.desktop, png), (1920 + 4 * 64, 1080 + 4 * 64))
        self.assertTrue(copied.seen(3), "no 'Copiado' toast:\n" + app.output())
        files = wait_for(app.capture_files, 30)
        self.assertEqual(len(files), 1, files)
        self.assertRegex(files[0], r"^Pelicarta \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.heic$")
        self.assertEqual(image_size(self.desktop, f"{app.recents}/{files[0]}"), (1920, 1080))
        # A second capture in the same second takes the next free name; the first one stays.
        self.capture_and_wait_for_png(app)
        self.assertTrue(wait_for(lambda: len(app.capture_files()) == 2, 5), app.capture_files())
        self.assertIn(files[0], app.capture_files())
        self.assertTrue(app.running())

    def test_a_capture_is_read_into_the_history_index(self):
        self.open_test_window("Words", "--fill", "ffffff", "--rect", "40,60,700,160", "--text", "Configurações da Conta")
        app = self.start({"afterCapture": "copy"})
        self.capture_and_wait_for_png(app)
        files = wait_for(app.capture_files, 30)
        self.assertEqual(len(files), 1, files)
        index_path = f"{app.documents}/Indice-do-historico.json"

        def record():
            try:
                with open(index_path) as f:
                    return json.load(f).get(files[0])
            except (OSError, ValueError):
                return None
        # Read from the image in memory, then saved 3 s after the change.
        entry = wait_for(record, 60, 0.2)
        self.assertTrue(entry, "the capture never reached the index:\n" + app.output())
        self.assertEqual(sorted(entry), ["bytes", "height", "text", "width"])
        self.assertEqual((entry["width"], entry["height"]), (self.desktop.width, self.desktop.height))
        self.assertEqual(entry["bytes"], os.path.getsize(f"{app.recents}/{files[0]}"))
        self.assertIn("Configurações da Conta", entry["text"].splitlines())
        self.assertEqual(os.stat(index_path).st_mode & 0o777, 0o600)
        self.assertEqual(os.stat(app.documents).st_mode & 0o777, 0o700)

    def test_captures_the_index_lacks_are_read_at_start(self):
        known, unread = "Pelicarta 2020-01-01 00.00.01.png", "Pelicarta 2020-01-01 00.00.02.png"
        record = {"text": "lida antes", "width": 1, "height": 1, "bytes": len(tiny_png())}

        def fill(app):
            os.makedirs(app.recents, mode=0o700)
            for name in (known, unread):
                with open(f"{app.recents}/{name}", "wb") as f:
                    f.write(tiny_png())
            with open(f"{app.documents}/Indice-do-historico.json", "w") as f:
                json.dump({known: record}, f)
        app = self.start({"afterCapture": "copy"}, fill)
        index_path = f"{app.documents}/Indice-do-historico.json"

        def index():
            try:
                with open(index_path) as f:
                    found = json.load(f)
                return found if unread in found else None
            except (OSError, ValueError):
                return None
        # Without a capture and without a visit to the history page.
        found = wait_for(index, 60, 0.2)
        self.assertTrue(found, "the capture was never read:\n" + app.output())
        self.assertEqual(found[unread], {"text": "", "width": 1, "height": 1, "bytes": len(tiny_png())})
        self.assertEqual(found[known], record)

    def test_a_first_launch_with_a_capture_starts_and_captures(self):
        self.desktop.set_clipboard_text("before")
        app = self.start({"afterCapture": "copy"}, arguments=("--capture", "fullscreen"))
        self.assert_png_copied(app)
        # The whole desktop, none of it trimmed away around a window of ours caught in the picture: the
        # first window opens once the capture has come to its end.
        self.assertEqual(image_size(self.desktop, self.desktop.clipboard("image/png")),
                         (self.desktop.width + 256, self.desktop.height + 256))
        self.assertTrue(wait_for(app.main_window, 10))

    def test_a_first_launch_that_starts_recording_opens_no_window(self):
        # The main window held back while a capture runs must not open over the program being documented
        # once the first step is taken, nor at all while recording.
        recording = self.watch(re.escape("Gravando “Novo tutorial”"))
        app = self.start({"afterCapture": "copy"}, arguments=("--capture", "tutorial"), window=False)
        self.assertTrue(recording.seen(10), "no recording toast:\n" + app.output())
        step = self.watch(re.escape("Passo 1 adicionado"))
        self.assertEqual(app.launch("--capture", "fullscreen"), 0)
        self.assertTrue(step.seen(10), "no step toast:\n" + app.output())
        # Whatever the step's end started has run once a request after it is answered.
        self.assertTrue(wait_for(app.answers, 10))
        self.assertIsNone(app.main_window())
        # Stopping the recording opens the tutorial, as always.
        self.assertEqual(app.launch("--capture", "tutorial"), 0)
        self.assertTrue(wait_for(app.main_window, 10))

    def test_editor_outcome_shows_the_capture_even_when_nothing_is_kept(self):
        self._red_window()
        for keep in (500, 0):
            app = self.start({"afterCapture": "editor", "history.keep": keep})
            # Start from the home page with the window closed: the capture must open it.
            window = app.main_window()
            self.desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
            self.desktop.x(["xdotool", "key", "--clearmodifiers", "alt+F4"])
            self.assertTrue(wait_for(lambda: app.main_window() is None, 10))
            self.assertEqual(app.launch("--capture", "fullscreen"), 0)
            window = wait_for(app.main_window, 10)
            self.assertTrue(window, "the editor did not open the main window")
            # The editor page shows the beautified capture, red window included, on the default style's
            # backdrop (aurora, a gradient from violet #6E5BD8), inside the main window.
            self.assertTrue(wait_for(lambda: red_fraction(self.desktop, window[1:]) > 0.002 and
                                     color_fraction(self.desktop, window[1:], "#6e5bd8", 6) > 0.002, 10),
                            "the beautified capture is not shown in the main window")
            # The file is written in the background and may follow the editor.
            self.assertTrue(wait_for(lambda: len(app.capture_files()) == (1 if keep else 0), 10), app.capture_files())
            self.assertTrue(app.running())
            app.stop()

    def _red_window(self):
        """A red window in the top-left corner, outside the main window."""
        helper = os.environ.get("PELICARTA_TEST_WINDOW")
        if helper and os.path.exists(helper):
            process = subprocess.Popen([helper, "--app", "Red", "--caption", "Red", "--fill", "ff0000", "--rect",
                                        "10,40,300,80"], env=self.desktop.env, stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            process.stdout.readline()
        else:
            process = subprocess.Popen(["xmessage", "-geometry", "300x80+10+40", "-bg", "red", "-fg", "red",
                                        "-center", " "], env=self.desktop.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertTrue(wait_for(lambda: self.desktop.visible_windows("^Red$") or
                                 self.desktop.visible_windows("xmessage"), 10), "the red window did not appear")
        def stop():
            if process.poll() is None:
                process.terminate()
                process.wait()
            for pipe in (process.stdin, process.stdout):
                if pipe:
                    pipe.close()
        self.addCleanup(stop)
        return process

    def test_area_capture_through_the_overlay(self):
        app = self.start({"afterCapture": "copy", "areaRelease": "instant"})

        overlay_up = self.desktop.overlay_windows

        # Cancelled: nothing is delivered.
        self.desktop.set_clipboard_text("before")
        self.assertEqual(app.launch("--capture", "area"), 0)
        self.assertTrue(wait_for(overlay_up, 10), "the overlay did not come up:\n" + app.output())
        self.desktop.x(["xdotool", "key", "Escape"])
        self.assertTrue(wait_for(lambda: not overlay_up(), 10))
        # Whatever the cancel made the program do, it did before answering this.
        self.assertTrue(app.request("ping"), "the program does not answer")
        self.assertNotIn("image/png", self.desktop.clipboard_targets())
        self.assertEqual(app.capture_files(), [])

        # A later capture works; a start while its overlay is up is refused, and its launch fails.
        self.assertEqual(app.launch("--capture", "area"), 0)
        self.assertTrue(wait_for(overlay_up, 10))
        refused = subprocess.run([APP, "--capture", "fullscreen"], env=app.env, capture_output=True,
                                 timeout=guard(20))
        self.assertEqual((refused.returncode, refused.stderr.decode().strip()),
                         (1, "Pelicarta is waiting for an area or a window to be picked."))
        self.assertEqual(app.launch("--capture", "window"), 1)
        self.assertTrue(app.request("ping"), "the program does not answer")
        self.assertNotIn("image/png", self.desktop.clipboard_targets())
        self.assertEqual(len(overlay_up()), 1)
        self.desktop.x(["xdotool", "mousemove", "--sync", "100", "100", "mousedown", "1"])
        self.desktop.x(["xdotool", "mousemove", "--sync", "250", "200"])
        self.desktop.x(["xdotool", "mousemove", "--sync", "400", "300", "mouseup", "1"])
        self.assertTrue(wait_for(lambda: "image/png" in self.desktop.clipboard_targets(), 10), app.output())
        # The cut area, beautified.
        self.assertEqual(image_size(self.desktop, self.desktop.clipboard("image/png")), (300 + 256, 200 + 256))
        files = wait_for(app.capture_files, 30)
        self.assertEqual(image_size(self.desktop, f"{app.recents}/{files[0]}"), (300, 200))

        # Repeating grabs the same area afresh, with no overlay.
        self.capture_and_wait_for_png(app, "repeat")
        self.assertFalse(overlay_up())
        self.assertEqual(image_size(self.desktop, self.desktop.clipboard("image/png")), (300 + 256, 200 + 256))
        self.assertTrue(app.running())

    def test_tutorial_recording_turns_captures_into_steps(self):
        app = self.start({"afterCapture": "copy"})
        started = time.time()
        # Each notice shows for two seconds from the moment the request is carried out, before the launch
        # that asked for it has ended: looked for from before the launch.
        recording = self.watch(re.escape("Gravando “Novo tutorial”"))
        self.assertEqual(app.launch("--capture", "tutorial"), 0)
        self.assertTrue(recording.seen(5), "no recording toast")
        self.desktop.set_clipboard_text("before")
        for number in (1, 2):
            step = self.watch(re.escape(f"Passo {number} adicionado"))
            self.assertEqual(app.launch("--capture", "fullscreen"), 0)
            self.assertTrue(step.seen(10), "no step toast:\n" + app.output())
        stepped = time.time()
        folders = os.listdir(app.tutorials)
        self.assertEqual(len(folders), 1)
        self.assertRegex(folders[0], r"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
        with open(f"{app.tutorials}/{folders[0]}/tutorial.json") as f:
            tutorial = json.load(f)
        self.assertEqual(tutorial["id"], folders[0])
        # Dates count seconds from 1 January 2001; made between the launch and its steps.
        created = tutorial["createdAt"] + 978_307_200
        self.assertTrue(started - 1 <= created <= stepped + 1, (started, created, stepped))
        self.assertEqual(len(tutorial["steps"]), 2)
        self.assertNotEqual(tutorial["steps"][0]["imageFile"], tutorial["steps"][1]["imageFile"])
        for step in tutorial["steps"]:
            self.assertRegex(step["imageFile"], r"^passo-[0-9A-F]{8}\.png$")
            self.assertEqual((step["title"], step["detail"]), ("", ""))
            self.assertNotIn("marker", step)
            self.assertEqual(image_size(self.desktop, f"{app.tutorials}/{folders[0]}/{step['imageFile']}"), (1920, 1080))
        # A step is nothing else: no recents file, nothing copied.
        self.assertEqual(app.capture_files(), [])
        self.assertNotIn("image/png", self.desktop.clipboard_targets())
        # Toggling again stops recording and shows the main window; captures are ordinary again.
        self.assertEqual(app.launch("--capture", "tutorial"), 0)
        self.assertTrue(wait_for(app.main_window, 10))
        self.capture_and_wait_for_png(app)
        self.assertTrue(wait_for(lambda: len(app.capture_files()) == 1, 20))
        with open(f"{app.tutorials}/{folders[0]}/tutorial.json") as f:
            self.assertEqual(len(json.load(f)["steps"]), 2)

    def test_keep_limit_prunes_the_oldest_and_never_the_new_capture(self):
        def fill(app):
            os.makedirs(app.recents)
            os.makedirs(f"{app.recents}/sub")
            for n in range(24):  # created one after another: their birth times order them
                with open(f"{app.recents}/Pelicarta 2020-01-01 00.00.{n:02d}.png", "wb") as f:
                    f.write(tiny_png())
                time.sleep(0.01)
            for other in ("notes.txt", ".hidden.png", "sub/inside.png", "photo.jpg"):
                with open(f"{app.recents}/{other}", "wb") as f:
                    f.write(tiny_png())
        app = self.start({"afterCapture": "copy", "history.keep": 20}, fill)
        self.capture_and_wait_for_png(app)
        files = wait_for(lambda: (lambda f: f if len(f) == 20 else None)(app.capture_files()), 5)
        self.assertTrue(files, app.capture_files())
        self.assertEqual(len([f for f in files if f.endswith(".heic")]), 1)
        kept_old = sorted(f for f in files if f.endswith(".png"))
        self.assertEqual(kept_old, [f"Pelicarta 2020-01-01 00.00.{n:02d}.png" for n in range(5, 24)])
        for other in ("notes.txt", ".hidden.png", "sub/inside.png", "photo.jpg"):
            self.assertTrue(os.path.exists(f"{app.recents}/{other}"), other)

    def test_unwritable_recents_keeps_the_road_and_every_file(self):
        app = self.start({"afterCapture": "copy"})
        self.capture_and_wait_for_png(app)
        before = wait_for(app.capture_files, 30)
        self.assertEqual(len(before), 1)
        if os.geteuid() == 0:
            locked = subprocess.run(["chattr", "+i", app.recents], capture_output=True).returncode == 0
        else:
            os.chmod(app.recents, 0o500)
            locked = True
        if not locked:
            self.skipTest("cannot make a folder unwritable for root here")
        elsewhere = f"{app.home}/run/Pelicarta/Recentes"  # the private runtime folder, never a shared one
        kept_before = set(os.listdir(elsewhere)) if os.path.isdir(elsewhere) else set()
        # The first capture's notice is gone before this one's is looked for.
        self.assertTrue(wait_for(lambda: not app.toast("Copiado"), 15), "the first notice stayed")
        copied = self.watch(re.escape("Copiado — Cole com Ctrl+V em qualquer app"))
        self.capture_and_wait_for_png(app)
        self.assertTrue(copied.seen(3), "no 'Copiado' toast:\n" + app.output())
        # The capture is kept in a private temporary folder, and the user is told where; by then it
        # has been written wherever it was going to be.
        kept = wait_for(lambda: os.path.isdir(elsewhere) and set(os.listdir(elsewhere)) - kept_before, 15)
        self.assertTrue(kept and len(kept) == 1, app.output())
        self.assertEqual(app.capture_files(), before)
        for name in kept:
            os.remove(f"{elsewhere}/{name}")
        self.assertTrue(wait_for(lambda: self.desktop.visible_windows("^Pelicarta$") and
                                 any(w[3] < 1000 for w in self.desktop.visible_windows("^Pelicarta$")), 5),
                        "no alert about the folder")
        self.assertTrue(app.running())


def run_tests(doc, tools):
    """The end-to-end scripts' entry: the program's path first, then unittest's own arguments; a missing
    tool fails the run rather than skipping it."""
    global APP
    if len(sys.argv) < 2:
        sys.exit(doc)
    APP = os.path.abspath(sys.argv[1])
    missing = [tool for tool in tools if not shutil.which(tool)]
    if missing:
        print("missing tools: " + ", ".join(missing) + " (scripts/setup-debian.sh installs them)")
        sys.exit(1)
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]], verbosity=2)


if __name__ == "__main__":
    run_tests(__doc__, ("Xvfb", "openbox", "trayer", "xdotool", "xclip", "xprop", "xwininfo", "identify", "convert"))
