#!/usr/bin/env python3
"""Processor time of the text reader process per capture (not part of the test run).

Runs `pelicarta --read-text` (the history's reader process) on screens of terminals drawn here, held
to the processors given (two by default, as on a small laptop), in a login of its own (a private
runtime folder made for the run), and prints the processor time (user + system, all its threads) each
read costs and whether it gave the text:
  - a wholly new dense 1080p screen, in a fresh process (nothing read before in this login),
  - the same screen again, in a fresh process (the last reader process has ended),
  - the same screen with one line changed, in a fresh process and then within one process (a burst),
  - the `tesseract` program on the new screen (OMP_THREAD_LIMIT=1, as the reader runs),
  - a wholly new dense 4K screen as the history reads it: 20 s a read, tried again after a timeout.

    reader_cpu.py PELICARTA [--cpus 0,1] [--runs 3] [--no-4k]
"""

import argparse
import os
import resource
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

MAGIC = b"PTR1"
OUTCOMES = {0: "text", 1: "not a picture", 2: "unreadable", 3: "engine unavailable", 4: "timeout", 5: "failed"}


def words(n, seed):
    vocabulary = ("build target release cmake linker warning error commit merge branch status origin "
                  "process memory thread socket folder arquivo relatorio receita usuario senha config "
                  "python install update kernel module driver network packet server client request").split()
    state = seed * 2654435761 % 4294967296
    out = []
    for _ in range(n):
        state = (state * 1103515245 + 12345) % 2147483648
        out.append(vocabulary[state % len(vocabulary)])
    return out


def pane_lines(pane, count, changed=None):
    lines = []
    for row in range(count):
        n = pane * 1000 + row
        text = f"{n:5d} {' '.join(words(9 + row % 8, n))} {(n * 7919) % 100000:05d}"
        if changed == (pane, row):
            text = f"{n:5d} this line alone was changed since the last capture 4242"
        lines.append(text)
    return lines


