"""The pictures drawn for higher display scales: PNG files two and three times the size of
the 96 DPI bitmaps that, reduced to that size, show the same picture with the same lamps lit."""

import os
import struct
import sys
import unittest

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from resread import RES, TOOLS, read_bmp  # noqa: E402
from test_bitmaps import PANEL_FILES, PANEL_HUES, SIGNAL_FILES, SIGNAL_HUES, SIZES, hue, luma  # noqa: E402

sys.path.insert(0, TOOLS)
import make_bitmaps  # noqa: E402  (lamp centres only)

SCALES = (2, 3)
# Mean difference per channel between a reduced rendering and its bitmap. Measured: 0.6 to
# 4.0 (the bitmaps carry 256 colours, the renderings all of theirs, and the captions are
# hinted at each size); two different pictures of a group differ by 6.6 or more.
MEAN_DIFFERENCE_LIMIT = 5.0


def larger_name(bmp_name, scale):
    return bmp_name.replace(".bmp", "_%dx.png" % scale)


def reduced(name, scale):
    """The rendering reduced by area averaging to the 96 DPI size."""
    image = Image.open(os.path.join(RES, larger_name(name, scale)))
    return image.convert("RGB").resize(SIZES[name], Image.BOX)


def mean_difference(image, bmp):
    got = list(image.getdata())
    want = bmp.pixels()
    return sum(abs(a - b) for p, q in zip(got, want) for a, b in zip(p, q)) / (3.0 * len(want))


class Files(unittest.TestCase):
    def test_png_headers_and_sizes(self):
        for name, (w, h) in SIZES.items():
            for scale in SCALES:
                path = os.path.join(RES, larger_name(name, scale))
                with self.subTest(file=path), open(path, "rb") as f:
                    data = f.read()
                    self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
                    self.assertEqual(data[12:16], b"IHDR")
                    width, height, depth, colour, _c, _f, interlace = struct.unpack_from(
                        ">IIBBBBB", data, 16)
                    self.assertEqual((width, height), (w * scale, h * scale))
                    self.assertEqual((depth, colour, interlace), (8, 2, 0))  # 8-bit RGB


class SamePictures(unittest.TestCase):
    def test_each_rendering_reduces_to_its_bitmap(self):
        for name in SIZES:
            bmp = read_bmp(os.path.join(RES, name))
            for scale in SCALES:
                with self.subTest(file=name, scale=scale):
                    self.assertLess(mean_difference(reduced(name, scale), bmp),
                                    MEAN_DIFFERENCE_LIMIT)

    def test_renderings_of_different_pictures_stay_apart(self):
        # The tolerance above is far below the difference between two pictures of a group.
        for group in (SIGNAL_FILES, PANEL_FILES):
            for name in group:
                for other in group:
                    if other == name:
                        continue
                    with self.subTest(rendering=name, bitmap=other):
                        self.assertGreater(
                            mean_difference(reduced(name, 2), read_bmp(os.path.join(RES, other))),
                            MEAN_DIFFERENCE_LIMIT)

    def check_lamps(self, files, hues, centres):
        for name, lit in files.items():
            for scale in SCALES:
                image = Image.open(os.path.join(RES, larger_name(name, scale))).convert("RGB")
                for lamp, want in hues.items():
                    cx, cy = centres[lamp]
                    px = image.getpixel((int(cx * scale), int(cy * scale)))
                    on = lamp in lit
                    with self.subTest(file=name, scale=scale, lamp=lamp, lit=on, pixel=px):
                        self.assertEqual(hue(px), want)
                        if on:
                            self.assertGreaterEqual(max(px), 220)
                        else:
                            self.assertLessEqual(max(px), 180)

    def test_signal_lamps_in_the_same_places(self):
        centres = dict(enumerate(make_bitmaps.SIGNAL_LAMPS, start=1))
        self.check_lamps(SIGNAL_FILES, SIGNAL_HUES, centres)

    def test_panel_lamps_in_the_same_places(self):
        self.check_lamps(PANEL_FILES, PANEL_HUES, make_bitmaps.PANEL_LAMPS)


class Crisp(unittest.TestCase):
    def test_more_detail_than_an_enlarged_bitmap(self):
        # Drawn afresh, not blown up: the 2x rendering differs from the bitmap enlarged by
        # pixel doubling in the lamp edges and the caption strokes.
        for name in ("panel_normal.bmp", "signal_reduce.bmp"):
            bmp = read_bmp(os.path.join(RES, name))
            w, h = SIZES[name]
            doubled = [bmp.pixel(x // 2, y // 2) for y in range(2 * h) for x in range(2 * w)]
            image = Image.open(os.path.join(RES, larger_name(name, 2))).convert("RGB")
            changed = sum(1 for p, q in zip(image.getdata(), doubled)
                          if max(abs(a - b) for a, b in zip(p, q)) > 24)
            with self.subTest(file=name):
                self.assertGreater(changed, len(doubled) // 50)


if __name__ == "__main__":
    unittest.main()
