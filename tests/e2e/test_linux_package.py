"""The Linux edition's .deb as built by `cmake --workflow --preset linux`: what it holds and
what it asks for, the release's facts in it, and lintian's verdict. (Installing it needs root
and changes the machine; that is done by hand.)"""

import configparser
import datetime
import email.utils
import gzip
import json
import re
import subprocess
import unittest
import xml.etree.ElementTree as ET

import harness

BUILD_DIR = harness.REPO / "build" / "linux"
FACTS = BUILD_DIR / "generated" / "release_facts.json"
NOTES = harness.REPO / "RELEASE_NOTES.md"
XML_LANG = "{http://www.w3.org/XML/1998/namespace}lang"
APP_ID = "org.orvaneats.OrvaneATS"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
DOC = "usr/share/doc/orvaneats"
GZIP_FLAG_NAME = 0x08


def package():
    debs = sorted(BUILD_DIR.glob("orvaneats_*_amd64.deb"))
    if not debs:
        raise unittest.SkipTest(f"no orvaneats_*_amd64.deb in {BUILD_DIR}; make it with "
                                "`cmake --workflow --preset linux`")
    return debs[-1]


def dpkg_deb(*args):
    return subprocess.run(["dpkg-deb", *map(str, args)], check=True, capture_output=True,
                          text=True, timeout=60).stdout


class PackageCase(unittest.TestCase):
    """The package, its file list and, once asked for, its unpacked contents."""

    @classmethod
    def setUpClass(cls):
        cls.deb = package()
        cls.files = {line.split()[-1].lstrip(".") for line in
                     dpkg_deb("-c", cls.deb).splitlines()}
        cls.unpacked = None

    def contents(self):
        if type(self).unpacked is None:
            folder = BUILD_DIR / "deb-contents"
            subprocess.run(["rm", "-rf", str(folder)], check=True)
            dpkg_deb("-x", self.deb, folder)
            type(self).unpacked = folder
        return type(self).unpacked


class DebianPackage(PackageCase):

    def test_name_version_and_dependencies(self):
        self.assertEqual(self.deb.name, "orvaneats_1.2.0_amd64.deb")
        fields = dpkg_deb("-f", self.deb, "Package", "Version", "Architecture", "Depends")
        self.assertIn("Version: 1.2.0", fields)
        self.assertIn("Architecture: amd64", fields)
        depends = fields.split("Depends:", 1)[1]
        self.assertIn("fonts-ipafont-gothic | fonts-noto-cjk", depends)
        for library in ("libqt6widgets6", "libpulse0", "libc6"):
            self.assertIn(library, depends)  # found from the linked libraries

    def test_program_waves_entry_metainfo_and_icons_in_place(self):
        wanted = {"/usr/bin/orvaneats", "/usr/share/orvaneats/atsbell.wav",
                  "/usr/share/orvaneats/atschime.wav", "/usr/share/orvaneats/atsbrake.wav",
                  f"/usr/share/applications/{APP_ID}.desktop",
                  f"/usr/share/metainfo/{APP_ID}.metainfo.xml"}
        wanted |= {f"/usr/share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png" for n in ICON_SIZES}
        self.assertLessEqual(wanted, self.files)

    def test_desktop_entry_starts_the_installed_program(self):
        folder = self.contents()
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(folder / f"usr/share/applications/{APP_ID}.desktop", encoding="utf-8")
        section = entry["Desktop Entry"]
        self.assertEqual(section["Exec"].split()[0], "orvaneats")
        self.assertEqual(section["Icon"], APP_ID)
        self.assertTrue(section["Comment"] and section["Comment[ja]"])
        # The program's name in every language; Japanese search words only in Japanese.
        self.assertEqual(section["Name[ja]"], section["Name"])
        self.assertNotRegex(section["Keywords"], r"[^\x00-\x7f]")
        self.assertIn("鉄道", section["Keywords[ja]"].split(";"))
        self.assertIn("Education", section["Categories"].split(";"))
        # The icons are the program's icon, square, at their sizes.
        for size in ICON_SIZES:
            png = folder / f"usr/share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png"
            out = subprocess.run(["file", str(png)], capture_output=True, text=True).stdout
            self.assertIn(f"{size} x {size}", out)


    def test_program_is_hardened_as_debian_builds_and_carries_no_compiler_notes(self):
        program = self.contents() / "usr/bin/orvaneats"
        symbols = subprocess.run(["nm", "-D", str(program)], capture_output=True, text=True,
                                 check=True).stdout
        sections = subprocess.run(["readelf", "-S", "-W", str(program)], capture_output=True,
                                  text=True, check=True).stdout
        self.assertIn(" __stack_chk_fail@", symbols)  # -fstack-protector-strong
        self.assertRegex(symbols, r" __\w+_chk@")  # _FORTIFY_SOURCE
        self.assertNotIn(".comment", sections)


