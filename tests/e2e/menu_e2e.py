#!/usr/bin/env python3
"""End-to-end tests of the tray panel, the first-run onboarding and the settings page with the real
program on its own desktop (Xvfb, openbox, trayer), read from the screen, the settings file and the
process's exit status. The screenshots are kept beside the program's build in test-output/menu-*.png.

    menu_e2e.py PELICARTA [unittest options]
"""

import json
import os
import re
import shutil
import socket
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road_e2e  # noqa: E402
import shell_e2e  # noqa: E402
from road_e2e import wait_for  # noqa: E402
from shell_e2e import Screenshot, client, close_to  # noqa: E402

PANEL = (16, 16, 21)
HAIRLINE = (33, 33, 37)  # white at 0.07 over the panel
PAGE = (11, 11, 15)
# The captures in "Recentes", oldest first.
COLORS = [(230, 40, 40), (40, 200, 70), (40, 90, 230), (240, 200, 30), (30, 210, 220)]
ROW, GAP, MARGIN = 32, 2, 6


def fill_recents(app):
    os.makedirs(app.recents)
    for n, (r, g, b) in enumerate(COLORS):  # written one after another: their birth times order them
        path = f"{app.recents}/Pelicarta 2024-05-01 10.00.{n:02d}.png"
        subprocess.run(["convert", "-size", "400x250", f"xc:rgb({r},{g},{b})", path], check=True)
        wait_past(app, path)


def wait_past(app, path):
    """Waits until a file made now would be younger than `path`: the file system's clock ticks coarser
    than the processor's."""
    def moved_on():
        tick = f"{app.home}/tick"
        with open(tick, "x"):
            pass
        made = os.stat(tick).st_mtime_ns
        os.remove(tick)
        return made > os.stat(path).st_mtime_ns
    wait_for(moved_on, 5, 0.001)


