#!/usr/bin/env python3
"""Draws Pastrel's icons, guide pictures and bitmaps into res/ (pure Python, no imaging library needed).

Run it again after changing a drawing; the generated files are committed so that the build needs no Python.
"""
import math
import os
import struct
import zlib

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
SS = 4  # supersampling per axis


class Canvas:
    """RGBA float canvas in unit coordinates (0..1 across the width), drawn with supersampled coverage."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(w)] for _ in range(h)]

    def fill(self, inside, color):
        r, g, b, a = color
        for y in range(self.h):
            for x in range(self.w):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        u = (x + (sx + 0.5) / SS) / self.w
                        v = (y + (sy + 0.5) / SS) / self.h
                        if inside(u, v):
                            hits += 1
                if hits:
                    cov = a * hits / (SS * SS)
                    pr, pg, pb, pa = self.px[y][x]
                    na = cov + pa * (1 - cov)
                    if na > 0:
                        self.px[y][x] = (
                            (r * cov + pr * pa * (1 - cov)) / na,
                            (g * cov + pg * pa * (1 - cov)) / na,
                            (b * cov + pb * pa * (1 - cov)) / na,
                            na,
                        )

    def rgba_rows(self):
        return [[tuple(int(round(c * 255)) for c in p) for p in row] for row in self.px]


def rrect(x0, y0, x1, y1, r, aspect=1.0):
    def inside(u, v):
        v = v * aspect
        cx = min(max(u, x0 + r), x1 - r)
        cy = min(max(v, y0 + r), y1 - r)
        return x0 <= u <= x1 and y0 <= v <= y1 and (u - cx) ** 2 + (v - cy) ** 2 <= r * r

    return inside


def circle(cx, cy, r, aspect=1.0):
    return lambda u, v: (u - cx) ** 2 + (v * aspect - cy) ** 2 <= r * r


def segment(x0, y0, x1, y1, width, aspect=1.0):
    def inside(u, v):
        v = v * aspect
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx, y0 + t * dy
        return (u - px) ** 2 + (v - py) ** 2 <= (width / 2) ** 2

    return inside


def hexcolor(s, a=1.0):
    return (int(s[0:2], 16) / 255, int(s[2:4], 16) / 255, int(s[4:6], 16) / 255, a)


BOARD = hexcolor("9C6B3C")
BOARD_EDGE = hexcolor("5E3B1A")
PAPER = hexcolor("FFFFFF")
CLIP = hexcolor("B8C2CC")
CLIP_EDGE = hexcolor("4A5561")
LINE = hexcolor("5B6B7B")
GREEN = hexcolor("1FA83A")
RED = hexcolor("D62828")
GREY_BOARD = hexcolor("8E8E8E")
GREY_EDGE = hexcolor("555555")
GREY_PAPER = hexcolor("D8D8D8")


def clipboard(c, size, grey=False, lines=True):
    edge, board, paper = (GREY_EDGE, GREY_BOARD, GREY_PAPER) if grey else (BOARD_EDGE, BOARD, PAPER)
    c.fill(rrect(0.12, 0.08, 0.88, 0.98, 0.10), edge)
    c.fill(rrect(0.16, 0.12, 0.84, 0.94, 0.08), board)
    c.fill(rrect(0.24, 0.22, 0.76, 0.88, 0.03), paper)
    c.fill(rrect(0.32, 0.02, 0.68, 0.22, 0.06), CLIP_EDGE)
    c.fill(rrect(0.36, 0.05, 0.64, 0.19, 0.04), CLIP)
    if lines:
        width = 0.07 if size <= 16 else 0.05
        ys = (0.40, 0.58) if size <= 16 else (0.36, 0.50, 0.64, 0.78)
        for i, y in enumerate(ys):
            x1 = 0.68 if i % 2 == 0 else 0.56
            c.fill(segment(0.32, y, x1, y, width), hexcolor("9AA5B1") if grey else LINE)


def badge_on(c):
    c.fill(circle(0.74, 0.76, 0.25), hexcolor("FFFFFF"))
    c.fill(circle(0.74, 0.76, 0.20), GREEN)


def badge_off(c):
    c.fill(circle(0.74, 0.76, 0.25), hexcolor("FFFFFF"))
    c.fill(circle(0.74, 0.76, 0.20), RED)
    c.fill(segment(0.64, 0.76, 0.84, 0.76, 0.08), hexcolor("FFFFFF"))


def big_check(c):
    c.fill(segment(0.20, 0.55, 0.42, 0.80, 0.26), hexcolor("FFFFFF"))
    c.fill(segment(0.42, 0.80, 0.86, 0.30, 0.26), hexcolor("FFFFFF"))
    c.fill(segment(0.20, 0.55, 0.42, 0.80, 0.16), GREEN)
    c.fill(segment(0.42, 0.80, 0.86, 0.30, 0.16), GREEN)


def draw_icon(kind, size):
    c = Canvas(size, size)
    if kind == "app":
        clipboard(c, size)
        # a plain "T" for plain text
        c.fill(segment(0.60, 0.60, 0.88, 0.60, 0.09), hexcolor("1F5FBF"))
        c.fill(segment(0.74, 0.60, 0.74, 0.92, 0.09), hexcolor("1F5FBF"))
    elif kind == "on":
        clipboard(c, size)
        badge_on(c)
    elif kind == "off":
        clipboard(c, size, grey=True)
        badge_off(c)
    elif kind == "done":
        clipboard(c, size, lines=False)
        big_check(c)
    return c


def ico_bytes(images):
    """images: list of (size, rows of RGBA). 32-bit DIB entries with an AND mask."""
    header = struct.pack("<HHH", 0, 1, len(images))
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for size, rows in images:
        bih = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
        mask_row = ((size + 31) // 32) * 4
        and_mask = b""
        for row in reversed(rows):
            bits = bytearray(mask_row)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            and_mask += bytes(bits)
        blob = bih + xor + and_mask
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs += blob
    return header + entries + blobs


def png_bytes(rows):
    h, w = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bmp_bytes(rows):
    """24-bit bottom-up BMP, alpha composited on white."""
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = b""
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, a in row:
            k = a / 255
            line += bytes((int(b * k + 255 * (1 - k)), int(g * k + 255 * (1 - k)), int(r * k + 255 * (1 - k))))
        line += bytes(stride - len(line))
        data += bytes(line)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def paste(dst, src, ox, oy):
    for y, row in enumerate(src.px):
        for x, p in enumerate(row):
            if p[3] > 0 and 0 <= oy + y < dst.h and 0 <= ox + x < dst.w:
                r, g, b, a = p
                pr, pg, pb, pa = dst.px[oy + y][ox + x]
                na = a + pa * (1 - a)
                dst.px[oy + y][ox + x] = ((r * a + pr * pa * (1 - a)) / na, (g * a + pg * pa * (1 - a)) / na,
                                          (b * a + pb * pa * (1 - a)) / na, na)


def guide(new_style):
    """A task bar's notification area with the hidden-icons flyout open and an arrow at Pastrel's icon."""
    w, h = (196, 176) if new_style else (172, 196)
    c = Canvas(w, h)
    asp = h / w
    bar = hexcolor("1C1C1C") if new_style else hexcolor("2B4F7E")
    c.fill(lambda u, v: True, hexcolor("EAF2FA"))
    c.fill(lambda u, v: v > 0.82, bar)
    # flyout with hidden icons
    fly = hexcolor("2B2B2B") if new_style else hexcolor("F4F7FB")
    c.fill(rrect(0.30, 0.30 * asp, 0.90, 0.70 * asp, 0.02), hexcolor("7A8A9A"))
    c.fill(rrect(0.31, 0.31 * asp, 0.89, 0.69 * asp, 0.02), fly)
    # the "show hidden icons" chevron on the task bar
    c.fill(segment(0.52, 0.91 * asp, 0.56, 0.87 * asp, 0.015, asp), hexcolor("FFFFFF"))
    c.fill(segment(0.56, 0.87 * asp, 0.60, 0.91 * asp, 0.015, asp), hexcolor("FFFFFF"))
    for i, col in enumerate(("3C8DDE", "E0A030", "60B060")):
        c.fill(rrect(0.64 + i * 0.09, 0.87 * asp, 0.70 + i * 0.09, 0.93 * asp, 0.01), hexcolor(col))
    icon = draw_icon("on", 24)
    paste(c, icon, int(w * 0.36), int(h * 0.40))
    for i, col in enumerate(("3C8DDE", "C05050", "8060C0")):
        c.fill(rrect(0.56 + i * 0.10, 0.40, 0.64 + i * 0.10, 0.40 + 0.08 / asp * asp, 0.01), hexcolor(col))
    # arrow pointing at Pastrel's icon
    red = hexcolor("E02020")
    tipx, tipy = 0.36 + 24 / w + 0.02, (0.40 + 12 / h)
    c.fill(segment(tipx + 0.30, tipy * asp - 0.22, tipx + 0.03, tipy * asp - 0.02, 0.03, asp), red)
    c.fill(segment(tipx + 0.03, tipy * asp - 0.02, tipx + 0.12, tipy * asp - 0.03, 0.03, asp), red)
    c.fill(segment(tipx + 0.03, tipy * asp - 0.02, tipx + 0.06, tipy * asp - 0.10, 0.03, asp), red)
    return c


def tray_bitmap():
    c = Canvas(30, 18)
    c.fill(lambda u, v: True, hexcolor("2B4F7E"))
    paste(c, draw_icon("on", 16), 7, 1)
    return c


def floating_bitmap():
    w, h = 172, 42
    c = Canvas(w, h)
    asp = h / w
    c.fill(lambda u, v: True, hexcolor("F0F0F0"))
    c.fill(rrect(0.01, 0.04 * asp, 0.99, 0.96 * asp, 0.02), hexcolor("8899AA"))
    c.fill(rrect(0.015, 0.08 * asp, 0.985, 0.92 * asp, 0.02), hexcolor("FFFFFF"))
    paste(c, draw_icon("on", 32), 5, 5)
    for i, y in enumerate((0.30, 0.50, 0.70)):
        c.fill(segment(0.30, y * asp, 0.90 - 0.12 * i, y * asp, 0.03, asp), LINE)
    return c


def main():
    sizes = (16, 32, 48)
    for kind, name in (("app", "app.ico"), ("on", "watch_on.ico"), ("off", "watch_off.ico"), ("done", "done.ico")):
        images = [(s, draw_icon(kind, s).rgba_rows()) for s in sizes]
        with open(os.path.join(RES, name), "wb") as f:
            f.write(ico_bytes(images))
    with open(os.path.join(RES, "guide_old.png"), "wb") as f:
        f.write(png_bytes(guide(False).rgba_rows()))
    with open(os.path.join(RES, "guide_new.png"), "wb") as f:
        f.write(png_bytes(guide(True).rgba_rows()))
    with open(os.path.join(RES, "tray_icon.bmp"), "wb") as f:
        f.write(bmp_bytes(tray_bitmap().rgba_rows()))
    with open(os.path.join(RES, "floating_button.bmp"), "wb") as f:
        f.write(bmp_bytes(floating_bitmap().rgba_rows()))


if __name__ == "__main__":
    main()
