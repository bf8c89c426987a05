"""One run of the Linux edition's program in a LinuxSession, seen through AT-SPI and, on the
X11 rig, the X server."""

import re
import shutil
import subprocess
import sys
import time
import unittest

from . import tables
from .build import REPO
from .processes import kill_group

BUILD_DIR = REPO / "build" / "linux"
PROGRAM = BUILD_DIR / "bin" / "orvaneats"
MAIN_TITLE = tables.text("caption")
ABOUT_TITLE = tables.text("aboutCaption")
START_ATTEMPTS = 3


def missing_program():
    """Why the native tests cannot run, or None."""
    if not PROGRAM.exists():
        return f"{PROGRAM} is missing; build it with `cmake --workflow --preset linux`"
    return None


def copy_alone(folder):
    """The program alone in a folder: no waves beside it."""
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy(PROGRAM, folder / "orvaneats")
    return folder / "orvaneats"


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
            return self.session.window_class(self.window_id)
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
