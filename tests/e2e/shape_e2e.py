#!/usr/bin/env python3
"""End-to-end test of the windows with rounded cards (the quick panel, the toast, the tray panel and the
recording pill) on a desktop without a compositing manager and with one (xcompmgr), and while one starts
or stops: around each card the screen shows the desktop, never black. The screenshots are kept beside the
program's build in test-output/shape-*.png.

    shape_e2e.py PELICARTA [unittest options]
"""

import ctypes
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import menu_e2e  # noqa: E402
import road_e2e  # noqa: E402
from road_e2e import wait_for  # noqa: E402
from shell_e2e import close_to  # noqa: E402

DESKTOP = (70, 140, 200)
CLEAR = (200, 540)  # a point of the desktop that no window covers
SHADOW = 24  # the see-through margin of the toast and the quick panel while a compositor runs
QUICK = (340, 300)
TOAST = (320, 76)
PILL = "^Gravando tutorial$"
RECORDING = "Gravando “Novo tutorial”"


class Look:
    """The screen's pixels read raw: quicker than through an image file, and the toast is up for less than
    two seconds."""

    def __init__(self, desktop):
        self.width, self.height = desktop.width, desktop.height
        self.data = desktop.pixels()
        self.whole = len(self.data) == 3 * self.width * self.height

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def save(self, path):
        road_e2e.write_png(path, self.width, self.height, self.data)


def compositor_running(display):
    """Whether a compositing manager owns the screen's _NET_WM_CM_S0 selection, asked through libxcb."""
    xcb = ctypes.CDLL("libxcb.so.1")
    xcb.xcb_connect.restype = ctypes.c_void_p
    xcb.xcb_connect.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
    xcb.xcb_intern_atom.restype = ctypes.c_uint
    xcb.xcb_intern_atom.argtypes = [ctypes.c_void_p, ctypes.c_uint8, ctypes.c_uint16, ctypes.c_char_p]
    xcb.xcb_intern_atom_reply.restype = ctypes.POINTER(ctypes.c_uint32 * 3)
    xcb.xcb_intern_atom_reply.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_void_p]
    xcb.xcb_get_selection_owner.restype = ctypes.c_uint
    xcb.xcb_get_selection_owner.argtypes = [ctypes.c_void_p, ctypes.c_uint32]
    xcb.xcb_get_selection_owner_reply.restype = ctypes.POINTER(ctypes.c_uint32 * 3)
    xcb.xcb_get_selection_owner_reply.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_void_p]
    xcb.xcb_disconnect.argtypes = [ctypes.c_void_p]
    libc = ctypes.CDLL(None)
    libc.free.argtypes = [ctypes.c_void_p]
    connection = xcb.xcb_connect(display.encode(), None)
    try:
        name = b"_NET_WM_CM_S0"
        atom_reply = xcb.xcb_intern_atom_reply(connection, xcb.xcb_intern_atom(connection, 0, len(name), name), None)
        atom = atom_reply.contents[2]  # after the reply's header: response type, pad, sequence, length
        libc.free(atom_reply)
        owner_reply = xcb.xcb_get_selection_owner_reply(connection, xcb.xcb_get_selection_owner(connection, atom), None)
        owner = owner_reply.contents[2]
        libc.free(owner_reply)
        return owner != 0
    finally:
        xcb.xcb_disconnect(connection)


