"""orvaneats.exe under Wine, driven through e2edriver.exe the way a user meets it.

Run: /usr/bin/python3 -m unittest discover -s tests/e2e -v   (needs the windows build)
"""

import shutil
import subprocess
import sys
import time
import unittest

from PIL import Image, ImageChops

import harness
from harness import wait_for
# The levels that tell the bell from the chime, the same for both editions.
from harness.sound import (BELL_AUDIBLE_DB, BELL_BAND_HZ, BRAKE_AUDIBLE_DB, BRAKE_BAND_HZ,
                           BRAKE_QUIET_DB, CHIME_AUDIBLE_DB, CHIME_BAND_HZ, SILENT_DB)
from harness import tables
# The program's title and control, template and menu ids, from its driver.
from harness.windows import (ABOUT_TITLE, IDC_BELL, IDC_CHIME, IDC_CONFIRM, IDC_ENDLESS,
                             IDC_FULLAUTO, IDC_IGNORESIGNAL, IDC_NOOVERLAP, IDC_PANEL, IDC_SIGNAL,
                             IDC_START, IDC_SUSTAIN, IDC_VERSION, IDCANCEL, IDD_MAIN_DIALOG,
                             IDM_ABOUTBOX, IDOK, MAIN_TITLE)

PANEL_NORMAL, PANEL_DARK, PANEL_ALARM = map(tables.bitmap_id, (
    "panelNormal", "panelDark", "panelAlarm"))
SIGNAL_STOP = tables.bitmap_id("signalStop")
PERMISSIVE = tables.bitmaps_of(IDC_SIGNAL)[1:]
START, STOP = tables.caption(IDC_START), tables.text("stop")
CONFIRM_DEADLINE_S = tables.fact("confirmDeadlineMs") / 1000
SC_MINIMIZE, SC_RESTORE = 0xF020, 0xF120
WS_MINIMIZE = 0x20000000

WS_TABSTOP = 0x00010000
BS_TYPEMASK, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX = 0x0F, 0x01, 0x03
SS_TYPEMASK, SS_BITMAP = 0x1F, 0x0E

WINDOW_CLASSES = {"button": "Button", "checkbox": "Button", "picture": "Static"}
CHECKBOXES = tables.options()
# A picture takes the size of the bitmap it first shows.
PICTURE_SIZES = {control: tables.picture_size(tables.bitmaps_of(control)[0])
                 for control in (IDC_PANEL, IDC_SIGNAL)}

# A change is judged on a window that starts after it has settled.
SETTLE_S, WINDOW_S = harness.scenarios.SETTLE_S, harness.scenarios.WINDOW_S

# Four steps of at most the longest short interval, and Wine's pace.
LONGEST_APPROACH_S = 4 * (tables.fact("shortIntervalMinMs") +
                          tables.fact("shortIntervalSpanMs")) / 1000 + 5

session = driver = recorder = None  # the module's, from setUpModule


def setUpModule():
    global session, driver, recorder
    session, driver, recorder = harness.shared_session(needs=(
        "orvaneats.exe", "atsbell.exe", "atsbell.wav", "atschime.wav", "e2eslowplayer.exe"))


def window_rect():
    """Fields of the driver's `window` answer, with the rectangles as (x, y, w, h)."""
    fields = dict(part.split("=") for part in driver.ok("window").split())
    for key in ("rect", "client", "work"):
        fields[key] = tuple(map(int, fields[key].split(",")))
    return fields


def press_keys(*keys):
    """Keys typed on the X display into the program's window, as a user types them."""
    window = session.xdotool("search", "--name", f"^{MAIN_TITLE}$").split()[-1]
    session.xdotool("windowfocus", "--sync", window)
    for key in keys:
        session.xdotool("key", key)
        time.sleep(0.5)  # a menu opens


def save_window_screenshot(name, margin=8, folder=None):
    """Saves the target window, cropped from the screen, to the build folder (or `folder`)
    for a person to look at."""
    x, y, w, h = window_rect()["rect"]
    screen = session.tmp / "screen.png"
    session.screenshot(screen)
    crop = f"{w + 2 * margin}x{h + 2 * margin}+{max(0, x - margin)}+{max(0, y - margin)}"
    out = (folder or harness.BIN_DIR.parent) / name
    subprocess.run(["convert", str(screen), "-crop", crop, "+repage", str(out)], check=True,
                   timeout=60)
    return out


class Program(harness.windows.Program):
    """orvaneats.exe in the module's session."""

    def __init__(self, exe=None):
        super().__init__(session, driver, exe)


