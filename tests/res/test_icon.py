"""The program icon: one 32 x 32, 8 bpp image with palette and AND mask; and the same design
at every size in a second icon file."""

import io
import os
import struct
import sys
import unittest

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from resread import RES  # noqa: E402

ICON = os.path.join(RES, "orvaneats.ico")
SIZES_ICON = os.path.join(RES, "orvaneats_sizes.ico")
SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


class Icon(unittest.TestCase):
    def setUp(self):
        with open(ICON, "rb") as f:
            self.data = f.read()

    def test_directory(self):
        reserved, kind, count = struct.unpack_from("<HHH", self.data, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 1))
        w, h, colours, res, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", self.data, 6)
        self.assertEqual((w, h), (32, 32))
        self.assertEqual(colours, 0)
        self.assertEqual(res, 0)
        self.assertIn(planes, (0, 1))
        self.assertEqual(bits, 8)
        self.assertEqual(offset, 22)
        self.assertEqual(offset + size, len(self.data))

    def image(self):
        hdr = struct.unpack_from("<IiiHHIIiiII", self.data, 22)
        size, w, h, planes, bpp, comp = hdr[:6]
        self.assertEqual((size, w, h, planes, bpp, comp), (40, 32, 64, 1, 8, 0))
        self.assertIn(hdr[9], (0, 256))
        pal = 22 + 40
        xor = pal + 1024
        andm = xor + 32 * 32
        self.assertEqual(andm + 4 * 32, len(self.data))
        palette = [(self.data[pal + 4 * i + 2], self.data[pal + 4 * i + 1], self.data[pal + 4 * i])
                   for i in range(256)]

        def colour(x, y):
            return palette[self.data[xor + (31 - y) * 32 + x]]

        def transparent(x, y):
            byte = self.data[andm + (31 - y) * 4 + x // 8]
            return bool(byte & (0x80 >> (x % 8)))

        return colour, transparent

    def test_image_and_mask(self):
        colour, transparent = self.image()
        # Rounded box: corners see through, the middle is solid.
        for x, y in ((0, 0), (31, 0), (0, 31), (31, 31)):
            self.assertTrue(transparent(x, y), (x, y))
            self.assertEqual(colour(x, y), (0, 0, 0))  # XOR with black keeps the desktop
        for x, y in ((16, 16), (2, 16), (29, 16), (16, 2), (16, 29)):
            self.assertFalse(transparent(x, y), (x, y))

    def test_looks_like_a_green_box(self):
        colour, transparent = self.image()
        opaque = [colour(x, y) for y in range(32) for x in range(32) if not transparent(x, y)]
        green = [c for c in opaque if c[1] > c[0] + 30 and c[1] > c[2] + 30]
        yellow = [c for c in opaque if c[0] > 180 and c[1] > 150 and c[2] < 90]
        self.assertGreater(len(green), len(opaque) // 4)
        self.assertGreater(len(yellow), 20)
        # The grille is chequered: dark and light pixels alternate across its middle row.
        row = [sum(colour(x, 11)) for x in range(10, 22)]
        flips = sum(1 for a, b in zip(row, row[1:]) if abs(a - b) > 150)
        self.assertGreaterEqual(flips, 4)


class IconAtEverySize(unittest.TestCase):
    def setUp(self):
        with open(SIZES_ICON, "rb") as f:
            self.data = f.read()
        reserved, kind, count = struct.unpack_from("<HHH", self.data, 0)
        self.assertEqual((reserved, kind, count), (0, 1, len(SIZES)))
        self.entries = [struct.unpack_from("<BBBBHHII", self.data, 6 + 16 * i)
                        for i in range(count)]

    def images(self):
        """(size, RGBA image) per entry, decoded from the bytes each entry points at."""
        out = []
        for w, h, _colours, _res, _planes, _bits, size, offset in self.entries:
            blob = self.data[offset:offset + size]
            side = w or 256
            if blob[:8] == b"\x89PNG\r\n\x1a\n":
                image = Image.open(io.BytesIO(blob)).convert("RGBA")
            else:
                hdr = struct.unpack_from("<IiiHHIIiiII", blob, 0)
                self.assertEqual(hdr[:6], (40, side, 2 * side, 1, 32, 0))
                rows = [blob[40 + 4 * side * y:40 + 4 * side * (y + 1)] for y in range(side)]
                raw = b"".join(reversed(rows))  # bottom-up BGRA
                image = Image.frombytes("RGBA", (side, side), raw, "raw", "BGRA")
            self.assertEqual(image.size, (side, side))
            out.append((side, image))
        return out

    def test_directory_lists_every_size_once_at_32_bits(self):
        sizes = [(w or 256) for w, *_rest in self.entries]
        self.assertEqual(sizes, list(SIZES))
        end = 6 + 16 * len(self.entries)
        for w, h, colours, res, planes, bits, size, offset in self.entries:
            with self.subTest(size=w or 256):
                self.assertEqual((w, colours, res, planes, bits), (h, 0, 0, 1, 32))
                self.assertEqual(offset, end)  # images follow each other without gaps
                end = offset + size
        self.assertEqual(end, len(self.data))
        self.assertEqual(self.data[self.entries[-1][7]:][:4], b"\x89PNG")

    def test_round_box_with_soft_corners(self):
        for side, image in self.images():
            with self.subTest(size=side):
                for x, y in ((0, 0), (side - 1, 0), (0, side - 1), (side - 1, side - 1)):
                    self.assertEqual(image.getpixel((x, y))[3], 0)
                self.assertEqual(image.getpixel((side // 2, side // 2))[3], 255)
                alphas = set(image.getdata(3))
                self.assertTrue(alphas - {0, 255}, "an anti-aliased outline")

    def test_same_design_as_the_32_pixel_icon(self):
        # Each size, brought to 32 pixels, looks like the icon of group 128 where both are solid.
        with open(ICON, "rb") as f:
            classic = f.read()
        pal = 22 + 40
        xor = pal + 1024

        def colour(x, y):
            i = classic[xor + (31 - y) * 32 + x]
            return (classic[pal + 4 * i + 2], classic[pal + 4 * i + 1], classic[pal + 4 * i])

        for side, image in self.images():
            if side < 32:
                continue  # too few pixels for the grille's checks to line up
            small = image.resize((32, 32), Image.BOX)
            diffs = [sum(abs(a - b) for a, b in zip(small.getpixel((x, y))[:3], colour(x, y)))
                     for y in range(32) for x in range(32) if small.getpixel((x, y))[3] == 255]
            with self.subTest(size=side):
                self.assertGreater(len(diffs), 700)
                self.assertLess(sum(diffs) / (3.0 * len(diffs)), 25)

    def test_small_sizes_keep_stripes_grille_and_slot(self):
        for side, image in self.images():
            rgb = image.convert("RGB")
            pixels = [rgb.getpixel((x, y)) for y in range(side) for x in range(side)
                      if image.getpixel((x, y))[3] == 255]
            green = [c for c in pixels if c[1] > c[0] + 30 and c[1] > c[2] + 30]
            yellow = [c for c in pixels if c[0] > 180 and c[1] > 150 and c[2] < 90]
            dark = [c for c in pixels if max(c) < 40]
            with self.subTest(size=side):
                self.assertGreater(len(green), len(pixels) // 4)
                self.assertGreater(len(yellow), side * side // 60)
                self.assertGreater(len(dark), side * side // 40)


if __name__ == "__main__":
    unittest.main()
