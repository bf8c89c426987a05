"""Runs the Linux edition natively for the end-to-end tests and the benchmark.

A LinuxSession is a Session without Wine (private Xvfb and PulseAudio null sink) plus a
private D-Bus session bus with the accessibility bus started on it, so the program's controls
can be read and worked through AT-SPI (atspi_driver.py), as a screen reader would.

Its display server is the rig's choice: "x11" (the Xvfb, the default) or "wayland", a private
headless Weston on which the programs run with no X display at all; there AT-SPI is the only
way in (no pointer or keys), and the screen is taken with Weston's screenshooter.

LinuxSession(sound="pipewire") plays through a private PipeWire instead, as Debian 12 and
Ubuntu desktops do: pipewire, wireplumber (on a D-Bus of its own) and pipewire-pulse, with a
null sink of the same name whose monitor the recorder records.
"""

import ctypes
import os
import re
import shutil
import subprocess
import sys
import time
import unittest
from pathlib import Path

from .session import REPO, SCREEN, SINK, Driver, HarnessError, Session, kill_group, wait_for

BUILD_DIR = REPO / "build" / "linux"
PROGRAM = BUILD_DIR / "bin" / "orvaneats"
PYTHON = "/usr/bin/python3"  # the system Python, which has pyatspi
MAIN_TITLE = "OrvaneATS"
START_ATTEMPTS = 3
ABOUT_TITLE = "orvaneatsのﾊﾞｰｼﾞｮﾝ情報"
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


def missing_program():
    """Why the native tests cannot run, or None."""
    if not PROGRAM.exists():
        return f"{PROGRAM} is missing; build it with `cmake --workflow --preset linux`"
    return None


SOUND_SERVERS = ("pulse", "pipewire")

# The null sink PipeWire makes at start, driving the graph at the recording's rate.
PIPEWIRE_SINK = f"""context.objects = [
    {{ factory = adapter
      args = {{
        factory.name = support.null-audio-sink
        node.name = {SINK}
        node.description = {SINK}
        media.class = Audio/Sink
        audio.position = [ FL FR ]
        node.driver = true
        priority.driver = 2000
        priority.session = 2000
        object.linger = true
      }}
    }}
]
"""


