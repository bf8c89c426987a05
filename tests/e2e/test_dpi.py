"""orvaneats.exe at 100 %, 125 %, 150 % and 200 % display scale (96, 120, 144 and 192 DPI).

Each scale gets its own session, its prefix copied from the cached one with LogPixels set. The
pictures are captured from the screen, reduced to their 96 DPI size and compared with the
bitmaps: the same picture, through a whole alarm cycle, at round(size x DPI / 96).
"""

import time
import unittest

from PIL import Image

import harness
from harness import tables
from harness.windows import (ABOUT_TITLE, IDC_CONFIRM, IDC_IGNORESIGNAL, IDC_PANEL, IDC_SIGNAL,
                             IDC_START, IDC_SUSTAIN, IDD_MAIN_DIALOG, IDM_ABOUTBOX, IDOK,
                             Program, dialog_id)
from test_program import (LONGEST_APPROACH_S, PANEL_ALARM, PANEL_DARK, PANEL_NORMAL,
                          PERMISSIVE, PICTURE_SIZES as BASE_SIZES, SIGNAL_STOP, START)

# The bitmaps each picture control can show.
CANDIDATES = {control: tables.bitmaps_of(control) for control in BASE_SIZES}
PER_MONITOR_AWARE = 2
IDC_ABOUT_ICON = dialog_id(tables.about_control("icon")["id"])  # the about box's first static
# Mean difference per channel between a reduced capture and its bitmap: 0 at 96 DPI; the
# renderings reduced to 96 DPI size differ by up to 4, two pictures of a group by 6.6 or more.
SAME_PICTURE_LIMIT = 5.0
BITMAPS = {bid: Image.open(harness.REPO / "res" / f"{tables.stem(bid)}.bmp").convert("RGB")
           for bitmaps in CANDIDATES.values() for bid in bitmaps}


def scaled(length, dpi):
    return (length * dpi + 48) // 96


def opaque_difference(shown, icon):
    """Mean difference per channel between a capture and an RGBA icon, over the icon's opaque
    pixels (the others show the background through)."""
    pairs = [(p, q[:3]) for p, q in zip(shown.getdata(), icon.convert("RGBA").getdata())
             if q[3] == 255]
    return sum(abs(a - b) for p, q in pairs for a, b in zip(p, q)) / (3.0 * len(pairs))


def mean_difference(a, b):
    total = sum(abs(p - q) for u, v in zip(a.getdata(), b.getdata()) for p, q in zip(u, v))
    return total / (3.0 * a.width * a.height)


class Scale:
    """One session at one DPI with the program running in it."""

    def __init__(self, dpi):
        self.dpi = dpi
        self.session, self.driver, _ = harness.start_session(recording=False, dpi=dpi)
        try:
            self.exe = harness.BIN_DIR / "orvaneats.exe"
            self.hwnd = Program(self.session, self.driver, self.exe).hwnd
        except BaseException:
            self.session.close()
            raise

    def close(self):
        self.driver.cmd("kill-procs orvaneats.exe")
        self.driver.cmd("kill-procs atsbell.exe")
        self.session.close()

    def capture(self, control):
        path = self.session.tmp / "capture.bmp"
        self.driver.ok(f"capture {control} {self.session.windows_path(path)}")
        with Image.open(path) as image:
            return image.convert("RGB")

    def picture(self, control):
        """(bitmap id, difference) of the picture the control shows, judged at 96 DPI size."""
        small = self.capture(control).resize(BASE_SIZES[control], Image.BOX)
        scores = {bid: mean_difference(small, BITMAPS[bid]) for bid in CANDIDATES[control]}
        best = min(scores, key=scores.get)
        return best, scores[best]

    def shown(self, control):
        bid, difference = self.picture(control)
        return bid if difference < SAME_PICTURE_LIMIT else None

    def controls(self):
        out = {}
        for entry in self.driver.ok("controls").split():
            cid, _cls, _style, _ex, rect = entry.split(":")
            out[int(cid)] = tuple(map(int, rect.split(",")))
        return out


