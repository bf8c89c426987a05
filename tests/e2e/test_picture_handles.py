"""The program's picture code in one process (e2epictures.exe): every bitmap a picture control
hands back is released, and the one it shows is never released under it; the alarm's, the
aspect's and the brake's news reach a screen reader as a name change of the picture that shows
them."""

import unittest

import harness

session = None


def setUpModule():
    global session
    session, _, _ = harness.shared_session(needs=("e2epictures.exe",), driver=False,
                                           recording=False)


class PictureHandles(unittest.TestCase):
    def test_bitmaps_handed_back_are_released_and_shown_ones_kept(self):
        exe, = harness.require_build("e2epictures.exe")
        returncode, lines = session.run_windows(exe, timeout=120)
        failed = [line for line in lines if not line.startswith("ok ")]
        self.assertEqual(failed, [])
        self.assertEqual(len(lines), 16, lines)
        self.assertEqual(returncode, 0)


if __name__ == "__main__":
    unittest.main()
