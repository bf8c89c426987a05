"""Small readers for the resource files, written from the file layouts (no PIL), so the
tests check the bytes the Windows loaders will see."""

import os
import struct

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RES = os.path.join(REPO, "res")
TOOLS = os.path.join(REPO, "tools")


class Bmp:
    def __init__(self, data):
        if len(data) < 54 or data[:2] != b"BM":
            raise ValueError("not a BMP")
        self.file_size, _r1, _r2, self.off_bits = struct.unpack_from("<IHHI", data, 2)
        (self.header_size, self.width, self.height, self.planes, self.bpp, self.compression,
         self.size_image, _xppm, _yppm, self.clr_used, self.clr_important) = struct.unpack_from(
            "<IiiHHIIiiII", data, 14)
        if self.header_size != 40:
            raise ValueError("unexpected info header size %d" % self.header_size)
        # The palette sits between the info header and the pixel bits.
        pal_bytes = self.off_bits - 14 - 40
        self.palette_entries = pal_bytes // 4
        self.palette = [
            (data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i]) for i in range(self.palette_entries)
        ]
        self.stride = (self.width * self.bpp + 31) // 32 * 4
        self.data = data

    def index(self, x, y):
        """Palette index at (x, y), y counted from the top."""
        if self.bpp != 8:
            raise ValueError("only 8 bpp")
        row = self.height - 1 - y if self.height > 0 else y
        return self.data[self.off_bits + row * self.stride + x]

    def pixel(self, x, y):
        return self.palette[self.index(x, y)]

    def pixels(self):
        return [self.pixel(x, y) for y in range(abs(self.height)) for x in range(self.width)]


def read_bmp(path):
    with open(path, "rb") as f:
        return Bmp(f.read())


def read_wav(path):
    """Return (fields, samples) of a canonical 16-bit PCM wave."""
    with open(path, "rb") as f:
        data = f.read()
    riff, riff_size, wave = struct.unpack_from("<4sI4s", data, 0)
    fmt_id, fmt_size, fmt_tag, channels, rate, byte_rate, align, bits = struct.unpack_from(
        "<4sIHHIIHH", data, 12)
    data_id, data_size = struct.unpack_from("<4sI", data, 36)
    fields = dict(riff=riff, riff_size=riff_size, wave=wave, fmt_id=fmt_id, fmt_size=fmt_size,
                  fmt_tag=fmt_tag, channels=channels, rate=rate, byte_rate=byte_rate, align=align,
                  bits=bits, data_id=data_id, data_size=data_size, file_size=len(data))
    n = data_size // 2
    samples = struct.unpack_from("<%dh" % n, data, 44) if data_size <= len(data) - 44 else ()
    return fields, samples
