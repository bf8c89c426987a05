"""The panel and signal bitmaps: header fields, lamp colours per state, distinctness."""

import itertools
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from resread import RES, TOOLS, read_bmp  # noqa: E402

sys.path.insert(0, TOOLS)
import make_bitmaps  # noqa: E402  (lamp centres only)

# What each picture must show, written out here independently of the generator.
SIGNAL_FILES = {
    "signal_stop.bmp": {3},
    "signal_restrict.bmp": {1, 4},
    "signal_caution.bmp": {4},
    "signal_reduce.bmp": {2, 5},
    "signal_proceed.bmp": {5},
}
SIGNAL_HUES = {1: "yellow", 2: "yellow", 3: "red", 4: "yellow", 5: "green"}

PANEL_FILES = {
    "panel_normal.bmp": {"left"},
    "panel_dark.bmp": set(),
    "panel_alarm.bmp": {"right"},
}
PANEL_HUES = {"left": "yellow", "right": "red"}

SIZES = {name: (32, 64) for name in SIGNAL_FILES}
SIZES.update({name: (150, 100) for name in PANEL_FILES})


def hue(rgb):
    r, g, b = rgb
    if r > 1.8 * g and r > 1.8 * b:
        return "red"
    if g > 1.4 * r and g > 1.05 * b:
        return "green"
    if min(r, g) > 1.2 * b and 0.7 < r / max(g, 1) < 1.45:
        return "yellow"
    return None


def luma(rgb):
    return 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2]


def centre_pixel(bmp, centre):
    return bmp.pixel(int(centre[0]), int(centre[1]))


class BitmapHeaders(unittest.TestCase):
    def test_headers(self):
        for name, (w, h) in SIZES.items():
            with self.subTest(name=name):
                path = os.path.join(RES, name)
                bmp = read_bmp(path)
                self.assertEqual(bmp.file_size, os.path.getsize(path))
                self.assertEqual((bmp.width, bmp.height), (w, h))  # positive height: bottom-up
                self.assertEqual(bmp.planes, 1)
                self.assertEqual(bmp.bpp, 8)
                self.assertEqual(bmp.compression, 0)  # BI_RGB
                self.assertIn(bmp.clr_used, (0, 256))
                self.assertEqual(bmp.palette_entries, 256)
                self.assertEqual(bmp.off_bits + bmp.stride * h, bmp.file_size)
                for (_r, _g, _b), reserved in zip(bmp.palette, bmp.data[57:54 + 1024:4]):
                    self.assertEqual(reserved, 0)


class LampColours(unittest.TestCase):
    def check_lamps(self, files, hues, centres):
        """Every lamp: right hue in every picture, lit ones bright, clearly above unlit."""
        seen = {lamp: {True: [], False: []} for lamp in hues}
        for name, lit in files.items():
            bmp = read_bmp(os.path.join(RES, name))
            for lamp, want in hues.items():
                px = centre_pixel(bmp, centres[lamp])
                on = lamp in lit
                with self.subTest(file=name, lamp=lamp, lit=on, pixel=px):
                    self.assertEqual(hue(px), want)
                    if on:
                        self.assertGreaterEqual(max(px), 220)
                    else:
                        self.assertLessEqual(max(px), 180)
                seen[lamp][on].append(px)
        for lamp, states in seen.items():
            for lit_px in states[True]:
                for dark_px in states[False]:
                    with self.subTest(lamp=lamp, lit=lit_px, unlit=dark_px):
                        self.assertGreater(luma(lit_px), 1.5 * luma(dark_px))

    def test_signal_aspects(self):
        centres = {n: c for n, c in enumerate(make_bitmaps.SIGNAL_LAMPS, start=1)}
        self.assertEqual(len(centres), 5)
        # Lamps must run top to bottom inside the picture.
        ys = [centres[n][1] for n in range(1, 6)]
        self.assertEqual(ys, sorted(ys))
        self.check_lamps(SIGNAL_FILES, SIGNAL_HUES, centres)

    def test_panel_states(self):
        centres = make_bitmaps.PANEL_LAMPS
        self.assertLess(centres["left"][0], centres["right"][0])
        self.check_lamps(PANEL_FILES, PANEL_HUES, centres)

    def test_signal_body_is_dark(self):
        # Between two lamps the head is black.
        for name in SIGNAL_FILES:
            bmp = read_bmp(os.path.join(RES, name))
            for (x, y0), (_x, y1) in zip(make_bitmaps.SIGNAL_LAMPS, make_bitmaps.SIGNAL_LAMPS[1:]):
                for dx in (-9, 8):
                    px = bmp.pixel(int(x) + dx, int((y0 + y1) / 2))
                    with self.subTest(file=name, at=(int(x) + dx, (y0 + y1) / 2)):
                        self.assertLess(max(px), 70)


class Distinct(unittest.TestCase):
    def test_pairwise_different(self):
        for group in (SIGNAL_FILES, PANEL_FILES):
            images = {name: read_bmp(os.path.join(RES, name)).pixels() for name in group}
            for a, b in itertools.combinations(sorted(images), 2):
                with self.subTest(a=a, b=b):
                    self.assertNotEqual(images[a], images[b])


if __name__ == "__main__":
    unittest.main()
