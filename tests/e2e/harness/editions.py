"""The two desktop editions behind the scenarios' one interface (scenarios.Edition): the
Windows program through e2edriver.exe, the Linux edition through AT-SPI and the X server."""

from . import tables
from .processes import wait_for
from .scenarios import Edition

VIRTUAL_KEYS = {"Tab": 0x09, "Return": 0x0D, "Escape": 0x1B}


class WindowsEdition(Edition):
    def __init__(self, program, driver, recorder):
        self.program, self.driver, self.recorder = program, driver, recorder

    def press(self, control):
        # The end button's click is posted: the window it would answer in goes away.
        verb = "post-click" if control == tables.control_id("exit") else "click"
        self.driver.ok(f"{verb} {control}")

    def key(self, name):
        before = self.driver.ok("focus")
        self.driver.ok(f"key {VIRTUAL_KEYS[name]}")
        if name == "Tab":  # the next key goes where this one moved the focus
            wait_for(lambda: self.driver.ok("focus") != before, 3)

    def close_box(self):
        self.driver.ok("close")

    def caption(self, control):
        return self.program.text(control)

    def checked(self, control):
        return self.program.checked(control)

    def picture(self, control):
        return self.program.picture(control)

    def players(self):
        return self.program.players()

    def ended(self, timeout):
        return self.program.wait_ended(timeout)

    def running(self):
        return self.program.running() and self.driver.ok("alive") == "1"

    def focus(self):
        return int(self.driver.ok("focus"))


class LinuxEdition(Edition):
    """Controls are found by their caption of the moment, in tab order as the tables list them."""

    def __init__(self, program, recorder):
        self.program, self.recorder = program, recorder
        self.order = [c["id"] for c in tables.controls()]

    def name(self, control):
        return self.program.controls()[self.order.index(control)][1]

    def press(self, control):
        # A real click on X11 (AT-SPI presses in quick succession can go astray).
        self.program.click(self.name(control))

    def key(self, name):
        self.program.key(name)

    def close_box(self):
        self.program.close_box()

    def caption(self, control):
        return self.name(control)

    def checked(self, control):
        return self.program.checked(self.name(control))

    def picture(self, control):
        panel, signal = self.program.pictures()
        return tables.bitmap_of_name(panel if control == tables.control_id("panel") else signal)

    def ended(self, timeout):
        return self.program.wait_ended(timeout) and self.program.proc.returncode == 0

    def running(self):
        return self.program.running()

    def focus(self):
        self.program.need_x11("the focus")  # with no keyboard on Weston no window is active
        focused = self.program.driver.ok(f"focused {tables.text('caption')}")
        names = [name for _, name in self.program.controls()]
        return self.order[names.index(focused)] if focused in names else focused
