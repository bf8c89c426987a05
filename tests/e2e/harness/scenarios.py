"""The end-to-end scenarios of tests/e2e/scenarios.json, run on one edition through its driver.

Each edition's driver is an Edition: press a control or a key, read a caption, a check box or
the bitmap a picture shows, count bell players, end or not. The runner makes every check of a
scenario on it, and hears through the session's recorder. Test modules make their test cases
with add_scenario_tests():

    class Scenarios(ProgramCase):
        def edition(self): return WindowsEdition(self.program, driver, recorder)
    harness.scenarios.add_scenario_tests(Scenarios)
"""

import json
import time

from . import tables
from .build import REPO
from .sound import (BELL_AUDIBLE_DB, BELL_BAND_HZ, BELL_QUIET_DB, CHIME_AUDIBLE_DB,
                    CHIME_BAND_HZ, CHIME_QUIET_DB, SILENT_DB)

SCENARIO_FILE = REPO / "tests" / "e2e" / "scenarios.json"
TABLE = json.loads(SCENARIO_FILE.read_text(encoding="utf-8"))
SETTLE_S, WINDOW_S = 1.2, 1.0  # a sound is judged on a window that starts after it settled
DEFAULT_WITHIN_S = 5
POLL_S = 0.1
BLINKS_WITHIN_S = 4
ALIVE_FOR_S = 1.0
ACTIONS = ("press", "tick", "key", "closeBox", "watch")
CHECKS = ("see", "watched", "blinks", "running", "checked", "players", "hear", "ended", "alive",
          "focus")


def assert_heard(test, recorder, sounds, where="", window_s=WINDOW_S):
    """Exactly `sounds` (of "bell" and "chime") in the last `window_s` seconds; none is silence."""
    now = time.monotonic()
    if not sounds:
        level = recorder.level(now - window_s, now)
        test.assertLess(level, SILENT_DB, f"{where}sound at {level:.1f} dBFS")
        return
    low, high = recorder.band_levels(now - window_s, now, CHIME_BAND_HZ, BELL_BAND_HZ)
    heard = f"{where}chime band {low:.0f} dB, bell band {high:.0f} dB"
    if "bell" in sounds:
        test.assertGreater(high, BELL_AUDIBLE_DB, "no bell; " + heard)
    else:
        test.assertLess(high, BELL_QUIET_DB, "the bell sounds; " + heard)
    if "chime" in sounds:
        test.assertGreater(low, CHIME_AUDIBLE_DB, "no chime; " + heard)
    else:
        test.assertLess(low, CHIME_QUIET_DB, "the chime sounds; " + heard)


def steps(name):
    """The scenario's steps with its macros written out."""
    def expand(step_list):
        for step in step_list:
            if "use" in step:
                yield from expand(TABLE["macros"][step["use"]])
            else:
                yield step
    return list(expand(TABLE["scenarios"][name]))


def bitmaps(name):
    """The bitmap ids a set or a single bitmap name stands for."""
    return {tables.bitmap_id(n) for n in TABLE["sets"].get(name, [name])}


class Edition:
    """One edition's driver. `players` is None where the edition plays its bell in itself."""

    recorder = None

    def press(self, control): raise NotImplementedError
    def key(self, name): raise NotImplementedError
    def close_box(self): raise NotImplementedError
    def caption(self, control): raise NotImplementedError
    def checked(self, control): raise NotImplementedError
    def picture(self, control): raise NotImplementedError
    def players(self): return None
    def ended(self, timeout): raise NotImplementedError
    def running(self): raise NotImplementedError
    def focus(self): raise NotImplementedError


