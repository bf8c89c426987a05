"""The Linux edition (build/linux/bin/orvaneats) as a user meets it: on a private Xvfb with a
private PulseAudio null sink, worked through AT-SPI and the X server.

Run: /usr/bin/python3 -m unittest discover -s tests/e2e -v   (needs the linux build)
On Wayland (a private Weston; what needs X input is skipped there):
     ORVANE_DISPLAY_SERVER=wayland /usr/bin/python3 -m unittest discover -s tests/e2e \
         -t tests/e2e -p test_linux.py -v
"""

import configparser
import math
import subprocess
import time
import unittest

import harness
from harness import Path
from harness import linux as desk
from harness import tables
import test_program as windows  # the sound bands and levels, the same for both editions

MAIN, ABOUT = desk.MAIN_TITLE, desk.ABOUT_TITLE
EXIT, CONFIRM, START, SUSTAIN, BELL, CHIME, IGNORE_SIGNAL, NO_OVERLAP, ENDLESS = (
    tables.caption(tables.control_id(name)) for name in (
        "exit", "confirm", "start", "sustain", "bell", "chime", "ignoreSignal", "noOverlap",
        "endless"))
STOP = tables.text("stop")
# What AT-SPI tells of each control in tab order: its role and, but for a picture, its caption.
ROLES = {"button": "push button", "checkbox": "check box", "picture": "image"}
CONTROLS = [(ROLES[c["kind"]], c["caption"] or None) for c in tables.controls()]
PANEL_NORMAL, PANEL_DARK, PANEL_ALARM, SIGNAL_STOP = (
    tables.picture_name(tables.bitmap_id(name)) for name in (
        "panelNormal", "panelDark", "panelAlarm", "signalStop"))
PERMISSIVE = {tables.picture_name(b) for b in windows.PERMISSIVE}
DEADLINE_ITEM = tables.text("deadlineItem")
BELL_WAVE, CHIME_WAVE = tables.text("bellWave"), tables.text("chimeWave")
# A user's own bell: a pure tone far from the built-in bell's strongest partial, 1180 Hz.
OWN_BELL_HZ = 2500
# The brake's burst of air is noise up to 2.8 kHz: it fills the band between the bell's first two
# partials (1180 and 3250 Hz), where bell and chime leave little. Measured in 100 ms: bell and
# chime -40..-50 dB there, the brake -25 dB at its onset and above -34 dB for half a second.
BRAKE_BAND_HZ = (1400.0, 2800.0)
BRAKE_AUDIBLE_DB = -34.0
CONFIRM_DEADLINE_S = windows.CONFIRM_DEADLINE_S
# The window's wait after the bell starts; the deadline runs from then.
CHIME_AFTER_BELL_S = tables.fact("bellPlayerStartWaitMs") / 1000
BRAKE_S = 2.0  # the length of the brake's wave
DOCS = harness.REPO / "docs"
APP_ID = "org.orvaneats.OrvaneATS"
DESKTOP_ENTRY = harness.REPO / "packaging" / "linux" / f"{APP_ID}.desktop"

session = None
driver = None
recorder = None
rigs = {}  # sound server -> (session, driver, recorder); "pulse" is the module's own


def setUpModule():
    global session, driver, recorder
    session, driver, recorder = rigs["pulse"] = with_own_data_home(
        harness.shared_session("linux"))


def rig(sound):
    """The session on that sound server, started with the first test that asks for it."""
    if sound not in rigs:
        rigs[sound] = with_own_data_home(harness.shared_session("linux", sound=sound))
    return rigs[sound]


def with_own_data_home(rig):
    """The programs of the session look for a user's own waves in a private XDG_DATA_HOME (the
    harness leaves the real one in place), empty unless a test puts waves there."""
    rig[0].env["XDG_DATA_HOME"] = str(rig[0].tmp / "data")
    return rig


def own_wave_folder(session):
    folder = Path(session.env["XDG_DATA_HOME"]) / "orvaneats"
    folder.mkdir(parents=True, exist_ok=True)
    return folder


