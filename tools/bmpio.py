"""Palette reduction and 8-bit Windows BMP writing, byte for byte reproducible.

quantize() picks at most 256 colours for an image: every distinct colour when there
are few enough, otherwise a median cut (always splitting the box with the largest
squared error) followed by a few rounds of weighted k-means. Ties are broken by colour
value, never by dictionary or set order, so the result only depends on the pixels.
"""

import struct


def _box_stats(box):
    """(weight, mean, squared error) of a list of ((r, g, b), count)."""
    w = 0
    s = [0, 0, 0]
    s2 = [0, 0, 0]
    for c, n in box:
        w += n
        for i in range(3):
            s[i] += c[i] * n
            s2[i] += c[i] * c[i] * n
    mean = [s[i] / w for i in range(3)]
    var = [s2[i] / w - mean[i] * mean[i] for i in range(3)]
    return w, mean, var


def _split(box):
    w, _mean, var = _box_stats(box)
    axis = max(range(3), key=lambda i: (var[i], -i))
    box = sorted(box, key=lambda cn: (cn[0][axis], cn[0]))
    half = w / 2.0
    acc = 0
    cut = 1
    for k, (_c, n) in enumerate(box[:-1]):
        acc += n
        cut = k + 1
        if acc >= half:
            break
    return box[:cut], box[cut:]


def _sse(box):
    w, _mean, var = _box_stats(box)
    return w * (var[0] + var[1] + var[2])


def _nearest(palette, c):
    best = 0
    bestd = None
    r, g, b = c
    for i, p in enumerate(palette):
        dr = r - p[0]
        dg = g - p[1]
        db = b - p[2]
        d = dr * dr + dg * dg + db * db
        if bestd is None or d < bestd:
            bestd = d
            best = i
            if d == 0:
                break
    return best


def quantize(pixels, max_colours=256, refine=3):
    """Return (palette, indices): palette has 256 (r, g, b) entries, indices one per pixel."""
    counts = {}
    for p in pixels:
        counts[p] = counts.get(p, 0) + 1
    items = sorted(counts.items())
    if len(items) <= max_colours:
        palette = [c for c, _n in items]
    else:
        boxes = [items]
        errors = [_sse(items)]
        while len(boxes) < max_colours:
            k = max(
                (i for i in range(len(boxes)) if len(boxes[i]) > 1),
                key=lambda i: (errors[i], -i),
                default=None,
            )
            if k is None:
                break
            a, b = _split(boxes[k])
            boxes[k:k + 1] = [a, b]
            errors[k:k + 1] = [_sse(a), _sse(b)]
        palette = [tuple(int(v + 0.5) for v in _box_stats(bx)[1]) for bx in boxes]
        # Weighted k-means: move every entry to the mean of the colours it serves.
        for _ in range(refine):
            sums = [[0, 0, 0, 0] for _ in palette]
            for c, n in items:
                s = sums[_nearest(palette, c)]
                s[0] += c[0] * n
                s[1] += c[1] * n
                s[2] += c[2] * n
                s[3] += n
            palette = [
                tuple(int(s[i] / s[3] + 0.5) for i in range(3)) if s[3] else palette[j]
                for j, s in enumerate(sums)
            ]
        palette = sorted(set(palette))
    lookup = {c: _nearest(palette, c) for c, _n in items}
    indices = [lookup[p] for p in pixels]
    palette = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    return palette, indices


def palette_bytes(palette):
    """256 RGBQUAD entries (blue, green, red, 0)."""
    assert len(palette) == 256
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def bmp8_bytes(width, height, palette, indices):
    """A bottom-up, uncompressed 8 bpp BMP with a full 256-entry palette."""
    stride = (width + 3) & ~3
    pad = b"\0" * (stride - width)
    rows = []
    for y in range(height - 1, -1, -1):
        rows.append(bytes(indices[y * width:(y + 1) * width]) + pad)
    data = b"".join(rows)
    pal = palette_bytes(palette)
    off = 14 + 40 + len(pal)
    file_header = struct.pack("<2sIHHI", b"BM", off + len(data), 0, 0, off)
    info = struct.pack(
        "<IiiHHIIiiII",
        40,          # biSize
        width,
        height,      # positive: bottom-up
        1,           # biPlanes
        8,           # biBitCount
        0,           # BI_RGB
        len(data),   # biSizeImage
        2835,        # 72 dpi
        2835,
        256,         # biClrUsed
        0,           # biClrImportant: all
    )
    return file_header + info + pal + data


def write_bmp8(path, width, height, rgb_pixels):
    palette, indices = quantize(rgb_pixels)
    with open(path, "wb") as f:
        f.write(bmp8_bytes(width, height, palette, indices))
