#!/usr/bin/python3
"""Draws the program icon into res/ or OUTDIR: orvaneats.ico, one 32 x 32 image with 256
colours, and orvaneats_sizes.ico, the same design at every size the shell asks for.

    /usr/bin/python3 tools/make_icon.py [OUTDIR]

A green alarm box: round chequered speaker grille with two screws above, and below
a black slot in a beige frame between yellow side stripes. orvaneats.ico holds one
8 bpp image with its AND mask; orvaneats_sizes.ico holds 32 bpp images with soft edges
(the 256 pixel one as PNG, as Windows stores it). All bytes are written here.
"""

import math
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bmpio  # noqa: E402
import pngio  # noqa: E402
from canvas import Canvas, clamp, coverage, mix, sd_circle, sd_round_rect  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SIZE = 32
# The sizes of the icon group the shell picks from: small and large icons at 100 % to 200 %,
# and the 256 pixel image of Explorer's large views.
SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
PNG_FROM = 256  # images this large are stored as PNG

BOX = (1.0, 1.0, 31.0, 31.0)
BOX_RADIUS = 3.5
GRILLE = (16.0, 11.5, 8.6)          # centre x, centre y, radius
SCREWS = ((4.6, 4.6), (27.4, 4.6))
STRIPES = ((3.0, 20.5, 7.0, 29.5), (25.0, 20.5, 29.0, 29.5))
FRAME = (8.0, 20.5, 24.0, 29.5)
SLOT = (10.0, 23.5, 22.0, 26.5)


def inside_box(x, y):
    return sd_round_rect(x, y, *BOX, BOX_RADIUS) < 0.0


def draw_icon(size=SIZE):
    # The background is the box colour itself: pixels outside the box are masked out
    # by the AND mask (or the alpha channel), so the outline needs no blend against an
    # unknown desktop. Coordinates are those of the 32 pixel design.
    k = size / SIZE
    cv = Canvas(SIZE, SIZE, (20, 80, 34), k)
    full = (0, 0, SIZE, SIZE)
    # Dark green edge, then the box body with light from the top.
    cv.shape(lambda x, y: sd_round_rect(x, y, BOX[0] + 1, BOX[1] + 1, BOX[2] - 1, BOX[3] - 1, BOX_RADIUS - 1),
             lambda x, y: mix((72, 170, 86), (34, 118, 50), clamp(y / SIZE)), full)
    cv.shape(lambda x, y: sd_round_rect(x, y, BOX[0] + 2, BOX[1] + 2, BOX[2] - 1, BOX[3] - 1, BOX_RADIUS - 1.5),
             lambda x, y: mix((56, 150, 70), (30, 106, 44), clamp(y / SIZE)), full)

    gx, gy, gr = GRILLE
    # Grille: dark rim, then black and grey checks two pixels wide.
    cv.shape(lambda x, y: sd_circle(x, y, gx, gy, gr + 1.0), lambda x, y: (14, 52, 22), full)

    # Checks two pixels wide at 32 pixels; a whole number of pixels at every size.
    cell = max(1, int(2.0 * k + 0.5))

    def checks(x, y):
        on = (int(math.floor(x * k / cell)) + int(math.floor(y * k / cell))) % 2 == 0
        return (18, 20, 18) if on else (150, 162, 150)

    cv.shape(lambda x, y: sd_circle(x, y, gx, gy, gr), checks, full)
    # Shade the lower right of the grille so it reads as a dished cover.
    cv.paint(lambda x, y: (0, 0, 0, 0.35 * clamp(((x - gx) + (y - gy)) / (gr * 1.3)))
             if sd_circle(x, y, gx, gy, gr) < 0 else None, full)

    for sx, sy in SCREWS:
        cv.shape(lambda x, y, sx=sx, sy=sy: sd_circle(x, y, sx, sy, 1.9),
                 lambda x, y, sx=sx, sy=sy: mix((232, 232, 232), (110, 112, 116),
                                                clamp(0.5 + ((x - sx) + (y - sy)) / 3.0)), full)
        cv.shape(lambda x, y, sx=sx, sy=sy: max(abs(y - sy) - 0.3, abs(x - sx) - 1.2),
                 lambda x, y: (70, 72, 76), full, opacity=0.7)

    for st in STRIPES:
        cv.shape(lambda x, y, st=st: sd_round_rect(x, y, *st, 0.8),
                 lambda x, y: mix((255, 226, 40), (222, 178, 10), clamp((y - 20.0) / 10.0)), full)
    cv.shape(lambda x, y: sd_round_rect(x, y, *FRAME, 1.0),
             lambda x, y: mix((236, 222, 184), (196, 178, 136), clamp((y - 20.0) / 10.0)), full)
    cv.shape(lambda x, y: sd_round_rect(x, y, *SLOT, 0.6), lambda x, y: (6, 6, 6), full)
    return cv


