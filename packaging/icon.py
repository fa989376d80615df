#!/usr/bin/env python3
"""The Lanternyx icon: a beige monitor whose dark screen holds a glowing lantern
above a row of ANSI colours.

The picture is described once below, in coordinates from 0 to 1, as filled
shapes with signed distance functions; each PNG size is drawn from it with
anti-aliased edges, so small sizes stay sharp instead of being scaled down.

    icon.py PNGDIR ICNFILE
writes PNGDIR/hicolor/<N>x<N>/apps/lanternyx.png for every theme size and
ICNFILE, the 64x64 BMP (32 bits with alpha) the program gives its window.
"""

import math
import os
import struct
import sys
import zlib

PNG_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
WINDOW_ICON_SIZE = 64


def hexrgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def rounded_box(x0, y0, x1, y1, r):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx + r, abs(y - cy) - hy + r
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    return sdf, (x0, y0, x1, y1)


def circle(cx, cy, r):
    return (lambda x, y: math.hypot(x - cx, y - cy) - r), (cx - r, cy - r, cx + r, cy + r)


def ring(cx, cy, r, width):
    half = width / 2
    return (lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - half), \
        (cx - r - half, cy - r - half, cx + r + half, cy + r + half)


def clipped(shape, y_max):
    """The shape above y_max only."""
    sdf, (x0, y0, x1, _) = shape
    return (lambda x, y: max(sdf(x, y), y - y_max)), (x0, y0, x1, y_max)


def flat(colour):
    rgb = hexrgb(colour)
    return lambda x, y: (rgb, 1.0)


def vertical(top, bottom, y0, y1):
    a, b = hexrgb(top), hexrgb(bottom)

    def paint(x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(a[i] + (b[i] - a[i]) * t for i in range(3)), 1.0
    return paint


def glow(colour, cx, cy, r, strength):
    rgb = hexrgb(colour)

    def paint(x, y):
        t = max(0.0, 1.0 - math.hypot(x - cx, y - cy) / r)
        return rgb, strength * t * t
    return paint


# The picture, back to front: (shape, paint).
ANSI_COLOURS = ("aa0000", "aa5500", "00aa00", "00aaaa", "0000aa", "aa00aa", "aaaaaa")
PICTURE = [
    # stand
    (rounded_box(0.40, 0.76, 0.60, 0.88, 0.01), flat("6b665c")),
    (rounded_box(0.24, 0.85, 0.76, 0.94, 0.035), flat("3a3630")),
    (rounded_box(0.255, 0.86, 0.745, 0.925, 0.025), vertical("d8d2c2", "a39d8e", 0.86, 0.925)),
    # bezel with a dark outline
    (rounded_box(0.04, 0.06, 0.96, 0.82, 0.11), flat("3a3630")),
    (rounded_box(0.06, 0.08, 0.94, 0.80, 0.095), vertical("e6e0d0", "aaa393", 0.08, 0.80)),
    # screen
    (rounded_box(0.13, 0.15, 0.87, 0.71, 0.05), flat("2a2a2a")),
    (rounded_box(0.145, 0.165, 0.855, 0.695, 0.04), vertical("0c0c24", "1a1a40", 0.165, 0.695)),
    # the lantern's light on the screen
    (rounded_box(0.145, 0.165, 0.855, 0.695, 0.04), glow("ffb030", 0.5, 0.42, 0.30, 0.55)),
    # lantern: handle, cap, glass, flame, frame and base
    (clipped(ring(0.5, 0.255, 0.045, 0.018), 0.27), flat("e0a040")),
    (rounded_box(0.455, 0.255, 0.545, 0.30, 0.012), flat("c07a28")),
    (rounded_box(0.405, 0.285, 0.595, 0.33, 0.016), flat("d88c30")),
    (rounded_box(0.425, 0.325, 0.575, 0.525, 0.022), vertical("ffe27a", "ffb43c", 0.325, 0.525)),
    (circle(0.5, 0.455, 0.042), flat("fff8dc")),
    (circle(0.5, 0.415, 0.026), flat("fff8dc")),
    (rounded_box(0.494, 0.325, 0.506, 0.525, 0.004), flat("c07a28")),
    (rounded_box(0.39, 0.52, 0.61, 0.565, 0.014), flat("d88c30")),
    # the row of ANSI colours and the cursor
] + [
    (rounded_box(0.20 + i * 0.08, 0.605, 0.265 + i * 0.08, 0.645, 0.008), flat(c))
    for i, c in enumerate(ANSI_COLOURS)
] + [
    (rounded_box(0.76, 0.605, 0.80, 0.645, 0.004), flat("55ffff")),
    # power light
    (circle(0.84, 0.755, 0.016), flat("30d040")),
]


def render(size):
    """RGBA rows (lists of 4-tuples of ints) of the picture at size x size pixels."""
    acc = [[[0.0, 0.0, 0.0, 0.0] for _ in range(size)] for _ in range(size)]
    px = 1.0 / size
    for (sdf, (x0, y0, x1, y1)), paint in PICTURE:
        ix0, iy0 = max(0, int((x0 - px) * size)), max(0, int((y0 - px) * size))
        ix1, iy1 = min(size, int((x1 + px) * size) + 1), min(size, int((y1 + px) * size) + 1)
        for iy in range(iy0, iy1):
            y = (iy + 0.5) * px
            row = acc[iy]
            for ix in range(ix0, ix1):
                x = (ix + 0.5) * px
                cover = min(max(0.5 - sdf(x, y) * size, 0.0), 1.0)
                if cover <= 0.0:
                    continue
                rgb, alpha = paint(x, y)
                a = cover * alpha
                p = row[ix]  # premultiplied
                for i in range(3):
                    p[i] = rgb[i] * a + p[i] * (1 - a)
                p[3] = a + p[3] * (1 - a)
    out = []
    for row in acc:
        line = []
        for r, g, b, a in row:
            if a <= 0.0:
                line.append((0, 0, 0, 0))
            else:
                line.append(tuple(min(255, round(v / a)) for v in (r, g, b)) + (min(255, round(a * 255)),))
        out.append(line)
    return out


def png_bytes(rows):
    size = len(rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def bmp_bytes(rows):
    """A bottom-up 32-bit BMP with a BITMAPV4HEADER naming the alpha mask."""
    size = len(rows)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    header = struct.pack("<IiiHHIIiiII", 108, size, size, 1, 32, 3, len(pixels), 2835, 2835, 0, 0)
    header += struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    header += b"BGRs" + bytes(36) + bytes(12)  # sRGB: no end points or gamma
    offset = 14 + len(header)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + header + pixels


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv):
    if len(argv) != 3:
        print(__doc__)
        return 2
    png_dir, icn_file = argv[1], argv[2]
    for size in PNG_SIZES:
        rows = render(size)
        write(os.path.join(png_dir, "hicolor", f"{size}x{size}", "apps", "lanternyx.png"), png_bytes(rows))
        if size == WINDOW_ICON_SIZE:
            write(icn_file, bmp_bytes(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