class ReleaseFactsInThePackage(PackageCase):
    """Licence, copyright, changelog and metainfo say what the release's facts say, dated from
    the newest release notes."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.facts = json.loads(FACTS.read_text(encoding="utf-8"))

    def test_the_facts_are_dated_from_the_newest_release_notes(self):
        newest = re.search(r"^## (\S+) \((\S+)\)$", NOTES.read_text(encoding="utf-8"), re.M)
        self.assertEqual((self.facts["version"], self.facts["release_date"]), newest.groups(),
                         "the build is not of these release notes: build it again")
        day = datetime.datetime.fromisoformat(newest.group(2) + "T00:00:00+00:00")
        self.assertEqual(self.facts["source_date_epoch"], int(day.timestamp()))

    def test_metainfo_names_the_licence_and_every_release_with_its_notes(self):
        root = ET.parse(self.contents() / f"usr/share/metainfo/{APP_ID}.metainfo.xml").getroot()
        self.assertEqual(root.findtext("project_license"), "MIT")
        self.assertEqual(root.findtext("id"), APP_ID)
        headings = re.findall(r"^## (\S+) \((\S+)\)$", NOTES.read_text(encoding="utf-8"), re.M)
        releases = root.findall("releases/release")
        self.assertEqual([(r.get("version"), r.get("date")) for r in releases], headings)
        for release in releases:
            languages = {li.get(XML_LANG) for li in release.iter("li")}
            self.assertEqual(languages, {None, "ja"}, release.get("version"))

    def test_metainfo_for_software_centres(self):
        root = ET.parse(self.contents() / f"usr/share/metainfo/{APP_ID}.metainfo.xml").getroot()
        developer = root.find("developer")
        self.assertEqual((developer.get("id"), developer.findtext("name")),
                         (self.facts["developer_id"], self.facts["publisher"]))
        self.assertEqual([lang.text for lang in root.findall("languages/lang")], ["ja"])
        # Each paragraph of the description in English, then in Japanese.
        paragraphs = root.findall("description/p")
        self.assertEqual([p.get(XML_LANG) for p in paragraphs],
                         [None, "ja"] * (len(paragraphs) // 2))
        self.assertIn("Japanese only", paragraphs[-2].text)
        self.assertIn("日本語のみ", paragraphs[-1].text)
        self.assertEqual({c.text for c in root.findall("supports/control")},
                         {"pointing", "keyboard", "touch"})
        self.assertIsNotNone(root.find("requires/display_length"))
        self.assertEqual({c.get("scheme_preference") for c in root.findall("branding/color")},
                         {"light", "dark"})
        # Public addresses only as the release's facts name them.
        urls = {url.get("type"): url.text for url in root.findall("url")}
        self.assertEqual(urls, {kind: self.facts[f"{kind}_url"] for kind in
                                ("homepage", "bugtracker") if self.facts[f"{kind}_url"]})
        self.assertEqual(root.find("screenshots") is not None,
                         bool(self.facts["screenshot_base_url"]))

    def test_machine_readable_copyright_with_the_licence_text(self):
        copyright_file = (self.contents() / DOC / "copyright").read_text(encoding="utf-8")
        paragraphs = copyright_file.split("\n\n")
        self.assertTrue(paragraphs[0].startswith(
            "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"))
        self.assertIn("Upstream-Name: OrvaneATS", paragraphs[0])
        files = paragraphs[1]
        self.assertIn(f"Files: *\nCopyright: {self.facts['copyright_year']} "
                      f"{self.facts['publisher']}\nLicense: Expat\n", files)
        # The terms as LICENSE words them, one space in, empty lines as " .".
        terms = (harness.REPO / "LICENSE").read_text(encoding="utf-8").split(
            self.facts["copyright_line"] + "\n", 1)[1].strip()
        body = files.split("License: Expat\n", 1)[1].rstrip("\n")
        unfolded = "\n".join("" if line == " ." else line[1:] for line in body.split("\n"))
        self.assertEqual(unfolded, terms)

    def test_changelog_and_manual_page_compressed_without_time_or_name(self):
        changelog = self.contents() / DOC / "changelog.gz"
        manual = self.contents() / "usr/share/man/man1/orvaneats.1.gz"
        for path in (changelog, manual):
            header = path.read_bytes()[:10]
            with self.subTest(path=path.name):
                self.assertEqual(header[:3], b"\x1f\x8b\x08")
                self.assertFalse(header[3] & GZIP_FLAG_NAME, "a file name in the header")
                self.assertEqual(header[4:8], b"\0\0\0\0", "a time in the header")
                self.assertEqual(header[8], 2, "not compressed at level 9")
        self.assertFalse((self.contents() / DOC / "changelog.Debian.gz").exists())
        text = gzip.decompress(changelog.read_bytes()).decode("utf-8")
        self.assertTrue(text.startswith(f"orvaneats ({self.facts['version']}) "), text)
        notes = [line for line in text.splitlines() if line.startswith("  ")]
        self.assertLessEqual(max(map(len, notes)), 80)
        trailer = re.search(r"^ -- (.+ <.+>)  (.+)$", text, re.M)
        self.assertEqual(trailer.group(1), self.facts["contact"])
        when = email.utils.parsedate_to_datetime(trailer.group(2))
        self.assertEqual(int(when.timestamp()), self.facts["source_date_epoch"])
        self.assertIn(self.facts["release_date"],
                      gzip.decompress(manual.read_bytes()).decode("utf-8").split("\n", 1)[0])


class Lintian(unittest.TestCase):
    def test_no_errors_or_warnings(self):
        out = subprocess.run(["lintian", "--fail-on", "error,warning", "--no-tag-display-limit",
                              str(package())], capture_output=True, text=True, timeout=600)
        self.assertEqual(out.returncode, 0, out.stdout + out.stderr)
        problems = [line for line in out.stdout.splitlines() if line[:3] in ("E: ", "W: ")]
        self.assertEqual(problems, [], out.stdout)


if __name__ == "__main__":
    unittest.main()
