"""atsbell.exe under Wine, started and watched through e2edriver.exe.

Run: /usr/bin/python3 -m unittest discover -s tests/e2e -v   (needs the windows build)
"""

import shutil
import struct
import time
import unittest

import harness

AUDIBLE_DB = -40.0  # the bell plays far louder than this
SILENT_DB = -60.0  # a null sink with nothing playing records digital silence
# The brake's 2 s wave is heard above AUDIBLE_DB for about its first 1.5 s.
BRAKE_HEARD_S = 1.5
# From a quit or the window's end to the player's end: at once, give or take Wine's pace (and
# the half second between the player's looks at its window).
BRAKE_ENDS_S = {"player-quit": 0.5, "destroy-window": 1.0}

session = driver = recorder = None  # the module's, from setUpModule


def setUpModule():
    global session, driver, recorder
    session, driver, recorder = harness.shared_session(needs=("atsbell.exe", "atsbell.wav",
                                                               "atsbrake.wav"))
    use_built_player()


def use_built_player(some_driver=None):
    """Points a driver's start-player at the built atsbell.exe."""
    (some_driver or driver).ok("player-exe " +
                               session.windows_path(harness.BIN_DIR / "atsbell.exe"))


class PlayerCase(unittest.TestCase):
    def tearDown(self):
        self.end_player()
        use_built_player()

    def end_player(self):
        # Never leave a bell behind for the next test.
        if driver.cmd("player-wait 0") == "running":
            driver.cmd("player-kill")
        driver.cmd("kill-procs atsbell.exe")

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
                     "atsbell {hwnd}", "atsbrake", "atsbrake {hwnd} extra"]:
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


class Brake(PlayerCase):
    """atsbrake: the brake's wave played once, with no blinks."""

    def player_beside(self, name, wave, size):
        """A copy of the player in a folder of its own, beside an atsbrake.wav of these bytes
        (followed by zeros up to size)."""
        folder = session.tmp / "brake" / name.replace(" ", "-")
        folder.mkdir(parents=True, exist_ok=True)
        shutil.copy2(harness.BIN_DIR / "atsbell.exe", folder / "atsbell.exe")
        with open(folder / "atsbrake.wav", "wb") as f:
            f.write(wave)
            f.truncate(size or len(wave))
        return session.windows_path(folder / "atsbell.exe")

    def test_plays_once_ends_on_a_quit_or_the_windows_end_and_at_once_on_a_bad_wave(self):
        shipped = (harness.BIN_DIR / "atsbrake.wav").read_bytes()
        cut = shipped[:len(shipped) // 4]
        cases = {  # name: (atsbrake.wav's bytes and size, or None for the build's; what ends it)
            "played out": (None, None),
            "quit once heard": (None, "player-quit"),
            "window gone once heard": (None, "destroy-window"),
            "empty": ((b"", 0), None),
            "truncated": ((cut, 0), None),
            "data chunk past the end": ((cut[:4] + struct.pack("<I", len(cut) - 8) + cut[8:], 0),
                                        None),
            "not a wave": ((b"ID3\x04" + bytes(4000), 0), None),  # an MP3 named .wav
            "a format it cannot play": ((shipped[:20] + b"\x77\x77" + shipped[22:], 0), None),
            "over 64 MiB": ((shipped, 64 * 1024 * 1024 + 1), None),
        }
        for name, (wave, end) in cases.items():
            with self.subTest(name):
                self.end_player()  # one a failed case left
                if wave:
                    driver.ok("player-exe " + self.player_beside(name, *wave))
                else:
                    use_built_player()
                t0 = self.start("atsbrake {hwnd}")
                if wave:
                    self.assertEqual(driver.cmd("player-wait 5000"), "0")
                    self.assert_silent(t0, time.monotonic() + 0.3)
                    continue
                heard = self.wait_audible(t0)
                if end:
                    driver.ok(end)
                asked = time.monotonic()
                self.assertEqual(driver.cmd("player-wait 10000"), "0")
                ended = time.monotonic()
                if end:
                    self.assertLess(ended - asked, BRAKE_ENDS_S[end])
                else:
                    self.assertGreater(ended - heard, BRAKE_HEARD_S, "played out too soon")
                # Cut short, the wave is still loud here.
                self.assert_silent(ended + 0.3, ended + 0.8)
                self.assertEqual(driver.cmd("ticks"), "0", "the brake blinks the lamp")


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
