#!/usr/bin/env python3
"""Draws the password driver's built-in prompt images and writes them as
8-bit BMP files beside this script.

Each image is drawn as vector shapes, sampled 4 x 4 times per pixel and
reduced to the nearest colour of one shared 256-entry palette: sixteen hues,
each in sixteen brightness steps down to black, so the anti-aliased edges fade
into the black boot screen. Everything is plain arithmetic: running the script
again writes the same bytes.

    make_images.py           write the fifteen .bmp files
    make_images.py --check   only compare them with what would be written
    make_images.py --png DIR also write 8x enlarged PNG copies to DIR
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SUPERSAMPLE = 4

# Sixteen hues; palette index = hue * 16 + step, step 0 is black, step 15 the
# full colour.
HUES = [
    (255, 255, 255),  # 0 white
    (235, 45, 45),    # 1 red
    (70, 215, 90),    # 2 green
    (255, 200, 40),   # 3 gold
    (70, 145, 255),   # 4 blue
    (255, 140, 30),   # 5 orange
    (150, 160, 175),  # 6 steel
    (60, 215, 235),   # 7 cyan
    (205, 210, 220),  # 8 silver
    (185, 120, 40),   # 9 bronze
    (40, 90, 200),    # 10 deep blue
    (170, 25, 25),    # 11 deep red
    (110, 115, 125),  # 12 dark steel
    (255, 235, 140),  # 13 pale gold
    (250, 165, 165),  # 14 pink (where white meets red)
    (40, 160, 60),    # 15 deep green
]


def palette():
    entries = []
    for hue in HUES:
        for step in range(16):
            entries.append(tuple(round(c * step / 15) for c in hue))
    return entries


PALETTE = palette()
WHITE, RED, GREEN, GOLD, BLUE, ORANGE, STEEL, CYAN, SILVER, BRONZE, DEEP_BLUE, DEEP_RED, DARK_STEEL, PALE_GOLD, \
    PINK, DEEP_GREEN = (HUES[i] for i in range(16))
BLACK = (0, 0, 0)


def shade(colour, factor):
    return tuple(c * factor for c in colour)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


# Shapes: a predicate on a point (x to the right, y down, in pixels) and a
# colour, fixed or a function of the point for shading.

def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
    px, py = ax + t * dx, ay + t * dy
    return math.hypot(x - px, y - py)


def stroke(points, width):
    """A polyline with round joins and caps."""
    half = width / 2
    pairs = list(zip(points, points[1:])) or [(points[0], points[0])]
    return lambda x, y: any(segment_distance(x, y, a[0], a[1], b[0], b[1]) <= half for a, b in pairs)


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


# The "M" of the master indicator, as strokes in a unit box (y down).
M_STROKES = [(0.0, 1.0), (0.0, 0.0), (0.5, 0.62), (1.0, 0.0), (1.0, 1.0)]

# Digits of the badges as 4 x 7 pixel patterns: at 12 x 12 pixels a crisp
# digit reads better than a smoothed one.
DIGITS = {
    "1": ["..X.", ".XX.", "..X.", "..X.", "..X.", "..X.", ".XXX"],
    "2": [".XX.", "X..X", "...X", "..X.", ".X..", "X...", "XXXX"],
    "3": ["XXX.", "...X", "...X", ".XX.", "...X", "...X", "XXX."],
    "4": ["..X.", ".XX.", "X.X.", "X.X.", "XXXX", "..X.", "..X."],
    "5": ["XXXX", "X...", "XXX.", "...X", "...X", "X..X", ".XX."],
    "6": [".XX.", "X...", "X...", "XXX.", "X..X", "X..X", ".XX."],
    "7": ["XXXX", "...X", "..X.", "..X.", ".X..", ".X..", ".X.."],
}


def pixel_pattern(pattern, x0, y0):
    cells = {(x0 + x, y0 + y) for y, line in enumerate(pattern) for x, c in enumerate(line) if c == "X"}
    return lambda x, y: (math.floor(x), math.floor(y)) in cells


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.layers = []

    def paint(self, shape, colour):
        self.layers.append((shape, colour))

    def sample(self, x, y):
        for shape, colour in reversed(self.layers):
            if shape(x, y):
                return colour(x, y) if callable(colour) else colour
        return BLACK

    def render(self):
        """Rows top to bottom of palette indices."""
        n = SUPERSAMPLE
        rows = []
        for py in range(self.height):
            row = []
            for px in range(self.width):
                total = [0.0, 0.0, 0.0]
                for sy in range(n):
                    for sx in range(n):
                        c = self.sample(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                        for k in range(3):
                            total[k] += c[k]
                row.append(nearest(tuple(t / (n * n) for t in total)))
            rows.append(row)
        return rows


_NEAREST = {}


def nearest(rgb):
    key = tuple(round(c, 3) for c in rgb)
    if key not in _NEAREST:
        best, best_d = 0, None
        for index, entry in enumerate(PALETTE):
            d = sum((a - b) ** 2 for a, b in zip(rgb, entry))
            if best_d is None or d < best_d:
                best, best_d = index, d
        _NEAREST[key] = best
    return _NEAREST[key]


def vertical(top, bottom, y0, y1):
    return lambda x, y: mix(top, bottom, max(0.0, min(1.0, (y - y0) / (y1 - y0))))


# The images, by id.

def master_indicator():
    c = Canvas(16, 20)
    c.paint(stroke([(2.5 + x * 11, 3 + y * 14) for x, y in M_STROKES], 2.6), vertical(PALE_GOLD, ORANGE, 3, 17))
    return c


def drive_badge(digit, colour):
    c = Canvas(12, 12)
    c.paint(disc(6, 6, 5.9), vertical(mix(colour, WHITE, 0.35), colour, 0, 12))
    c.paint(pixel_pattern(DIGITS[digit], 4, 2), BLACK)
    return c


def typed_dot():
    c = Canvas(8, 6)
    c.paint(disc(4, 3, 2.6), WHITE)
    return c


def stop_sign():
    c = Canvas(24, 24)
    def octagon(r):
        points = []
        for i in range(8):
            a = math.pi / 8 + i * math.pi / 4
            points.append((12 + r * math.cos(a), 12 + r * math.sin(a)))
        return polygon(points)
    c.paint(octagon(11.8), WHITE)
    c.paint(octagon(10.4), vertical(RED, DEEP_RED, 1, 23))
    c.paint(rounded_rect(5.2, 10, 18.8, 14, 1.0), WHITE)
    return c


def hard_drive():
    c = Canvas(32, 32)
    c.paint(rounded_rect(3, 1.5, 29, 30.5, 3), vertical(STEEL, DARK_STEEL, 1.5, 30.5))
    c.paint(rounded_rect(4.5, 3, 27.5, 29, 2), vertical(mix(STEEL, BLACK, 0.35), mix(DARK_STEEL, BLACK, 0.45), 3, 29))
    c.paint(disc(16, 14, 10.2), vertical(WHITE, SILVER, 4, 24))
    c.paint(ring(16, 14, 7.5, 6.9), STEEL)
    c.paint(disc(16, 14, 2.4), DARK_STEEL)
    c.paint(disc(16, 14, 1.0), SILVER)
    c.paint(stroke([(25, 26), (24.5, 18), (19, 13)], 2.0), GOLD)
    c.paint(disc(25, 26, 2.2), BRONZE)
    for screw_x, screw_y in ((6.5, 5), (25.5, 5), (6.5, 27.5), (25.5, 27.5)):
        c.paint(disc(screw_x, screw_y, 0.8), SILVER)
    return c


def failure_cross():
    c = Canvas(8, 9)
    c.paint(union(stroke([(1.6, 2.1), (6.4, 6.9)], 1.9), stroke([(6.4, 2.1), (1.6, 6.9)], 1.9)), RED)
    return c


def padlock():
    c = Canvas(32, 32)
    shackle = minus(union(ring(16, 11.5, 8.6, 5.4), rect(7.4, 11.5, 10.6, 16), rect(21.4, 11.5, 24.6, 16)),
                    lambda x, y: y > 16)
    c.paint(shackle, vertical(WHITE, STEEL, 2, 16))
    c.paint(rounded_rect(4.5, 14.5, 27.5, 30.5, 3), vertical(GOLD, shade(GOLD, 0.72), 14.5, 30.5))
    c.paint(union(disc(16, 20.5, 2.6), polygon([(14.7, 21), (17.3, 21), (18.2, 27), (13.8, 27)])), BLACK)
    return c


def supervisor_shield():
    c = Canvas(32, 32)

    def shield(inset):
        top, bottom = 1.5 + inset, 30.5 - inset
        left, right = 3.5 + inset, 28.5 - inset
        points = [(left, top + 3), (16, top), (right, top + 3), (right, 15), (right - 1.5, 21), (16, bottom),
                  (left + 1.5, 21), (left, 15)]
        return polygon(points)
    c.paint(shield(0), WHITE)
    c.paint(shield(1.6), vertical(BLUE, DEEP_BLUE, 3, 29))
    key_colour = vertical(PALE_GOLD, GOLD, 6, 26)
    c.paint(minus(disc(16, 10.5, 4.4), disc(16, 10.5, 1.9)), key_colour)
    c.paint(rect(14.6, 14, 17.4, 26), key_colour)
    c.paint(rect(17, 19.5, 20.5, 21.3), key_colour)
    c.paint(rect(17, 23.2, 19.8, 25), key_colour)
    return c


def accepted_tick():
    c = Canvas(32, 44)
    c.paint(stroke([(4.5, 24), (12.5, 32.5), (27.5, 11)], 5.2), vertical(GREEN, DEEP_GREEN, 10, 34))
    return c


IMAGES = [
    (1, "master", master_indicator),
    (2, "drive0", lambda: drive_badge("1", CYAN)),
    (3, "drive1", lambda: drive_badge("2", CYAN)),
    (4, "drive2", lambda: drive_badge("3", CYAN)),
    (5, "spare4", lambda: drive_badge("4", SILVER)),
    (6, "spare5", lambda: drive_badge("5", SILVER)),
    (7, "spare6", lambda: drive_badge("6", SILVER)),
    (8, "spare7", lambda: drive_badge("7", SILVER)),
    (9, "typed", typed_dot),
    (10, "locked", stop_sign),
    (11, "drive", hard_drive),
    (12, "failed", failure_cross),
    (13, "poweron", padlock),
    (14, "supervisor", supervisor_shield),
    (15, "accepted", accepted_tick),
]


def bmp_bytes(rows):
    """An 8-bit BMP: 14-byte file header, 40-byte information header, 256
    colour entries, then rows bottom-up, each padded to 4 bytes."""
    height = len(rows)
    width = len(rows[0])
    stride = (width + 3) & ~3
    pixel_offset = 14 + 40 + 4 * 256
    pixels = b"".join(bytes(row) + bytes(stride - width) for row in reversed(rows))
    file_size = pixel_offset + len(pixels)
    header = struct.pack("<2sIHHI", b"BM", file_size, 0, 0, pixel_offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + info + colours + pixels


def png_bytes(rows, scale):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    width, height = len(rows[0]) * scale, len(rows) * scale
    raw = bytearray()
    for row in rows:
        line = bytearray([0])
        for index in row:
            line.extend(bytes(PALETTE[index]) * scale)
        raw.extend(bytes(line) * scale)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + \
        chunk(b"IEND", b"")


def file_name(image_id, name, extension):
    return "%02d-%s.%s" % (image_id, name, extension)


def main(argv):
    check = "--check" in argv
    png_dir = argv[argv.index("--png") + 1] if "--png" in argv else None
    stale = []
    for image_id, name, draw in IMAGES:
        rows = draw().render()
        data = bmp_bytes(rows)
        path = os.path.join(HERE, file_name(image_id, name, "bmp"))
        if check:
            with open(path, "rb") as f:
                if f.read() != data:
                    stale.append(path)
        else:
            with open(path, "wb") as f:
                f.write(data)
        if png_dir:
            with open(os.path.join(png_dir, file_name(image_id, name, "png")), "wb") as f:
                f.write(png_bytes(rows, 8))
    for path in stale:
        print("out of date: " + path)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
