"""PNG writing, byte for byte reproducible: 8-bit RGB or RGBA, one IDAT, zlib level 9.

Each row takes the filter that gives the smallest sum of absolute differences (the usual
heuristic), ties going to the lower filter number, so the bytes depend only on the pixels.
"""

import struct
import zlib


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filtered(row, prev, bpp):
    """The five filtered versions of one row, as (type, bytes)."""
    n = len(row)
    left = bytes(bpp) + row[:n - bpp]
    upleft = bytes(bpp) + prev[:n - bpp]
    sub = bytes((row[i] - left[i]) & 0xFF for i in range(n))
    up = bytes((row[i] - prev[i]) & 0xFF for i in range(n))
    avg = bytes((row[i] - ((left[i] + prev[i]) >> 1)) & 0xFF for i in range(n))
    paeth = bytes((row[i] - _paeth(left[i], prev[i], upleft[i])) & 0xFF for i in range(n))
    return ((0, row), (1, sub), (2, up), (3, avg), (4, paeth))


def _cost(data):
    return sum(v if v < 128 else 256 - v for v in data)


def png_bytes(width, height, pixels):
    """pixels: one (r, g, b) or (r, g, b, a) tuple per pixel, rows from the top."""
    channels = len(pixels[0])
    colour_type = {3: 2, 4: 6}[channels]
    stride = width * channels
    flat = bytes(v for p in pixels for v in p)
    raw = bytearray()
    prev = bytes(stride)
    for y in range(height):
        row = flat[y * stride:(y + 1) * stride]
        kind, data = min(_filtered(row, prev, channels), key=lambda f: (_cost(f[1]), f[0]))
        raw.append(kind)
        raw += data
        prev = row

    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body +
                struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_png(path, width, height, pixels):
    with open(path, "wb") as f:
        f.write(png_bytes(width, height, pixels))