class ProgramCase(unittest.TestCase):
    """A fresh program for every test; nothing of it is left behind."""

    def setUp(self):
        self.program = Program()

    def tearDown(self):
        self.program.kill()
        result = self._outcome.result
        failed = any(test is self for test, _ in result.failures + result.errors)
        printed = self.program.printed() if failed else ""
        if printed:
            print(f"\n{self.id()}: the program printed:\n{printed}", file=sys.stderr)

    # -- what a user sees and hears ---------------------------------------------------------

    def assert_picture(self, control, bitmap, timeout=5):
        ok = wait_for(lambda: self.program.picture(control) == bitmap, timeout)
        self.assertTrue(ok, f"control {control} shows {self.program.picture(control)}, "
                            f"not {bitmap}")

    def assert_players(self, count, timeout=5):
        ok = wait_for(lambda: self.program.players() == count, timeout)
        self.assertTrue(ok, f"{self.program.players()} bell players, not {count}")

    def assert_sounding(self, bell, chime):
        time.sleep(SETTLE_S)
        harness.scenarios.assert_heard(self, recorder, ["bell"] * bell + ["chime"] * chime)

    def assert_silent(self, settle=SETTLE_S):
        time.sleep(settle)
        harness.scenarios.assert_heard(self, recorder, [])

    def assert_stopped(self):
        self.assertEqual(self.program.text(IDC_START), START)
        self.assert_picture(IDC_SIGNAL, SIGNAL_STOP)
        self.assert_picture(IDC_PANEL, PANEL_NORMAL)
        self.assert_players(0)
        self.assert_silent()

    # -- getting somewhere ------------------------------------------------------------------

    def tick(self, *checkboxes):
        for box in checkboxes:
            self.program.click(box)
            self.assertTrue(self.program.checked(box))

    def raise_alarm(self):
        """Start with ignore signal: the alarm goes off at once."""
        self.tick(IDC_IGNORESIGNAL)
        self.program.click(IDC_START)
        self.assert_picture(IDC_PANEL, PANEL_ALARM, timeout=3)

    def wait_for_alarm(self):
        ok = wait_for(lambda: self.program.picture(IDC_SIGNAL) == SIGNAL_STOP,
                      LONGEST_APPROACH_S, interval=0.2)
        self.assertTrue(ok, "the signal never reached stop")


class LayoutAndInitialState(ProgramCase):
    def test_window_style_caption_and_position(self):
        self.assertEqual(self.program.text(), MAIN_TITLE)
        fields = window_rect()
        style, exstyle = int(fields["style"], 16), int(fields["exstyle"], 16)
        for bit, name in ((0x80000000, "WS_POPUP"), (0x10000000, "WS_VISIBLE"),
                          (0x00C00000, "WS_CAPTION"), (0x00080000, "WS_SYSMENU"),
                          (0x80, "DS_MODALFRAME")):
            self.assertTrue(style & bit, name)
        self.assertTrue(exstyle & 0x00040000, "WS_EX_APPWINDOW")
        x, y, w, h = fields["rect"]
        wx, wy, ww, wh = fields["work"]
        # Centred on the screen, as the template sits at (0, 0).
        self.assertLessEqual(abs((x + w / 2) - (wx + ww / 2)), 1)
        self.assertLessEqual(abs((y + h / 2) - (wy + wh / 2)), 1)

    def test_controls_in_tab_order_with_captions_kinds_and_rectangles(self):
        exe = session.windows_path(harness.BIN_DIR / "orvaneats.exe")
        controls = driver.ok("controls").split()
        layout = tables.controls()
        self.assertEqual([int(c.split(":")[0]) for c in controls], [c["id"] for c in layout])
        for entry, want in zip(controls, layout):
            _, got_class, style, _, rect = entry.split(":")
            style, control = int(style, 16), want["id"]
            with self.subTest(control=control):
                self.assertEqual(got_class, WINDOW_CLASSES[want["kind"]])
                dlu = " ".join(map(str, want["units"]))
                pixels = tuple(map(int, driver.ok(f"dlgunits {exe} {IDD_MAIN_DIALOG} {dlu}")
                                   .split(",")))
                got = tuple(map(int, rect.split(",")))
                self.assertEqual(got[:2], pixels[:2], "position")
                if control in PICTURE_SIZES:
                    # A bitmap picture takes the size of its bitmap.
                    self.assertEqual(style & SS_TYPEMASK, SS_BITMAP)
                    self.assertFalse(style & WS_TABSTOP)
                    self.assertEqual(got[2:], PICTURE_SIZES[control])
                    continue
                self.assertEqual(got[2:], pixels[2:], "size")
                self.assertTrue(style & WS_TABSTOP)
                self.assertEqual(self.program.text(control), want["caption"])
                if control in CHECKBOXES:
                    self.assertEqual(style & BS_TYPEMASK, BS_AUTOCHECKBOX)
                else:
                    self.assertNotEqual(style & BS_TYPEMASK, BS_DEFPUSHBUTTON)

    def test_starts_idle_with_options_cleared_stop_signal_and_normal_panel(self):
        for box in CHECKBOXES:
            self.assertFalse(self.program.checked(box), box)
        self.assertEqual(self.program.picture(IDC_PANEL), PANEL_NORMAL)
        self.assertEqual(self.program.picture(IDC_SIGNAL), SIGNAL_STOP)
        self.assertEqual(driver.ok("focus"), str(IDCANCEL))
        self.assertEqual(self.program.players(), 0)
        self.assert_silent()
        save_window_screenshot("screenshot-idle.png")