class LinuxSession(Session):
    def __init__(self, display_server="x11", sound="pulse"):
        if display_server not in DISPLAY_SERVERS:
            raise ValueError(f"{display_server!r} is not one of {DISPLAY_SERVERS}")
        if sound not in SOUND_SERVERS:
            raise ValueError(f"sound server {sound!r} is not one of {SOUND_SERVERS}")
        super().__init__(wine=False)
        self.display_server = display_server
        self.sound = sound
        self._bus = None
        self._weston = None
        self._pipewire = []  # dbus-daemon, pipewire, wireplumber, pipewire-pulse

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
        self._weston = None
        kill_group(self._bus)
        if self._bus is not None:
            self._bus.stdout.close()
        self._bus = None
        for proc in reversed(self._pipewire):
            kill_group(proc)
            if proc.stdout is not None:
                proc.stdout.close()
        self._pipewire = []
        super().close()

    def _start_pulse(self, runtime):
        if self.sound == "pulse":
            super()._start_pulse(runtime)
            return
        home = self.tmp / "pipewire-home"
        conf = home / ".config" / "pipewire" / "pipewire.conf.d"
        conf.mkdir(parents=True)
        (conf / "orvane-sink.conf").write_text(PIPEWIRE_SINK)
        env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime), HOME=str(home),
                   XDG_CONFIG_HOME=str(home / ".config"), PIPEWIRE_RUNTIME_DIR=str(runtime))
        for name in ("PULSE_SERVER", "PIPEWIRE_REMOTE", "DBUS_SESSION_BUS_ADDRESS"):
            env.pop(name, None)
        env["DBUS_SESSION_BUS_ADDRESS"] = self._private_bus(env, self._pipewire)
        for program in ("pipewire", "wireplumber", "pipewire-pulse"):
            self._pipewire.append(subprocess.Popen(
                [program], env=env, stdout=subprocess.DEVNULL,
                stderr=self._log(f"{program}.log"), start_new_session=True))
        self.pulse_server = f"unix:{runtime / 'pulse' / 'native'}"
        self._wait_for_pulse(self._pipewire[-1], "pipewire-pulse", "pipewire-pulse.log",
                             self.pulse_server)
        # wireplumber makes the null sink the default once it has seen it.
        if not wait_for(lambda: subprocess.run(
                ["pactl", "--server", self.pulse_server, "get-default-sink"],
                capture_output=True, text=True, timeout=10).stdout.strip() == SINK, 20):
            raise HarnessError(f"PipeWire has no default sink {SINK}; see {self.tmp}")
        self._pulse = self._pipewire[-1]  # restarted and stopped as the pulse service

    def restart_sound_server(self):
        if self.sound != "pulse":
            raise HarnessError("only the PulseAudio rig restarts its sound server")
        super().restart_sound_server()

    def _private_bus(self, env, procs):
        """Starts a private session bus; returns its address."""
        bus = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
            env=env, stdout=subprocess.PIPE, stderr=self._log("sound-dbus.log"),
            start_new_session=True)
        procs.append(bus)
        address = self._read_line_with_timeout(bus.stdout, 20).strip()
        if not address:
            raise HarnessError("dbus-daemon did not start")
        return address

    def _start_bus(self):
        self._bus = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
            env=self.env, stdout=subprocess.PIPE, stderr=self._log("dbus.log"),
            start_new_session=True)
        address = self._read_line_with_timeout(self._bus.stdout, 20).strip()
        if not address:
            raise HarnessError("dbus-daemon did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
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
        driver = AtspiDriver(self)
        self._drivers.append(driver)
        return driver

    def close_window(self, window_id):
        """Asks a window to close as a window manager's close button does (WM_DELETE_WINDOW)."""
        send_delete_window(self.display, int(window_id))


class AtspiDriver(Driver):
    """atspi_driver.py in the session: the same one-line protocol as e2edriver.exe."""

    NAME = "atspi"

    def __init__(self, session):
        super().__init__(session, Path(__file__).with_name("atspi_driver.py"))

    def _start(self, script, **popen_args):
        return self._session.start_native(PYTHON, script, **popen_args)


class Program:
    """One run of the native program, seen through AT-SPI and the X server."""

    def __init__(self, session, driver, exe=PROGRAM, cwd=None):
        self.session = session
        self.driver = driver
        self.started = time.monotonic()
        self.stderr_path = session.tmp / f"orvaneats-{id(self)}.err"
        # Now and then, on this rig, a program's first connection to the private Xvfb never
        # reaches it (Qt aborts with "could not connect to display"; the server's audit log shows
        # no attempt). That is the rig's fault, not the program's: such a start is tried again.
        for attempt in range(1, START_ATTEMPTS + 1):
            with open(self.stderr_path, "wb") as stderr:
                self.proc = session.start_native(exe, cwd=str(cwd or session.tmp),
                                                 stderr=stderr)
            if self._window_appeared(30):
                break
            if attempt == START_ATTEMPTS or "could not connect to display" not in self.stderr():
                raise AssertionError("the main window did not appear")
            print(f"harness: the program could not reach {session.display}; started again",
                  file=sys.stderr)
        self.on_x11 = session.display_server == "x11"
        self.window_id = self._window_id() if self.on_x11 else None

    def _window_appeared(self, timeout):
        """Whether the main window shows within `timeout` s; False at once if the process ends."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.driver.ok(f"wait-window 0.5 {MAIN_TITLE}", timeout=30) == "ok":
                return True
            if self.proc.poll() is not None:
                return False
        return False

    def _window_id(self):
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            # --all: the window must be visible, this process's and so named, not any of them.
            ids = self.session.xdotool("search", "--all", "--onlyvisible", "--pid",
                                       self.proc.pid, "--name", f"^{MAIN_TITLE}$").split()
            if ids:
                return ids[0]
            time.sleep(0.05)
        raise AssertionError("no X window of the program")

    # -- seeing --------------------------------------------------------------------------

    def controls(self, title=MAIN_TITLE):
        return [tuple(part.split("=", 1)) for part in self.driver.ok(f"controls {title}")
                .split("|")]

    def pictures(self):
        """(panel, signal): the accessible names of the two pictures."""
        images = [name for role, name in self.controls() if role == "image"]
        return images[0], images[1]

    def checked(self, name):
        return self.driver.ok(f"checked {MAIN_TITLE} {name}") == "1"

    def extents(self, title=MAIN_TITLE, name=""):
        return tuple(map(int, self.driver.ok(f"extents {title} {name}").split(",")))

    def window_class(self):
        """What a dock ties the window to a desktop entry by: on X11 the class of WM_CLASS
        (matched against the entry's StartupWMClass), on Wayland the app id (the entry's name
        without .desktop)."""
        if self.on_x11:
            out = subprocess.run(["xprop", "-id", self.window_id, "WM_CLASS"],
                                 env=self.session.env, capture_output=True, text=True,
                                 timeout=30).stdout
            names = re.findall(r'"([^"]*)"', out)
            return names[1] if len(names) == 2 else None
        seen = re.findall(r'set_app_id\("([^"]*)"\)', self.stderr())
        return seen[-1] if seen else None

    def stderr(self):
        return self.stderr_path.read_text(encoding="utf-8", errors="replace")

    # -- doing ---------------------------------------------------------------------------

    def press(self, name, title=MAIN_TITLE):
        """The control's accessible action, as an assistive tool would use it."""
        self.driver.ok(f"press {title} {name}")

    def need_x11(self, what):
        """Skips the test where the rig has no X server to take keys and window commands."""
        if not self.on_x11:
            raise unittest.SkipTest(f"{what}: the Wayland rig is worked through AT-SPI alone")

    def click(self, name, title=MAIN_TITLE):
        """A real mouse click in the middle of the control. The Wayland rig has no pointer:
        there it is the control's AT-SPI action, waited out (a push button's action clicks it
        100 ms later), so that clicks in a row keep their order."""
        if not self.on_x11:
            self.press(name, title)
            time.sleep(0.25)
            return
        x, y, w, h = self.extents(title, name)
        self.session.xdotool("mousemove", x + w // 2, y + h // 2, "click", "1")

    def key(self, name):
        self.need_x11("a key")
        self.session.xdotool("windowfocus", "--sync", self.window_id)
        self.session.xdotool("key", name)

    def close_box(self):
        self.need_x11("the close box")
        self.session.close_window(self.window_id)

    def running(self):
        return self.proc.poll() is None

    def wait_ended(self, timeout=10):
        try:
            self.proc.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def kill(self):
        kill_group(self.proc)


def copy_alone(folder):
    """The program alone in a folder: no waves beside it."""
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy(PROGRAM, folder / "orvaneats")
    return folder / "orvaneats"


# -- WM_DELETE_WINDOW through Xlib (what a window manager sends on its close button) --------

class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def send_delete_window(display_name, window_id):
    xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(_XEvent)]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(display_name.encode())
    if not display:
        raise HarnessError(f"cannot open display {display_name}")
    try:
        event = _XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window_id
        event.xclient.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        xlib.XSendEvent(display, window_id, 0, 0, ctypes.byref(event))
        xlib.XFlush(display)
    finally:
        xlib.XCloseDisplay(display)
