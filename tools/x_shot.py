#!/usr/bin/env python3
"""Saves the X screen (of $DISPLAY) or a part of it as a PNG, through libX11 alone.

    x_shot.py OUT.png [WIDTHxHEIGHT+X+Y] [--trim]

--trim cuts away the border of the colour of the picture's top-left pixel, as a dialog on an empty screen is cut out
of it.
"""
import ctypes
import ctypes.util
import re
import struct
import sys
import zlib

Z_PIXMAP = 2
ALL_PLANES = 0xFFFFFFFF


class XImage(ctypes.Structure):
    """The leading fields of Xlib's XImage, as far as they are read here."""

    _fields_ = [
        ("width", ctypes.c_int),
        ("height", ctypes.c_int),
        ("xoffset", ctypes.c_int),
        ("format", ctypes.c_int),
        ("data", ctypes.c_void_p),
        ("byte_order", ctypes.c_int),
        ("bitmap_unit", ctypes.c_int),
        ("bitmap_bit_order", ctypes.c_int),
        ("bitmap_pad", ctypes.c_int),
        ("depth", ctypes.c_int),
        ("bytes_per_line", ctypes.c_int),
        ("bits_per_pixel", ctypes.c_int),
    ]


def grab(x, y, width, height):
    """Rows of RGB bytes of the screen's rectangle; None for the whole screen."""
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XGetImage.restype = ctypes.POINTER(XImage)
    xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                               ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    xlib.XDisplayWidth.argtypes = xlib.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("x_shot.py: cannot open the display")
    if width is None:
        x, y, width, height = 0, 0, xlib.XDisplayWidth(display, 0), xlib.XDisplayHeight(display, 0)
    image = xlib.XGetImage(display, xlib.XDefaultRootWindow(display), x, y, width, height, ALL_PLANES, Z_PIXMAP)
    if not image:
        sys.exit("x_shot.py: cannot read the screen")
    img = image.contents
    if img.bits_per_pixel != 32 or img.byte_order != 0:
        sys.exit("x_shot.py: only 32-bit little-endian screens are read")
    raw = ctypes.string_at(img.data, img.bytes_per_line * img.height)
    rows = []
    for row in range(img.height):
        line = raw[row * img.bytes_per_line : row * img.bytes_per_line + img.width * 4]
        rgb = bytearray(img.width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
        rows.append(bytes(rgb))
    xlib.XCloseDisplay(display)
    return rows


def trim(rows):
    background = rows[0][:3]
    width = len(rows[0]) // 3
    plain = background * width
    used = [i for i, row in enumerate(rows) if row != plain]
    if not used:
        return rows
    top, bottom = used[0], used[-1] + 1
    left, right = width, 0
    for row in rows[top:bottom]:
        for column in range(width):
            if row[column * 3 : column * 3 + 3] != background:
                left = min(left, column)
                break
        for column in range(width - 1, -1, -1):
            if row[column * 3 : column * 3 + 3] != background:
                right = max(right, column + 1)
                break
    return [row[left * 3 : right * 3] for row in rows[top:bottom]]


def write_png(path, rows):
    width, height = len(rows[0]) // 3, len(rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    pixels = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    with open(path, "wb") as png:
        png.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", pixels) + chunk(b"IEND", b""))


def main(args):
    if not args or args[0].startswith("-"):
        sys.exit(__doc__)
    out, geometry = args[0], [a for a in args[1:] if not a.startswith("-")]
    area = (None, None, None, None)
    if geometry:
        match = re.fullmatch(r"(\d+)x(\d+)\+(\d+)\+(\d+)", geometry[0])
        if not match:
            sys.exit(__doc__)
        w, h, x, y = map(int, match.groups())
        area = (x, y, w, h)
    rows = grab(*area)
    if "--trim" in args:
        rows = trim(rows)
    write_png(out, rows)


if __name__ == "__main__":
    main(sys.argv[1:])
