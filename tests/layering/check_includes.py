#!/usr/bin/env python3
"""Fails when a file includes a header of a layer its own layer may not use.

The layers and what each uses come from the pelicarta_layer(...) lines of src/CMakeLists.txt; a layer
may use the layers it names and, through them, every layer below. Every file under src/ and under the
layers' test folders (tests/<folder>, which mirror src/<folder>) is read; each wrong-way include is
reported as "path:line: ..." and the check exits with 1. A folder of src/ that no layer claims is an
error too, so that a new folder cannot slip past the check. A layer that names an ENTRY header is reached
from other layers through that header alone.

The core runs headless and on any thread, so no file of it, nor any platform header it includes
(directly or through other platform headers), may include a QtWidgets header: one named in the
folder given with --widgets (Qt's QtWidgets include folder, which CMake passes), or spelled
<QtWidgets/...> or <QtWidgets>.

    python3 tests/layering/check_includes.py [--widgets QtWidgets include folder] [project root]
"""

import pathlib
import re
import sys

LAYER = re.compile(r"^\s*pelicarta_layer\(([^)]*)\)", re.MULTILINE)
INCLUDE = re.compile(r'^\s*#\s*include\s*["<]([^">]+)[">]')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}


def read_layers(cmake_file):
    """({layer: (folders, direct uses)} in declaration order, {layer: its entry header})."""
    layers, entries = {}, {}
    for match in LAYER.finditer(cmake_file.read_text(encoding="utf-8")):
        words = match.group(1).split()
        name, lists, current = words[0], {"FOLDERS": [], "USES": [], "ENTRY": []}, None
        for word in words[1:]:
            if word in lists:
                current = lists[word]
            elif current is not None:
                current.append(word)
        layers[name] = (lists["FOLDERS"] or [name], lists["USES"])
        if lists["ENTRY"]:
            entries[name] = lists["ENTRY"][0]
    return layers, entries


def reachable(layers):
    """{layer: every layer it may use, itself included}."""
    closure = {}

    def visit(name, trail):
        if name in closure:
            return closure[name]
        if name in trail:
            raise SystemExit("layer cycle: " + " -> ".join(trail + [name]))
        if name not in layers:
            raise SystemExit(f"unknown layer {name!r} in src/CMakeLists.txt")
        found = {name}
        for used in layers[name][1]:
            found |= visit(used, trail + [name])
        closure[name] = found
        return found

    for name in layers:
        visit(name, [])
    return closure


def owner(path, folders):
    """The layer of a path relative to src/ (or an include path): the longest folder holding it."""
    best = None
    for folder, name in folders.items():
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best[0]):
                best = (folder, name)
    return best[1] if best else None


def includes(path):
    """[(line number, included path)] of a source file."""
    found = []
    lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
    for number, line in enumerate(lines, 1):
        match = INCLUDE.match(line)
        if match:
            found.append((number, match.group(1)))
    return found


def widgets_in_core(src, core_folders, widgets_headers):
    """Problems for each include of a QtWidgets header by the core or a platform header the core uses."""

    def is_widgets(header):
        return header == "QtWidgets" or header.startswith("QtWidgets/") or header in widgets_headers

    problems = []
    platform_headers = []
    for folder in core_folders:
        for path in sorted((src / folder).rglob("*")):
            if path.suffix not in SOURCE_SUFFIXES:
                continue
            for number, header in includes(path):
                if is_widgets(header):
                    problems.append(f"src/{path.relative_to(src).as_posix()}:{number}: includes {header}, "
                                    "a QtWidgets header, but the core never uses widgets")
                elif header.startswith("platform/"):
                    platform_headers.append((header, path.relative_to(src).as_posix()))
    seen = set()
    while platform_headers:
        header, used_by = platform_headers.pop()
        path = src / header
        if header in seen or not path.is_file():
            continue
        seen.add(header)
        for number, included in includes(path):
            if is_widgets(included):
                problems.append(f"src/{header}:{number}: includes {included}, a QtWidgets header, but the core "
                                f"uses this header (through {used_by})")
            elif included.startswith("platform/"):
                platform_headers.append((included, used_by))
    return problems


def check(root, widgets_headers=frozenset()):
    src = root / "src"
    layers, entries = read_layers(src / "CMakeLists.txt")
    allowed = reachable(layers)
    folders = {folder: name for name, (owned, _) in layers.items() for folder in owned}
    problems = []

    for folder in sorted(p for p in src.iterdir() if p.is_dir()):
        if owner(folder.name, folders) is None:
            problems.append(f"src/{folder.name}: in no layer; add a pelicarta_layer line to src/CMakeLists.txt")

    files = []
    for path in sorted(src.rglob("*")):
        if path.suffix in SOURCE_SUFFIXES:
            files.append((path, owner(path.relative_to(src).as_posix(), folders)))
    for name in layers:
        tests = root / "tests" / name
        if tests.is_dir():
            files += [(p, name) for p in sorted(tests.rglob("*")) if p.suffix in SOURCE_SUFFIXES]

    for path, layer in files:
        if layer is None:
            continue
        for number, header in includes(path):
            target = owner(header, folders)
            if target is None:
                continue
            if target in allowed[layer]:
                if target != layer and target in entries and header != entries[target]:
                    problems.append(f"{path.relative_to(root).as_posix()}:{number}: includes {header}, "
                                    f"but {layer} reaches {target} through {entries[target]} only")
                continue
            may = ", ".join(sorted(allowed[layer] - {layer})) or "nothing"
            problems.append(f"{path.relative_to(root).as_posix()}:{number}: includes {header}, "
                            f"but {layer} may not use {target} (it may use: {may})")

    if "core" in layers:
        # The layers the core is built on run headless too (the platform's headers are followed from
        # what they include).
        headless = [f for name in sorted(allowed["core"] - {"platform"}) for f in layers[name][0]]
        problems += widgets_in_core(src, headless, widgets_headers)
    return problems


def main():
    args = sys.argv[1:]
    widgets_headers = frozenset()
    if len(args) >= 2 and args[0] == "--widgets":
        widgets_headers = frozenset(p.name for p in pathlib.Path(args[1]).iterdir())
        args = args[2:]
    root = pathlib.Path(args[0] if args else pathlib.Path(__file__).parents[2]).resolve()
    problems = check(root, widgets_headers)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) against the layer graph of src/CMakeLists.txt or widgets in the core")
        return 1
    print("every include follows the layer graph")
    return 0


if __name__ == "__main__":
    sys.exit(main())