class OnWindows(ProgramCase):
    """A case that runs scenarios of scenarios.json on the program under Wine."""

    def edition(self):
        return harness.editions.WindowsEdition(self.program, driver, recorder)


class Scenarios(OnWindows):
    """Every scenario that every edition runs."""


harness.scenarios.add_scenario_tests(Scenarios)


class AboutBox(ProgramCase):
    def test_opens_from_the_system_menu_over_the_main_window_while_timers_run(self):
        mx, my, mw, mh = window_rect()["rect"]
        self.program.click(IDC_START)  # a run goes on underneath
        driver.ok(f"syscommand {IDM_ABOUTBOX}")
        about = driver.ok("find 10000 " + ABOUT_TITLE)
        self.assertNotEqual(about, "none")
        self.assertEqual(driver.ok(f"text {IDC_VERSION}"), tables.text("versionLine"))
        ax, ay, aw, ah = window_rect()["rect"]
        self.assertLessEqual(abs((ax + aw / 2) - (mx + mw / 2)), 1)
        self.assertLessEqual(abs((ay + ah / 2) - (my + mh / 2)), 1)
        driver.ok(f"post-click {IDOK}")
        self.assertEqual(driver.ok("wait-gone 5000"), "gone")
        self.program.target()
        self.wait_for_alarm()  # the signal kept stepping while the box was open


class Minimised(ProgramCase):
    """Under Wine nothing of a minimised window can be seen: it is parked at (-32000, -32000)
    as a 160 x 24 caption with an empty client area, and with no window manager its X window
    keeps the last picture of the open dialog. So the icon that OnPaint centres in the client
    area cannot be captured; what a user meets around it is tested instead: the cycle runs on
    while minimised, and the restored window paints as before."""

    def iconic(self):
        return bool(int(window_rect()["style"], 16) & WS_MINIMIZE)

    def minimise(self):
        # Wine ignores a minimise in the first moments after the window is mapped: ask again.
        for _ in range(10):
            driver.ok(f"syscommand {SC_MINIMIZE}")
            if wait_for(self.iconic, 1):
                return True
        return False

    def test_the_alarm_goes_off_while_minimised_and_the_restored_window_shows_it(self):
        before = window_rect()["rect"]
        self.tick(IDC_IGNORESIGNAL)
        self.assertTrue(self.minimise(), "not minimised")
        self.program.click(IDC_START)
        self.assert_players(1)
        self.assert_sounding(bell=True, chime=True)

        driver.ok(f"syscommand {SC_RESTORE}")
        restored = wait_for(lambda: not self.iconic() and window_rect()["rect"] == before, 5)
        self.assertTrue(restored, f"not restored: {window_rect()}")
        self.assert_picture(IDC_SIGNAL, SIGNAL_STOP)
        ok = wait_for(lambda: self.program.picture(IDC_PANEL) in (PANEL_ALARM, PANEL_DARK), 5)
        self.assertTrue(ok, f"the panel shows {self.program.picture(IDC_PANEL)}")
        self.assertEqual(self.program.text(IDC_START), STOP)
        save_window_screenshot("screenshot-alarm.png")


