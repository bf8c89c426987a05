"""The exe's resource directory as Windows reads it, parsed from the PE file: the icon group the
shell shows comes first, and the larger renderings of the pictures are there at their sizes.

Runs without Wine; needs the windows build.
"""

import struct
import unittest

import harness
from harness import tables

RT_ICON, RT_GROUP_ICON = 3, 14
ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
PICTURE_SIZES = {p["id"]: (p["width"], p["height"]) for p in tables.tables()["pictures"]}


class PeResources:
    """The resource tree of a PE file: type -> [(name, language -> bytes)] in stored order."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0"
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]  # resource table
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            size, address, raw_size, raw = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((address, max(size, raw_size), raw))
        self.base = self.offset(self.rva)

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError("rva outside every section")

    def name(self, field):
        if field & 0x80000000:
            at = self.base + (field & 0x7FFFFFFF)
            length = struct.unpack_from("<H", self.data, at)[0]
            return self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        return field

    def entries(self, table):
        """(name or id, offset field) of a directory table, in stored order."""
        at = self.base + table
        named, ids = struct.unpack_from("<12xHH", self.data, at)
        return [struct.unpack_from("<II", self.data, at + 16 + 8 * i)
                for i in range(named + ids)]

    def types(self):
        return [self.name(n) for n, _ in self.entries(0)]

    def names(self, rtype):
        for n, sub in self.entries(0):
            if self.name(n) == rtype:
                return [self.name(m) for m, _ in self.entries(sub & 0x7FFFFFFF)]
        return []

    def get(self, rtype, rname):
        for n, sub in self.entries(0):
            if self.name(n) != rtype:
                continue
            for m, langs in self.entries(sub & 0x7FFFFFFF):
                if self.name(m) != rname:
                    continue
                _lang, leaf = self.entries(langs & 0x7FFFFFFF)[0]
                rva, size = struct.unpack_from("<II", self.data, self.base + leaf)
                return self.data[self.offset(rva):self.offset(rva) + size]
        raise KeyError((rtype, rname))


resources = None


def setUpModule():
    global resources
    exe, = harness.require_build("orvaneats.exe")
    resources = PeResources(exe.read_bytes())


def group(rname):
    """(width, height, colours, bits, image id) of each image of an icon group."""
    data = resources.get(RT_GROUP_ICON, rname)
    _reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 1
    out = []
    for i in range(count):
        w, h, colours, _r, _planes, bits, _size, image = struct.unpack_from("<BBBBHHIH", data,
                                                                             6 + 14 * i)
        out.append((w or 256, h or 256, colours, bits, image))
    return out


class IconGroups(unittest.TestCase):
    def test_the_every_size_group_comes_first_as_the_shell_takes_the_first(self):
        # Named entries sort before ids and ids rise, so the first is the lowest id here.
        names = resources.names(RT_GROUP_ICON)
        self.assertEqual(names, sorted(names, key=lambda n: (isinstance(n, int), n)))
        self.assertEqual(names[0], 1)
        self.assertIn(128, names)
        self.assertEqual([w for w, *_ in group(1)], ICON_SIZES)
        self.assertEqual({bits for *_, bits, _image in group(1)}, {32})

    def test_group_128_stays_one_32_pixel_image_with_256_colours(self):
        (w, h, colours, bits, image), = group(128)
        self.assertEqual((w, h, bits), (32, 32, 8))
        self.assertEqual(colours, 0)  # 256 colours
        self.assertEqual(struct.unpack_from("<Iii", resources.get(RT_ICON, image), 0),
                         (40, 32, 64))

    def test_the_256_pixel_image_is_png_and_the_others_bitmaps(self):
        for w, _h, _c, _bits, image in group(1):
            data = resources.get(RT_ICON, image)
            with self.subTest(size=w):
                if w == 256:
                    self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
                else:
                    self.assertEqual(struct.unpack_from("<IiiHH", data, 0), (40, w, 2 * w, 1, 32))


class LargerRenderings(unittest.TestCase):
    def test_each_picture_at_two_and_three_times_its_size(self):
        self.assertIn("PNG", resources.types())
        for bitmap, (w, h) in PICTURE_SIZES.items():
            for scale in tables.tables()["renderingScales"]:
                data = resources.get("PNG", scale * 1000 + bitmap)
                with self.subTest(bitmap=bitmap, scale=scale):
                    self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
                    self.assertEqual(struct.unpack_from(">II", data, 16), (w * scale, h * scale))
                    self.assertEqual(data, (harness.REPO / "res" / ("%s_%dx.png" % (
                        tables.stem(bitmap), scale))).read_bytes())

    def test_the_bitmaps_stay_as_they_were(self):
        for bitmap, (w, h) in PICTURE_SIZES.items():
            data = resources.get(2, bitmap)  # RT_BITMAP: the BMP file without its file header
            with self.subTest(bitmap=bitmap):
                self.assertEqual(struct.unpack_from("<IiiHH", data, 0), (40, w, h, 1, 8))
                self.assertEqual(data, (harness.REPO / "res" / (tables.stem(bitmap) + ".bmp"))
                                 .read_bytes()[14:])


if __name__ == "__main__":
    unittest.main()
