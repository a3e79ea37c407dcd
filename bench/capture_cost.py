#!/usr/bin/env python3
"""What a capture costs the machine: processor time of the app and of every process it starts, per capture,
on few processors (not part of the test run).

The real program runs on its own Xvfb + openbox desktop holding a dense screen of terminal-like text, with
everything (X server, window manager, app, its children) kept on `--cpus` (two by default). Each scenario
takes full-screen captures to the clipboard and waits until all their work is done (the clipboard holds
the PNG, the recents file is written, the history index holds the capture's text, and the processor
time has stopped growing); it then reports
  - app: the resident process's own user + system time,
  - children: that of every process it started, those that ended (the resident's cutime + cstime once
    it has waited for them) and those still running (the text reader),
  - the time from the request until the clipboard serves the PNG.
Scenarios:
  first      a dense screen never captured before
  same       the same screen again, once the text reader process has gone (more than 5 s later)
  one-line   the same screen with one line changed
  idle       the same screen again after a quiet minute (the app has handed its free memory back)
  command    `pelicarta --capture fullscreen` as a desktop shortcut runs it (no OMP_THREAD_LIMIT in its
             environment): the launch's own processor time (its rusage) and how long until it has ended,
             beside the resident's
  burst      copies back to back, each asked for once the clipboard holds the last one's PNG: the time
             per copy, then the processor time per capture once everything is done

    capture_cost.py PELICARTA [--size 1920x1080] [--cpus 0,1] [--rounds 3] [--burst 8] [--scenarios ...]
"""

import argparse
import os
import random
import re
import statistics
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import soak  # noqa: E402
from soak import Desktop, Pelicarta, clipboard_png, reader_children, unread_captures, wait_for  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")
WINDOW_COLUMNS, WINDOW_LINES = 150, 38  # one "terminal" of the fixed font, about 900x500 pixels


def stat_fields(pid):
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rpartition(")")[2].split()


def children_of(pid):
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if int(stat_fields(int(entry))[1]) == pid:
                    found.append(int(entry))
            except (OSError, ValueError, IndexError):
                continue
    return found


def cpu(pid):
    """(the resident's own seconds, its children's: ended and waited for, and running) so far."""
    fields = stat_fields(pid)
    own = (int(fields[11]) + int(fields[12])) / TICK
    ended = (int(fields[13]) + int(fields[14])) / TICK
    running = 0.0
    for child in children_of(pid):
        try:
            f = stat_fields(child)
            running += (int(f[11]) + int(f[12]) + int(f[13]) + int(f[14])) / TICK
        except (OSError, IndexError):
            continue  # ended meanwhile: counted in `ended` at the next look
    return own, ended + running


def terminal_text(seed, changed_line=None):
    rng = random.Random(seed)
    words = ("build", "make", "src/core/Beautifier.cpp", "[ 42%]", "Compiling", "warning:", "unused", "variable",
             "error", "0x7ffd3a2c", "ok", "test", "passed", "PASS", "FAIL", "GET", "/api/v1/items", "200", "404",
             "user@host:~$", "git", "status", "modified:", "README.md", "Linking", "CXX", "executable", "1.31",
             "ms", "seconds", "INFO", "DEBUG", "request", "served", "in", "ssh", "deploy", "--force", "done.")
    lines = []
    for n in range(WINDOW_LINES):
        line = f"{n:3d} "
        while len(line) < WINDOW_COLUMNS - 12:
            line += rng.choice(words) + " "
        lines.append(line[:WINDOW_COLUMNS])
    if changed_line is not None:
        lines[changed_line] = f"{changed_line:3d} this line changed since the last capture: " + lines[changed_line][46:]
    return "\n".join(lines)


