"""e2edriver.exe's dialog commands, against the small sample dialog e2esample.exe.

Run: /usr/bin/python3 -m unittest discover -s tests/e2e -v   (needs the windows build)
"""

import struct
import time
import unittest

import harness

TITLE = "ドライバ試験"
MESSAGE_TITLE = "試験の知らせ"
TEMPLATE_ID = 100
# Control id -> its rectangle in dialog units, as in tests/e2e/driver/sample/sample.rc.
LAYOUT = {
    1001: (7, 7, 60, 10),
    1002: (7, 22, 50, 14),
    1003: (62, 25, 30, 8),
    1004: (7, 40, 50, 14),
    1006: (7, 80, 80, 12),
    1007: (7, 98, 50, 14),
    2: (143, 98, 50, 14),
}
PICTURE = 1005

session = None
driver = None
sample_exe = None


def setUpModule():
    global session, driver, sample_exe
    session, driver, _ = harness.shared_session(needs=("e2esample.exe",), recording=False)
    sample_exe = harness.build_path("e2esample.exe")


def wait_for_answer(command, expected, timeout=10):
    """Repeats a command until it answers `expected` (posted input is handled later)."""
    deadline = time.monotonic() + timeout
    answer = driver.ok(command)
    while answer != expected and time.monotonic() < deadline:
        time.sleep(0.05)
        answer = driver.ok(command)
    return answer


def parse_rect(text):
    return tuple(int(v) for v in text.split(","))


def parse_controls(answer):
    controls = []
    for item in answer.split(" "):
        ident, cls, style, exstyle, rect = item.split(":")
        controls.append((int(ident), cls, int(style, 16), int(exstyle, 16), parse_rect(rect)))
    return controls


def parse_window(answer):
    return dict(field.split("=", 1) for field in answer.split(" "))


class SampleCase(unittest.TestCase):
    def setUp(self):
        self.proc = session.start_windows(sample_exe)
        self.hwnd = driver.cmd(f"find 20000 {TITLE}")
        self.assertNotEqual(self.hwnd, "none", "the sample dialog did not show")

    def tearDown(self):
        if self.proc.poll() is None:
            driver.cmd("kill-procs e2esample.exe")
            self.proc.wait(10)

    def exit_code(self, timeout=10):
        return self.proc.wait(timeout)


class Inspecting(SampleCase):
    def test_caption_and_texts_in_utf8(self):
        self.assertEqual(driver.ok("text"), TITLE)
        self.assertEqual(driver.ok("text 1002"), "押す")
        self.assertEqual(driver.ok("text 1006"), "編集 text")  # an edit control's contents

    def test_controls_in_tab_order_match_dialog_units(self):
        controls = parse_controls(driver.ok("controls"))
        self.assertEqual([c[0] for c in controls], [1001, 1002, 1003, 1004, PICTURE, 1006, 1007, 2])
        classes = {c[0]: c[1] for c in controls}
        self.assertEqual(classes[1001], "Button")
        self.assertEqual(classes[1006], "Edit")
        styles = {c[0]: c[2] for c in controls}
        self.assertEqual(styles[1001] & 0xF, 0x3)  # BS_AUTOCHECKBOX
        self.assertEqual(styles[PICTURE] & 0x1F, 0xE)  # SS_BITMAP
        self.assertTrue(styles[1004] & 0x08000000)  # WS_DISABLED
        exe = session.windows_path(sample_exe)
        rects = {c[0]: c[4] for c in controls}
        for ident, box in LAYOUT.items():
            with self.subTest(control=ident):
                mapped = parse_rect(driver.ok(f"dlgunits {exe} {TEMPLATE_ID} " +
                                              " ".join(map(str, box))))
                self.assertEqual(rects[ident], mapped)

    def test_window_geometry(self):
        info = parse_window(driver.ok("window"))
        self.assertTrue(int(info["style"], 16) & 0x00C00000)  # WS_CAPTION
        self.assertEqual(info["screen"], "1024,768")
        left, top, width, height = parse_rect(info["rect"])
        c_left, c_top, c_width, c_height = parse_rect(info["client"])
        self.assertTrue(left <= c_left and c_left + c_width <= left + width)
        self.assertTrue(top < c_top and c_top + c_height <= top + height)
        exe = session.windows_path(sample_exe)
        size = parse_rect(driver.ok(f"dlgunits {exe} {TEMPLATE_ID} 0 0 200 120"))
        self.assertEqual((c_width, c_height), size[2:])

    def test_states(self):
        self.assertEqual(driver.ok("checked 1001"), "1")
        self.assertEqual(driver.ok("enabled 1004"), "0")
        self.assertEqual(driver.ok("enabled 1002"), "1")
        self.assertEqual(driver.ok("visible 1002"), "1")
        self.assertEqual(driver.ok("alive"), "1")
        self.assertEqual(driver.ok("procs e2esample.exe"), "1")

    def test_screenshot_is_the_whole_screen(self):
        shot = session.screenshot(session.tmp / "sample.png")
        header = shot.read_bytes()[:24]
        self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(struct.unpack(">II", header[16:24]), (1024, 768))

    def test_errors(self):
        for command, answer in [("text 4242", "error no control 4242"),
                                ("checked abc", "error bad control id"),
                                ("frobnicate", "error unknown command frobnicate"),
                                ("key", "error wrong number of arguments for key"),
                                ("target 12345", "error no such window")]:
            with self.subTest(command=command):
                self.assertEqual(driver.cmd(command), answer)
        self.assertEqual(driver.cmd("find 200 no such title"), "none")


