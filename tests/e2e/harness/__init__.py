"""The end-to-end tests' harness: the real programs on a private desktop, seen and heard.

    session, driver, recorder = harness.start_session("windows")   # or "linux"
    pid = session.start_windows(harness.build_path("orvaneats.exe"))
    heard = recorder.first_time_above(-40, after=t0, timeout=5)
    chime_db, bell_db = recorder.band_levels(t0, t1, harness.CHIME_BAND_HZ, harness.BELL_BAND_HZ)

A test module shares one session among its tests:

    def setUpModule():
        global session, driver, recorder
        session, driver, recorder = harness.shared_session("windows", needs=("atsbell.exe",))

Modules: session (Session: Xvfb, sound server, Wine prefix), driver (Driver, the e2edriver.exe
REPL, and AtspiDriver), recorder (Recorder), sound (levels and bands), sound_server (PulseAudio
and PipeWire with the null sink), x11 (Xvfb and X requests), session_bus (a private D-Bus),
windows (orvaneats.exe's Program and control ids), linux (LinuxSession with D-Bus, AT-SPI and
Weston), linux_program (the native Program), measure (the benches' CPU, memory and sound
timings), release (the release files and what they install), wine_prefix (the prefix's
settings, also for scripts/run.sh), build (where the builds put things), tables (the ids,
captions and rectangles the build writes), scenarios (the runner of scenarios.json),
editions (the desktop editions behind its interface), processes (waiting and ending process
groups).
"""

import unittest
from pathlib import Path  # harness.Path, which test modules use

from . import (editions, linux, measure, release, scenarios, sound, tables,  # noqa: F401 - API
               windows, wine_prefix)
from .build import BIN_DIR, REPO, TEST_BIN_DIR, build_path, require_build
from .driver import AtspiDriver, Driver, DriverError
from .linux import LinuxSession
from .processes import HarnessError, kill_group, wait_for
from .recorder import Recorder
from .session import SCREEN, WINE, Session
from .sound import (BELL_AUDIBLE_DB, BELL_BAND_HZ, BELL_QUIET_DB, CHIME_AUDIBLE_DB,
                    CHIME_BAND_HZ, CHIME_QUIET_DB, RATE, SILENT_DB, band_levels, level_dbfs)

__all__ = [
    "REPO", "BIN_DIR", "TEST_BIN_DIR", "SCREEN", "WINE", "RATE", "build_path", "require_build",
    "HarnessError", "DriverError", "Session", "LinuxSession", "Driver", "AtspiDriver",
    "Recorder", "start_session", "shared_session", "kill_group", "wait_for", "level_dbfs",
    "band_levels", "SILENT_DB", "CHIME_BAND_HZ", "BELL_BAND_HZ", "CHIME_AUDIBLE_DB",
    "CHIME_QUIET_DB", "BELL_AUDIBLE_DB", "BELL_QUIET_DB", "linux", "measure", "release",
    "sound", "tables", "scenarios", "editions", "windows", "wine_prefix", "Path",
]

KINDS = ("windows", "linux", "desktop")  # under Wine; native with AT-SPI; native, no driver


def start_session(kind="windows", *, driver=True, recording=True, dpi=None,
                  display_server="x11", sound="pulse"):
    """A started session with, if asked, its driver (e2edriver.exe under Wine, the AT-SPI
    driver natively) and a recorder: (session, driver or None, recorder or None). `dpi` sets
    the Wine prefix's display scale (96 is 100 %); `display_server` ("x11" or "wayland") and
    `sound` ("pulse" or "pipewire") the rig of a "linux" session."""
    if kind not in KINDS:
        raise ValueError(f"kind {kind!r} is not one of {KINDS}")
    if kind == "linux":
        session = LinuxSession(display_server, sound)
    else:
        session = Session(wine=kind == "windows", dpi=dpi)
    session.start()
    try:
        the_driver = None
        if driver:
            the_driver = session.atspi() if kind == "linux" else session.driver()
        recorder = session.recorder() if recording else None
    except BaseException:
        session.close()
        raise
    return session, the_driver, recorder


def shared_session(kind="windows", *, needs=(), driver=True, recording=True, sound="pulse"):
    """A test module's set-up, called from its setUpModule: checks the build (`needs`: files
    of the windows build; for "linux" the native program, whose absence skips the module),
    starts the session as start_session does and closes it once the module's tests are done.
    A "linux" session runs on the display server the run asks for (ORVANE_DISPLAY_SERVER:
    x11, the default, or wayland), so one module's tests cover every rig."""
    if kind == "linux":
        reason = linux.missing_program()
        if reason:
            raise unittest.SkipTest(reason)
    require_build(*needs)
    rig = {"display_server": linux.display_server_of_run(), "sound": sound} \
        if kind == "linux" else {}
    session, the_driver, recorder = start_session(kind, driver=driver, recording=recording,
                                                  **rig)
    unittest.addModuleCleanup(session.close)
    return session, the_driver, recorder
