#!/usr/bin/env python3
"""Draws the program's icons, cursor and arrow bitmaps pixel by pixel and writes them as the
.ico, .cur and .bmp files the resource script includes. Run it again after changing a drawing;
its outputs are committed so that a build needs nothing but the compilers."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def blend(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def app_icon(size):
    """A blue rounded tile with a white music note and a yellow arrow: renaming music."""
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    s = size / 32.0
    radius = 6 * s
    top, bottom = (70, 140, 230), (20, 70, 160)
    for y in range(size):
        for x in range(size):
            # Rounded square with soft edges.
            cx = min(max(x + 0.5, radius), size - radius)
            cy = min(max(y + 0.5, radius), size - radius)
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            alpha = max(0.0, min(1.0, radius - d + 0.5))
            if alpha > 0:
                c = blend(top, bottom, y / max(1, size - 1))
                px[y][x] = (*c, int(255 * alpha))

    def put(x, y, colour, a=1.0):
        if 0 <= x < size and 0 <= y < size and px[y][x][3] > 0:
            base = px[y][x]
            c = blend(base[:3], colour, a)
            px[y][x] = (*c, base[3])

    white = (255, 255, 255)
    # Note head: a tilted ellipse.
    hx, hy, ra, rb = 11 * s, 22 * s, 4.2 * s, 3.0 * s
    for y in range(size):
        for x in range(size):
            dx, dy = x + 0.5 - hx, y + 0.5 - hy
            u = dx * math.cos(-0.45) - dy * math.sin(-0.45)
            v = dx * math.sin(-0.45) + dy * math.cos(-0.45)
            e = (u / ra) ** 2 + (v / rb) ** 2
            if e <= 1.0:
                put(x, y, white, min(1.0, (1.0 - e) * 4 + 0.3))
    # Stem and flag.
    stem_x = hx + 3.4 * s
    for y in range(int(7 * s), int(22 * s)):
        for x in range(int(stem_x), int(stem_x + max(1, 1.6 * s))):
            put(x, y, white)
    for i in range(int(6 * s)):
        for w in range(int(max(1, 2 * s))):
            put(int(stem_x + i), int(7 * s + i * 0.8 + w), white)
    # Yellow arrow at the right: the rename.
    yellow = (255, 205, 40)
    ay = 11 * s
    for x in range(int(19 * s), int(27 * s)):
        for w in range(int(max(1, 2 * s))):
            put(x, int(ay + w - s), yellow)
    for i in range(int(4 * s) + 1):
        for j in range(-i, i + 1):
            put(int(27 * s - 4 * s + (4 * s - i)), int(ay + j), yellow)
    return px


def doc_icon(size):
    """A page with a folded corner and a small blue note: a filter definition file."""
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    s = size / 32.0
    left, right, top, bottom, fold = int(6 * s), int(26 * s), int(2 * s), int(30 * s), int(7 * s)
    for y in range(top, bottom):
        for x in range(left, right):
            if x - (right - fold) > y - top:
                continue
            edge = x in (left, right - 1) or y in (top, bottom - 1) or x - (right - fold) == y - top
            px[y][x] = (120, 120, 120, 255) if edge else (255, 255, 255, 255)
    for y in range(top, top + fold):
        for x in range(right - fold, right - fold + (y - top)):
            px[y][x] = (210, 210, 210, 255)
    blue = (30, 90, 200)
    for line in range(3):
        y = int((12 + line * 4) * s)
        for x in range(int(9 * s), int(23 * s)):
            px[y][x] = (*blue, 255) if line == 0 else (150, 170, 210, 255)
    cx, cy = 13 * s, 25 * s
    for y in range(size):
        for x in range(size):
            if math.hypot((x + 0.5 - cx) / 1.3, y + 0.5 - cy) <= 2.2 * s:
                px[y][x] = (*blue, 255)
    for y in range(int(18 * s), int(25 * s)):
        px[y][int(cx + 2.2 * s)] = (*blue, 255)
    return px


def dib(px, with_alpha=True):
    """A 32-bit BITMAPINFOHEADER image with its AND mask, as icons and cursors hold them."""
    size = len(px)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b"".join(bytes(c for p in px[y] for c in (p[2], p[1], p[0], p[3])) for y in reversed(range(size)))
    stride = ((size + 31) // 32) * 4
    mask = b""
    for y in reversed(range(size)):
        bits = 0
        row = bytearray(stride)
        for x in range(size):
            if px[y][x][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    return header + rows + mask


def png(px):
    """A 32-bit RGBA PNG, as icons hold their 256-pixel image."""
    size = len(px)
    raw = b"".join(b"\0" + bytes(c for p in px[y] for c in p) for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def write_icon(path, images, kind=1, hotspot=(0, 0)):
    entries, data = b"", b""
    offset = 6 + 16 * len(images)
    for px in images:
        blob = png(px) if len(px) >= 256 else dib(px)
        size = len(px)
        planes, bits = (1, 32) if kind == 1 else hotspot
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, planes, bits, len(blob), offset)
        data += blob
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, kind, len(images)) + entries + data)


def hand_cursor():
    """A pointing hand, as links show."""
    art = [
        "     XX         ",
        "    X..X        ",
        "    X..X        ",
        "    X..X        ",
        "    X..XXX      ",
        "    X..X..XXX   ",
        " XX X..X..X..XX ",
        "X..XX........X.X",
        "X...X..........X",
        " X.............X",
        "  X............X",
        "  X...........X ",
        "   X..........X ",
        "    X........X  ",
        "    X........X  ",
        "    XXXXXXXXXX  ",
    ]
    size = 32
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y, row in enumerate(art):
        for x, ch in enumerate(row):
            if ch == "X":
                px[y][x] = (0, 0, 0, 255)
            elif ch == ".":
                px[y][x] = (255, 255, 255, 255)
    return px


def write_bmp(path, rows):
    """A 24-bit bitmap; rows top to bottom of (r, g, b)."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + header + pixels)