class Acting(SampleCase):
    def test_click_updates_text_check_and_picture(self):
        self.assertEqual(driver.ok("bitmap 1005"), "131 1.000")
        self.assertEqual(driver.ok("click 1002"), "ok")
        self.assertEqual(driver.ok("text 1003"), "1")
        self.assertEqual(driver.ok("bitmap 1005"), "134 1.000")
        driver.ok("click 1002")
        self.assertEqual(driver.ok("bitmap 1005"), "131 1.000")
        driver.ok("click 1001")
        self.assertEqual(driver.ok("checked 1001"), "0")

    def test_focus_moves_with_tab(self):
        self.assertEqual(driver.ok("focus"), "1001")
        driver.ok("key 9")
        self.assertEqual(wait_for_answer("focus", "1002"), "1002")
        driver.ok("key 9")  # past the disabled button to the edit box
        self.assertEqual(wait_for_answer("focus", "1006"), "1006")

    def test_modal_from_post_click_then_enter(self):
        self.assertEqual(driver.ok("post-click 1007"), "ok")
        box = driver.cmd(f"find 10000 {MESSAGE_TITLE}")
        self.assertNotEqual(box, "none")
        self.assertIn("style=", driver.ok("window"))  # the box is the target now
        self.assertEqual(driver.ok("key 13"), "ok")
        self.assertEqual(driver.ok("wait-gone 10000"), "gone")
        driver.ok(f"target {self.hwnd}")
        self.assertEqual(driver.ok("alive"), "1")
        self.assertEqual(self.proc.poll(), None)

    def test_covered_picture_has_a_low_match(self):
        c_left, c_top = parse_rect(parse_window(driver.ok("window"))["client"])[:2]
        x, y, w, h = [c for c in parse_controls(driver.ok("controls")) if c[0] == PICTURE][0][4]
        self.assertEqual(driver.ok("bitmap 1005"), "131 1.000")
        # Cover the left half of the picture.
        driver.ok(f"cover {c_left + x} {c_top + y} {w // 2} {h}")
        try:
            ident, fraction = driver.ok("bitmap 1005").split()
            self.assertLess(float(fraction), 0.75)
        finally:
            driver.ok("uncover")
        self.assertEqual(driver.ok("bitmap 1005"), "131 1.000")

    def test_escape_close_and_syscommand_end_the_dialog(self):
        for i, command in enumerate(("key 27", "close", "syscommand 61536")):  # SC_CLOSE
            with self.subTest(command=command):
                if i:  # a fresh dialog for each
                    self.tearDown()
                    self.setUp()
                driver.ok(command)
                self.assertEqual(driver.ok("wait-gone 10000"), "gone")
                self.assertEqual(self.exit_code(), 2)  # IDCANCEL
                self.assertEqual(driver.ok("alive"), "0")

    def test_kill_procs(self):
        self.assertEqual(driver.ok("kill-procs e2esample.exe"), "1")
        self.assertEqual(driver.ok("procs e2esample.exe"), "0")
        self.exit_code()
        time.sleep(0.2)
        self.assertEqual(driver.ok("alive"), "0")


if __name__ == "__main__":
    unittest.main()
