"""The program's BellPlayerProcess under Wine, with real bell players, through e2eplayerhost.exe.

The host runs the same BellPlayerProcess code as orvaneats.exe and owns a hidden window that
atsbell.exe accepts as its starter's. Exit code 0 shows a player ended on the quit message;
the forced end after the grace time gives 1.

Run: /usr/bin/python3 -m unittest -v test_player_process   (in tests/e2e; needs the windows build)
"""

import shutil
import time
import unittest

import harness

AUDIBLE_DB = -40.0
SILENT_DB = -60.0
# Long enough for a player to take the quit and end under a busy Wine; the forced end after
# the grace time would show as exit code 1, not as a timeout.
END_TIMEOUT_MS = 5000
# Threads the host may make to be given a freed thread id again; Wine hands freed ids out only
# after several hundred fresh ones.
DECOY_TRIES = 5000

session = driver = recorder = None  # the module's, from setUpModule


def setUpModule():
    global session, driver, recorder
    session, driver, recorder = harness.shared_session(needs=(
        "atsbell.exe", "atsbell.wav", "e2eplayerhost.exe", "e2eslowplayer.exe"))


def player_command(exe=None, args="atsopen {hwnd}"):
    exe = exe or harness.BIN_DIR / "atsbell.exe"
    return f'"{session.windows_path(exe)}" {args}'


class HostCase(unittest.TestCase):
    """A fresh host (so a fresh BellPlayerProcess) for every test."""

    def setUp(self):
        self.host = session.driver(harness.build_path("e2eplayerhost.exe"))

    def tearDown(self):
        self.host.close()
        driver.cmd("kill-procs atsbell.exe")

    def start(self, command):
        """Start(); returns (result, pid) with pid 0 if none runs."""
        started, pid = self.host.ok("start " + command).split()
        return started == "true", int(pid)

    def start_ringing(self):
        t0 = time.monotonic()
        started, pid = self.start(player_command())
        self.assertTrue(started)
        self.assertNotEqual(pid, 0)
        heard = recorder.first_time_above(AUDIBLE_DB, after=t0, timeout=10)
        self.assertIsNotNone(heard, "the player never rang")
        return pid

    def quit(self):
        return self.host.ok("quit-player") == "true"

    def exit_code(self, pid, timeout_ms=END_TIMEOUT_MS):
        """The player's exit code, or "running"."""
        return self.host.ok(f"wait {pid} {timeout_ms}", timeout=timeout_ms / 1000 + 30)

    def players(self):
        return int(driver.ok("procs atsbell.exe"))

    def assert_silent(self):
        """Nothing heard from half a second after now (what is already in the audio path
        drains first) for a second."""
        time.sleep(1.5)
        now = time.monotonic()
        level = recorder.level(now - 1.0, now)
        self.assertLess(level, SILENT_DB, f"sound at {level:.1f} dBFS")

    def wait_not_running(self, timeout=10):
        deadline = time.monotonic() + timeout
        while self.host.ok("pid") != "0":
            self.assertLess(time.monotonic(), deadline, "the player runs on")
            time.sleep(0.1)


class Quit(HostCase):
    def test_quit_reaches_a_running_player_and_ends_it(self):
        pid = self.start_ringing()
        self.assertTrue(self.quit())
        self.assertEqual(self.exit_code(pid), "0", "not ended by the quit")
        self.assertEqual(self.host.ok("pid"), "0")
        self.assertEqual(self.players(), 0)
        self.assert_silent()
        self.assertFalse(self.quit(), "a player told once is told again")

    def test_a_player_that_starts_slowly_still_gets_the_quit(self):
        folder = session.tmp / "slow"
        folder.mkdir(exist_ok=True)
        shutil.copy(harness.build_path("e2eslowplayer.exe"), folder / "atsbell.exe")
        (folder / "quit-received").unlink(missing_ok=True)
        started, pid = self.start(player_command(folder / "atsbell.exe"))
        self.assertTrue(started)
        # At once: the player makes its message queue only 700 ms later.
        self.assertTrue(self.quit())
        self.assertEqual(self.exit_code(pid), "0", "not ended by the quit")
        self.assertTrue((folder / "quit-received").exists(), "it was ended, not told")

    def test_quit_with_no_player_ever_started_tells_nobody(self):
        self.assertFalse(self.quit())
        self.assertEqual(self.host.ok("pid"), "0")


class PlayerEndedByItself(HostCase):
    def test_quit_after_a_player_refused_its_command_line(self):
        for args, code in [("atsopen abc", "2"), ("atsopen 12345", "3")]:
            with self.subTest(args=args):
                started, pid = self.start(player_command(args=args))
                self.assertTrue(started)
                if pid:
                    self.assertEqual(self.exit_code(pid), code)
                self.wait_not_running()
                self.assertFalse(self.quit())

    def test_quit_after_a_kill_posts_nothing_to_the_reused_thread_id(self):
        pid = self.start_ringing()
        thread = self.host.ok(f"thread-of {pid}")
        self.assertNotEqual(thread, "0")
        driver.ok("kill-procs atsbell.exe")
        self.assertEqual(self.exit_code(pid), "1")
        self.wait_not_running()
        # A thread of the host now holds the ended player's thread id.
        taken = self.host.ok(f"decoy {thread} {DECOY_TRIES}", timeout=300)
        self.assertEqual(taken, "taken", f"Wine never gave thread id {thread} out again")
        told = self.quit()
        self.host.ok("sleep 300")
        self.assertEqual(self.host.ok("decoy-quits"), "0", "the quit reached another thread")
        self.assertFalse(told)


class Start(HostCase):
    def test_a_new_start_quits_the_old_player(self):
        first = self.start_ringing()
        started, second = self.start(player_command())
        self.assertTrue(started)
        self.assertNotIn(second, (0, first))
        self.assertEqual(self.exit_code(first), "0", "the first player was not told to quit")
        self.assertEqual(self.host.ok("pid"), str(second))
        self.assertEqual(self.exit_code(second, 0), "running")
        self.assertEqual(self.players(), 1)
        # One player blinks the lamp every 500 ms; two would blink it twice as often.
        before = int(self.host.ok("ticks"))
        self.host.ok("sleep 3000")
        blinks = int(self.host.ok("ticks")) - before
        self.assertTrue(4 <= blinks <= 8, f"{blinks} blinks in 3 s (one player gives 6)")
        now = time.monotonic()
        self.assertGreater(recorder.level(now - 1.0, now), AUDIBLE_DB, "the new bell is silent")

    def test_a_missing_player_starts_nothing_and_leaves_nothing_running(self):
        missing = session.tmp / "nowhere" / "atsbell.exe"
        self.assertEqual(self.start(player_command(missing)), (False, 0))
        self.assertEqual(self.host.ok("pid"), "0")
        self.assertFalse(self.quit())

        # One that was ringing is quit all the same.
        ringing = self.start_ringing()
        self.assertEqual(self.start(player_command(missing)), (False, 0))
        self.assertEqual(self.exit_code(ringing), "0")
        self.assertEqual(self.host.ok("pid"), "0")
        self.assertEqual(self.players(), 0)
        self.assert_silent()


if __name__ == "__main__":
    unittest.main()