class ConfirmDeadline(ProgramCase):
    def system_menu_picture(self, name="menu.png", folder=None):
        press_keys("alt+space")  # the system menu, by keyboard
        return Image.open(save_window_screenshot(name, folder=folder)).convert("RGB")

    def test_unconfirmed_the_brake_sounds_beside_the_bell_and_a_late_confirm_confirms(self):
        press_keys("alt+space", "d")  # 確認期限(5秒)(&D)
        ticked = self.system_menu_picture("screenshot-menu.png")
        press_keys("d")
        unticked = self.system_menu_picture(folder=session.tmp)
        press_keys("d")
        mark = ImageChops.difference(ticked, unticked).getbbox()
        self.assertIsNotNone(mark, "the item's check mark does not follow it")
        self.assertLess((mark[2] - mark[0]) * (mark[3] - mark[1]), 400, f"not a mark: {mark}")

        self.raise_alarm()
        raised = time.monotonic()
        self.assert_players(1)
        braking = wait_for(lambda: self.program.players() == 2, CONFIRM_DEADLINE_S + 5,
                           interval=0.05)
        braked = time.monotonic()
        self.assertTrue(braking, "no brake player beside the bell player")
        self.assertGreater(braked - raised, CONFIRM_DEADLINE_S - 0.5, "the brake came early")
        time.sleep(1.0)

        self.program.click(IDC_CONFIRM)  # late, while the brake still sounds
        self.assert_picture(IDC_PANEL, PANEL_NORMAL)
        self.assertEqual(self.program.text(IDC_START), STOP)
        driver.ok(f"post-click {IDCANCEL}")
        self.assertTrue(self.program.wait_ended(), "the program did not end")
        self.assertEqual(self.program.players(), 0)
        self.assert_silent()

        # Under the bell and the chime, before and after the deadline.
        before, _ = recorder.band_levels(raised + 2, raised + 2.7, BRAKE_BAND_HZ, BELL_BAND_HZ)
        brake, bell = recorder.band_levels(braked, braked + 0.7, BRAKE_BAND_HZ, BELL_BAND_HZ)
        heard = f"(brake band {before:.0f} dB, then {brake:.0f} dB; bell band {bell:.0f} dB)"
        self.assertLess(before, BRAKE_QUIET_DB, "a brake before the deadline " + heard)
        self.assertGreater(brake, BRAKE_AUDIBLE_DB, "no brake heard " + heard)
        self.assertGreater(bell, BELL_AUDIBLE_DB, "the brake cut the bell " + heard)


class KilledProgram(ProgramCase):
    def test_a_killed_program_takes_its_bell_player_with_it(self):
        self.raise_alarm()
        self.assert_players(1)
        driver.ok("kill-procs orvaneats.exe")
        self.assertTrue(self.program.wait_ended())
        self.assert_players(0, timeout=5)
        # Its sound goes with it, before the next test listens.
        quiet = wait_for(lambda: recorder.level(time.monotonic() - WINDOW_S, time.monotonic())
                         < SILENT_DB, 5, interval=0.2)
        self.assertTrue(quiet, "the killed program's bell sounds on")


class SlowPlayer(unittest.TestCase):
    """A player that makes its message queue late still gets the quit."""

    def test_a_quit_reaches_a_player_that_starts_slowly(self):
        folder = session.tmp / "slow"
        folder.mkdir(exist_ok=True)
        shutil.copy(harness.BIN_DIR / "orvaneats.exe", folder)
        shutil.copy(harness.build_path("e2eslowplayer.exe"), folder / "atsbell.exe")
        program = Program(folder / "orvaneats.exe")
        try:
            program.click(IDC_BELL)  # returns after the 100 ms wait, long before its queue
            program.click(IDC_BELL)
            self.assertTrue(wait_for(lambda: program.players() == 0, 5), "the player runs on")
            self.assertTrue((folder / "quit-received").exists(), "it was ended, not told")
        finally:
            program.kill()


class MissingFiles(unittest.TestCase):
    """Without its wave files or bell player the program still runs, quietly."""

    def test_runs_quietly_without_waves_and_player(self):
        lonely = session.tmp / "alone"
        lonely.mkdir(exist_ok=True)
        shutil.copy(harness.BIN_DIR / "orvaneats.exe", lonely)
        program = Program(lonely / "orvaneats.exe")
        try:
            program.click(IDC_IGNORESIGNAL)
            program.click(IDC_START)
            self.assertTrue(wait_for(lambda: program.picture(IDC_PANEL) == PANEL_ALARM, 3))
            program.click(IDC_CHIME)
            time.sleep(1)
            now = time.monotonic()
            self.assertLess(recorder.level(now - 0.8, now), SILENT_DB)
            self.assertEqual(program.players(), 0)
            program.click(IDC_CONFIRM)
            program.click(IDC_SUSTAIN)
            self.assertEqual(program.text(IDC_START), START)
        finally:
            program.kill()


if __name__ == "__main__":
    unittest.main()
