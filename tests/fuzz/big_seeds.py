#!/usr/bin/env python3
"""Writes the large seeds of a fuzz target into a folder: valid files of a few hundred kilobytes up to
nearly a megabyte, so that what a reader allocates for a large input is measured on every run.

    big_seeds.py <target> <folder>

They are made here rather than kept in the tree; the same bytes every time (no clock, a fixed
sequence of pseudo-random numbers). A target with no large seeds gets none."""

import hashlib
import json
import struct
import sys
import zlib
from pathlib import Path


class Numbers:
    """A fixed sequence of pseudo-random numbers (a linear congruential generator)."""

    def __init__(self, seed):
        self.state = seed

    def next(self, bound):
        self.state = (self.state * 6364136223846793005 + 1442695040888963407) % (1 << 64)
        return (self.state >> 33) % bound

    def pick(self, items):
        return items[self.next(len(items))]


WORDS = ["Olá", "mundo", "captura", "janela", "Relatório", "ação", "configurações", "Ctrl+S", "erro",
         "404", "ficheiro", "https://exemplo.pt/página?id=7", "über", "naïve", "日本語", "слово", "—",
         "Tabela", "coluna", "linha", "Salvar", "Cancelar", "€ 12,50", "x = y²", "email@exemplo.pt"]


def words(numbers, count):
    return " ".join(numbers.pick(WORDS) for _ in range(count))


def compact(value):
    return json.dumps(value, ensure_ascii=False, separators=(",", ":")).encode()


def history(numbers):
    # Thousands of captures with a few lines each, as a long-used recents folder has.
    many = {}
    for i in range(5000):
        minute = i * 37
        name = "Pelicarta 2026-%02d-%02d %02d.%02d.%02d%s.%s" % (
            1 + minute // 40320 % 12, 1 + minute // 1440 % 28, minute // 60 % 24, minute % 60, i % 60,
            " (2)" if i % 5 == 0 else "", "heic" if i % 2 else "png")
        lines = [words(numbers, 1 + numbers.next(9)) for _ in range(numbers.next(4))]
        many[name] = {"text": "\n".join(lines), "width": 1920, "height": 1080, "bytes": 100000 + numbers.next(900000)}
    # A few captures of long documents: one text of several hundred kilobytes.
    long = {"Pelicarta 2026-05-01 10.00.0%d.png" % i: {
        "text": "\n".join(words(numbers, 12) for _ in range(2500)), "width": 3840, "height": 2160, "bytes": 2500000}
        for i in range(2)}
    return {"index-many.json": compact(many), "index-long-texts.json": compact(long)}


def tokens(numbers):
    def colour():
        return "#%06X" % numbers.next(1 << 24)

    groups = {}
    for g in range(150):
        groups["grupo-%d" % g] = {"cor-%d" % t: {"$value": colour(), "$type": "color",
                                                 "$description": words(numbers, 6)} for t in range(40)}
    groups["font"] = {"family": {"$value": ["Inter", "sans-serif"]}}
    groups["name"] = "Acme"
    css = ["# Acme Design System", "", ":root {"]
    css += ["  --cor-%d: %s; /* %s */" % (i, colour(), words(numbers, 4)) for i in range(9000)]
    css += ["  font-family: \"Inter\", sans-serif;", "}", ""]
    css += ["- **%s**: `%s`" % (words(numbers, 2), colour()) for _ in range(3000)]
    # One line of colours each: labels once cost the line's length for every colour on it.
    one_line = {"colours-one-line.md": " ".join(["#fff"] * 200000).encode(),
                "variables-one-line.css": (":root{" + "".join("--a%d:#fff;" % i for i in range(70000)) + "}").encode()}
    return {"tokens-large.json": compact(groups), "design-large.md": "\n".join(css).encode(), **one_line}