class AtEveryScale(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.require_build("orvaneats.exe", "atsbell.exe", "atsbell.wav", "atschime.wav",
                              "e2edriver.exe")

    def assert_shows(self, scale, control, bitmap, timeout=5):
        ok = harness.wait_for(lambda: scale.shown(control) == bitmap, timeout)
        self.assertTrue(ok, f"at {scale.dpi} DPI control {control} shows "
                            f"{scale.picture(control)}, not {bitmap}")

    def check_scale(self, dpi):
        """A whole cycle at one scale; the scale (its session) ends with the test."""
        scale = Scale(dpi)
        self.addCleanup(scale.close)
        got_dpi, awareness = map(int, scale.driver.ok("dpi").split())
        self.assertEqual(got_dpi, dpi)
        self.assertEqual(awareness, PER_MONITOR_AWARE)

        # Layout: every control where the dialog units put it at this scale, the pictures at
        # their bitmaps' size times the scale.
        exe = scale.session.windows_path(scale.exe)
        controls = scale.controls()
        for want in tables.controls():
            control, dlu = want["id"], " ".join(map(str, want["units"]))
            pixels = tuple(map(int, scale.driver.ok(
                f"dlgunits {exe} {IDD_MAIN_DIALOG} {dlu}").split(",")))
            with self.subTest(dpi=dpi, control=control):
                self.assertEqual(controls[control][:2], pixels[:2])
                if control in BASE_SIZES:
                    w, h = BASE_SIZES[control]
                    self.assertEqual(controls[control][2:], (scaled(w, dpi), scaled(h, dpi)))
                else:
                    self.assertEqual(controls[control][2:], pixels[2:])

        # The pictures through a whole cycle with all options off.
        self.assert_shows(scale, IDC_PANEL, PANEL_NORMAL)
        self.assert_shows(scale, IDC_SIGNAL, SIGNAL_STOP)
        aspects = self.follow_an_approach(scale)  # permissive aspects, then stop
        self.assertEqual(aspects, sorted(aspects, reverse=True), f"steps towards stop: {aspects}")
        seen = set()
        harness.wait_for(lambda: seen.add(scale.shown(IDC_PANEL)) or
                         {PANEL_ALARM, PANEL_DARK} <= seen, 6)
        self.assertEqual({PANEL_ALARM, PANEL_DARK} & seen, {PANEL_ALARM, PANEL_DARK},
                         "the alarm lamp blinks")
        if dpi == 144:
            harness.wait_for(lambda: scale.shown(IDC_PANEL) == PANEL_ALARM, 3)  # the lamp lit
            self.save_screenshot(scale, "screenshot-150.png")
        scale.driver.ok(f"click {IDC_CONFIRM}")
        self.assert_shows(scale, IDC_PANEL, PANEL_NORMAL)
        scale.driver.ok(f"click {IDC_SUSTAIN}")
        self.assertEqual(scale.driver.ok(f"text {IDC_START}"), START)
        self.assert_shows(scale, IDC_SIGNAL, SIGNAL_STOP)
        return scale

    def follow_an_approach(self, scale, attempts=3):
        """The aspects a run shows from Start to stop, in order. The shortest approach lasts
        one second; if it passed before a capture saw it, the run is stopped and started
        again."""
        for _ in range(attempts):
            scale.driver.ok(f"click {IDC_START}")
            aspects = []
            deadline = time.monotonic() + LONGEST_APPROACH_S
            while time.monotonic() < deadline:
                shown = scale.shown(IDC_SIGNAL)
                if shown in PERMISSIVE or (shown == SIGNAL_STOP and aspects):
                    if not aspects or aspects[-1] != shown:
                        aspects.append(shown)
                if shown == SIGNAL_STOP and aspects:
                    return aspects
                if not aspects and scale.shown(IDC_PANEL) != PANEL_NORMAL:
                    break  # the alarm is on: the approach went by unseen
                time.sleep(0.2)
            scale.driver.ok(f"click {IDC_START}")  # Stop
            self.assert_shows(scale, IDC_SIGNAL, SIGNAL_STOP)
        self.fail(f"no approach seen in {attempts} runs at {scale.dpi} DPI")

    def save_screenshot(self, scale, name, margin=8):
        fields = dict(part.split("=") for part in scale.driver.ok("window").split())
        x, y, w, h = map(int, fields["rect"].split(","))
        screen = scale.session.screenshot(scale.session.tmp / "screen.png")
        box = (max(0, x - margin), max(0, y - margin), x + w + margin, y + h + margin)
        with Image.open(screen) as image:
            image.crop(box).save(harness.BIN_DIR.parent / name)

    def test_96_and_120_dpi(self):
        for dpi in (96, 120):
            with self.subTest(dpi=dpi):
                scale = self.check_scale(dpi)
                if dpi == 96:  # exactly the bitmaps at 100 %
                    for control in (IDC_PANEL, IDC_SIGNAL):
                        self.assertEqual(scale.picture(control)[1], 0.0)
            self.doCleanups()  # one session at a time

    def test_144_dpi(self):
        scale = self.check_scale(144)
        # The about box shows the icon's own 48 px image, not the 32 px one stretched.
        scale.driver.ok(f"syscommand {IDM_ABOUTBOX}")
        self.assertNotEqual(scale.driver.ok("find 10000 " + ABOUT_TITLE), "none")
        path = scale.session.tmp / "about-icon.bmp"
        size = scale.driver.ok(f"capture {IDC_ABOUT_ICON} {scale.session.windows_path(path)}")
        self.assertEqual(size, "48 48")
        with Image.open(path) as image:
            shown = image.convert("RGB")
        with Image.open(harness.REPO / "res" / "orvaneats_sizes.ico") as icon:
            own = icon.ico.getimage((48, 48))
        with Image.open(harness.REPO / "res" / "orvaneats.ico") as icon:
            stretched = icon.ico.getimage((32, 32)).convert("RGBA").resize((48, 48),
                                                                           Image.BILINEAR)
        to_own, to_stretched = opaque_difference(shown, own), opaque_difference(shown, stretched)
        self.assertLess(to_own, SAME_PICTURE_LIMIT, f"{to_own:.1f} from the 48 px image")
        self.assertLess(to_own * 3, to_stretched,
                        f"{to_own:.1f} from the 48 px image, {to_stretched:.1f} from 32 px")
        scale.driver.ok(f"post-click {IDOK}")
        self.assertEqual(scale.driver.ok("wait-gone 5000"), "gone")

    def test_192_dpi_and_a_move_to_a_100_percent_monitor_and_back(self):
        scale = self.check_scale(192)

        def sizes():
            return {c: r[2:] for c, r in scale.controls().items() if c in BASE_SIZES}

        # During an alarm the window moves to a 100 % monitor (Wine moves no window between
        # monitors, so the driver sends what Windows would), then back.
        scale.driver.ok(f"click {IDC_IGNORESIGNAL}")  # the alarm goes off at once
        scale.driver.ok(f"click {IDC_START}")
        self.assert_shows(scale, IDC_PANEL, PANEL_ALARM)
        scale.driver.ok("dpi-changed 96")
        self.assertTrue(harness.wait_for(lambda: sizes() == BASE_SIZES, 5), sizes())
        self.assertEqual(scale.driver.ok(f"bitmap {IDC_SIGNAL}"), f"{SIGNAL_STOP} 1.000")
        self.assertIn(scale.driver.ok(f"bitmap {IDC_PANEL}"),
                      (f"{PANEL_ALARM} 1.000", f"{PANEL_DARK} 1.000"))  # still blinking
        scale.driver.ok(f"click {IDC_CONFIRM}")
        self.assertTrue(harness.wait_for(lambda: scale.driver.ok(f"bitmap {IDC_PANEL}") ==
                                         f"{PANEL_NORMAL} 1.000", 5))
        scale.driver.ok("dpi-changed 192")
        doubled = {c: (scaled(w, 192), scaled(h, 192)) for c, (w, h) in BASE_SIZES.items()}
        self.assertTrue(harness.wait_for(lambda: sizes() == doubled, 5), sizes())
        self.assert_shows(scale, IDC_PANEL, PANEL_NORMAL)
        self.assert_shows(scale, IDC_SIGNAL, SIGNAL_STOP)


if __name__ == "__main__":
    unittest.main()