def band_db(samples, low, high):
    """The level of recorded samples between two frequencies, in dB of full scale."""
    freqs, power = harness.sound.spectrum(samples)
    energy = sum(p for f, p in zip(freqs, power) if low <= f < high)
    return 10 * math.log10(energy / (32768.0 * len(samples)) ** 2) if energy > 0 else -120.0


# A menu item through AT-SPI, as a screen reader reaches it: `python3 -c MENU_SCRIPT <item>
# <window title>` prints 1 or 0, whether the item is checked, and presses it, which closes the
# menu. Qt leaves a popup menu out of the application's children, so the script opens the menu
# with the window's ShowMenu action and finds the item by its focus event; the harness's driver
# knows no menus.
MENU_SCRIPT = r"""
import sys, pyatspi
from gi.repository import GLib
def window():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "orvaneats":
            return next((w for w in app if w.name == sys.argv[2]), None)
wanted, found = sys.argv[1], []
def on_focus(event):
    if event.detail1 != 1 or event.source.getRole() != pyatspi.ROLE_MENU_ITEM:
        return
    item = next((c for c in event.source.parent if c.name == wanted), None)
    if item is None:
        return
    found.append(str(int(item.getState().contains(pyatspi.STATE_CHECKED))))
    item.queryAction().doAction(0)
    pyatspi.Registry.stop()
def open_menu():
    actions = window().queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    actions.doAction(names.index("ShowMenu"))
pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
GLib.timeout_add(1000, open_menu)  # once the program knows that focus events are listened to
GLib.timeout_add(10000, pyatspi.Registry.stop)
pyatspi.Registry.start()
print(found[0] if found else "none")
"""


def menu_item_checked_then_pressed(session, item):
    return subprocess.run([harness.driver.PYTHON, "-c", MENU_SCRIPT, item, MAIN],
                          env=session.env, capture_output=True, text=True, check=True,
                          timeout=60).stdout.strip()


def wait_for(condition, timeout, interval=0.1):
    return windows.wait_for(condition, timeout, interval)


def save_window_screenshot(program, name, margin=8):
    """docs/screenshot-linux-<name>.png: the window cut out of the X screen. On Wayland, where
    Weston places the window, the whole screen: build/linux/screenshot-wayland-<name>.png."""
    if not program.on_x11:
        program.session.screenshot(desk.BUILD_DIR / f"screenshot-wayland-{name}.png")
        return
    path = DOCS / f"screenshot-linux-{name}.png"
    x, y, w, h = program.extents()
    screen = program.session.tmp / "screen.png"
    program.session.screenshot(screen)
    crop = f"{w + 2 * margin}x{h + 2 * margin}+{max(0, x - margin)}+{max(0, y - margin)}"
    subprocess.run(["convert", str(screen), "-crop", crop, "+repage", str(path)], check=True,
                   timeout=60)


class NativeCase(unittest.TestCase):
    SOUND = "pulse"  # the sound server of the session the tests run in

    def setUp(self):
        self.session, self.driver, self.recorder = rig(self.SOUND)
        self.program = desk.Program(self.session, self.driver)

    def tearDown(self):
        self.program.kill()

    def assert_panel(self, name, timeout=5):
        ok = wait_for(lambda: self.program.pictures()[0] == name, timeout)
        self.assertTrue(ok, f"the panel shows {self.program.pictures()[0]}, not {name}")

    def assert_sounding(self, bell, chime):
        time.sleep(windows.SETTLE_S)
        harness.scenarios.assert_heard(self, self.recorder, ["bell"] * bell + ["chime"] * chime)

    def assert_silent(self, settle=windows.SETTLE_S):
        time.sleep(settle)
        harness.scenarios.assert_heard(self, self.recorder, [])

    def raise_alarm(self):
        self.program.press(IGNORE_SIGNAL)
        self.assertTrue(self.program.checked(IGNORE_SIGNAL))
        self.program.press(START)
        self.assert_panel(PANEL_ALARM, timeout=3)