def png(width, height, rows):
    """An 8-bit RGB PNG of the given rows (bytes of width * 3 each, without the filter byte)."""

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def pictures(numbers):
    # A picture that compresses badly (close to a megabyte), and a large one that
    # compresses well (a 16-megapixel page from a few kilobytes).
    noisy_rows = []
    width, height = 800, 500
    for y in range(height):
        row = bytearray(width * 3)
        for x in range(0, width * 3, 3):
            shade = numbers.next(2) * 80 if (x // 3 + y) % 3 else 200
            row[x:x + 3] = bytes((shade, (shade + y) % 256, (x // 3) % 256))
        noisy_rows.append(bytes(row))
    flat_rows = [bytes((y % 256, 128, 64)) * 4096 for y in range(4096)]
    return {"large-noisy.png": png(width, height, noisy_rows), "large-flat.png": png(4096, 4096, flat_rows)}


def svg(numbers):
    paths = []
    for i in range(6000):
        points = " ".join("L%d %d" % (numbers.next(512), numbers.next(512)) for _ in range(6))
        paths.append('<path d="M%d %d %s Z" fill="#%06x" opacity="0.%d"/>' % (
            numbers.next(512), numbers.next(512), points, numbers.next(1 << 24), 1 + numbers.next(9)))
    return ('<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 512 512" width="512" height="512">'
            + "".join(paths) + "</svg>").encode()


def tutorial(numbers):
    steps = [{"id": "%08X-0000-4000-8000-%012X" % (i, i), "title": words(numbers, 3), "detail": words(numbers, 20),
              "imageFile": "passo-%d.png" % (i + 1), "marker": [numbers.next(1000) / 1000, numbers.next(1000) / 1000]}
             for i in range(2500)]
    return {"tutorial-long.json": compact({
        "createdAt": 818341400.235, "updatedAt": 818341400.235, "id": "0A4F4E6F-728C-4AB3-AD97-3FA774E51F94",
        "title": words(numbers, 4), "theme": "light", "steps": steps})}


def defaults(numbers):
    def colour():
        return numbers.next(1 << 24)

    presets = [{"id": "%08X-0000-4000-8000-000000000000" % i, "name": words(numbers, 2),
                "style": {"padding": numbers.next(200), "shadow": True, "roundedCorners": bool(i % 2),
                          "backdrop": {"id": "b%d" % i, "name": words(numbers, 1), "kind": "linear",
                                       "angle": numbers.next(360), "colors": [colour() for _ in range(3)],
                                       "points": []}}} for i in range(1500)]
    backdrops = [{"id": "m%d" % i, "name": words(numbers, 2), "kind": "mesh", "angle": 0,
                  "colors": [colour() for _ in range(4)],
                  "points": [{"x": numbers.next(100) / 100, "y": numbers.next(100) / 100, "color": colour()}
                             for _ in range(9)]} for i in range(600)]
    kit = {"name": "Acme", "primary": colour(), "footer": words(numbers, 40), "customBackdrops": backdrops[:200]}
    values = {
        "style.presets": {"type": "json", "value": presets},
        "style.backdrops": {"type": "json", "value": backdrops},
        "brand.kit": {"type": "json", "value": kit},
        "customName": {"type": "string", "value": words(numbers, 5000)},
        "history.keep": {"type": "int", "value": "500"},
    }
    return {"defaults-large.json": compact({"format": 1, "values": values})}


def frames(numbers):
    def frame(kind, ident, payload):
        return b"PTR1" + bytes((kind,)) + struct.pack("<II", ident, len(payload)) + payload

    requests = b"".join(frame(1, i, struct.pack("<I", 30000) + ("/home/ana/Imagens/Pelicarta %d.png" % i).encode())
                        for i in range(6000))
    text = "\n".join(words(numbers, 10) for _ in range(8000)).encode()
    answers = frame(2, 7, bytes((0,)) + struct.pack("<II", 3840, 2160) + text)
    # The first byte of an input picks the side that reads and the size of the pieces it comes in
    # (fuzz/textframes.cpp): requests come to the reader, answers to the program.
    return {"requests-many.bin": b"\x00" + requests, "answer-long.bin": b"\x81" + answers}


def line_memory_entries(numbers, count):
    """Entries of the text reader's memory file (core/LineMemory.cpp): a picture's digest and size, and
    the lines read of it with their glyphs and words."""
    def rect(x, y, w, h):
        return struct.pack("<dddd", x, y, w, h)

    out = struct.pack("<I", count)
    for n in range(count):
        text = words(numbers, 1 + numbers.next(12))
        units = text.encode("utf-16-le")
        size = len(units) // 2
        line = struct.pack("<I", size) + units + rect(2, 1, 9.5 * size, 30)
        line += struct.pack("<I", size) + b"".join(struct.pack("<II", i, 1) + rect(2 + 9.5 * i, 1, 9.5, 30)
                                                   for i in range(size))
        line += struct.pack("<I", 1) + struct.pack("<II", 0, size) + rect(2, 1, 9.5 * size, 30) + struct.pack("<I", 91)
        key = hashlib.blake2b(struct.pack("<I", n), digest_size=32).digest()
        out += key + struct.pack("<III", 40 + 10 * size, 34, 1) + line
    return out


def line_memory_file(numbers, identity, count):
    head = b"PCLINES1" + hashlib.blake2b(identity, digest_size=32).digest()
    body = head + line_memory_entries(numbers, count)
    return body + hashlib.blake2b(body, digest_size=32).digest()


def line_memory(numbers):
    # The first byte picks how the fuzz target takes the rest (fuzz/linememory.cpp): 0, the whole file;
    # 1, the entries alone, put in a file of the target's identity.
    return {"file-large.bin": b"\x00" + line_memory_file(numbers, b"fuzz", 400),
            "entries-large.bin": b"\x01" + line_memory_entries(numbers, 400)}


TARGETS = {
    "history": history,
    "tokens": tokens,
    "png": pictures,
    "logo": lambda numbers: {**pictures(numbers), "large.svg": svg(numbers),
                             "capture.heic": (Path(__file__).parent / "heif" / "capture.heic").read_bytes()},
    "svg": lambda numbers: {"large.svg": svg(numbers)},
    "tutorial": tutorial,
    "tutorial_folder": tutorial,
    "defaults": defaults,
    "textframes": frames,
    "linememory": line_memory,
}


def main():
    target, folder = sys.argv[1], Path(sys.argv[2])
    make = TARGETS.get(target)
    if make is None:
        return
    for name, data in make(Numbers(1)).items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
