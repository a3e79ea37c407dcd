#!/usr/bin/env python3
"""Memory and responsiveness of the resident app over many captures (not part of the default test run).

The real program runs on its own Xvfb display (openbox, trayer) over a busy desktop and takes N
full-screen captures through its socket, for each outcome in turn. After each capture has finished
all its work (the recents file is written) it records the resident (RSS) and proportional (PSS)
memory, the open descriptors and the threads; then again 10 s after the last capture, once its outcome
has gone (the quick panel timed out, the main window closed). The app runs with PELICARTA_WATCHDOG,
so it logs every stretch over 8 ms its event loop could not turn, with the GUI thread's own CPU time in
it, its time waiting for a processor and the event that took longest. A full-screen capture reads the
display on a thread of its own, so every stretch from the request to the end of its work (the outcome
shown, the clipboard served, the recents file written) is the delivery's: each capture's longest is
kept with its CPU and waiting time, and how many stretches went past a frame (16 ms); the report ends
with the events that ran longest in those.

Then it waits until the history index holds the text of every kept capture (the background reader
has worked through its backlog) and records the same again once the text engine has had time to go.
The text is read in a reader process the app starts: its RSS and PSS are recorded beside the app's,
and the sum printed while one runs.

With --burst it takes the captures back to back instead, each once the last one's outcome shows, and
reports the peak RSS, the app's CPU time per capture and how long after the last every file is on disk.

With --history the main window stays open on the history page through the captures, and with
--search TEXT that text is typed into its search field first: each new capture then reaches the page's
list (and, once its text is read, its search) while it is on the screen.

    soak.py PELICARTA [--size 1920x1080] [--captures 200] [--outcomes copy,quick,editor] [--pause-every N]
            [--linger SECONDS] [--csv FILE] [--read-wait SECONDS] [--burst] [--history] [--search TEXT]
"""

import argparse
import csv
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import road_e2e  # noqa: E402
from road_e2e import Desktop, Pelicarta, wait_for  # noqa: E402

QUICK_PANEL = (340, 300)


def cpu_seconds(pid):
    """User and system time the process has used so far."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rpartition(")")[2].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def reader_children(pid):
    """The text reader processes the app has started ("--read-text"), by pid."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                parent = int(f.read().rpartition(")")[2].split()[1])
            if parent != pid:
                continue
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                if b"--read-text" in f.read().split(b"\0"):
                    found.append(int(entry))
        except (OSError, ValueError, IndexError):
            continue  # gone meanwhile
    return found


def memory(pid):
    """RSS, PSS (kB), open descriptors and threads of a running process, and the RSS and PSS of its
    text reader process (0 when none runs)."""
    values = own_memory(pid)
    reader_rss = reader_pss = 0
    for child in reader_children(pid):
        try:
            sample = own_memory(child)
        except OSError:
            continue
        reader_rss += sample["rss_kb"]
        reader_pss += sample["pss_kb"]
    return {**values, "reader_rss_kb": reader_rss, "reader_pss_kb": reader_pss}


def megabytes(sample, start=None):
    """The resident's RSS, with the reader's and their sum when a reader runs; changes from `start`."""
    def mb(kb):
        return f"{kb / 1024:.1f} MB" + ("" if start is None else f" ({(kb - start['rss_kb']) / 1024:+.1f} MB)")
    own = f"{mb(sample['rss_kb'])} [heap and other anonymous {sample['anon_kb'] / 1024:.1f}, files {sample['file_kb'] / 1024:.1f}]"
    if not sample.get("reader_rss_kb"):
        return f"RSS {own}, no reader process"
    return (f"RSS {own}, reader process {sample['reader_rss_kb'] / 1024:.1f} MB, "
            f"together {mb(sample['rss_kb'] + sample['reader_rss_kb'])}")


def own_memory(pid):
    """RSS, PSS (kB), open descriptors and threads of one process."""
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "RssAnon", "RssFile", "Threads"):
                values[key] = int(rest.split()[0])
    pss = 0
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            if line.startswith("Pss:"):
                pss = int(line.split()[1])
    return {"rss_kb": values.get("VmRSS", 0), "anon_kb": values.get("RssAnon", 0), "file_kb": values.get("RssFile", 0),
            "pss_kb": pss, "fds": len(os.listdir(f"/proc/{pid}/fd")),
            "threads": values.get("Threads", 0)}


