"""Runs the Linux edition natively for the end-to-end tests and the benchmark.

A LinuxSession is a Session without Wine (private Xvfb and sound server) plus a private D-Bus
session bus with the accessibility bus started on it, so the program's controls can be read
and worked through AT-SPI (atspi_driver.py), as a screen reader would. linux_program.py holds
the program's run in it.

Its display server is the rig's choice: "x11" (the Xvfb, the default) or "wayland", a private
headless Weston on which the programs run with no X display at all; there AT-SPI is the only
way in (no pointer or keys), and the screen is taken with Weston's screenshooter.

LinuxSession(sound="pipewire") plays through a private PipeWire instead of PulseAudio
(sound_server.py).
"""

import os
import shutil
import subprocess
from pathlib import Path

from . import x11
from .driver import AtspiDriver
from .linux_program import (ABOUT_TITLE, BUILD_DIR, MAIN_TITLE, PROGRAM,  # noqa: F401 - API
                            Program, copy_alone, missing_program)
from .processes import HarnessError, kill_group, stop, wait_for
from .session import SCREEN, Session
from .session_bus import start_session_bus
from .sound_server import SOUND_SERVERS as _SERVERS

SOUND_SERVERS = tuple(_SERVERS)
DISPLAY_SERVERS = ("x11", "wayland")
WESTON_SOCKET = "orvane-wayland"  # in the session's own runtime folder
# No animations: a window is shown at once and a screenshot shows it whole.
WESTON_INI = """[core]
idle-time=0
[shell]
animation=none
close-animation=none
startup-animation=none
focus-animation=none
"""


def display_server_of_run():
    """The rig of this test run: ORVANE_DISPLAY_SERVER, else x11."""
    chosen = os.environ.get("ORVANE_DISPLAY_SERVER") or "x11"
    if chosen not in DISPLAY_SERVERS:
        raise HarnessError(f"ORVANE_DISPLAY_SERVER={chosen!r} is not one of {DISPLAY_SERVERS}")
    return chosen


class LinuxSession(Session):
    def __init__(self, display_server="x11", sound="pulse"):
        if display_server not in DISPLAY_SERVERS:
            raise ValueError(f"{display_server!r} is not one of {DISPLAY_SERVERS}")
        super().__init__(wine=False, sound=sound)
        self.display_server = display_server
        self._bus = None
        self._weston = None

    def start(self):
        super().start()
        try:
            self._start_bus()
            if self.display_server == "wayland":
                self._start_weston()
            else:
                # Xvfb alone, whatever the desktop that started the tests runs.
                self.env.pop("WAYLAND_DISPLAY", None)
                self.env["QT_QPA_PLATFORM"] = "xcb"
        except BaseException:
            self.close()
            raise

    def close(self):
        kill_group(self._weston)
        stop(self._bus)
        self._weston = self._bus = None
        super().close()

    def _start_bus(self):
        self._bus, self.env["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(
            self.env, self._log("dbus.log"))
        # Qt serves AT-SPI when the accessibility bus is up as the program starts.
        subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply",
                        "/org/a11y/bus", "org.a11y.Bus.GetAddress"], env=self.env,
                       check=True, capture_output=True, timeout=30)
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"

    def _start_weston(self):
        ini = self.tmp / "weston.ini"
        ini.write_text(WESTON_INI)
        # --debug offers the screenshooter's protocol to clients.
        self._weston = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--use-pixman",
             f"--socket={WESTON_SOCKET}", "--debug", f"--width={SCREEN[0]}",
             f"--height={SCREEN[1]}", f"--config={ini}", "--idle-time=0"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=self._log("weston.log"),
            start_new_session=True)
        socket = Path(self.env["XDG_RUNTIME_DIR"]) / WESTON_SOCKET
        wait_for(lambda: socket.exists() or self._weston.poll() is not None, 20)
        if self._weston.poll() is not None or not socket.exists():
            raise HarnessError("Weston did not start; see " + str(self.tmp / "weston.log"))
        # No X display to fall back on; the protocol log shows each window's app id.
        self.env.pop("DISPLAY", None)
        self.env.update(WAYLAND_DISPLAY=WESTON_SOCKET, QT_QPA_PLATFORM="wayland",
                        WAYLAND_DEBUG="1")

    def screenshot(self, path):
        if self.display_server != "wayland":
            return super().screenshot(path)
        # The screenshooter writes wayland-screenshot-<time>.png into its working folder.
        folder = self.tmp / "shots"
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir()
        subprocess.run(["weston-screenshooter"], env=self.env, cwd=folder, check=True,
                       capture_output=True, timeout=60)
        shots = list(folder.glob("*.png"))
        if len(shots) != 1:
            raise HarnessError(f"weston-screenshooter left {len(shots)} pictures")
        shutil.move(shots[0], path)
        return Path(path)

    def atspi(self):
        return self._add_driver(AtspiDriver(self))

    def close_window(self, window_id):
        """Asks a window to close as a window manager's close button does (WM_DELETE_WINDOW)."""
        x11.send_delete_window(self.display, window_id)

    def window_class(self, window_id):
        """The class of the window's WM_CLASS."""
        return x11.wm_class(self.display, window_id)
