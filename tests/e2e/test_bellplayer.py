"""atsbell.exe under Wine, started and watched through e2edriver.exe.

Run: /usr/bin/python3 -m unittest discover -s tests/e2e -v   (needs the windows build)
"""

import shutil
import time
import unittest

import harness

AUDIBLE_DB = -40.0  # the bell plays far louder than this
SILENT_DB = -60.0  # a null sink with nothing playing records digital silence

session = driver = recorder = None  # the module's, from setUpModule


def setUpModule():
    global session, driver, recorder
    session, driver, recorder = harness.shared_session(needs=("atsbell.exe", "atsbell.wav"))
    use_built_player()


def use_built_player(some_driver=None):
    """Points a driver's start-player at the built atsbell.exe."""
    (some_driver or driver).ok("player-exe " +
                               session.windows_path(harness.BIN_DIR / "atsbell.exe"))


class PlayerCase(unittest.TestCase):
    def tearDown(self):
        # Never leave a bell behind for the next test.
        if driver.cmd("player-wait 0") == "running":
            driver.cmd("player-kill")
        driver.cmd("kill-procs atsbell.exe")
        use_built_player()

    def start(self, args):
        pid = driver.ok("start-player " + args)
        self.assertTrue(pid.isdigit(), pid)
        return time.monotonic()

    def assert_silent(self, t0, t1):
        level = recorder.level(t0, t1)
        self.assertLess(level, SILENT_DB, f"sound at {level:.1f} dBFS")

    def wait_audible(self, t0, timeout=10):
        heard = recorder.first_time_above(AUDIBLE_DB, after=t0, timeout=timeout)
        self.assertIsNotNone(heard, f"no bell within {timeout} s")
        return heard


class BadCommandLine(PlayerCase):
    def test_malformed_exits_2_silently(self):
        for args in ["", "atsopen", "atsopen abc", "atsopen 12 34", "open 12",
                     "atsopen 99999999999", "atsopen 2147483648", "atsopen -2147483649",
                     "atsopen +12", "atsopen -", "atsopen 12x", "atsopen {hwnd} extra",
                     "atsbell {hwnd}"]:
            with self.subTest(args=args):
                t0 = self.start(args)
                self.assertEqual(driver.cmd("player-wait 10000"), "2")
                self.assert_silent(t0, time.monotonic() + 0.3)
                self.assertEqual(driver.cmd("ticks"), "0")
        self.assertEqual(driver.cmd("procs atsbell.exe"), "0")

    def test_window_not_of_starter_exits_3_silently(self):
        # A live window of another process (a second driver).
        other = session.driver()
        try:
            foreign = other.ok("make-window")
            cases = {"foreign window": foreign, "no window": "12345", "minus one": "-1",
                     "lowest value": "-2147483648"}
            own = driver.ok("make-window")
            driver.ok("destroy-window")
            cases["destroyed window"] = own
            for name, handle in cases.items():
                with self.subTest(name, handle=handle):
                    t0 = self.start("atsopen " + handle)
                    self.assertEqual(driver.cmd("player-wait 10000"), "3")
                    self.assert_silent(t0, time.monotonic() + 0.3)
            self.assertEqual(other.cmd("ticks"), "0")
        finally:
            other.close()


class Ringing(PlayerCase):
    def test_rings_blinks_and_stops_on_quit(self):
        t0 = self.start("atsopen {hwnd}")
        heard = self.wait_audible(t0)
        # A bell: its energy lies well above the lower register of the chime.
        low, high = recorder.band_levels(heard + 0.1, heard + 0.6)
        self.assertGreater(high, low + 10, f"low {low:.1f} dB, high {high:.1f} dB")

        before = int(driver.ok("ticks"))
        driver.ok("sleep 3000")
        blinks = int(driver.ok("ticks")) - before
        self.assertTrue(4 <= blinks <= 8, f"{blinks} blinks in 3 s (every 500 ms gives 6)")
        self.assertGreater(recorder.level(time.monotonic() - 1.0, time.monotonic()), AUDIBLE_DB)

        self.assertEqual(driver.cmd("player-quit"), "ok")
        self.assertEqual(driver.cmd("player-wait 10000"), "0")
        ended = time.monotonic()
        self.assert_silent(ended + 0.5, ended + 1.5)
        after = driver.ok("ticks")
        driver.ok("sleep 1200")
        self.assertEqual(driver.ok("ticks"), after, "blinks after the player ended")
        self.assertEqual(driver.cmd("procs atsbell.exe"), "0")

    def test_quit_right_after_start(self):
        self.start("atsopen {hwnd}")
        self.assertIn(driver.cmd("player-idle 10000"), ("idle", "exited"))
        self.assertEqual(driver.cmd("player-quit"), "ok")
        self.assertEqual(driver.cmd("player-wait 10000"), "0")
        ended = time.monotonic()
        self.assert_silent(ended + 0.5, ended + 1.5)

    def test_ends_when_window_is_destroyed(self):
        t0 = self.start("atsopen {hwnd}")
        self.wait_audible(t0)
        driver.ok("destroy-window")
        self.assertEqual(driver.cmd("player-wait 10000"), "0")
        ended = time.monotonic()
        self.assert_silent(ended + 0.5, ended + 1.5)

    def test_ends_when_its_starter_dies(self):
        other = session.driver()
        try:
            use_built_player(other)
            other.ok("start-player atsopen {hwnd}")
            t0 = time.monotonic()
            self.wait_audible(t0)
            self.assertEqual(driver.cmd("procs atsbell.exe"), "1")
            # Only the driver: its process group holds the player too.
            other.proc.kill()
            deadline = time.monotonic() + 10
            while driver.cmd("procs atsbell.exe") != "0":
                self.assertLess(time.monotonic(), deadline, "the bell outlived its starter")
                time.sleep(0.1)
            ended = time.monotonic()
            self.assert_silent(ended + 0.5, ended + 1.5)
        finally:
            other.close()


class MissingWave(PlayerCase):
    def test_quiet_but_blinks_and_quits(self):
        folder = session.tmp / "nowave"
        folder.mkdir(exist_ok=True)
        shutil.copy2(harness.BIN_DIR / "atsbell.exe", folder / "atsbell.exe")
        driver.ok("player-exe " + session.windows_path(folder / "atsbell.exe"))
        t0 = self.start("atsopen {hwnd}")
        driver.ok("sleep 2500")
        self.assertGreaterEqual(int(driver.ok("ticks")), 3)
        self.assertEqual(driver.cmd("player-wait 0"), "running")
        self.assert_silent(t0, time.monotonic())
        self.assertEqual(driver.cmd("player-quit"), "ok")
        self.assertEqual(driver.cmd("player-wait 10000"), "0")


if __name__ == "__main__":
    unittest.main()
