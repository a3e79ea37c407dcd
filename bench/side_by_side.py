#!/usr/bin/env python3
"""Capture to a pasteable PNG, Pelicarta beside flameshot, on the same screen (not part of the test run).

On one Xvfb + openbox desktop with a busy screen, each program takes the same full-screen captures to
the clipboard, in turn, and the time runs from the request until `xclip -o -t image/png` returns a PNG:
  - Pelicarta resident, asked through its socket (what its own hot key does),
  - Pelicarta through the command `pelicarta --capture fullscreen`,
  - flameshot's daemon, started first, through `flameshot full -c` (when flameshot is installed;
    skipped otherwise).
Before the next capture each program is left to finish its work (Pelicarta writes its recents file).
Prints the medians, their ratios, and each program's resident memory at start and after the captures.

    side_by_side.py PELICARTA [--sizes 1920x1080,3840x2160] [--runs 12]
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import soak  # noqa: E402
from soak import Desktop, Pelicarta, busy_desktop, clipboard_png, memory, stop_all, wait_for  # noqa: E402


def timed_to_png(desktop, start):
    """Seconds from calling start() until the clipboard serves a PNG."""
    desktop.set_clipboard_text("before")
    began = time.monotonic()
    start()
    if not wait_for(lambda: clipboard_png(desktop), 30, 0.002):
        raise RuntimeError("the clipboard never held a PNG")
    return time.monotonic() - began


def pelicarta_runs(app_path, desktop, runs):
    soak.road_e2e.APP = app_path
    app = Pelicarta(desktop, {"afterCapture": "copy", "history.keep": 100})
    try:
        soak.dismiss(app, desktop, "editor")
        time.sleep(2)
        start_rss = memory(app.process.pid)["rss_kb"]
        results = {"socket": [], "command": []}
        for n in range(2 * runs):
            kind = "socket" if n % 2 == 0 else "command"
            before = set(app.capture_files())
            if kind == "socket":
                results[kind].append(timed_to_png(desktop, lambda: app.request("capture", "fullscreen")))
            else:
                results[kind].append(timed_to_png(
                    desktop, lambda: subprocess.Popen([app_path, "--capture", "fullscreen"], env=app.env)))
            wait_for(lambda: set(app.capture_files()) - before, 60, 0.01)
            time.sleep(0.5)
        time.sleep(2)
        return results, start_rss, memory(app.process.pid)["rss_kb"]
    finally:
        app.stop()


class SessionBus:
    """A private D-Bus session bus: flameshot's command reaches its daemon through it."""

    def __init__(self, env):
        self.process = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env=env,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.address = self.process.stdout.readline().strip()

    def close(self):
        self.process.terminate()
        self.process.wait()


def started_with(home):
    """Processes of ours whose HOME is `home`: the peer's instances, however they were started."""
    marker = f"HOME={home}".encode()
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if marker in f.read().split(b"\0"):
                    pids.append(int(entry))
        except OSError:
            continue
    return pids


def end_all(home):
    for pid in started_with(home):
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    wait_for(lambda: not started_with(home), 10)


def flameshot_runs(desktop, runs):
    home = tempfile.mkdtemp(prefix="peer-")
    env = dict(desktop.env, HOME=home, XDG_CONFIG_HOME=f"{home}/config", XDG_RUNTIME_DIR=home)
    bus = SessionBus(env)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.address
    results = {"daemon": []}
    def command():
        return subprocess.Popen(["flameshot", "full", "-c"], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
    try:
        daemon = subprocess.Popen(["flameshot"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(3)
        start_rss = memory(daemon.pid)["rss_kb"]
        for _ in range(runs):
            results["daemon"].append(timed_to_png(desktop, command))
            time.sleep(1.0)
        time.sleep(2)
        after_rss = memory(daemon.pid)["rss_kb"]
        return results, start_rss, after_rss
    finally:
        end_all(home)
        bus.close()
        shutil.rmtree(home, ignore_errors=True)


def ms(values):
    return statistics.median(values) * 1000


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("app")
    parser.add_argument("--sizes", default="1920x1080,3840x2160")
    parser.add_argument("--runs", type=int, default=12)
    args = parser.parse_args()
    peer = shutil.which("flameshot") and shutil.which("dbus-daemon")
    if not peer:
        print("flameshot is not installed: Pelicarta alone")
    print(f"load average at start: {os.getloadavg()[0]:.1f}")
    for size in args.sizes.split(","):
        width, height = (int(v) for v in size.split("x"))
        desktop = Desktop(width, height)
        windows = busy_desktop(desktop)
        try:
            ours, our_start, our_after = pelicarta_runs(os.path.abspath(args.app), desktop, args.runs)
            print(f"{width}x{height}, medians of {args.runs}:")
            print(f"  Pelicarta resident (socket)      {ms(ours['socket']):7.0f} ms")
            print(f"  Pelicarta --capture fullscreen   {ms(ours['command']):7.0f} ms")
            print(f"  Pelicarta RSS: {our_start / 1024:.1f} MB at start, {our_after / 1024:.1f} MB after "
                  f"{2 * args.runs} captures")
            if peer:
                theirs, their_start, their_after = flameshot_runs(desktop, args.runs)
                print(f"  flameshot full -c (daemon)       {ms(theirs['daemon']):7.0f} ms")
                print(f"  flameshot RSS: {their_start / 1024:.1f} MB at start, {their_after / 1024:.1f} MB after "
                      f"{args.runs} captures")
                print(f"  ratio resident / daemon          {ms(ours['socket']) / ms(theirs['daemon']):7.2f}")
                print(f"  ratio command / daemon           {ms(ours['command']) / ms(theirs['daemon']):7.2f}")
            sys.stdout.flush()
        finally:
            stop_all(windows)
            desktop.close()
    print(f"load average at end: {os.getloadavg()[0]:.1f}")


if __name__ == "__main__":
    main()
