"""The X screen's pixels read straight from the server (GetImage through libxcb), as RGB bytes.

A read asks only for the area a check needs and costs the server's copy of it: no program started, no
image file written and decoded again, which on a busy machine made each look at the screen take seconds.
"""

import array
import collections
import ctypes
import struct
import sys
import threading
import zlib

_xcb = None


def xcb_library():
    """libxcb, its connection, setup and image calls declared for ctypes (shared: a caller declares the
    others it uses)."""
    global _xcb
    if _xcb is None:
        class Iterator(ctypes.Structure):
            _fields_ = [("data", ctypes.c_void_p), ("rem", ctypes.c_int), ("index", ctypes.c_int)]

        xcb = ctypes.CDLL("libxcb.so.1")
        xcb.xcb_connect.restype = ctypes.c_void_p
        xcb.xcb_connect.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
        xcb.xcb_connection_has_error.restype = ctypes.c_int
        xcb.xcb_connection_has_error.argtypes = [ctypes.c_void_p]
        xcb.xcb_get_setup.restype = ctypes.c_void_p
        xcb.xcb_get_setup.argtypes = [ctypes.c_void_p]
        xcb.xcb_setup_roots_iterator.restype = Iterator
        xcb.xcb_setup_roots_iterator.argtypes = [ctypes.c_void_p]
        xcb.xcb_get_image.restype = ctypes.c_uint
        xcb.xcb_get_image.argtypes = [ctypes.c_void_p, ctypes.c_uint8, ctypes.c_uint32, ctypes.c_int16, ctypes.c_int16,
                                      ctypes.c_uint16, ctypes.c_uint16, ctypes.c_uint32]
        xcb.xcb_get_image_reply.restype = ctypes.c_void_p
        xcb.xcb_get_image_reply.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_void_p]
        xcb.xcb_get_image_data.restype = ctypes.c_void_p
        xcb.xcb_get_image_data.argtypes = [ctypes.c_void_p]
        xcb.xcb_get_image_data_length.restype = ctypes.c_int
        xcb.xcb_get_image_data_length.argtypes = [ctypes.c_void_p]
        xcb.xcb_flush.argtypes = [ctypes.c_void_p]
        xcb.xcb_disconnect.argtypes = [ctypes.c_void_p]
        libc = ctypes.CDLL(None)
        libc.free.argtypes = [ctypes.c_void_p]
        xcb.free = libc.free
        _xcb = xcb
    return _xcb


def connect(display):
    """(a new connection to `display`, the address of its first screen's description: the root window's
    id in its first four bytes)."""
    xcb = xcb_library()
    connection = xcb.xcb_connect(display.encode(), None)
    if xcb.xcb_connection_has_error(connection):
        xcb.xcb_disconnect(connection)
        raise RuntimeError(f"cannot connect to {display}")
    return connection, xcb.xcb_setup_roots_iterator(xcb.xcb_get_setup(connection)).data


def root_window(screen):
    return ctypes.c_uint32.from_address(screen).value


class ScreenReader:
    """One connection to a display, kept for the reads of a desktop's life."""

    Z_PIXMAP = 2

    def __init__(self, display, width, height):
        self.width, self.height = width, height
        self._lock = threading.Lock()
        self._connection, screen = connect(display)
        # The byte order the server sends pixels in (0: least significant byte first).
        self._lsb_first = ctypes.c_uint8.from_address(xcb_library().xcb_get_setup(self._connection) + 30).value == 0
        self._root = root_window(screen)
        self._depth = ctypes.c_uint8.from_address(screen + 38).value

    def close(self):
        with self._lock:
            if self._connection:
                xcb_library().xcb_disconnect(self._connection)
                self._connection = None

    def clip(self, area):
        """`area` (x, y, width, height), or the whole screen for None, cut to the screen."""
        x, y, w, h = area or (0, 0, self.width, self.height)
        left, top = max(0, x), max(0, y)
        right, bottom = min(self.width, x + w), min(self.height, y + h)
        return left, top, max(0, right - left), max(0, bottom - top)

    def _raw(self, area):
        """(width, height, the server's pixels: 32 bits each) of `area` clipped to the screen."""
        x, y, w, h = self.clip(area)
        if w == 0 or h == 0:
            return w, h, b""
        xcb = xcb_library()
        with self._lock:
            if not self._connection:
                return w, h, None
            cookie = xcb.xcb_get_image(self._connection, self.Z_PIXMAP, self._root, x, y, w, h, 0xFFFFFFFF)
            reply = xcb.xcb_get_image_reply(self._connection, cookie, None)
        if not reply:
            return w, h, None
        try:
            data = ctypes.string_at(xcb.xcb_get_image_data(reply), xcb.xcb_get_image_data_length(reply))
        finally:
            xcb.free(reply)
        if self._depth not in (24, 32) or len(data) != 4 * w * h:
            raise RuntimeError(f"a screen of depth {self._depth} sends {len(data)} bytes for {w}x{h} pixels")
        if not self._lsb_first:
            data = b"".join(data[i:i + 4][::-1] for i in range(0, len(data), 4))
        return w, h, data

    def rgb(self, area=None):
        """The pixels of `area` (clipped to the screen), row by row, three bytes (red, green, blue) each;
        b"" when the server could not be read."""
        w, h, data = self._raw(area)
        if not data:
            return b""
        # Blue, green, red and an unused byte a pixel.
        out = bytearray(3 * w * h)
        out[0::3] = data[2::4]
        out[1::3] = data[1::4]
        out[2::3] = data[0::4]
        return bytes(out)

    def colors(self, area=None):
        """How many pixels of each colour (0xRRGGBB) `area` (clipped to the screen) shows; empty when the
        server could not be read."""
        _, _, data = self._raw(area)
        if not data:
            return collections.Counter()
        pixels = array.array("I", data)
        if sys.byteorder != "little":
            pixels.byteswap()
        counts = collections.Counter(pixels)
        colors = collections.Counter()
        for value, count in counts.items():
            colors[value & 0xFFFFFF] += count
        return colors


def close_to(color, target, fuzz):
    """Whether two colours (0xRRGGBB) are within `fuzz` percent of each other, as ImageMagick's -fuzz
    measures: the distance between them in RGB against that share of the distance from black to white."""
    distance = sum((((color >> shift) & 0xFF) - ((target >> shift) & 0xFF)) ** 2 for shift in (16, 8, 0))
    return distance <= 3 * (fuzz / 100 * 255) ** 2


def fraction_close(colors, target, fuzz):
    """The share of the pixels counted in `colors` (as ScreenReader.colors counts them) within `fuzz`
    percent of `target` (0xRRGGBB)."""
    total = sum(colors.values())
    return sum(count for color, count in colors.items() if close_to(color, target, fuzz)) / total if total else 0.0


def write_png(path, width, height, rgb):
    """Writes RGB bytes as a PNG file, for a person (or a tool) to look at."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    stride = 3 * width
    rows = b"".join(b"\x00" + rgb[row * stride:(row + 1) * stride] for row in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b""))
