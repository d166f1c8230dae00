#!/usr/bin/env python3
"""Draws the program's images into this folder as PNG files.

Run by hand after changing a picture; the build embeds the PNG files, not this script. Shapes are
filled into a supersampled coverage mask and painted at the output size, so edges are smooth
while edges on whole pixels stay crisp at 16 x 16.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SUPER = 4

BLUE = (47, 111, 208)
BLUE_DARK = (26, 68, 140)
BLUE_LIGHT = (120, 170, 240)
FOLDER = (244, 186, 52)
FOLDER_DARK = (170, 112, 16)
FOLDER_BACK = (214, 150, 30)
KEY_FACE = (246, 248, 251)
KEY_SIDE = (200, 208, 220)
KEY_EDGE = (84, 98, 120)
GREEN = (46, 164, 79)
GREEN_DARK = (24, 110, 50)
RED = (214, 69, 69)
RED_DARK = (150, 36, 36)
WHITE = (255, 255, 255)
INK = (30, 52, 96)


class Mask:
    """Binary coverage at SUPER times the output resolution."""

    def __init__(self, width, height):
        self.w = width * SUPER
        self.h = height * SUPER
        self.bits = bytearray(self.w * self.h)

    def fill(self, points, value=1):
        pts = [(x * SUPER, y * SUPER) for x, y in points]
        ys = [p[1] for p in pts]
        top = max(0, int(math.floor(min(ys))))
        bottom = min(self.h - 1, int(math.ceil(max(ys))))
        n = len(pts)
        for row in range(top, bottom + 1):
            cy = row + 0.5
            xs = []
            for i in range(n):
                x0, y0 = pts[i]
                x1, y1 = pts[(i + 1) % n]
                if (y0 <= cy < y1) or (y1 <= cy < y0):
                    xs.append(x0 + (cy - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            base = row * self.w
            for k in range(0, len(xs) - 1, 2):
                start = max(0, int(math.ceil(xs[k] - 0.5)))
                end = min(self.w, int(math.ceil(xs[k + 1] - 0.5)))
                if end > start:
                    self.bits[base + start:base + end] = bytes([value]) * (end - start)


class Canvas:
    def __init__(self, width, height, background=None):
        self.width = width
        self.height = height
        # Premultiplied colour and alpha, 0..1.
        if background is None:
            self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]
        else:
            r, g, b = background
            self.px = [[r / 255, g / 255, b / 255, 1.0] for _ in range(width * height)]

    def mask(self):
        return Mask(self.width, self.height)

    def paint(self, mask, colour, opacity=1.0):
        """Paints colour (an RGB triple, or a function of x and y giving one) through mask."""
        area = SUPER * SUPER
        for y in range(self.height):
            rows = [mask.bits[(y * SUPER + s) * mask.w:(y * SUPER + s + 1) * mask.w] for s in range(SUPER)]
            for x in range(self.width):
                lo = x * SUPER
                covered = sum(sum(r[lo:lo + SUPER]) for r in rows)
                if covered == 0:
                    continue
                a = covered / area * opacity
                c = colour(x + 0.5, y + 0.5) if callable(colour) else colour
                p = self.px[y * self.width + x]
                keep = 1.0 - a
                p[0] = c[0] / 255 * a + p[0] * keep
                p[1] = c[1] / 255 * a + p[1] * keep
                p[2] = c[2] / 255 * a + p[2] * keep
                p[3] = a + p[3] * keep

    def shape(self, colour, *polygons, opacity=1.0):
        m = self.mask()
        for poly in polygons:
            m.fill(poly)
        self.paint(m, colour, opacity)

    def save(self, name, alpha=True):
        raw = bytearray()
        for y in range(self.height):
            raw.append(0)
            for x in range(self.width):
                r, g, b, a = self.px[y * self.width + x]
                if a > 0:
                    r, g, b = r / a, g / a, b / a
                pixel = [round(min(1.0, max(0.0, v)) * 255) for v in (r, g, b)]
                if alpha:
                    pixel.append(round(a * 255))
                raw.extend(pixel)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6 if alpha else 2, 0, 0, 0)
        png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        png += chunk(b"IEND", b"")
        with open(os.path.join(HERE, name + ".png"), "wb") as out:
            out.write(png)


# Shapes as polygons.

def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def rounded(x0, y0, x1, y1, r, steps=8):
    if r <= 0:
        return rect(x0, y0, x1, y1)
    pts = []
    corners = [(x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0), (x0 + r, y1 - r, 90), (x0 + r, y0 + r, 180)]
    for cx, cy, start in corners:
        for i in range(steps + 1):
            t = math.radians(start + 90 * i / steps)
            pts.append((cx + r * math.cos(t), cy + r * math.sin(t)))
    return pts


def ellipse(cx, cy, rx, ry=None, steps=48):
    ry = rx if ry is None else ry
    return [(cx + rx * math.cos(2 * math.pi * i / steps), cy + ry * math.sin(2 * math.pi * i / steps))
            for i in range(steps)]


def segment(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy) or 1.0
    nx, ny = -dy / length * width / 2, dx / length * width / 2
    return [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]


def stroke(points, width):
    """A polyline with round joins and caps, as a list of polygons."""
    polys = [ellipse(x, y, width / 2, steps=16) for x, y in points]
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        polys.append(segment(x0, y0, x1, y1, width))
    return polys


def arc(cx, cy, rx, ry, start, end, steps=16):
    return [(cx + rx * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + ry * math.sin(math.radians(start + (end - start) * i / steps))) for i in range(steps + 1)]


def scaled(poly, x, y, s):
    return [(x + px * s, y + py * s) for px, py in poly]


# A small stroke alphabet on a box 0.62 wide and 1 high; each glyph is a list of polylines.
W = 0.62
GLYPHS = {
    "Z": [[(0, 0), (W, 0), (0, 1), (W, 1)]],
    "E": [[(W, 0), (0, 0), (0, 1), (W, 1)], [(0, 0.5), (W * 0.8, 0.5)]],
    "N": [[(0, 1), (0, 0), (W, 1), (W, 0)]],
    "T": [[(0, 0), (W, 0)], [(W / 2, 0), (W / 2, 1)]],
    "A": [[(0, 1), (W / 2, 0), (W, 1)], [(W * 0.2, 0.62), (W * 0.8, 0.62)]],
    "K": [[(0, 0), (0, 1)], [(W, 0), (0, 0.6)], [(W * 0.28, 0.42), (W, 1)]],
    "V": [[(0, 0), (W / 2, 1), (W, 0)]],
    "2": [arc(W / 2, 0.28, W / 2, 0.28, 180, 360) + [(0, 1), (W, 1)]],
    "0": [ellipse(W / 2, 0.5, W / 2, 0.5, steps=32) + [(W, 0.5)]],
    ".": [[(W * 0.15, 1)]],
    "?": [arc(W / 2, 0.28, W / 2, 0.28, 180, 405) + [(W / 2, 0.62), (W / 2, 0.68)], [(W / 2, 1)]],
}
ADVANCE = {".": 0.35}


def text(canvas_obj, string, x, y, height, width, colour, spacing=0.28):
    m = canvas_obj.mask()
    for ch in string:
        for line in GLYPHS[ch]:
            for poly in stroke([(x + px * height, y + py * height) for px, py in line], width):
                m.fill(poly)
        x += (ADVANCE.get(ch, W) + spacing) * height
    canvas_obj.paint(m, colour)


def text_width(string, height, spacing=0.28):
    return sum((ADVANCE.get(ch, W) + spacing) * height for ch in string) - spacing * height


# The pictures.

def folder_closed(c, x, y, s):
    """A closed folder in a box 16 x 16 scaled by s, its corner at x, y."""
    c.shape(FOLDER_DARK, scaled(rounded(1, 2.5, 7.5, 6, 1), x, y, s), scaled(rounded(1, 4, 15, 14, 1), x, y, s))
    c.shape(FOLDER, scaled(rounded(2, 3.5, 6.5, 6, 0.5), x, y, s), scaled(rect(2, 5, 14, 13), x, y, s))
    c.shape(WHITE, scaled(rect(2, 5, 14, 6), x, y, s), opacity=0.45)


def folder_open(c, x, y, s):
    c.shape(FOLDER_DARK, scaled(rounded(1, 2.5, 7.5, 6, 1), x, y, s), scaled(rounded(1, 4, 14, 14, 1), x, y, s))
    c.shape(FOLDER_BACK, scaled(rounded(2, 3.5, 6.5, 6, 0.5), x, y, s), scaled(rect(2, 5, 13, 13), x, y, s))
    c.shape(FOLDER_DARK, scaled([(3.5, 7), (15.8, 7), (13.2, 14), (1, 14)], x, y, s))
    c.shape(FOLDER, scaled([(4.2, 8), (14.4, 8), (12.5, 13), (2.3, 13)], x, y, s))


def box_body(c, x, y, s):
    c.shape(BLUE_DARK, scaled(rounded(2, 6, 14, 15, 1), x, y, s))
    c.shape(BLUE, scaled(rect(3, 7, 13, 14), x, y, s))
    c.shape(BLUE_DARK, scaled(rect(6, 9, 10, 10.5), x, y, s))


def box_closed(c, x, y, s):
    box_body(c, x, y, s)
    c.shape(BLUE_DARK, scaled(rounded(1, 3, 15, 7.5, 1), x, y, s))
    c.shape(BLUE_LIGHT, scaled(rect(2, 4, 14, 6.5), x, y, s))


def box_open(c, x, y, s):
    box_body(c, x, y, s)
    c.shape(INK, scaled(rect(3, 6, 13, 7.5), x, y, s))
    c.shape(BLUE_DARK, scaled([(2, 6), (4.5, 0.8), (16, 0.8), (14, 6)], x, y, s))
    c.shape(BLUE_LIGHT, scaled([(3.6, 5.2), (5.3, 1.8), (14.4, 1.8), (12.8, 5.2)], x, y, s))


def keycap(c, x, y, s, face=KEY_FACE, side=KEY_SIDE, edge=KEY_EDGE):
    c.shape(edge, scaled(rounded(1, 1.5, 15, 15, 2), x, y, s))
    c.shape(side, scaled(rounded(2, 2.5, 14, 14, 1.2), x, y, s))
    c.shape(face, scaled(rounded(3, 3, 13, 11.5, 1), x, y, s))


def prompt(c, x, y, s):
    m = c.mask()
    for poly in stroke([(x + 5.5 * s, y + 5 * s), (x + 8 * s, y + 7.25 * s), (x + 5.5 * s, y + 9.5 * s)], 1.4 * s):
        m.fill(poly)
    m.fill(rect(x + 8.8 * s, y + 8.8 * s, x + 11.2 * s, y + 10 * s))
    c.paint(m, BLUE)


def badge(c, x, y, s, plus):
    """A round sign in the lower right corner of a 32 x 32 tool: plus or cross."""
    cx, cy, r = x + 24 * s, y + 24 * s, 7.5 * s
    c.shape(WHITE, ellipse(cx, cy, r + 1.2 * s))
    c.shape(GREEN_DARK if plus else RED_DARK, ellipse(cx, cy, r))
    c.shape(GREEN if plus else RED, ellipse(cx, cy, r - 1 * s))
    arm = 3.8 * s
    m = c.mask()
    if plus:
        lines = [[(cx - arm, cy), (cx + arm, cy)], [(cx, cy - arm), (cx, cy + arm)]]
    else:
        d = arm * 0.8
        lines = [[(cx - d, cy - d), (cx + d, cy + d)], [(cx - d, cy + d), (cx + d, cy - d)]]
    for line in lines:
        for poly in stroke(line, 2.2 * s):
            m.fill(poly)
    c.paint(m, WHITE)


def main_icon(c, x, y, size):
    """The program's mark: a blue key with a white Z."""
    s = size / 16
    c.shape(BLUE_DARK, scaled(rounded(0.5, 0.5, 15.5, 15.5, 3), x, y, s))
    c.shape(BLUE, scaled(rounded(1.5, 1.5, 14.5, 14.5, 2.2), x, y, s))

    def face(px, py):
        t = (py - y) / size
        return tuple(round(a + (b - a) * t) for a, b in zip(BLUE_LIGHT, BLUE))

    c.shape(face, scaled(rounded(2.5, 2, 13.5, 12.2, 1.8), x, y, s))
    width = max(1.0, 1.9 * s)
    m = c.mask()
    for poly in stroke([(x + 5 * s, y + 4.5 * s), (x + 11 * s, y + 4.5 * s), (x + 5 * s, y + 9.8 * s),
                        (x + 11 * s, y + 9.8 * s)], width):
        m.fill(poly)
    c.paint(m, WHITE)


