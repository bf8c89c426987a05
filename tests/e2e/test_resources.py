"""The resources built into orvaneats.exe, read back with the cross toolchain's windres.

Runs without Wine; needs the windows build.
"""

import re
import subprocess
import unittest

import harness
from harness import tables
from harness.windows import IDC_PANEL, IDC_SIGNAL, dialog_id

WINDRES = "x86_64-w64-mingw32-windres"
WS_POPUP, WS_VISIBLE, WS_CAPTION, WS_SYSMENU = 0x80000000, 0x10000000, 0x00C00000, 0x00080000
DS_MODALFRAME, DS_SETFONT, WS_EX_APPWINDOW = 0x80, 0x40, 0x00040000
DIALOG_FONT = "ＭＳ Ｐゴシック"

resources = None


def setUpModule():
    global resources
    exe, = harness.require_build("orvaneats.exe")
    resources = subprocess.run(
        [WINDRES, "--input", str(exe), "--input-format=coff", "--output-format=rc"],
        capture_output=True, check=True, timeout=60).stdout.decode("latin-1")


def unescape(literal):
    """Text of a windres string literal: L"..." with \\xHHHH escapes, or "..." with octal."""
    wide = literal.startswith("L")
    body = literal[2:-1] if wide else literal[1:-1]
    out, i = [], 0
    while i < len(body):
        if body[i] != "\\":
            out.append(body[i])
            i += 1
        elif body[i + 1] == "x":
            digits = re.match(r"[0-9a-fA-F]{1,4}", body[i + 2:]).group(0)
            out.append(chr(int(digits, 16)))
            i += 2 + len(digits)
        else:
            digits = re.match(r"[0-7]{1,3}", body[i + 1:]).group(0)
            out.append(chr(int(digits, 8)))
            i += 1 + len(digits)
    return "".join(out)


STRING = r'L?"(?:[^"\\]|\\.)*"'


def block(header_pattern):
    """The lines of the resource whose header line matches, up to its END."""
    match = re.search(header_pattern + r".*?\nEND\n", resources, re.S)
    if match is None:
        raise AssertionError(f"no resource matching {header_pattern!r}")
    return match.group(0)


def dialog_controls(text):
    """(kind, caption or image, id, class, style, x, y, w, h) of each control, in order."""
    controls = []
    for line in text.splitlines():
        line = line.strip()
        m = re.match(rf"(PUSHBUTTON|DEFPUSHBUTTON|LTEXT|ICON|CONTROL) ({STRING}|\d+), (-?\d+), "
                     r"(?:\"(\w+)\", |(\d+), )?(?:(\d+), (\d+), (\d+), (\d+), (0x[0-9a-f]+)|"
                     r"(0x[0-9a-f]+), (\d+), (\d+), (\d+), (\d+))", line)
        if not m:
            continue
        kind, caption, control = m.group(1), m.group(2), int(m.group(3))
        cls = m.group(4) or {"130": "STATIC"}.get(m.group(5), m.group(5))
        if m.group(6):
            x, y, w, h, style = m.group(6, 7, 8, 9, 10)
        else:
            style, x, y, w, h = m.group(11, 12, 13, 14, 15)
        caption = unescape(caption) if caption.endswith('"') else int(caption)
        controls.append((kind, caption, control, cls, int(style, 16),
                         int(x), int(y), int(w), int(h)))
    return controls


def template_header(name, kind):
    """The header line of a dialog template: its id, kind and size in dialog units."""
    _, _, width, height = tables.tables()["rects"][name]["units"]
    return rf"\n{tables.template_id(name)} {kind} 0, 0, {width}, {height}\n"


MAIN_DIALOG = template_header("main", "DIALOGEX")
ABOUT_BOX = template_header("about", "DIALOG")


class DialogTemplates(unittest.TestCase):
    def test_styles_and_captions(self):
        for header, style, caption in [
                (MAIN_DIALOG, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                 DS_SETFONT, tables.text("caption")),
                (ABOUT_BOX, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                 tables.text("aboutCaption"))]:
            text = block(header)
            with self.subTest(caption=caption):
                self.assertEqual(int(re.search(r"STYLE (0x[0-9a-f]+)", text).group(1), 16),
                                 style)
                self.assertEqual(unescape(re.search(rf"CAPTION ({STRING})", text).group(1)),
                                 caption)