def arrow(direction, scale=1.0):
    """A small grey arrow with a white highlight on the transparent magenta, drawn for a display
    scale: 8 by 8 pixels (up, down) or 7 by 8 (left, right) at 100%."""
    magenta, grey, white = (255, 0, 255), (64, 64, 64), (255, 255, 255)
    h = int(round(4 * scale))  # rows of the triangle
    base = 2 * h - 1  # its widest row
    if direction in ("up", "down"):
        width = height = base + 1
        rows = [[magenta] * width for _ in range(height)]
        top = (height - h) // 2
        for i in range(h):
            y = top + i if direction == "down" else top + h - 1 - i
            for x in range(i, base - i):
                rows[y][x] = grey
            if direction == "down" and i < h - 1:
                rows[y][base - i] = white
    else:
        width, height = h + 3, base + 1
        rows = [[magenta] * width for _ in range(height)]
        for i in range(h):
            x = 1 + i if direction == "right" else h + 1 - i
            for y in range(i, base - i):
                rows[y][x] = grey
    return rows


# The icons in every size the system asks for at 100% to 200% (16 to 64) and the large views
# (256, stored as PNG as the system expects at that size).
ICON_SIZES = [256, 64, 48, 40, 32, 24, 20, 16]
write_icon(os.path.join(HERE, "calderwynstrope.ico"), [app_icon(n) for n in ICON_SIZES])
write_icon(os.path.join(HERE, "filter_file.ico"), [doc_icon(n) for n in ICON_SIZES])
write_icon(os.path.join(HERE, "hand.cur"), [hand_cursor()], kind=2, hotspot=(5, 0))
# The arrows and the undo images at 100%, 150% and 200%: the program takes the set nearest to
# the display's scale, so they stay crisp.
SCALES = {"": 1.0, "_150": 1.5, "_200": 2.0}
for suffix, scale in SCALES.items():
    for direction in ("up", "down", "left", "right"):
        write_bmp(os.path.join(HERE, "arrow_%s%s.bmp" % (direction, suffix)), arrow(direction, scale))


def undo_images(n=15):
    """Two n-pixel images (15 at 100%) for the Undo dialog's list: an empty index, and a database."""
    magenta = (255, 0, 255)
    t = n / 15.0
    rows = [[magenta] * (2 * n) for _ in range(n)]
    grey, dark, blue, light = (150, 150, 150), (70, 70, 70), (40, 90, 190), (150, 180, 235)
    # Image 0: a hollow circle with a bar, "nothing here".
    c = (n - 1) / 2.0
    for y in range(n):
        for x in range(n):
            d = math.hypot(x - c, y - c)
            if 5.2 * t <= d <= 6.6 * t or (abs(x - y) <= (t - 1) / 2 and 3 * t <= x <= 11 * t):
                rows[y][x] = grey
    # Image 1: a database cylinder, its lines as thick as the scale.
    lw = max(1, int(round(t)))
    left, right, top, bottom = (int(round(v * t)) for v in (3, 11, 2, 13))
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            edge = x < left + lw or x > right - lw or y < top + lw or y > bottom - lw
            rows[y][n + x] = blue if edge else light
    for band in (5, 9):
        for y in range(int(round(band * t)), int(round(band * t)) + lw):
            for x in range(left + lw, right - lw + 1):
                rows[y][n + x] = blue
    for cy in (top, bottom - lw + 1):
        for cx in (left, right - lw + 1):
            for y in range(cy, cy + lw):
                for x in range(cx, cx + lw):
                    rows[y][n + x] = magenta
    dx, dy = int(round(9 * t)), int(round(7 * t))
    for y in range(dy, dy + lw):
        for x in range(dx, dx + lw):
            rows[y][n + x] = dark
    return rows


for suffix, scale in SCALES.items():
    write_bmp(os.path.join(HERE, "undo_images%s.bmp" % suffix), undo_images(int(round(15 * scale + 0.01))))
