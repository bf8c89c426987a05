"""The portable ZIP as a user meets it: unpacked into a folder whose path has spaces and
Japanese characters, started from another current folder, run through a whole cycle and ended
every way there is; the release's four downloads, their checksums, and the same bytes when made
again. Needs `cmake --workflow --preset release` (and the windows build for the test driver).
"""

import hashlib
import re
import subprocess
import unittest
import zipfile

import harness
from harness import release
import test_program as tp
import test_resources

session = None
unpacked = None  # the unpacked release folder (Linux path)


def setUpModule():
    global session, unpacked
    release.require_release()
    session, driver, recorder = harness.shared_session()
    # The program tests' helpers and cases run in this session.
    tp.session, tp.driver, tp.recorder = session, driver, recorder
    folder = release.wine_user_folder(session) / "デスクトップ" / "OrvaneATS 試験"
    folder.mkdir(parents=True)
    with zipfile.ZipFile(release.ZIP) as archive:
        archive.extractall(folder)
    unpacked = folder / release.TOP


class ZipContents(unittest.TestCase):
    def test_one_top_folder_holding_the_release_files_in_order(self):
        with zipfile.ZipFile(release.ZIP) as archive:
            names = archive.namelist()
        self.assertEqual(names, [release.TOP + "/"] +
                         [f"{release.TOP}/{name}" for name in release.FILES])
        self.assertEqual(sorted(p.name for p in unpacked.iterdir()), sorted(release.FILES))

    def test_readme_is_utf8_text_with_bom_and_crlf_and_its_japanese_intact(self):
        data = release.zip_contents()["README.txt"]
        self.assertTrue(data.startswith(b"\xef\xbb\xbf"), "no byte order mark")
        self.assertNotRegex(data, rb"[^\r]\n", "a line ends without CR")
        text = data[3:].decode("utf-8")
        self.assertIn(release.README_JAPANESE_LINE + "\r\n", text)
        self.assertIn(f"OrvaneATS {release.VERSION}\r\n", text)
        for heading in ("起動のしかた", "音を入れ替える", "アンインストール", "How to start",
                        "Replacing the sounds", "Uninstalling"):
            self.assertIn(heading, text)

    def test_licence_is_the_repository_licence_with_crlf(self):
        shipped = release.zip_contents()["LICENSE.txt"]
        licence = (harness.REPO / "LICENSE").read_bytes()
        self.assertEqual(shipped, licence.replace(b"\n", b"\r\n"))
        self.assertIn(b"MIT License", shipped)
        self.assertIn(release.facts()["copyright_line"].encode(), shipped)

    def test_checksums_list_every_download(self):
        self.assertEqual(checksums(), {p.name: hashlib.sha256(p.read_bytes()).hexdigest()
                                       for p in release.DOWNLOADS})

    def test_the_web_zip_carries_the_licence_and_a_read_me(self):
        with zipfile.ZipFile(release.WEB_ZIP) as archive:
            top = f"{release.TOP}-web/"
            self.assertEqual(archive.read(top + "LICENSE.txt"),
                             (harness.REPO / "LICENSE").read_bytes())
            readme = archive.read(top + "README.txt").decode("utf-8")
            self.assertIn(top + "index.html", archive.namelist())
        self.assertIn(f"OrvaneATS {release.VERSION}", readme)
        self.assertIn("LICENSE.txt", readme)
        self.assertIn(release.facts()["copyright_line"], readme)

    def test_the_program_names_the_licence_holder_in_its_version_resource_and_about_box(self):
        rc = subprocess.run(
            [test_resources.WINDRES, "--input", str(unpacked / "orvaneats.exe"),
             "--input-format=coff", "--output-format=rc"],
            capture_output=True, check=True, timeout=60).stdout.decode("latin-1")
        values = {m.group(1): test_resources.unescape(m.group(2))
                  for m in re.finditer(rf'VALUE "(\w+)", ({test_resources.STRING})', rc)}
        facts = release.facts()
        self.assertEqual(values["CompanyName"], facts["publisher"])
        self.assertEqual(values["LegalCopyright"], facts["copyright_notice"])
        legal = re.search(rf"LTEXT ({test_resources.STRING}), 65535, 40, 25,", rc)
        self.assertIsNotNone(legal, "no legal line in the about box")
        self.assertEqual(test_resources.unescape(legal.group(1)), facts["legal_line"])


class Reproducible(unittest.TestCase):
    """Made again from the same builds, every download has the same bytes."""

    def test_the_release_step_twice_gives_the_same_checksums(self):
        first = checksums()
        for path in release.DOWNLOADS + (release.SUMS,):
            path.unlink()
        subprocess.run(["cmake", "--build", "--preset", "release"], cwd=harness.REPO,
                       check=True, capture_output=True, timeout=1800)
        self.assertEqual(checksums(), first)


def checksums():
    """{download name: SHA-256} as SHA256SUMS lists them."""
    lines = release.SUMS.read_text(encoding="ascii").splitlines()
    return dict(reversed(line.split("  ", 1)) for line in lines)


class FromUnpackedZip:
    """Starts the unpacked program by its C:\\ path from the session's own folder."""

    def setUp(self):
        exe = release.windows_path(session, unpacked / "orvaneats.exe")
        self.assertIn(" 試験\\", exe)
        self.program = tp.Program(exe)


class UnpackedWholeCycle(FromUnpackedZip, tp.OnWindows):
    """A whole cycle: bell player and chime heard, confirmed, ended; and every way out leaves
    no bell player and no sound."""


harness.scenarios.add_scenario_tests(UnpackedWholeCycle, only=harness.scenarios.named(
    "a whole cycle", "the end button", "Escape", "the close box", "Enter on a check box"))


class UnpackedKilledProgram(FromUnpackedZip, tp.KilledProgram):
    """A killed program takes its bell player with it."""


if __name__ == "__main__":
    unittest.main()
