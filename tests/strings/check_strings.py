#!/usr/bin/env python3
"""The string tables against the code.

Every text key the code hands to L (a literal given to L(...), LKey(...) or platform::textKey(...)) must
have an English entry, and what the user reads, in Portuguese (the pt-BR table, else the key itself) and
in English, must show the Linux form of the keys and places: never the Mac's key symbols, "macOS", "Mac",
"Finder", the maker's words (Apple, Retina, Dock, Spotlight), its desktop's names (Stage Manager, Mission
Control, a "Space" for a workspace), the menu bar, the Mac's settings or the paths inside them; modifiers in
the order Ctrl, Alt, Shift, Super. Literals outside L that the user reads are held to the same rule, except
in the few files that map stored values to what is shown. English is spelt one way: "colour", "centre",
"grey", "minimise", as most of its table always was.

    check_strings.py PROJECT_ROOT
"""

import json
import os
import re
import sys

MAC_WORDING = re.compile(
    r"[⌘⌥⌃⌫]|macOS|\bMac\b|Finder|Apple|Retina|\bDock\b|Spotlight"
    # The Mac's places, in both languages: its menu bar, its settings app and the paths inside it.
    r"|barra de menu|menu bar|Ajustes do Sistema|System Settings|Preferências do Sistema|System Preferences"
    r"|Gravação de Tela|Screen Recording|Privacidade e Segurança|Privacy & Security"
    r"|Ajustes › Teclado|Settings › Keyboard|Atalhos de Teclado ›|Keyboard Shortcuts ›"
    # Its desktop: the window stage, the overview, and a "Space" meaning a workspace (the key is "Espaço"
    # and "Space" alone or after a modifier, the room on the disk "espaço").
    r"|Stage Manager|Mission Control|\bEspaços\b|\bSpaces\b"
    r"|\b(?:outro|outra|um|cada|este|esse|another|other|each|every|this|that|current)\s+(?:Espaço|Space)\b")
# American spellings where the English table writes the British ones.
AMERICAN_SPELLING = re.compile(r"\b(?:[Cc]olor|[Cc]enter|[Gg]ray|[Mm]inimiz)")
# Files whose literals are stored, parsed or compared with other programs' names, not shown: they may name
# the Mac's symbols.
NOT_SHOWN = {"src/core/Shortcut.cpp", "src/platform/KeyEvent.cpp"}
# The modifiers as Linux desktops write them, in their order: "Ctrl+Shift+C", never "Shift+Ctrl+C".
MODIFIERS = ("Ctrl", "Alt", "Shift", "Super")
MODIFIER_RUN = re.compile(r"\b(?:Ctrl|Alt|Shift|Super)(?:\+(?:Ctrl|Alt|Shift|Super))+\b")
KEY_CALL = re.compile(r"\b(?:L|LKey|textKey)\s*\(\s*(?:QStringLiteral\s*\(\s*|u8|u)?(?=\")")
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')


def misordered(text):
    """The runs of modifiers in `text` that are not in the desktop's order."""
    runs = []
    for run in MODIFIER_RUN.finditer(text):
        places = [MODIFIERS.index(m) for m in run.group(0).split("+")]
        if places != sorted(set(places)):
            runs.append(run.group(0))
    return runs


def strip_comments(text):
    """The source with comments blanked out (string literals kept, offsets kept)."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if c == '"' or (c == "'" and not text[i - 1:i].isalnum()):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def unescape(body):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), body)


def literal_run(text, start):
    """The adjacent string literals from `start` on, joined (C++ concatenates them)."""
    parts = []
    pos = start
    while True:
        m = LITERAL.match(text, pos)
        if not m:
            break
        parts.append(unescape(m.group(1)))
        pos = m.end()
        ws = re.match(r"\s*", text[pos:])
        if not text[pos + ws.end():].startswith('"'):
            break
        pos += ws.end()
    return "".join(parts)


def main(root):
    tables = {}
    for language in ("en", "pt-BR"):
        with open(os.path.join(root, "resources", "strings", f"{language}.json"), encoding="utf-8") as f:
            tables[language] = json.load(f)
    problems = []
    keys = {}
    for folder, _, files in os.walk(os.path.join(root, "src")):
        for name in sorted(files):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, root)
            with open(path, encoding="utf-8") as f:
                text = strip_comments(f.read())
            for m in KEY_CALL.finditer(text):
                key = literal_run(text, m.end())
                keys.setdefault(key, f"{relative}:{text.count(chr(10), 0, m.start()) + 1}")
            if relative in NOT_SHOWN:
                continue
            pos = 0
            while (m := LITERAL.search(text, pos)):
                literal = literal_run(text, m.start())
                pos = m.end()
                while (following := re.match(r'\s*"(?:[^"\\\n]|\\.)*"', text[pos:])):
                    pos += following.end()
                if MAC_WORDING.search(literal) and not all(
                        literal in tables[t] and not MAC_WORDING.search(tables[t][literal]) for t in tables):
                    line = text.count("\n", 0, m.start()) + 1
                    problems.append(f"{relative}:{line}: shows Mac wording: {literal!r}")
    for key, where in sorted(keys.items(), key=lambda item: item[1]):
        if key not in tables["en"]:
            problems.append(f"{where}: no English entry for {key!r}")
        shown = {"pt-BR": tables["pt-BR"].get(key, key), "en": tables["en"].get(key, "")}
        for language, text in shown.items():
            if MAC_WORDING.search(text):
                problems.append(f"{where}: the {language} text shows Mac wording: {text!r}")
            for run in misordered(text):
                problems.append(f"{where}: the {language} text writes {run!r} out of the order Ctrl, Alt, Shift, Super")
    for language, table in tables.items():
        for key, text in table.items():
            if MAC_WORDING.search(text):
                problems.append(f"resources/strings/{language}.json: {key!r} shows Mac wording: {text!r}")
            if language == "en" and (american := AMERICAN_SPELLING.search(text)):
                problems.append(f"resources/strings/en.json: {key!r} spells {american.group(0)!r} the American "
                                f"way: {text!r}")
            for run in misordered(text):
                problems.append(f"resources/strings/{language}.json: {key!r} writes {run!r} out of the order "
                                "Ctrl, Alt, Shift, Super")
    for problem in problems:
        print(problem)
    print(f"{len(keys)} keys checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