class WindowAndIdle(NativeCase):
    def test_every_control_is_reachable_with_its_name_and_the_end_button_has_the_focus(self):
        got = self.program.controls()
        self.assertEqual([role for role, _ in got], [role for role, _ in CONTROLS])
        for (_, name), (_, want) in zip(got, CONTROLS):
            if want is not None:
                self.assertEqual(name, want)
        self.assertEqual(self.program.pictures(), (PANEL_NORMAL, SIGNAL_STOP))
        self.assert_silent()
        save_window_screenshot(self.program, "idle")
        if not self.program.on_x11:
            return  # Weston places the window; with no keyboard there no window is active
        self.assertEqual(self.driver.ok(f"focused {MAIN}"), EXIT)
        # Centred on the screen.
        x, y, w, h = self.program.extents()
        self.assertLessEqual(abs(x + w / 2 - harness.SCREEN[0] / 2), 1)
        self.assertLessEqual(abs(y + h / 2 - harness.SCREEN[1] / 2), 1)

    def test_the_window_names_its_desktop_entry_so_a_dock_shows_its_icon(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(DESKTOP_ENTRY, encoding="utf-8")
        launcher_names = {APP_ID, entry["Desktop Entry"].get("StartupWMClass", APP_ID)}
        self.assertIn(self.program.window_class(), launcher_names)


class Scenarios(NativeCase):
    """The scenarios every edition runs (scenarios.json), here natively."""

    def edition(self):
        return harness.editions.LinuxEdition(self.program, self.recorder)


harness.scenarios.add_scenario_tests(Scenarios)


class ScenariosOnPipeWire(NativeCase):
    """The cycle and the sounds through PipeWire's pulse service, as on Debian 12 and Ubuntu
    desktops."""

    SOUND = "pipewire"
    edition = Scenarios.edition


harness.scenarios.add_scenario_tests(ScenariosOnPipeWire, only=harness.scenarios.named(
    "a whole cycle", "no overlap", "the chime button"))


class OptionsThroughAtspi(NativeCase):
    def test_ignore_signal_unticked_by_its_toggle_action_mid_cycle_is_seen_at_once(self):
        # Endless with 信号無視 rings again 1 ms after 警報持続; without it, after 3 s of rest
        # and an approach.
        self.program.press(ENDLESS)
        self.raise_alarm()
        self.program.press(CONFIRM)
        self.assert_panel(PANEL_NORMAL)
        self.program.press(IGNORE_SIGNAL)
        self.assertFalse(self.program.checked(IGNORE_SIGNAL))
        self.program.press(SUSTAIN)
        self.assertFalse(wait_for(lambda: self.program.pictures()[0] == PANEL_ALARM, 2),
                         "the alarm came again at once: the unticked box was not seen")
        self.assertTrue(wait_for(lambda: self.program.pictures()[1] in PERMISSIVE, 3))


class SoundServerFaults(NativeCase):
    def test_a_restarted_server_rings_again_without_a_click(self):
        self.program.press(BELL)
        self.assert_sounding(bell=True, chime=False)
        self.session.restart_sound_server()
        back = time.monotonic()
        heard = self.recorder.first_time_above(harness.BELL_AUDIBLE_DB, back, timeout=5)
        self.assertIsNotNone(heard, "the bell did not return")
        self.assertLess(heard - back, 2.0)
        self.assert_sounding(bell=True, chime=False)
        onset = harness.sound.onset_abruptness(self.recorder.samples(heard - 0.5, heard + 0.5))
        self.assertIsNotNone(onset, "the recording did not begin before the bell returned")
        self.assertLess(onset, 0.3, "the bell came back with a click")
        self.program.press(BELL)  # the stream it reopened still obeys
        self.assert_silent()
        lines = self.program.stderr().splitlines()
        self.assertEqual([l for l in lines if "sound server" in l], [
            "orvaneats: no sound server; the sounds stay silent until it is back",
            "orvaneats: the sound server is back"])

    def test_a_frozen_server_does_not_hold_up_the_end(self):
        self.session.stop_sound_server()
        try:
            self.program.press(BELL)  # the first sound, to a server that answers nothing
            time.sleep(0.5)
            closed = time.monotonic()
            self.program.close_box()
            self.assertTrue(self.program.wait_ended(5), "the program hangs")
            self.assertLess(time.monotonic() - closed, 1.0)
            self.assertEqual(self.program.proc.returncode, 0)
        finally:
            self.session.continue_sound_server()


class RepeatedAlarms(NativeCase):
    def test_every_alarm_of_a_series_rings_the_bell_and_the_chime(self):
        # Each alarm plays the waves again on the same sound slots, right after they were
        # stopped; every one of them must sound.
        self.program.press(IGNORE_SIGNAL)
        for alarm in range(8):
            with self.subTest(alarm=alarm):
                self.program.click(START)
                self.assert_panel(PANEL_ALARM, timeout=3)
                self.assert_sounding(bell=True, chime=True)
                if not alarm:
                    save_window_screenshot(self.program, "alarm")
                self.program.click(CONFIRM)
                self.program.click(STOP)
                self.assert_silent()


class AboutBox(NativeCase):
    def test_f1_opens_it_centred_over_the_window_while_the_cycle_runs_on(self):
        self.program.press(START)
        self.assertTrue(wait_for(lambda: self.program.pictures()[1] in PERMISSIVE, 3))
        first = self.program.pictures()[1]
        self.program.key("F1")
        self.assertEqual(self.driver.ok(f"wait-window 10 {ABOUT}"), "ok")
        names = [name for _, name in self.program.controls(ABOUT)]
        self.assertIn(tables.text("versionLine"), names)
        self.assertIn(tables.text("ok"), names)
        mx, my, mw, mh = self.program.extents()
        ax, ay, aw, ah = self.program.extents(ABOUT)
        self.assertLessEqual(abs((ax + aw / 2) - (mx + mw / 2)), 1)
        self.assertLessEqual(abs((ay + ah / 2) - (my + mh / 2)), 1)
        self.assertTrue(wait_for(lambda: self.program.pictures()[1] != first, 6),
                        "the signal stood still under the about box")
        self.program.click(tables.text("ok"), title=ABOUT)
        self.assertTrue(wait_for(lambda: self.driver.ok(f"wait-window 0.1 {ABOUT}") == "none", 5),
                        "OK did not close the about box")
        self.assertTrue(self.program.running())


class OwnSounds(NativeCase):
    def tearDown(self):
        super().tearDown()
        for wave in own_wave_folder(self.session).iterdir():
            wave.unlink()

    def assert_own_bell(self):
        time.sleep(windows.SETTLE_S)
        now = time.monotonic()
        heard = self.recorder.dominant_frequency(now - windows.WINDOW_S, now)
        self.assertAlmostEqual(heard, OWN_BELL_HZ, delta=5, msg="the built-in bell rings")

    def test_a_users_own_bell_rings_in_its_place_and_a_bad_chime_leaves_the_built_in_one(self):
        # Put in place while the program runs: each sound looks for its wave as it starts.
        folder = own_wave_folder(self.session)
        subprocess.run(["sox", "-n", "-r", "22050", "-b", "16", "-c", "1",
                        str(folder / BELL_WAVE), "synth", "2", "sine", str(OWN_BELL_HZ),
                        "vol", "0.5"], check=True, timeout=60)
        (folder / CHIME_WAVE).write_text("not a wave\n")
        for button in (CHIME, BELL):
            self.program.click(button)  # AT-SPI presses in quick succession can go astray
        self.assert_own_bell()
        self.assert_sounding(bell=True, chime=True)  # the built-in chime
        for button in (BELL, CHIME):
            self.program.click(button)
        self.assert_silent()
        self.raise_alarm()
        self.assert_own_bell()
        self.assert_sounding(bell=True, chime=True)
        self.program.press(STOP)
        self.assert_silent()
        lines = [line for line in self.program.stderr().splitlines() if "orvaneats:" in line]
        self.assertEqual(lines, [f"orvaneats: {folder / CHIME_WAVE}: not a WAV file; "
                                 "the built-in sound plays instead"])


class ConfirmDeadline(NativeCase):
    def test_unconfirmed_for_5_s_the_brake_joins_the_bell_and_a_late_confirm_confirms(self):
        self.assertEqual(menu_item_checked_then_pressed(self.session, DEADLINE_ITEM), "0")
        pressed = time.monotonic()
        self.raise_alarm()
        rang = self.recorder.first_time_above(windows.SILENT_DB, pressed, timeout=5)
        self.assertIsNotNone(rang, "no bell")
        # The brake's onset: the first 100 ms with its band full, in steps of 50 ms.
        brake = None
        t = rang + CONFIRM_DEADLINE_S - 1.0
        while brake is None and t < rang + CONFIRM_DEADLINE_S + 2.0:
            self.recorder.wait_until_recorded(t + 0.1)
            if band_db(self.recorder.samples(t, t + 0.1), *BRAKE_BAND_HZ) > BRAKE_AUDIBLE_DB:
                brake = t
            t += 0.05
        self.assertIsNotNone(brake, "no brake within 7 s of the bell")
        self.assertAlmostEqual(brake - rang, CHIME_AFTER_BELL_S + CONFIRM_DEADLINE_S, delta=0.25)
        before = band_db(self.recorder.samples(brake - 1.5, brake - 0.5), *BRAKE_BAND_HZ)
        during = self.recorder.samples(brake, brake + 0.5)
        chime_db, bell_db = harness.band_levels(during, windows.CHIME_BAND_HZ,
                                                windows.BELL_BAND_HZ)
        heard = (f"brake band {band_db(during, *BRAKE_BAND_HZ):.0f} dB (before "
                 f"{before:.0f} dB), bell band {bell_db:.0f} dB, chime band {chime_db:.0f} dB")
        print(f"\nthe brake, {brake - rang:.2f} s after the bell: {heard}")
        self.assertLess(before, BRAKE_AUDIBLE_DB - 10, heard)
        self.assertGreater(bell_db, windows.BELL_AUDIBLE_DB, "the brake cut the bell: " + heard)
        self.assertGreater(chime_db, windows.CHIME_AUDIBLE_DB, "the brake cut the chime: " + heard)
        self.assert_panel(PANEL_ALARM)
        self.program.press(CONFIRM)  # late: it still confirms
        self.assert_panel(PANEL_NORMAL)
        time.sleep(max(0.0, brake + BRAKE_S + windows.WINDOW_S - windows.SETTLE_S -
                       time.monotonic()))  # the brake played out: it sounds in the bell's band
        self.assert_sounding(bell=False, chime=True)
        # The item shows that it is on; pressed, it is off again.
        self.assertEqual(menu_item_checked_then_pressed(self.session, DEADLINE_ITEM), "1")
        self.program.press(SUSTAIN)
        self.assert_silent()


class MissingWaves(unittest.TestCase):
    def test_runs_quietly_with_one_line_per_missing_wave(self):
        exe = desk.copy_alone(session.tmp / "alone" / "bin")
        program = desk.Program(session, driver, exe=exe)
        try:
            program.press(IGNORE_SIGNAL)
            program.press(START)
            self.assertTrue(wait_for(lambda: program.pictures()[0] == PANEL_ALARM, 3))
            time.sleep(1.5)
            now = time.monotonic()
            self.assertLess(recorder.level(now - 0.8, now), windows.SILENT_DB)
            # The lamp still blinks: the bell's ticks do not depend on its wave.
            seen = set()
            wait_for(lambda: seen.add(program.pictures()[0]) or PANEL_DARK in seen, 3, 0.05)
            self.assertIn(PANEL_DARK, seen)
            program.press(CONFIRM)
            program.press(SUSTAIN)
            self.assertTrue(wait_for(lambda: program.controls()[4][1] == START, 3))
            program.press(START)  # a second alarm: no further lines
            self.assertTrue(wait_for(lambda: program.pictures()[0] == PANEL_ALARM, 3))
            program.press(EXIT)  # the exit clean-up, as Escape and the close box run it
            self.assertTrue(program.wait_ended())
            lines = program.stderr().splitlines()
            for wave in (BELL_WAVE, CHIME_WAVE):
                self.assertEqual(len([l for l in lines if wave in l]), 1, lines)
        finally:
            program.kill()


if __name__ == "__main__":
    unittest.main()
