"""Runs the Linux edition natively for the end-to-end tests and the benchmark.

A LinuxSession is a Session without Wine (private Xvfb and PulseAudio null sink) plus a
private D-Bus session bus with the accessibility bus started on it, so the program's controls
can be read and worked through AT-SPI (atspi_driver.py), as a screen reader would.

LinuxSession(sound="pipewire") plays through a private PipeWire instead, as Debian 12 and
Ubuntu desktops do: pipewire, wireplumber (on a D-Bus of its own) and pipewire-pulse, with a
null sink of the same name whose monitor the recorder records.
"""

import ctypes
import os
import shutil
import subprocess
import time
from pathlib import Path

from .session import REPO, SINK, Driver, HarnessError, Session, kill_group, wait_for
from .sound import RATE

BUILD_DIR = REPO / "build" / "linux"
PROGRAM = BUILD_DIR / "bin" / "orvaneats"
PYTHON = "/usr/bin/python3"  # the system Python, which has pyatspi
MAIN_TITLE = "OrvaneATS"
ABOUT_TITLE = "orvaneatsのﾊﾞｰｼﾞｮﾝ情報"


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
    def __init__(self, sound="pulse"):
        if sound not in SOUND_SERVERS:
            raise ValueError(f"sound server {sound!r} is not one of {SOUND_SERVERS}")
        super().__init__(wine=False)
        self.sound = sound
        self._bus = None
        self._pipewire = []  # dbus-daemon, pipewire, wireplumber, pipewire-pulse

    def start(self):
        super().start()
        try:
            self._start_bus()
        except BaseException:
            self.close()
            raise

    def close(self):
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
        with open(self.stderr_path, "wb") as stderr:
            self.proc = session.start_native(exe, cwd=str(cwd or session.tmp), stderr=stderr)
        if driver.ok(f"wait-window 30 {MAIN_TITLE}", timeout=60) != "ok":
            raise AssertionError("the main window did not appear")
        self.window_id = self._window_id()

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

    def stderr(self):
        return self.stderr_path.read_text(encoding="utf-8", errors="replace")

    # -- doing ---------------------------------------------------------------------------

    def press(self, name, title=MAIN_TITLE):
        """The control's accessible action, as an assistive tool would use it."""
        self.driver.ok(f"press {title} {name}")

    def click(self, name, title=MAIN_TITLE):
        """A real mouse click in the middle of the control."""
        x, y, w, h = self.extents(title, name)
        self.session.xdotool("mousemove", x + w // 2, y + h // 2, "click", "1")

    def key(self, name):
        self.session.xdotool("windowfocus", "--sync", self.window_id)
        self.session.xdotool("key", name)

    def close_box(self):
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