def tree_icons():
    pictures = {
        "ROOTOPENICON": box_open,
        "ROOTCLOSEDICON": box_closed,
        "GROUPOPENICON": folder_open,
        "GROUPCLOSEDICON": folder_closed,
    }
    for name, draw in pictures.items():
        c = Canvas(16, 16)
        draw(c, 0, 0, 1)
        c.save(name)
    c = Canvas(16, 16)
    keycap(c, 0, 0, 1)
    prompt(c, 0, 0, 1)
    c.save("COMMANDICON")


def tool_bitmaps():
    for name, draw, plus in (("ADDGROUPBTN", folder_closed, True), ("DELETEGROUPBTN", folder_closed, False)):
        c = Canvas(32, 32)
        draw(c, 0, 1, 1.7)
        badge(c, 0, 0, 1, plus)
        c.save(name)
    for name, plus in (("ADDCOMMANDBTN", True), ("DELETECOMMANDBTN", False)):
        c = Canvas(32, 32)
        keycap(c, 0, 0, 1.75)
        prompt(c, 0, 0, 1.75)
        badge(c, 0, 0, 1, plus)
        c.save(name)

    c = Canvas(32, 32)
    c.shape(GREEN_DARK, ellipse(16, 16, 14.5))
    c.shape(GREEN, ellipse(16, 16, 13.2))
    c.shape(WHITE, [(12, 8.5), (23.5, 16), (12, 23.5)])
    c.save("RUNGROUPBTN")

    c = Canvas(32, 32)
    c.shape(BLUE_DARK, ellipse(16, 16, 14.5))
    c.shape(BLUE, ellipse(16, 16, 13.2))
    height = 15
    text(c, "?", 16 - W * height / 2, 8.5, height, 2.8, WHITE)
    c.save("HELPBTN")