class DenseScreen:
    """Four terminal-like windows of text filling a 1080p screen (more for a larger one) over a photograph."""

    def __init__(self, desktop):
        self.desktop = desktop
        soak.photographic_wallpaper(desktop)
        self.windows = {}
        self.columns = max(1, desktop.width // 960)
        self.rows = max(1, desktop.height // 540)
        self.page = 0
        self.new_page()

    def new_page(self):
        """Every window with text never shown before."""
        self.close()
        self.page += 1
        for n in range(self.columns * self.rows):
            self.show(n, terminal_text(1000 * self.page + n))
        self.wait_shown()

    def wait_shown(self):
        wait_for(lambda: len(self.desktop.visible_windows("^xmessage$")) >= len(self.windows), 20)
        time.sleep(1)

    def show(self, n, text):
        x = (n % self.columns) * (self.desktop.width // self.columns)
        y = (n // self.columns) * (self.desktop.height // self.rows)
        self.windows[n] = subprocess.Popen(
            ["xmessage", "-geometry", f"+{x}+{y}", "-fn", "fixed", text], env=self.desktop.env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def change_one_line(self, round_number):
        """The first window again, one of its lines changed."""
        old = self.windows[0]
        self.show(0, terminal_text(1000 * self.page, changed_line=(7 * round_number + 3) % WINDOW_LINES))
        old.terminate()
        old.wait()
        self.wait_shown()

    def close(self):
        soak.stop_all(self.windows.values())
        self.windows = {}


def settled(app, pid, before_files, quiet=2.0, timeout=900):
    """Waits until the capture's recents file is written, the index holds every capture's text and the
    processor time of all the app's processes has not grown for `quiet` seconds."""
    wait_for(lambda: set(app.capture_files()) - before_files, 120, 0.02)
    wait_for(lambda: unread_captures(app) == 0, timeout, 0.25)
    last, since = sum(cpu(pid)), time.monotonic()
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        time.sleep(0.25)
        now = sum(cpu(pid))
        if now - last > 0.02:
            last, since = now, time.monotonic()
        elif time.monotonic() - since >= quiet:
            return


def one_capture(app, desktop, start):
    """One capture to the clipboard through `start`; (seconds to the PNG, app seconds, children seconds,
    whatever `start` returned)."""
    pid = app.process.pid
    before_files = set(app.capture_files())
    desktop.set_clipboard_text("before")
    own0, children0 = cpu(pid)
    began = time.monotonic()
    extra = start()
    if not wait_for(lambda: clipboard_png(desktop), 60, 0.002):
        raise RuntimeError("the clipboard never held a PNG:\n" + app.output()[-2000:])
    to_png = time.monotonic() - began
    settled(app, pid, before_files)
    own1, children1 = cpu(pid)
    return to_png, own1 - own0, children1 - children0, extra


def launcher(app_path, env):
    """Starts `pelicarta --capture fullscreen` as a desktop shortcut would; a function that waits for its
    end and gives (its processor seconds, seconds until it ended)."""
    env = dict(env)
    env.pop("OMP_THREAD_LIMIT", None)
    began = time.monotonic()
    process = subprocess.Popen([app_path, "--capture", "fullscreen"], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    ended = {}

    def wait():
        _, status, usage = os.wait4(process.pid, 0)
        ended.update(status=os.waitstatus_to_exitcode(status), cpu=usage.ru_utime + usage.ru_stime,
                     wall=time.monotonic() - began)
    waiter = threading.Thread(target=wait, daemon=True)
    waiter.start()

    def result():
        waiter.join()
        process.returncode = ended["status"]
        if ended["status"] != 0:
            raise RuntimeError(f"the launch ended with status {ended['status']}")
        return ended["cpu"], ended["wall"]
    return result


def wait_reader_gone(app):
    wait_for(lambda: not reader_children(app.process.pid), 120, 0.25)
    time.sleep(1)


def median_ms(values):
    return f"{statistics.median(values) * 1000:6.0f} ms"


def report(name, rows):
    """rows: (to_png, app, children) per capture."""
    to_png = [r[0] for r in rows]
    app = [r[1] for r in rows]
    children = [r[2] for r in rows]
    total = [r[1] + r[2] for r in rows]
    print(f"  {name:9s} n={len(rows)}  app {statistics.median(app):5.2f} s ({min(app):.2f}-{max(app):.2f})  "
          f"children {statistics.median(children):5.2f} s ({min(children):.2f}-{max(children):.2f})  "
          f"all {statistics.median(total):5.2f} s  request -> PNG {median_ms(to_png)}", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("app")
    parser.add_argument("--size", default="1920x1080")
    parser.add_argument("--cpus", default="0,1", help="the processors everything runs on")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--burst", type=int, default=8)
    parser.add_argument("--scenarios", default="first,same,one-line,idle,command,burst")
    args = parser.parse_args()
    cpus = {int(c) for c in args.cpus.split(",")}
    os.sched_setaffinity(0, cpus)  # every process started from here on inherits it
    app_path = os.path.abspath(args.app)
    scenarios = args.scenarios.split(",")
    width, height = (int(v) for v in args.size.split("x"))
    print(f"{app_path} on processors {sorted(cpus)}, {width}x{height}; load average {soak.load_average()}")
    desktop = Desktop(width, height, lowered_workers=True)
    screen = DenseScreen(desktop)
    soak.road_e2e.APP = app_path
    app = Pelicarta(desktop, {"afterCapture": "copy", "history.keep": 200})
    try:
        soak.dismiss(app, desktop, "editor")
        time.sleep(3)
        hot_key = lambda: app.request("capture", "fullscreen")  # noqa: E731 (what the hot key does)
        results = {}
        for round_number in range(args.rounds):
            if "first" in scenarios:
                if round_number > 0:
                    screen.new_page()
                wait_reader_gone(app)
                results.setdefault("first", []).append(one_capture(app, desktop, hot_key)[:3])
            if "same" in scenarios:
                wait_reader_gone(app)
                results.setdefault("same", []).append(one_capture(app, desktop, hot_key)[:3])
            if "one-line" in scenarios:
                screen.change_one_line(round_number)
                results.setdefault("one-line", []).append(one_capture(app, desktop, hot_key)[:3])
            if "idle" in scenarios:
                wait_reader_gone(app)
                time.sleep(60)
                results.setdefault("idle", []).append(one_capture(app, desktop, hot_key)[:3])
            if "command" in scenarios:
                to_png, own, children, ended = one_capture(app, desktop, lambda: launcher(app_path, app.env))
                launch_cpu, launch_wall = ended()
                results.setdefault("command", []).append((to_png, own, children))
                results.setdefault("launch", []).append((launch_cpu, launch_wall))
            print(f"round {round_number + 1} done; load average {soak.load_average()}", flush=True)
        if "burst" in scenarios:
            pid = app.process.pid
            before_files = set(app.capture_files())
            own0, children0 = cpu(pid)
            per_copy = []
            for _ in range(args.burst):
                desktop.set_clipboard_text("before")
                began = time.monotonic()
                hot_key()
                if not wait_for(lambda: clipboard_png(desktop), 60, 0.002):
                    raise RuntimeError("the clipboard never held a PNG:\n" + app.output()[-2000:])
                per_copy.append(time.monotonic() - began)
            wait_for(lambda: len(set(app.capture_files()) - before_files) >= args.burst, 300, 0.05)
            settled(app, pid, before_files)
            own1, children1 = cpu(pid)
            results["burst"] = (per_copy, (own1 - own0) / args.burst, (children1 - children0) / args.burst)

        print(f"\n{width}x{height} on {len(cpus)} processors, processor time per capture (medians, range):")
        for name in ("first", "same", "one-line", "idle", "command"):
            if name in results:
                report(name, results[name])
        if "launch" in results:
            launch = results["launch"]
            print(f"  the `--capture fullscreen` launch itself: {statistics.median([c for c, _ in launch]) * 1000:.0f} ms "
                  f"of processor time ({min(c for c, _ in launch) * 1000:.0f}-{max(c for c, _ in launch) * 1000:.0f}), "
                  f"ended after {median_ms([w for _, w in launch]).strip()}")
        if "burst" in results:
            per_copy, own, children = results["burst"]
            print(f"  burst     {len(per_copy)} copies back to back: {median_ms(per_copy).strip()} per copy (median; "
                  f"{min(per_copy) * 1000:.0f}-{max(per_copy) * 1000:.0f}); per capture app {own:.2f} s, "
                  f"children {children:.2f} s, all {own + children:.2f} s")
        print(f"load average at the end {soak.load_average()}")
        out = app.output()
        if re.search(r"(?i)crash|segmentation|abort", out):
            print("the app's output mentions a crash:\n" + out[-2000:])
    finally:
        app.stop()
        screen.close()
        desktop.close()


if __name__ == "__main__":
    main()