class ShapeDesktop(menu_e2e.PanelDesktop):
    """What the tests read of the rounded windows on the desktop."""

    def geometry(self, wid):
        """(x, y, width, height) of a window on the screen."""
        info = self.desktop.x(["xwininfo", "-id", wid]).decode()
        value = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))  # noqa: E731
        return value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height")

    def window(self, name_regex, card=None):
        """(id, (x, y, width, height)) of the first visible window of that name (and, given the card's size, of
        a size that holds that card with or without the shadow margin), or None."""
        for wid in self.desktop.x(["xdotool", "search", "--onlyvisible", "--name", name_regex]).split():
            box = self.geometry(wid.decode())
            if card is None or box[2:] in (card, (card[0] + 2 * SHADOW, card[1] + 2 * SHADOW)):
                return wid.decode(), box
        return None

    def opaque(self, wid):
        """Whether a window is at full opacity: a fade-in has ended (Qt keeps the opacity in
        _NET_WM_WINDOW_OPACITY; a window that never faded has none)."""
        value = self.desktop.x(["xprop", "-id", wid, "_NET_WM_WINDOW_OPACITY"]).decode()
        return "=" not in value or value.split("=", 1)[1].strip() == str(0xFFFFFFFF)

    def corners_show_the_desktop(self, shot, box, card):
        """Whether the corners of the window and of its card show the desktop (as a pixel far from every
        window shows it: a compositor paints its own); a card in a shadow margin may darken it, as a shadow
        over the desktop does, and no more than that."""
        desktop = shot.pixel(*CLEAR)
        x, y, w, h = box
        margin = (w - card[0]) // 2
        inner = (x + margin, y + margin, card[0], card[1])
        points = [(x, y), (x + w - 1, y), (x, y + h - 1), (x + w - 1, y + h - 1)]
        if margin:
            points += [(inner[0], inner[1]), (inner[0] + card[0] - 1, inner[1]), (inner[0], inner[1] + card[1] - 1),
                       (inner[0] + card[0] - 1, inner[1] + card[1] - 1)]
        for px, py in points:
            if not (0 <= px < shot.width and 0 <= py < shot.height):
                continue  # a shadow margin may reach past the screen's edge
            seen = shot.pixel(px, py)
            shade = max(seen) / max(desktop)
            if not (shade >= (0.6 if margin else 0.97) and all(abs(s - d * shade) <= 4 for s, d in zip(seen, desktop))):
                return False
        # The card itself is there: just inside its top edge is neither the desktop nor black.
        edge = shot.pixel(inner[0] + card[0] // 2, inner[1] + 4)
        return not close_to(edge, desktop, 30) and edge != (0, 0, 0)

    def check(self, app, name, windows):
        """Waits until each (label, box, card) in `windows` shows the desktop at its corners."""
        state = {}

        def all_clear():
            state["shot"] = Look(self.desktop)
            if not state["shot"].whole:
                state["failed"] = ["the screen could not be read"]
                return False
            state["failed"] = [label for label, box, card in windows
                               if not self.corners_show_the_desktop(state["shot"], box, card)]
            return not state["failed"]
        clear = wait_for(all_clear, 3, 0.2)
        if state["shot"].whole:
            folder = os.path.join(os.path.dirname(road_e2e.APP), "..", "test-output")
            os.makedirs(folder, exist_ok=True)
            state["shot"].save(os.path.join(folder, "shape-" + name))
        self.assertTrue(clear, f"{name}: corners not the desktop's colour around {state['failed']}")

    def shown(self, name_regex, card=None, timeout=10):
        """The box of a window once it is on screen and faded in: half faded in, a composited card lets the
        desktop through and would hide black corners."""
        found = wait_for(lambda: (lambda w: w if w and self.opaque(w[0]) else None)(self.window(name_regex, card)),
                         timeout)
        self.assertTrue(found, f"no window {name_regex} at full opacity")
        return found[1]

    def capture_to_quick_panel(self, app):
        before = len(app.capture_files())
        self.assertEqual(app.launch("--capture", "fullscreen"), 0)
        self.assertTrue(wait_for(lambda: len(app.capture_files()) > before, 15), app.output())
        return self.shown("^Pelicarta$", QUICK)

    def start_recording(self, app, name):
        """Starts recording and checks the corners of its notice, then of its pill; their boxes."""
        self.assertEqual(app.launch("--capture", "tutorial"), 0)
        # The notice shows for two seconds, counted from before the launch has ended: nothing else first.
        toast = self.shown(re.escape(RECORDING), TOAST)
        self.check(app, f"{name}-toast.png", [("toast", toast, TOAST)])
        pill = self.shown(PILL)
        self.check(app, f"{name}-pill.png", [("pill", pill, pill[2:])])
        return toast, pill

    def tray_panel(self, app):
        # Away first: a move with --sync to where the pointer already is waits for a move that never comes.
        self.desktop.x(["xdotool", "mousemove", "--sync", *map(str, CLEAR)])
        return self.geometry(self.open_panel(app)[0])


class ShapeTest(ShapeDesktop):
    def test_rounded_windows_show_the_desktop_around_their_cards_with_and_without_a_compositor(self):
        self.desktop.paint_root(DESKTOP)
        app = self.start()
        self.close_window(app)
        self.assertFalse(compositor_running(self.desktop.display))

        quick = self.capture_to_quick_panel(app)
        self.assertEqual(quick[2:], QUICK)  # no shadow margin without a compositor
        tray = self.tray_panel(app)
        self.check(app, "plain-panels.png", [("quick panel", quick, QUICK), ("tray panel", tray, tray[2:])])
        self.desktop.x(["xdotool", "key", "Escape"])
        toast, pill = self.start_recording(app, "plain")
        self.assertEqual(toast[2:], TOAST)

        # A compositor starts under the pill; it keeps showing the desktop at its ends.
        compositor = subprocess.Popen(["xcompmgr"], env=self.desktop.env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: compositor.poll() is None and (compositor.terminate(), compositor.wait(5 * road_e2e.PATIENCE)))
        self.assertTrue(wait_for(lambda: compositor_running(self.desktop.display), 5), "xcompmgr did not start")
        self.check(app, "compositor-came-pill.png", [("pill", pill, pill[2:])])
        self.assertEqual(app.launch("--capture", "tutorial"), 0)  # stops, and shows the window
        self.assertTrue(wait_for(app.main_window, 10))
        self.close_window(app)

        quick = self.capture_to_quick_panel(app)
        self.assertEqual(quick[2:], (QUICK[0] + 2 * SHADOW, QUICK[1] + 2 * SHADOW))  # with its shadow
        tray = self.tray_panel(app)
        self.check(app, "composited-panels.png", [("quick panel", quick, QUICK), ("tray panel", tray, tray[2:])])
        self.desktop.x(["xdotool", "key", "Escape"])
        toast, pill = self.start_recording(app, "composited")
        self.assertEqual(toast[2:], (TOAST[0] + 2 * SHADOW, TOAST[1] + 2 * SHADOW))

        # The compositor goes: the pill, still on screen, is cut to its shape again.
        compositor.terminate()
        compositor.wait(5 * road_e2e.PATIENCE)
        # The server lets the selection go once it has seen the connection close, which may come later.
        self.assertTrue(wait_for(lambda: not compositor_running(self.desktop.display), 5), "xcompmgr kept the screen")
        self.check(app, "compositor-went-pill.png", [("pill", pill, pill[2:])])


class BottomTrayShapeTest(ShapeDesktop):
    """A 1366 × 768 screen with the tray at the bottom right, reserving no space, and a compositor: the quick
    panel's shadow margin lies over the tray icon."""
    size = (1366, 768)
    tray_edge = "bottom"

    def test_the_quick_panel_stays_on_the_screen_and_its_shadow_lets_a_click_reach_the_tray_icon(self):
        compositor = subprocess.Popen(["xcompmgr"], env=self.desktop.env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: compositor.poll() is None and (compositor.terminate(), compositor.wait(5 * road_e2e.PATIENCE)))
        self.assertTrue(wait_for(lambda: compositor_running(self.desktop.display), 5), "xcompmgr did not start")
        app = self.start()
        self.close_window(app)

        x, y, w, h = self.capture_to_quick_panel(app)
        self.assertEqual((w, h), (QUICK[0] + 2 * SHADOW, QUICK[1] + 2 * SHADOW))
        self.assertTrue(x >= 0 and y >= 0 and x + w <= self.size[0] and y + h <= self.size[1],
                        f"the quick panel's window {w}x{h}+{x}+{y} runs past the screen's edge")
        icon = app.tray_icon()
        card = (x + SHADOW, y + SHADOW, QUICK[0], QUICK[1])
        self.assertTrue(x <= icon[0] < x + w and y <= icon[1] < y + h, (icon, (x, y, w, h)))
        self.assertFalse(card[0] <= icon[0] < card[0] + card[2] and card[1] <= icon[1] < card[1] + card[3],
                         (icon, card))
        # The icon lies under the shadow's margin, not the card: a click on it opens the tray panel.
        self.open_panel(app)
        self.assertTrue(self.window("^Pelicarta$", QUICK), "the click closed the quick panel")


if __name__ == "__main__":
    road_e2e.run_tests(__doc__, ("Xvfb", "openbox", "trayer", "xdotool", "xwininfo", "xcompmgr", "convert"))
