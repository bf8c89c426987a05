"""The Windows program's driver: one run of orvaneats.exe under Wine, worked through
e2edriver.exe by its control ids, for the end-to-end tests and the benches alike."""

from pathlib import Path

from . import tables
from .build import BIN_DIR

MAIN_TITLE = tables.text("caption")
ABOUT_TITLE = tables.text("aboutCaption")

IDOK, IDCANCEL = tables.about_control("ok")["id"], tables.control_id("exit")
(IDC_CONFIRM, IDC_START, IDC_ENDLESS, IDC_SUSTAIN, IDC_BELL, IDC_CHIME, IDC_SIGNAL, IDC_PANEL,
 IDC_FULLAUTO, IDC_NOOVERLAP, IDC_IGNORESIGNAL) = map(tables.control_id, (
     "confirm", "start", "endless", "sustain", "bell", "chime", "signal", "panel", "fullAuto",
     "noOverlap", "ignoreSignal"))
IDC_VERSION = tables.about_control("version")["id"]
IDM_DEADLINE, IDM_ABOUTBOX = tables.menu_item("deadline"), tables.menu_item("about")
IDD_MAIN_DIALOG = tables.template_id("main")


def dialog_id(control):
    """A control id as the dialog manager reports it: a template holds 16 bits, so IDC_STATIC
    (-1) reads 65535."""
    return control & 0xFFFF


class Program:
    """One run of orvaneats.exe, started from a folder that is not its own."""

    def __init__(self, session, driver, exe=None):
        self.driver = driver
        exe = exe or BIN_DIR / "orvaneats.exe"
        # What Wine and the program (its bell players too) print, Wine's errors and crashes
        # among it, for a failing test to show.
        runs = len(list(session.tmp.glob("*.stderr")))
        self.log = session.tmp / f"{Path(exe).stem}-{runs}.stderr"
        with open(self.log, "wb") as log:
            self.proc = session.start_windows(exe, cwd=str(session.tmp), stderr=log,
                                              env={"WINEDEBUG": "-all,err+all"})
        self.hwnd = driver.ok("find 60000 " + MAIN_TITLE, timeout=90)
        if self.hwnd == "none":
            raise AssertionError("the main window did not appear; the program printed:\n"
                                 + self.printed())

    def target(self):
        self.driver.ok("target " + self.hwnd)

    def click(self, control):
        self.driver.ok(f"click {control}")

    def text(self, control=None):
        return self.driver.ok("text" if control is None else f"text {control}")

    def checked(self, control):
        return self.driver.ok(f"checked {control}") == "1"

    def picture(self, control):
        answer = self.driver.ok(f"bitmap {control}").split()
        if answer[0] == "none" or float(answer[1]) < 0.99:
            return None
        return int(answer[0])

    def players(self):
        return int(self.driver.ok("procs atsbell.exe"))

    def running(self):
        return self.proc.poll() is None

    def wait_ended(self, timeout=15):
        try:
            self.proc.wait(timeout)
            return True
        except Exception:  # noqa: BLE001 - a timeout is the answer here
            return False

    def printed(self, lines=20):
        """The last lines the program's processes printed."""
        text = self.log.read_text(encoding="utf-8", errors="replace").splitlines()
        return "\n".join(text[-lines:])

    def kill(self):
        if self.running():
            self.driver.cmd("kill-procs orvaneats.exe")
            self.wait_ended()
        self.driver.cmd("kill-procs atsbell.exe")