class MainDialogTemplate(unittest.TestCase):
    def setUp(self):
        self.text = block(MAIN_DIALOG)

    def test_extended_style_and_font(self):
        self.assertEqual(int(re.search(r"EXSTYLE (0x[0-9a-f]+)", self.text).group(1), 16),
                         WS_EX_APPWINDOW)
        font = re.search(rf"FONT (\d+), ({STRING})", self.text)
        self.assertEqual((font.group(1), unescape(font.group(2))), ("9", DIALOG_FONT))

    def test_pictures_start_on_the_normal_panel_and_the_stop_signal(self):
        pictures = {c[2]: c for c in dialog_controls(self.text) if c[3] == "STATIC"}
        for control in (IDC_PANEL, IDC_SIGNAL):  # the first bitmap of each
            self.assertEqual(pictures[control][1], tables.bitmaps_of(control)[0])
        for picture in pictures.values():
            self.assertEqual(picture[4] & 0x1F, 0x0E, "SS_BITMAP")

    def test_no_default_push_button(self):
        kinds = {c[0] for c in dialog_controls(self.text)}
        self.assertNotIn("DEFPUSHBUTTON", kinds)
        self.assertEqual(len(dialog_controls(self.text)), len(tables.controls()))


class AboutBoxTemplate(unittest.TestCase):
    def setUp(self):
        self.text = block(ABOUT_BOX)

    def test_classic_template_with_icon_version_notice_and_ok(self):
        controls = dialog_controls(self.text)
        kinds = ["CONTROL", "CONTROL", "LTEXT", "DEFPUSHBUTTON"]
        self.assertEqual([(c[0], c[2], c[5:]) for c in controls], [
            (kind, dialog_id(tables.about_control(name)["id"]),
             tuple(tables.about_control(name)["units"]))
            for kind, name in zip(kinds, ("icon", "version", "legal", "ok"))])
        self.assertEqual(controls[0][1], 128)
        self.assertEqual(controls[0][4] & 0x1F, 0x03, "SS_ICON")
        self.assertEqual(controls[1][1], "OrvaneATS Version x.xxxx")
        self.assertTrue(controls[1][4] & 0x80, "SS_NOPREFIX")
        self.assertTrue(controls[1][4] & 0x00020000, "WS_GROUP")
        self.assertTrue(controls[2][4] & 0x00020000, "WS_GROUP")
        self.assertTrue(controls[2][1].strip(), "a legal notice")


class StringsAndVersion(unittest.TestCase):
    def test_about_item_and_version_strings(self):
        table = block(r"\nSTRINGTABLE\n")
        strings = {int(m.group(1)): unescape(m.group(2))
                   for m in re.finditer(rf"(\d+), ({STRING})", table)}
        self.assertEqual(strings[101], tables.text("aboutItem"))
        self.assertEqual(strings[102], tables.text("versionLine"))
        self.assertEqual(strings[103], tables.text("deadlineItem") + "(&D)")

    def test_version_resource(self):
        text = block(r"\n1 VERSIONINFO\n")
        self.assertIn("FILEVERSION 1, 0, 0, 0", text)
        product_version = ", ".join(tables.text("version").split(".")) + ", 0"
        self.assertIn(f"PRODUCTVERSION {product_version}", text)
        self.assertRegex(text, r"FILEOS 0x4\n")  # VOS__WINDOWS32
        self.assertRegex(text, r"FILETYPE 0x1\n")  # VFT_APP
        self.assertNotRegex(text, r"FILEFLAGS 0x[1-9a-f]")
        self.assertIn('BLOCK "041104B0"', text)
        self.assertIn("VALUE \"Translation\", 0x411, 1200", text)
        values = {m.group(1): unescape(m.group(2))
                  for m in re.finditer(rf'VALUE "(\w+)", ({STRING})', text)}
        expected = {
            "Comments": tables.text("versionLine"),
            "ProductName": tables.text("versionLine"),
            "FileDescription": "OrvaneATS EXE",
            "InternalName": "OrvaneATS",
            "OriginalFilename": "orvaneats.exe",
            "FileVersion": "1, 0, 0, 0",
            "ProductVersion": product_version,
            "LegalTrademarks": "",
            "PrivateBuild": "",
            "SpecialBuild": "",
        }
        for name, value in expected.items():
            self.assertEqual(values.get(name), value, name)
        self.assertTrue(values["CompanyName"].strip())
        self.assertTrue(values["LegalCopyright"].strip())

    def test_icon_and_manifest_are_embedded(self):
        self.assertRegex(resources, r"\n128 14 /\* RT_GROUP_ICON \*/")
        self.assertRegex(resources, r"\n1 24 /\* RT_MANIFEST \*/")


if __name__ == "__main__":
    unittest.main()
