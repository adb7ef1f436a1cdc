#!/usr/bin/env python3
"""Draws the program's icons, cursor and arrow bitmaps pixel by pixel and writes them as the
.ico, .cur and .bmp files the resource script includes. Run it again after changing a drawing;
its outputs are committed so that a build needs nothing but the compilers."""
import math
import os
import struct

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


def write_icon(path, images, kind=1, hotspot=(0, 0)):
    entries, data = b"", b""
    offset = 6 + 16 * len(images)
    for px in images:
        blob = dib(px)
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


def arrow(width, height, direction):
    """A small grey arrow with a white highlight on the transparent magenta."""
    magenta, grey, white = (255, 0, 255), (64, 64, 64), (255, 255, 255)
    rows = [[magenta] * width for _ in range(height)]
    if direction in ("up", "down"):
        for i in range(4):
            y = 2 + i if direction == "down" else 5 - i
            for x in range(i, 7 - i):
                rows[y][x] = grey
            if direction == "down" and i < 3:
                rows[y][7 - i] = white
    else:
        for i in range(4):
            x = 1 + i if direction == "right" else 5 - i
            for y in range(i, 7 - i):
                rows[y][x] = grey
    return rows


write_icon(os.path.join(HERE, "calderwynstrope.ico"), [app_icon(48), app_icon(32), app_icon(16)])
write_icon(os.path.join(HERE, "filter_file.ico"), [doc_icon(48), doc_icon(32), doc_icon(16)])
write_icon(os.path.join(HERE, "hand.cur"), [hand_cursor()], kind=2, hotspot=(5, 0))
write_bmp(os.path.join(HERE, "arrow_up.bmp"), arrow(8, 8, "up"))
write_bmp(os.path.join(HERE, "arrow_down.bmp"), arrow(8, 8, "down"))
write_bmp(os.path.join(HERE, "arrow_left.bmp"), arrow(7, 8, "left"))
write_bmp(os.path.join(HERE, "arrow_right.bmp"), arrow(7, 8, "right"))


def undo_images():
    """Two 15-pixel images for the Undo dialog's list: an empty index, and a database."""
    magenta = (255, 0, 255)
    rows = [[magenta] * 30 for _ in range(15)]
    grey, dark, blue, light = (150, 150, 150), (70, 70, 70), (40, 90, 190), (150, 180, 235)
    # Image 0: a hollow circle with a bar, "nothing here".
    for y in range(15):
        for x in range(15):
            d = math.hypot(x - 7, y - 7)
            if 5.2 <= d <= 6.6 or (abs(x - y) <= 0 and 3 <= x <= 11):
                rows[y][x] = grey
    # Image 1: a database cylinder.
    for y in range(2, 14):
        for x in range(3, 12):
            rows[y][15 + x] = blue if x in (3, 11) or y in (2, 13) else light
    for x in range(4, 11):
        rows[5][15 + x] = blue
        rows[9][15 + x] = blue
    for y in (2, 13):
        for x in (3, 11):
            rows[y][15 + x] = magenta
    rows[7][15 + 9] = dark
    return rows


write_bmp(os.path.join(HERE, "undo_images.bmp"), undo_images())