class Runner:
    def __init__(self, test, edition):
        self.test, self.edition = test, edition
        self.watched = {}  # control id -> bitmaps in the order shown, without repeats
        self.mark = time.monotonic()

    def run(self, name):
        for number, step in enumerate(steps(name), 1):
            kind = next((k for k in ACTIONS + CHECKS if k in step), None)
            if kind is None:
                raise ValueError(f"{name}: step {number} {step} does nothing")
            self.where = f"step {number} {json.dumps(step, ensure_ascii=False)}"
            getattr(self, "_" + kind)(step[kind], step)
            self.sample()
            if kind in CHECKS:
                self.mark = time.monotonic()

    # -- waiting while watching ----------------------------------------------------------

    def sample(self):
        for control, seen in self.watched.items():
            now = self.edition.picture(control)
            if now is not None and (not seen or seen[-1] != now):
                seen.append(now)

    def sleep(self, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.sample()
            time.sleep(min(POLL_S, max(0.0, end - time.monotonic())))

    def wait(self, holds, step, what):
        """Polls until `holds()`; within_s after the previous check, and not before notBefore_s."""
        within = step.get("within_s", DEFAULT_WITHIN_S)
        end = self.mark + within if "within_s" in step else time.monotonic() + within
        while not holds():
            if time.monotonic() > end:
                self.test.fail(f"{self.where}: {what()}")
            self.sleep(POLL_S)
        after = time.monotonic() - self.mark
        if "notBefore_s" in step:
            self.test.assertGreaterEqual(after, step["notBefore_s"],
                                         f"{self.where}: after {after:.1f} s")

    # -- actions -------------------------------------------------------------------------

    def _press(self, control, _step):
        self.edition.press(tables.control_id(control))

    def _tick(self, control, step):
        self._press(control, step)
        self._checked(control, {"is": True})

    def _key(self, name, step):
        for _ in range(step.get("times", 1)):
            self.edition.key(name)

    def _closeBox(self, _value, _step):
        self.edition.close_box()

    def _watch(self, control, _step):
        self.watched[tables.control_id(control)] = []

    # -- checks --------------------------------------------------------------------------

    def _see(self, control, step):
        control, wanted = tables.control_id(control), bitmaps(step["is"])
        self.wait(lambda: self.edition.picture(control) in wanted, step,
                  lambda: f"shows {self.edition.picture(control)}, not one of {sorted(wanted)}")

    def _watched(self, control, step):
        seen = self.watched[tables.control_id(control)]
        if "only" in step:
            wanted = set().union(*map(bitmaps, step["only"]))
            self.test.assertLessEqual(set(seen), wanted, f"{self.where}: showed {seen}")
        if step.get("stepsDown"):
            stop = tables.bitmap_id("signalStop")
            aspects = seen[1:] if seen and seen[0] == stop else seen  # the stop shown at rest
            self.test.assertTrue(aspects and aspects[0] in bitmaps("permissive"),
                                 f"{self.where}: showed {seen}")
            self.test.assertEqual(aspects, list(range(aspects[0], stop - 1, -1)),
                                  f"{self.where}: not one aspect at a time down to stop")

    def _blinks(self, control, step):
        control, seen = tables.control_id(control), set()
        wanted = bitmaps("lampLit")
        self.wait(lambda: seen.add(self.edition.picture(control)) or wanted <= seen,
                  dict(step, within_s=BLINKS_WITHIN_S), lambda: f"showed only {seen}")

    def _running(self, running, step):
        wanted = tables.text("stop") if running else tables.caption(tables.control_id("start"))
        start = tables.control_id("start")
        self.wait(lambda: self.edition.caption(start) == wanted, step,
                  lambda: f"Start reads {self.edition.caption(start)!r}, not {wanted!r}")

    def _checked(self, control, step):
        control, wanted = tables.control_id(control), step["is"]
        self.wait(lambda: self.edition.checked(control) == wanted, step,
                  lambda: f"the box is {'not ' if wanted else ''}ticked")

    def _players(self, count, step):
        if self.edition.players() is None:
            return  # the bell plays inside the program
        self.wait(lambda: self.edition.players() == count, step,
                  lambda: f"{self.edition.players()} bell players, not {count}")

    def _hear(self, sounds, step):
        self.sleep(step.get("settle_s", SETTLE_S))
        assert_heard(self.test, self.edition.recorder, sounds, where=self.where + ": ",
                     window_s=step.get("window_s", WINDOW_S))

    def _ended(self, _value, step):
        self.test.assertTrue(self.edition.ended(step.get("within_s", 15)),
                             f"{self.where}: the program did not end")

    def _alive(self, _value, _step):
        self.sleep(ALIVE_FOR_S)
        self.test.assertTrue(self.edition.running(), f"{self.where}: the program ended")

    def _focus(self, control, step):
        control = tables.control_id(control)
        self.wait(lambda: self.edition.focus() == control, step,
                  lambda: f"the focus is on {self.edition.focus()}")


def named(*beginnings):
    """The scenarios whose names begin with one of `beginnings`."""
    return [name for name in TABLE["scenarios"] if name.startswith(beginnings)]


def test_name(scenario):
    """A method name for a scenario: test_ and its words."""
    words = "".join(c if c.isalnum() else " " for c in scenario.lower()).split()
    return "test_" + "_".join(words)


def add_scenario_tests(case, only=None):
    """Adds one test method per scenario (or per scenario named in `only`) to the TestCase
    class `case`, whose edition() gives the Edition of the test's program."""
    for scenario in TABLE["scenarios"]:
        if only is not None and scenario not in only:
            continue
        def test(self, scenario=scenario):
            Runner(self, self.edition()).run(scenario)
        test.__doc__ = scenario
        setattr(case, test_name(scenario), test)
    return case