def draw_terminals(path, width, height, changed=None):
    """Four panes of 13-pixel monospace text on dark grounds, every line different."""
    gap, pitch, title = 4, 17, 26
    w, h = (width - gap) // 2, (height - gap) // 2
    command = ["convert", "-size", f"{width}x{height}", "xc:#2b2b2b", "-font", "DejaVu-Sans-Mono",
               "-pointsize", "10"]  # 10 points at 96 dpi: 13 pixels
    for pane in range(4):
        x, y = (pane % 2) * (w + gap), (pane // 2) * (h + gap)
        command += ["-fill", "#1d1f21", "-draw", f"rectangle {x},{y} {x + w - 1},{y + h - 1}",
                    "-fill", "#3c3f41", "-draw", f"rectangle {x},{y} {x + w - 1},{y + title - 1}",
                    "-fill", "#dcdcdc", "-annotate", f"+{x + w // 2 - 60}+{y + 18}", f"terminal {pane + 1}"]
        count = (h - title - 8) // pitch
        text = "\n".join(line[: (w - 16) // 8] for line in pane_lines(pane, count, changed))
        command += ["-fill", "#d3d7cf", "-interline-spacing", str(pitch - 13),
                    "-annotate", f"+{x + 8}+{y + title + 16}", text.replace("%", "%%").replace("\\", "\\\\")]
    subprocess.run(command + [path], check=True)


def request(request_id, path, limit_ms):
    payload = struct.pack("<I", limit_ms) + path.encode()
    return MAGIC + bytes([1]) + struct.pack("<II", request_id, len(payload)) + payload


def read_response(stream):
    header = stream.read(13)
    if len(header) < 13 or header[:4] != MAGIC:
        raise RuntimeError("the reader gave no answer")
    request_id, length = struct.unpack("<II", header[5:13])
    payload = stream.read(length)
    return OUTCOMES.get(payload[0], str(payload[0])), payload[9:].decode(errors="replace")


def cpu_of(pid):
    """User + system seconds of a running process, all its threads."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Reader:
    def __init__(self, program, env, cpus):
        self.process = subprocess.Popen(["taskset", "-c", cpus, program, "--read-text", "--idle-ms=600000"],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                        env=env)
        self.last = 0
        self.next_id = 1

    def read(self, path, limit_ms=600000):
        """(outcome, text, processor seconds of this read, wall seconds)."""
        began = time.monotonic()
        self.process.stdin.write(request(self.next_id, path, limit_ms))
        self.process.stdin.flush()
        self.next_id += 1
        outcome, text = read_response(self.process.stdout)
        wall = time.monotonic() - began
        now = cpu_of(self.process.pid)
        spent, self.last = now - self.last, now
        return outcome, text, spent, wall

    def close(self):
        """The processor time of the whole process, its start and end included."""
        self.process.stdin.close()
        _, status, usage = os.wait4(self.process.pid, 0)
        self.process.returncode = status
        return usage.ru_utime + usage.ru_stime


def once(program, env, cpus, path, limit_ms=600000):
    reader = Reader(program, env, cpus)
    outcome, text, _, wall = reader.read(path, limit_ms)
    return outcome, text, reader.close(), wall


def tesseract_cpu(path, cpus):
    env = dict(os.environ, OMP_THREAD_LIMIT="1")
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(["taskset", "-c", cpus, "tesseract", path, "-", "-l", "por+eng"], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime


def show(name, values, extra=""):
    print(f"{name:58s} median {statistics.median(values):6.2f} s  (min {min(values):.2f}, max {max(values):.2f})"
          f"{extra}", flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--cpus", default="0,1")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--no-4k", action="store_true")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    work = tempfile.mkdtemp(prefix="pelicarta-reader-cpu-")
    try:
        pages = {}
        for name, size, changed in (("new", (1920, 1080), None), ("changed", (1920, 1080), (2, 11)),
                                    ("4k", (3840, 2160), None)):
            if name == "4k" and args.no_4k:
                continue
            pages[name] = f"{work}/{name}.png"
            draw_terminals(pages[name], *size, changed=changed)
        runtime = f"{work}/runtime"
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", OMP_THREAD_LIMIT="1", HOME=f"{work}/home",
                   XDG_RUNTIME_DIR=runtime, XDG_CACHE_HOME=f"{work}/home/.cache")

        def fresh_login():
            shutil.rmtree(runtime, ignore_errors=True)
            os.makedirs(runtime, mode=0o700)
            shutil.rmtree(f"{work}/home", ignore_errors=True)
            os.makedirs(f"{work}/home", mode=0o700)

        results = {k: [] for k in ("new", "again", "changed", "burst", "tesseract")}
        lines = 0
        for _ in range(args.runs):
            fresh_login()
            outcome, text, cpu, _ = once(program, env, args.cpus, pages["new"])
            lines = len(text.splitlines())
            results["new"].append(cpu)
            results["again"].append(once(program, env, args.cpus, pages["new"])[2])
            results["changed"].append(once(program, env, args.cpus, pages["changed"])[2])
            fresh_login()
            reader = Reader(program, env, args.cpus)
            reader.read(pages["new"])
            changed = reader.read(pages["changed"])
            reader.close()
            results["burst"].append(changed[2])
            results["tesseract"].append(tesseract_cpu(pages["new"], args.cpus))
        print(f"dense 1080p terminals: {lines} lines read; processors {args.cpus}")
        show("new screen, fresh reader process", results["new"])
        show("the same screen again, fresh reader process", results["again"])
        show("one line changed, fresh reader process", results["changed"])
        show("one line changed, within a burst (the read alone)", results["burst"])
        show("`tesseract` program on the new screen", results["tesseract"])
        if "4k" in pages:
            # As the history asks: 20 s a read, tried again (by a new reader process) after a timeout.
            fresh_login()
            total_cpu = total_wall = 0
            for attempt in range(1, 5):
                outcome, text, cpu, wall = once(program, env, args.cpus, pages["4k"], 20000)
                total_cpu += cpu
                total_wall += wall
                print(f"{'dense 4K, new, 20 s limit, attempt %d' % attempt:58s} {outcome}: "
                      f"{len(text.splitlines())} lines, {cpu:.2f} s processor, {wall:.2f} s wall", flush=True)
                if outcome == "text":
                    break
            print(f"{'dense 4K, until read':58s} {outcome} after {attempt} reads: {total_cpu:.2f} s processor, "
                  f"{total_wall:.2f} s wall", flush=True)
            print(f"{'`tesseract` program on the 4K screen':58s} {tesseract_cpu(pages['4k'], args.cpus):.2f} s",
                  flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
