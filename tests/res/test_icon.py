"""The program icon: one 32 x 32, 8 bpp image with palette and AND mask."""

import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from resread import RES  # noqa: E402

ICON = os.path.join(RES, "orvaneats.ico")


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


if __name__ == "__main__":
    unittest.main()
