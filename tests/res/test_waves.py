"""The bell and chime waves: format, level, seamless loop, and that they differ; the brake's
burst of air: format, and that it starts and ends in silence."""

import math
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from resread import RES, read_wav  # noqa: E402

WAVES = ("atsbell.wav", "atschime.wav")
BRAKE = "atsbrake.wav"


def dominant_frequency(samples, rate, start, n=2048, lo=100.0, hi=5000.0, step=10.0):
    """Strongest frequency in a Hann-windowed block, by Goertzel on a grid."""
    block = [samples[(start + i) % len(samples)] * (0.5 - 0.5 * math.cos(2 * math.pi * i / n))
             for i in range(n)]
    best, best_f = -1.0, None
    f = lo
    while f <= hi:
        c = 2.0 * math.cos(2.0 * math.pi * f / rate)
        s1 = s2 = 0.0
        for v in block:
            s1, s2 = v + c * s1 - s2, s1
        power = s1 * s1 + s2 * s2 - c * s1 * s2
        if power > best:
            best, best_f = power, f
        f += step
    return best_f


class Waves(unittest.TestCase):
    def test_format(self):
        for name in WAVES + (BRAKE,):
            with self.subTest(name=name):
                path = os.path.join(RES, name)
                fields, samples = read_wav(path)
                self.assertEqual(fields["riff"], b"RIFF")
                self.assertEqual(fields["wave"], b"WAVE")
                self.assertEqual(fields["riff_size"], fields["file_size"] - 8)
                self.assertEqual(fields["fmt_id"], b"fmt ")
                self.assertEqual(fields["fmt_size"], 16)
                self.assertEqual(fields["fmt_tag"], 1)  # WAVE_FORMAT_PCM
                self.assertEqual(fields["channels"], 1)
                self.assertIn(fields["rate"], (22050, 44100))
                self.assertEqual(fields["bits"], 16)
                self.assertEqual(fields["align"], 2)
                self.assertEqual(fields["byte_rate"], fields["rate"] * 2)
                self.assertEqual(fields["data_id"], b"data")
                self.assertEqual(fields["data_size"], fields["file_size"] - 44)
                self.assertLess(fields["file_size"], 300 * 1024)
                self.assertGreater(len(samples), fields["rate"] // 2)  # at least half a second

    def test_peak_level(self):
        for name in WAVES:
            _f, samples = read_wav(os.path.join(RES, name))
            peak = max(abs(s) for s in samples)
            db = 20.0 * math.log10(peak / 32768.0)
            with self.subTest(name=name, peak_db=db):
                self.assertGreaterEqual(db, -4.0)
                self.assertLessEqual(db, -2.0)

    def test_loop_seam_is_continuous(self):
        for name in WAVES:
            _f, s = read_wav(os.path.join(RES, name))
            largest_step = max(abs(b - a) for a, b in zip(s, s[1:]))
            seam = abs(s[0] - s[-1])
            with self.subTest(name=name, seam=seam, largest_step=largest_step):
                self.assertGreater(largest_step, 0)
                self.assertLessEqual(seam, largest_step)
                # Locally the seam step is in line with the steps right around it.
                near = list(s[-33:]) + list(s[:33])
                local = [abs(b - a) for a, b in zip(near, near[1:])]
                del local[32]  # the seam itself
                self.assertLessEqual(seam, 1.5 * max(local))
                # No level jump: loudness changes across the seam no more than it does
                # between neighbouring blocks inside the file.
                n = 256

                def rms(block):
                    return math.sqrt(sum(v * v for v in block) / len(block)) + 1.0

                inner = max(abs(20 * math.log10(rms(s[i - n:i]) / rms(s[i:i + n])))
                            for i in range(n, len(s) - n, n))
                at_seam = abs(20 * math.log10(rms(s[-n:]) / rms(s[:n])))
                self.assertLessEqual(at_seam, inner)
                # No gap: no block, the ones touching the seam included, drops to near
                # silence (both sounds keep ringing between their strikes).
                overall = rms(s)
                blocks = [s[i:i + n] for i in range(0, len(s) - n + 1, n)]
                blocks += [s[:n], s[-n:], s[-n // 2:] + s[:n // 2]]
                quietest = min(rms(b) for b in blocks)
                self.assertGreater(quietest, 0.1 * overall)

    def test_brake_is_a_burst_that_dies_away(self):
        _f, s = read_wav(os.path.join(RES, BRAKE))
        n = len(s) // 10

        def rms(block):
            return math.sqrt(sum(v * v for v in block) / len(block))

        tenths = [rms(s[i * n:(i + 1) * n]) for i in range(10)]
        self.assertEqual((s[0], s[-1]), (0, 0))  # played once: no click at either end
        self.assertGreater(tenths[0], 3000)  # loud at once, under the bell's -3 dBFS
        self.assertLess(max(abs(v) for v in s), 0.6 * 32768)
        self.assertEqual(tenths, sorted(tenths, reverse=True), "the pressure only falls")
        self.assertLess(tenths[-1], tenths[0] / 30)

    def test_bell_and_chime_differ(self):
        bands = {}
        for name in WAVES:
            f, s = read_wav(os.path.join(RES, name))
            bands[name] = dominant_frequency(s, f["rate"], start=len(s) // 3)
        bell, chime = bands["atsbell.wav"], bands["atschime.wav"]
        self.assertGreaterEqual(bell, 1000.0, bands)
        self.assertLessEqual(chime, 900.0, bands)


if __name__ == "__main__":
    unittest.main()