def photographic_wallpaper(desktop):
    """Paints the desktop with a photograph-like picture."""
    folder = tempfile.mkdtemp(prefix="pelicarta-soak-")
    wallpaper = f"{folder}/wallpaper.png"
    subprocess.run(["convert", "-seed", "7", "-size", f"{desktop.width}x{desktop.height}", "plasma:fractal",
                    "-blur", "0x3", wallpaper], check=True, capture_output=True)
    desktop.x(["display", "-window", "root", wallpaper], timeout=60)
    shutil.rmtree(folder)  # the root window keeps its pixels


def busy_desktop(desktop):
    """A photographic wallpaper under a few windows of text: what a capture of a working desktop holds."""
    photographic_wallpaper(desktop)
    text = "\n".join(f"{n:3d}  O relatório trimestral mostra receita de R$ {1200 + n * 37} mil, alta de {n % 17}%"
                     for n in range(1, 41))
    processes = []
    columns = max(1, desktop.width // 960)
    for n in range(2 * columns):
        x = 40 + (n % columns) * (desktop.width // columns)
        y = 60 + (n // columns) * (desktop.height // 2)
        processes.append(subprocess.Popen(
            ["xmessage", "-geometry", f"+{x}+{y}", "-fn", "fixed", text], env=desktop.env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    wait_for(lambda: len(desktop.visible_windows("xmessage")) >= len(processes), 15)
    time.sleep(0.5)
    return processes


def stop_all(processes):
    for process in processes:
        if process.poll() is None:
            process.terminate()
            process.wait()


FRAME_MS = 16.0


def watchdog_stalls(app):
    """(monotonic seconds, milliseconds, the GUI thread's CPU milliseconds, its milliseconds waiting for a
    processor, what took longest) of every stretch the app's event loop reported. What took longest is the
    wait when it was half the stretch or more, else the longest event with its milliseconds or the time
    outside any event when that was longer ("" from a build that does not tell)."""
    stalls = []
    for match in re.finditer(r"^pelicarta-watchdog: busy ([\d.]+) ms \(cpu ([\d.]+) ms, runnable ([\d.]+) ms\) "
                             r"at ([\d.]+)(?:; longest event ([\d.]+) ms (.*); outside events ([\d.]+) ms)?"
                             r"(?:; between turns [\d.]+ ms)?$",
                             app.output(), re.M):
        what = ""
        runnable = float(match.group(3))
        if runnable >= float(match.group(1)) / 2:
            what = f"waiting for a processor {runnable:.0f} ms"
        elif match.group(5):
            event, outside = float(match.group(5)), float(match.group(7))
            what = (f"{match.group(6)} {event:.0f} ms" if event >= outside
                    else f"outside events (X server, clipboard) {outside:.0f} ms")
        stalls.append((float(match.group(4)), float(match.group(1)), float(match.group(2)), float(match.group(3)),
                       what))
    return stalls


def culprit(what):
    """A stretch's longest work without its milliseconds, to count alike ones together."""
    return re.sub(r" \d+ ms$", "", what) or "(not told)"


def clipboard_png(desktop):
    data = desktop.clipboard("image/png")
    return data if data.startswith(b"\x89PNG") else None


def quick_panel(desktop):
    return [w for w in desktop.visible_windows("^Pelicarta$") if (w[3], w[4]) == QUICK_PANEL]


def capture(app, desktop, outcome, wait_for_file=True):
    """One full-screen capture through the socket; (seconds to its outcome, seconds to all its work, or
    None when `wait_for_file` is false: the next capture then starts once this one's outcome is shown)."""
    before = set(app.capture_files())
    if outcome == "copy":
        desktop.set_clipboard_text("before")
    started = time.monotonic()
    if not app.request("capture", "fullscreen"):
        raise RuntimeError("the app did not take the request")
    if outcome == "copy":
        shown = wait_for(lambda: clipboard_png(desktop), 30, 0.002)
    else:
        # The app tells when it puts the outcome on the screen (the main window may stay mapped through the
        # grab, out of the picture; the last quick panel is still on the screen when the request goes out,
        # until the grab takes it off). Looking for the window here would walk the server's window tree
        # while the app paints its first frame, and the app's own requests would wait behind it: the window
        # is looked for once the capture's work is measured.
        mark = "main window shown" if outcome == "editor" else "quick panel shown"
        def shown_marks():
            return len(re.findall(rf"^pelicarta-watchdog: {mark} at", app.output(), re.M))
        marks_before = shown_marks()
        shown = wait_for(lambda: shown_marks() > marks_before, 30, 0.005)
    if not shown:
        raise RuntimeError(f"no {outcome} outcome:\n" + app.output()[-2000:])
    outcome_time = time.monotonic() - started
    if not wait_for_file:
        return outcome_time, None
    # Pruned to the keep limit, the folder keeps its count: the new name tells.
    if not wait_for(lambda: set(app.capture_files()) - before, 60, 0.01):
        raise RuntimeError("the recents file was not written:\n" + app.output()[-2000:])
    return outcome_time, time.monotonic() - started


def dismiss(app, desktop, outcome):
    """Puts the last outcome away as a user would: the quick panel times out, the window is closed."""
    if outcome == "quick":
        wait_for(lambda: not quick_panel(desktop), 20, 0.1)
    elif outcome == "editor":
        # Pressed again when a busy window manager missed the key: a window left open would be measured.
        for _ in range(3):
            window = app.main_window()
            if not window:
                return
            desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
            desktop.x(["xdotool", "key", "--clearmodifiers", "alt+F4"])
            if wait_for(lambda: app.main_window() is None, 10):
                return
        raise RuntimeError("the main window did not close")


def open_history(app, desktop, query=None):
    """Shows the main window on the history page (Ctrl+3) and types `query` into its search field."""
    time.sleep(3)
    idle = own_memory(app.process.pid)["rss_kb"]
    app.launch()
    if not wait_for(app.main_window, 20):
        raise RuntimeError("the main window did not show:\n" + app.output()[-2000:])
    window = app.main_window()
    desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
    desktop.x(["xdotool", "key", "--clearmodifiers", "ctrl+3"])
    time.sleep(1)
    if query:
        desktop.x(["xdotool", "key", "--clearmodifiers", "ctrl+f"])
        desktop.x(["xdotool", "type", "--delay", "40", query])
    # Out of the way of the cards: no hover while the captures come.
    desktop.x(["xdotool", "mousemove", str(window[1] + 20), str(window[2] + window[4] - 20)])
    time.sleep(2)
    print(f"  idle before the history page: RSS {idle / 1024:.1f} MB; with it open"
          + (f" and searched for \"{query}\"" if query else "")
          + f": {own_memory(app.process.pid)['rss_kb'] / 1024:.1f} MB", flush=True)


def unread_captures(app):
    """Kept capture files the history index holds no text for yet (all of them while it is unreadable)."""
    files = app.capture_files()
    try:
        with open(f"{app.documents}/Indice-do-historico.json") as f:
            records = json.load(f)
    except (OSError, ValueError):
        return len(files)
    return sum(1 for name in files if name not in records)


def slope_per_100(values):
    """Least-squares growth of the values per 100 samples (kB)."""
    n = len(values)
    if n < 2:
        return 0.0
    mean_x, mean_y = (n - 1) / 2, statistics.fmean(values)
    num = sum((x - mean_x) * (y - mean_y) for x, y in enumerate(values))
    den = sum((x - mean_x) ** 2 for x in range(n))
    return 100 * num / den


def soak(app_path, size, captures, outcome, record, settle=10.0, pause_every=0, linger=0.0, read_wait=900.0,
         history=None):
    width, height = size
    desktop = Desktop(width, height, lowered_workers=True)
    windows = busy_desktop(desktop)
    road_e2e_app = None
    try:
        settings = {"afterCapture": outcome, "quick.lifetime": 10, "history.keep": 100}
        desktop.env["PELICARTA_WATCHDOG"] = "1"
        road_e2e.APP = app_path
        road_e2e_app = Pelicarta(desktop, settings)
        app = road_e2e_app
        pid = app.process.pid
        dismiss(app, desktop, "editor")  # the main window a first start shows
        if history is not None:
            open_history(app, desktop, history)
        time.sleep(3)
        start = memory(pid)
        cpu_start = cpu_seconds(pid)
        print(f"[{outcome} {width}x{height}] load {load_average()}; start: {megabytes(start)}, PSS "
              f"{start['pss_kb'] / 1024:.1f} MB, {start['fds']} descriptors, {start['threads']} threads", flush=True)
        record({"outcome": outcome, "size": f"{width}x{height}", "capture": "start", **start})
        samples, outcome_times, busy, busy_cpu, busy_runnable, over_frame = [], [], [], [], [], []
        culprits = {}
        for n in range(captures):
            began = time.monotonic()
            outcome_time, work_time = capture(app, desktop, outcome)
            time.sleep(0.3)
            sample = memory(pid)
            samples.append(sample)
            outcome_times.append(outcome_time)
            ended = time.monotonic()
            if outcome == "editor" and not app.main_window():
                raise RuntimeError("the main window is not on the screen:\n" + app.output()[-2000:])
            if outcome == "quick" and not quick_panel(desktop):
                raise RuntimeError("the quick panel is not on the screen:\n" + app.output()[-2000:])
            stretches = [s for s in watchdog_stalls(app) if began <= s[0] <= ended]
            longest = max(stretches, key=lambda s: s[1], default=(0.0, 0.0, 0.0, 0.0, ""))
            stretch = longest[1]
            busy.append(stretch)
            # What the GUI thread ran and how long it waited for a processor in that same stretch.
            busy_cpu.append(longest[2])
            busy_runnable.append(longest[3])
            over_frame.append(sum(1 for s in stretches if s[1] > FRAME_MS))
            for s in stretches:
                if s[1] > FRAME_MS:
                    culprits.setdefault(culprit(s[4]), []).append(s[1])
            record({"outcome": outcome, "size": f"{width}x{height}", "capture": n + 1,
                         "outcome_ms": round(outcome_time * 1000, 1), "work_ms": round(work_time * 1000, 1),
                         "longest_busy_ms": stretch, "longest_busy_cpu_ms": busy_cpu[-1],
                         "longest_runnable_ms": busy_runnable[-1], "longest_busy_what": longest[4],
                         "stretches_over_frame": over_frame[-1],
                         # When each ended after the request, how long it was and what took longest.
                         "stretches": "; ".join(f"{(s[0] - began) * 1000:.0f}: {s[1]:.0f} ms, {s[4]}"
                                                for s in stretches), **sample})
            if pause_every and (n + 1) % pause_every == 0 and n + 1 < captures:
                # A pause as long as the one after the last: what the app gives back between bursts.
                dismiss(app, desktop, outcome)
                time.sleep(settle)
                rested = memory(pid)
                record({"outcome": outcome, "size": f"{width}x{height}", "capture": f"{n + 1}+{settle:.0f}s", **rested})
                print(f"  {settle:.0f} s after capture {n + 1}: RSS {rested['rss_kb'] / 1024:.1f} MB "
                      f"({(rested['rss_kb'] - start['rss_kb']) / 1024:+.1f} MB), {rested['fds']} descriptors", flush=True)
            if (n + 1) % max(1, captures // 10) == 0:
                print(f"  {n + 1:5d}: RSS {sample['rss_kb'] / 1024:6.1f} MB  PSS {sample['pss_kb'] / 1024:6.1f} MB  "
                      f"reader {sample['reader_rss_kb'] / 1024:5.1f} MB  "
                      f"fds {sample['fds']}  threads {sample['threads']}  outcome {outcome_time * 1000:.0f} ms  "
                      f"longest busy {stretch:.0f} ms ({longest[4] or 'not told'})", flush=True)
        dismiss(app, desktop, outcome)
        cpu_work = cpu_seconds(pid) - cpu_start
        last = time.monotonic()
        curve = []
        for second in range(1, int(max(settle, linger)) + 1):
            time.sleep(max(0.0, last + second - time.monotonic()))
            sample = memory(pid)
            curve.append(sample)
            if second == int(settle):
                after = sample
        print("  RSS each second after the last (MB, +reader): " +
              " ".join(f"{m['rss_kb'] / 1024:.0f}" + (f"+{m['reader_rss_kb'] / 1024:.0f}" if m["reader_rss_kb"] else "")
                       for m in curve))
        cpu_all = cpu_seconds(pid) - cpu_start
        rss = [s["rss_kb"] for s in samples]
        half = rss[len(rss) // 2:]
        print(f"[{outcome} {width}x{height}] {captures} captures: outcome median "
              f"{statistics.median(outcome_times) * 1000:.0f} ms; each capture's longest stretch: median "
              f"{statistics.median(busy):.0f} ms, 90th percentile {sorted(busy)[int(0.9 * (len(busy) - 1))]:.0f} ms, "
              f"longest {max(busy):.0f} ms; in it the GUI thread's own CPU at most {max(busy_cpu):.0f} ms (median "
              f"{statistics.median(busy_cpu):.0f} ms), waiting for a processor at most {max(busy_runnable):.0f} ms "
              f"(median {statistics.median(busy_runnable):.0f} ms); captures with a stretch over a frame "
              f"({FRAME_MS:.0f} ms): {sum(1 for c in over_frame if c)} of {captures} ({sum(over_frame)} stretches)")
        for what, lengths in sorted(culprits.items(), key=lambda c: -len(c[1]))[:6]:
            print(f"    {len(lengths):4d} over a frame, longest {max(lengths):.0f} ms: {what}")
        print(f"  {settle:.0f} s after the last: {megabytes(after, start)}; PSS {after['pss_kb'] / 1024:.1f} MB "
              f"(reader {after['reader_pss_kb'] / 1024:.1f} MB), "
              f"{after['fds']} descriptors ({after['fds'] - start['fds']:+d}), {after['threads']} threads")
        print(f"  CPU time {cpu_work:.1f} s for the captures, {cpu_all:.1f} s with the rest after; load {load_average()}")
        print(f"  peak RSS {max(rss) / 1024:.1f} MB; trend over the second half "
              f"{slope_per_100(half) / 1024:+.2f} MB per 100 captures", flush=True)
        record({"outcome": outcome, "size": f"{width}x{height}", "capture": f"+{settle:.0f}s", **after})
        if read_wait > 0:
            # The index is saved a few seconds after its last change; the engine goes 4 s after its last read.
            waited = time.monotonic()
            if wait_for(lambda: unread_captures(app) == 0, read_wait, 1.0):
                read_for = time.monotonic() - last
                time.sleep(8)
                done = memory(pid)
                record({"outcome": outcome, "size": f"{width}x{height}", "capture": "read", **done})
                print(f"  reading done {read_for:.0f} s after the last; 8 s later: {megabytes(done, start)}; "
                      f"PSS {done['pss_kb'] / 1024:.1f} MB "
                      f"({(done['pss_kb'] - start['pss_kb']) / 1024:+.1f} MB), {done['fds']} descriptors "
                      f"({done['fds'] - start['fds']:+d}), {done['threads']} threads", flush=True)
            else:
                print(f"  {unread_captures(app)} captures still unread {time.monotonic() - waited:.0f} s later",
                      flush=True)
        return start, after
    finally:
        if road_e2e_app:
            road_e2e_app.stop()
        stop_all(windows)
        desktop.close()


def burst(app_path, size, captures, outcome, record, disk_wait=600.0, history=None):
    """`captures` full-screen captures back to back, each asked for once the last one's outcome shows,
    without waiting for recents files: the peak RSS while they are taken and written, the app's CPU time
    per capture, and how long after the last one every file is on disk."""
    width, height = size
    desktop = Desktop(width, height, lowered_workers=True)
    windows = busy_desktop(desktop)
    app = None
    try:
        # Every capture kept, so that the count of files tells when all are written.
        settings = {"afterCapture": outcome, "quick.lifetime": 10, "history.keep": 2000 if captures > 500 else 500}
        # The quick panel and the editor are seen through the marks the watchdog logs.
        desktop.env["PELICARTA_WATCHDOG"] = "1"
        road_e2e.APP = app_path
        app = Pelicarta(desktop, settings)
        pid = app.process.pid
        dismiss(app, desktop, "editor")  # the main window a first start shows
        if history is not None:
            open_history(app, desktop, history)
        time.sleep(3)
        start = memory(pid)
        cpu_start = cpu_seconds(pid)
        print(f"[burst {outcome} {width}x{height}] load {load_average()}; start: {megabytes(start)}", flush=True)
        peak = {"rss_kb": start["rss_kb"]}
        sampling = threading.Event()

        def sample():
            while not sampling.wait(0.1):
                try:
                    peak["rss_kb"] = max(peak["rss_kb"], own_memory(pid)["rss_kb"])
                except OSError:
                    return

        sampler = threading.Thread(target=sample, daemon=True)
        sampler.start()
        began = time.monotonic()
        outcome_times = []
        for n in range(captures):
            outcome_time, _ = capture(app, desktop, outcome, wait_for_file=False)
            outcome_times.append(outcome_time)
            if (n + 1) % max(1, captures // 10) == 0:
                print(f"  {n + 1:5d}: {len(app.capture_files())} on disk, peak RSS {peak['rss_kb'] / 1024:.1f} MB, "
                      f"outcome {outcome_time * 1000:.0f} ms", flush=True)
        last = time.monotonic()
        on_disk = len(app.capture_files())
        all_written = wait_for(lambda: len(app.capture_files()) >= captures, disk_wait, 0.05)
        written_after = time.monotonic() - last
        sampling.set()
        sampler.join()
        cpu = cpu_seconds(pid) - cpu_start
        after = memory(pid)
        record({"outcome": f"burst {outcome}", "size": f"{width}x{height}", "capture": captures, **after})
        print(f"[burst {outcome} {width}x{height}] {captures} captures in {last - began:.1f} s (outcome median "
              f"{statistics.median(outcome_times) * 1000:.0f} ms); {on_disk} on disk at the last; "
              + (f"all on disk {written_after:.1f} s after the last" if all_written else
                 f"{len(app.capture_files())} on disk {written_after:.0f} s after the last")
              + f"; peak RSS {peak['rss_kb'] / 1024:.1f} MB ({(peak['rss_kb'] - start['rss_kb']) / 1024:+.1f} MB over "
              f"the start); CPU {cpu:.1f} s, {cpu / captures:.2f} s per capture; load {load_average()}", flush=True)
    finally:
        if app:
            app.stop()
        stop_all(windows)
        desktop.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("app")
    parser.add_argument("--size", default="1920x1080")
    parser.add_argument("--captures", type=int, default=200)
    parser.add_argument("--outcomes", default="copy,quick,editor")
    parser.add_argument("--pause-every", type=int, default=0, help="rest as after the last every N captures")
    parser.add_argument("--linger", type=float, default=0, help="seconds to follow RSS after the last (>= 10)")
    parser.add_argument("--csv", help="every sample, one row each, written as it is taken")
    parser.add_argument("--read-wait", type=float, default=900,
                        help="seconds to wait for the background reader to finish (0: do not wait)")
    parser.add_argument("--burst", action="store_true",
                        help="captures back to back without waiting for their files: peak RSS, CPU per capture "
                             "and the time until every file is on disk")
    parser.add_argument("--history", action="store_true",
                        help="keep the main window open on the history page through the captures")
    parser.add_argument("--search", help="with --history: typed into the page's search field first")
    args = parser.parse_args()
    history = (args.search or "") if args.history else None
    size = tuple(int(v) for v in args.size.split("x"))
    fields = ["outcome", "size", "capture", "outcome_ms", "work_ms", "longest_busy_ms", "longest_busy_cpu_ms",
              "longest_runnable_ms", "longest_busy_what", "stretches_over_frame", "stretches",
              "rss_kb", "anon_kb", "file_kb", "pss_kb", "fds", "threads", "reader_rss_kb", "reader_pss_kb"]
    out = open(args.csv, "w", newline="") if args.csv else None
    writer = csv.DictWriter(out, fieldnames=fields) if out else None
    if writer:
        writer.writeheader()

    def record(row):
        if writer:
            writer.writerow(row)
            out.flush()

    try:
        for outcome in args.outcomes.split(","):
            if args.burst:
                burst(os.path.abspath(args.app), size, args.captures, outcome, record, history=history)
                continue
            soak(os.path.abspath(args.app), size, args.captures, outcome, record, pause_every=args.pause_every,
                 linger=args.linger, read_wait=args.read_wait, history=history)
    finally:
        if out:
            out.close()


if __name__ == "__main__":
    main()