def ico_bytes(rgb, mask):
    """One 32 x 32, 8 bpp image with AND mask (1 = transparent) wrapped in ICONDIR."""
    # At most 255 colours for the visible pixels, so the padded palette keeps a pure
    # black entry: transparent pixels use it and the XOR step leaves the desktop as is.
    opaque_rgb = [c for c, m in zip(rgb, mask) if m]
    palette, opaque_idx = bmpio.quantize(opaque_rgb, max_colours=255)
    black = palette.index((0, 0, 0))
    it = iter(opaque_idx)
    indices = [next(it) if m else black for m in mask]
    xor_rows = []
    and_rows = []
    for y in range(SIZE - 1, -1, -1):
        row = []
        bits = 0
        mbytes = bytearray()
        for x in range(SIZE):
            opaque = mask[y * SIZE + x]
            row.append(indices[y * SIZE + x])
            bits = (bits << 1) | (0 if opaque else 1)
            if x % 8 == 7:
                mbytes.append(bits)
                bits = 0
        xor_rows.append(bytes(row))           # 32 bytes: already a multiple of 4
        and_rows.append(bytes(mbytes))         # 4 bytes per row
    xor = b"".join(xor_rows)
    andm = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0,
                         len(xor) + len(andm), 0, 0, 0, 0)
    image = header + bmpio.palette_bytes(palette) + xor + andm
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return icondir + entry + image


def rgba_image(size):
    """The icon at this size with its outline's coverage as alpha, rows from the top."""
    rgb = draw_icon(size).to_rgb()
    k = size / SIZE
    alpha = []
    for y in range(size):
        for x in range(size):
            d = sd_round_rect((x + 0.5) / k, (y + 0.5) / k, *BOX, BOX_RADIUS) * k
            alpha.append(int(math.floor(255.0 * coverage(d) + 0.5)))
    # Fully transparent pixels are black, so drawing through the AND mask alone is right too.
    return [c + (a,) if a else (0, 0, 0, 0) for c, a in zip(rgb, alpha)]


def bmp32_image(size, rgba):
    """One 32 bpp icon image: header, bottom-up BGRA rows, AND mask (1 = transparent)."""
    mask_stride = (size + 31) // 32 * 4
    xor = bytearray()
    andm = bytearray()
    for y in range(size - 1, -1, -1):
        row = rgba[y * size:(y + 1) * size]
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        andm += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(xor) + len(andm), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(andm)


def sizes_ico_bytes():
    """Every size of SIZES in one ICO, smallest first."""
    images = []
    for size in SIZES:
        rgba = rgba_image(size)
        if size >= PNG_FROM:
            images.append((size, pngio.png_bytes(size, size, rgba)))
        else:
            images.append((size, bmp32_image(size, rgba)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in images:
        dim = size if size < 256 else 0  # 0 stands for 256
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(image for _size, image in images)


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(REPO, "res")
    os.makedirs(out, exist_ok=True)
    cv = draw_icon()
    rgb = cv.to_rgb()
    mask = [inside_box(x + 0.5, y + 0.5) for y in range(SIZE) for x in range(SIZE)]
    with open(os.path.join(out, "orvaneats.ico"), "wb") as f:
        f.write(ico_bytes(rgb, mask))
    with open(os.path.join(out, "orvaneats_sizes.ico"), "wb") as f:
        f.write(sizes_ico_bytes())


if __name__ == "__main__":
    main(sys.argv)