def main_icons():
    for size in (16, 32, 48, 64, 128):
        c = Canvas(size, size)
        main_icon(c, 0, 0, size)
        c.save("MAINICON-%d" % size)


def logo():
    c = Canvas(180, 34)
    main_icon(c, 3, 2, 30)
    text(c, "ZENTAK", 42, 8, 18, 3.0, INK, spacing=0.42)
    c.save("SMALLLOGO")


def about():
    width, height = 325, 242

    def sky(x, y):
        t = y / height
        top, bottom = (214, 230, 252), (255, 255, 255)
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))

    c = Canvas(width, height, background=WHITE)
    c.shape(sky, rect(0, 0, width, height))
    # A row of keys along the bottom, fading to the right.
    for i in range(9):
        x = 14 + i * 34
        keycap(c, x, 196, 1.9)
    c.shape(WHITE, rect(0, 190, width, height), opacity=0.35)
    main_icon(c, (width - 96) / 2, 22, 96)
    word_height, stroke_width, spacing = 30, 4.6, 0.45
    word = "ZENTAK"
    text(c, word, (width - text_width(word, word_height, spacing)) / 2, 134, word_height, stroke_width, INK,
         spacing=spacing)
    version = "V2.0"
    text(c, version, (width - text_width(version, 12)) / 2, 174, 12, 1.8, BLUE_DARK)
    c.save("ABOUTIMAGE", alpha=False)


if __name__ == "__main__":
    tree_icons()
    tool_bitmaps()
    main_icons()
    logo()
    about()
