"""orvaneats.exe at 100 %, 125 %, 150 % and 200 % display scale (96, 120, 144 and 192 DPI).

Each scale gets its own session, its prefix copied from the cached one with LogPixels set. The
pictures are captured from the screen, reduced to their 96 DPI size and compared with the
bitmaps: the same picture, through a whole alarm cycle, at round(size x DPI / 96).
"""

import time
import unittest

from PIL import Image

import harness
from test_program import ABOUT_TITLE, IDM_ABOUTBOX, IDOK

MAIN_TITLE = "OrvaneATS"
IDC_CONFIRM, IDC_START, IDC_SUSTAIN = 1000, 1001, 1003
IDC_SIGNAL, IDC_PANEL = 1006, 1007
PANEL_NORMAL, PANEL_DARK, PANEL_ALARM = 129, 130, 131
SIGNAL_STOP = 132
PERMISSIVE = range(133, 137)
BITMAP_FILES = {
    129: "panel_normal.bmp", 130: "panel_dark.bmp", 131: "panel_alarm.bmp",
    132: "signal_stop.bmp", 133: "signal_restrict.bmp", 134: "signal_caution.bmp",
    135: "signal_reduce.bmp", 136: "signal_proceed.bmp",
}
CANDIDATES = {IDC_PANEL: range(129, 132), IDC_SIGNAL: range(132, 137)}
BASE_SIZES = {IDC_PANEL: (150, 100), IDC_SIGNAL: (32, 64)}
PER_MONITOR_AWARE = 2
IDC_ABOUT_ICON = 65535  # IDC_STATIC; the icon is the about box's first static
# Mean difference per channel between a reduced capture and its bitmap: 0 at 96 DPI; the
# renderings reduced to 96 DPI size differ by up to 4, two pictures of a group by 6.6 or more.
SAME_PICTURE_LIMIT = 5.0
LONGEST_APPROACH_S = 4 * 5 + 5

BITMAPS = {bid: Image.open(harness.REPO / "res" / name).convert("RGB")
           for bid, name in BITMAP_FILES.items()}


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


def wait_for(condition, timeout, interval=0.1):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(interval)
    return True


class Scale:
    """One session at one DPI with the program running in it."""

    def __init__(self, dpi):
        self.dpi = dpi
        self.session, self.driver, _ = harness.start_session(recording=False, dpi=dpi)
        try:
            self.exe = harness.BIN_DIR / "orvaneats.exe"
            self.session.start_windows(self.exe, cwd=str(self.session.tmp))
            self.hwnd = self.driver.ok("find 60000 " + MAIN_TITLE, timeout=90)
            if self.hwnd == "none":
                raise AssertionError("the main window did not appear")
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

    def start(self, dpi):
        scale = Scale(dpi)
        self.addCleanup(scale.close)
        return scale

    def assert_shows(self, scale, control, bitmap, timeout=5):
        ok = wait_for(lambda: scale.shown(control) == bitmap, timeout)
        self.assertTrue(ok, f"at {scale.dpi} DPI control {control} shows "
                            f"{scale.picture(control)}, not {bitmap}")

    def check_scale(self, dpi):
        scale = self.start(dpi)
        got_dpi, awareness = map(int, scale.driver.ok("dpi").split())
        self.assertEqual(got_dpi, dpi)
        self.assertEqual(awareness, PER_MONITOR_AWARE)

        # Layout: every control where the dialog units put it at this scale, the pictures at
        # their bitmaps' size times the scale.
        exe = scale.session.windows_path(scale.exe)
        controls = scale.controls()
        layout = {IDC_PANEL: (60, 5, 86, 67), IDC_SIGNAL: (25, 5, 18, 43),
                  IDC_CONFIRM: (22, 95, 130, 65), IDC_START: (162, 7, 50, 14),
                  IDC_SUSTAIN: (162, 95, 50, 65), 1008: (23, 163, 111, 10)}
        for control, dlu in layout.items():
            pixels = tuple(map(int, scale.driver.ok(
                f"dlgunits {exe} 102 {' '.join(map(str, dlu))}").split(",")))
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
        wait_for(lambda: seen.add(scale.shown(IDC_PANEL)) or {PANEL_ALARM, PANEL_DARK} <= seen, 6)
        self.assertEqual({PANEL_ALARM, PANEL_DARK} & seen, {PANEL_ALARM, PANEL_DARK},
                         "the alarm lamp blinks")
        if dpi == 144:
            wait_for(lambda: scale.shown(IDC_PANEL) == PANEL_ALARM, 3)  # the lamp lit
            self.save_screenshot(scale, "screenshot-150.png")
        scale.driver.ok(f"click {IDC_CONFIRM}")
        self.assert_shows(scale, IDC_PANEL, PANEL_NORMAL)
        scale.driver.ok(f"click {IDC_SUSTAIN}")
        self.assertEqual(scale.driver.ok(f"text {IDC_START}"), "開始")
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

    def test_96_dpi(self):
        scale = self.check_scale(96)
        # Exactly the bitmaps at 100 %.
        for control in (IDC_PANEL, IDC_SIGNAL):
            self.assertEqual(scale.picture(control)[1], 0.0)

    def test_120_dpi(self):
        self.check_scale(120)

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
        scale.driver.ok("click 1010")  # ignore signal: the alarm goes off at once
        scale.driver.ok(f"click {IDC_START}")
        self.assert_shows(scale, IDC_PANEL, PANEL_ALARM)
        scale.driver.ok("dpi-changed 96")
        self.assertTrue(wait_for(lambda: sizes() == {IDC_PANEL: (150, 100),
                                                     IDC_SIGNAL: (32, 64)}, 5), sizes())
        self.assertEqual(scale.driver.ok(f"bitmap {IDC_SIGNAL}"), f"{SIGNAL_STOP} 1.000")
        self.assertIn(scale.driver.ok(f"bitmap {IDC_PANEL}"),
                      (f"{PANEL_ALARM} 1.000", f"{PANEL_DARK} 1.000"))  # still blinking
        scale.driver.ok(f"click {IDC_CONFIRM}")
        self.assertTrue(wait_for(lambda: scale.driver.ok(f"bitmap {IDC_PANEL}") ==
                                 f"{PANEL_NORMAL} 1.000", 5))
        scale.driver.ok("dpi-changed 192")
        self.assertTrue(wait_for(lambda: sizes() == {IDC_PANEL: (300, 200),
                                                     IDC_SIGNAL: (64, 128)}, 5), sizes())
        self.assert_shows(scale, IDC_PANEL, PANEL_NORMAL)
        self.assert_shows(scale, IDC_SIGNAL, SIGNAL_STOP)



if __name__ == "__main__":
    unittest.main()