class PanelDesktop(road_e2e.DesktopTest):
    """The desktop and what the tests do with the panel on it."""

    def shot(self, app, name):
        path = f"{app.home}/{name}"
        shot = Screenshot(self.desktop, path)
        folder = os.path.join(os.path.dirname(road_e2e.APP), "..", "test-output")
        os.makedirs(folder, exist_ok=True)
        shutil.copy(path, os.path.join(folder, "menu-" + name))
        return shot

    def close_window(self, app):
        def close():
            window = app.main_window()
            if window:
                self.desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
                self.desktop.x(["xdotool", "key", "--clearmodifiers", "alt+F4"])
        # The window manager's own key: on a desktop that has only just started, the first press may
        # come before it listens for it.
        self.assertTrue(road_e2e.press_until(close, lambda: app.main_window() is None), "the window did not close")

    def open_panel(self, app):
        icon = wait_for(app.tray_icon, 10)
        self.assertTrue(icon, "no tray icon in trayer")
        self.desktop.x(["xdotool", "mousemove", "--sync", str(icon[0]), str(icon[1]), "click", "1"])
        panel = wait_for(lambda: self.desktop.visible_windows("^Menu do Pelicarta$"), 10)
        self.assertTrue(panel, "the tray panel did not open")
        # Painted: its card (drawn in the panel's colour) has come to rest.
        _, x, y, w, h = panel[0]
        self.assertTrue(shell_e2e.settled(self.desktop, f"{app.home}/panel.png",
                                          lambda shot: close_to(shot.pixel(x + w // 2, y + 3), PANEL, 3),
                                          (x, y, w, h)), "the tray panel was never drawn")
        return panel[0]

    def click(self, x, y):
        self.desktop.x(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"])

    def hairlines(self, shot, panel):
        """The heights of the panel's three separators, read down the two columns clear of text (inside the
        separators' ends, outside the rows' 12 of padding)."""
        _, x, y, w, h = panel
        return [row for row in range(y + 2, y + h - 2)
                if all(close_to(shot.pixel(column, row), HAIRLINE, 3) and close_to(shot.pixel(column, row - 2), PANEL, 3)
                       and close_to(shot.pixel(column, row + 2), PANEL, 3) for column in (x + 16, x + w - 16))]


class MenuTest(PanelDesktop):
    def test_the_panel_at_the_tray_icon_its_rows_and_ctrl_q(self):
        app = self.start(prepare=fill_recents)
        self.close_window(app)
        panel = self.open_panel(app)
        _, x, y, w, h = panel
        self.assertEqual(w, 320)
        icon = app.tray_icon()
        self.assertTrue(y >= icon[1], (panel, icon))  # under the icon of the top bar

        def tiles(shot):
            """Where each capture's colour starts in the band of tiles, from the panel's left edge."""
            lines = self.hairlines(shot, panel)
            found = {}
            if len(lines) != 3:
                return found
            band = range(lines[1] + 4, lines[2] - 4)
            for color in COLORS:
                xs = [px for px in range(x, x + w) for py in band[::6] if close_to(shot.pixel(px, py), color, 8)]
                if xs:
                    found[color] = min(xs) - x
            return found
        # The thumbnails are made in the background: the panel is read once they are drawn.
        self.assertTrue(shell_e2e.settled(self.desktop, f"{app.home}/tray-panel.png", lambda shot: len(tiles(shot)) >= 3,
                                          (x, y, w, h)), "the panel never showed three tiles")
        shot = self.shot(app, "tray-panel.png")
        lines = self.hairlines(shot, panel)
        self.assertEqual(len(lines), 3, lines)
        # The three newest captures as tiles, newest first, at the left.
        found = tiles(shot)
        newest = list(reversed(COLORS))
        self.assertEqual(sorted(found, key=found.get), newest[:3], found)
        self.assertLess(found[newest[0]], 24)

        # "Gravar tutorial (liga/desliga)", the last capture row: the panel goes, recording starts.
        recording = self.watch(re.escape("Gravando “Novo tutorial”"))
        self.click(x + 60, lines[1] - 5 - GAP - ROW // 2)
        self.assertTrue(recording.seen(5), "recording did not start")
        self.assertFalse(self.desktop.visible_windows("^Menu do Pelicarta$"))
        self.assertEqual(app.launch("--capture", "tutorial"), 0)  # stops, and shows the window
        self.assertTrue(wait_for(app.main_window, 10))
        self.close_window(app)

        # "Ajustes…" with the window closed opens it on the settings page.
        _, x, y, w, h = self.open_panel(app)
        self.click(x + 60, y + h - MARGIN - ROW - GAP - ROW // 2)
        self.assertTrue(wait_for(app.main_window, 10), "Ajustes… did not open the window")
        self.assertTrue(wait_for(lambda: current_page(self.desktop, app) == "settings", 5), current_page(self.desktop, app))
        self.shot(app, "settings.png")

        # Ctrl+Q in the panel quits.
        self.open_panel(app)
        self.desktop.x(["xdotool", "key", "ctrl+q"])
        self.assertEqual(app.process.wait(shell_e2e.patience(10)), 0)

    def test_the_onboarding_fills_a_first_window_and_return_ends_it(self):
        app = self.start(onboarded=False)
        window = client(app)
        self.assertEqual(window[3:], (1240, 800))
        # No sidebar: the page colour at its place; the card in the middle (once the first step has slid in).
        def onboarding(shot):
            return (close_to(shot.pixel(window[1] + 40, window[2] + 400), PAGE, 3) and
                    close_to(shot.pixel(window[1] + 270, window[2] + 620), PANEL, 4))
        shown = shell_e2e.settled(self.desktop, f"{app.home}/onboarding.png", onboarding, window[1:])
        self.shot(app, "onboarding.png")
        self.assertTrue(shown, "no onboarding card on the window")
        self.desktop.x(["xdotool", "windowactivate", "--sync", window[0]])
        # The welcome and the shortcut: X11 asks no permission to read the screen. A Return during the
        # step's slide acts at once, as after it.
        for _ in range(2):
            self.desktop.x(["xdotool", "key", "--clearmodifiers", "Return"])
        self.assertTrue(wait_for(lambda: self.defaults(app).get("hasCompletedOnboarding", {}).get("value") is True, 5))
        self.assertTrue(wait_for(lambda: current_page(self.desktop, app) == "home", 5), "no shell after the onboarding")

    def defaults(self, app):
        try:
            with open(f"{app.home}/config/Pelicarta/defaults.json") as f:
                return road_e2e.json.load(f)["values"]
        except (OSError, ValueError):
            return {}


def answers(app):
    """Whether the running instance answers a request (an unknown word, which it then ignores)."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        s.settimeout(shell_e2e.patience(5))
        try:
            s.connect(app.socket_path())
            s.sendall(json.dumps(["ping"]).encode() + b"\n")
            return bool(s.recv(64).strip())
        except OSError:
            return False


def current_page(desktop, app):
    """The page whose sidebar item is lit, or None (no sidebar, or none lit)."""
    window = client(app)
    if not window:
        return None
    shot = Screenshot(desktop)
    lit = [page for i, page in enumerate(shell_e2e.PAGES)
           if not close_to(shot.pixel(window[1] + shell_e2e.CELL_X,
                                      window[2] + shell_e2e.ITEM_TOP + i * shell_e2e.ITEM_STEP + shell_e2e.ITEM_HEIGHT // 2),
                           PANEL, 4)]
    sidebar = close_to(shot.pixel(window[1] + 100, window[2] + 400), PANEL, 2)
    return lit[0] if sidebar and len(lit) == 1 else None


class BottomTrayTest(PanelDesktop):
    """A smaller screen with the tray at the bottom: the panel opens above the icon and grows upwards."""
    size = (1366, 768)
    tray_edge = "bottom"

    def test_the_panel_stays_on_the_screen_and_a_second_click_closes_it(self):
        app = self.start({"afterCapture": "copy"})
        self.close_window(app)
        icon = app.tray_icon()

        def clear_of_the_icon(panel):
            _, x, y, w, h = panel
            inside = x >= 0 and y >= 0 and x + w <= self.size[0] and y + h <= self.size[1]
            over_icon = x <= icon[0] < x + w and y <= icon[1] < y + h
            return inside and not over_icon and y + h <= icon[1]

        panel = self.open_panel(app)
        self.assertTrue(clear_of_the_icon(panel), (panel, icon))
        self.desktop.x(["xdotool", "key", "Escape"])
        self.assertTrue(wait_for(lambda: not self.desktop.visible_windows("^Menu do Pelicarta$"), 5))

        # The first capture adds a row of tiles: the panel grows upwards, still clear of the icon.
        self.assertEqual(app.launch("--capture", "fullscreen"), 0)
        self.assertTrue(wait_for(lambda: os.path.isdir(app.recents) and os.listdir(app.recents), 15))
        self.assertTrue(wait_for(lambda: not app.toast("Copiado"), 15), "the toast stayed")  # it may cover the icon
        self.desktop.x(["xdotool", "mousemove", "--sync", "10", "10"])  # --sync waits for a move
        panel = self.open_panel(app)
        self.assertTrue(clear_of_the_icon(panel), (panel, icon))
        self.shot(app, "tray-panel-bottom.png")

        # A second click on the icon (the pointer is still there) closes the panel and Pelicarta stays.
        self.desktop.x(["xdotool", "click", "1"])
        self.assertTrue(wait_for(lambda: not self.desktop.visible_windows("^Menu do Pelicarta$"), 5))
        # A request answered after it: the program has handled the whole click (its release too).
        self.assertTrue(answers(app), "Pelicarta stopped answering after the click on the icon")
        self.assertIsNone(app.process.poll(), "the click on the icon quit Pelicarta")
        self.assertFalse(self.desktop.visible_windows("^Menu do Pelicarta$"))


if __name__ == "__main__":
    road_e2e.run_tests(__doc__, ("Xvfb", "openbox", "trayer", "xdotool", "xprop", "xwininfo", "convert"))
