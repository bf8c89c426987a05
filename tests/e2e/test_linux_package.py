"""The Linux edition's .deb as built by `cmake --workflow --preset linux`: what it holds and
what it asks for. (Installing it needs root and changes the machine; that is done by hand.)"""

import configparser
import subprocess
import unittest

import harness

BUILD_DIR = harness.REPO / "build" / "linux"
APP_ID = "org.orvaneats.OrvaneATS"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def package():
    debs = sorted(BUILD_DIR.glob("orvaneats_*_amd64.deb"))
    if not debs:
        raise unittest.SkipTest(f"no orvaneats_*_amd64.deb in {BUILD_DIR}; make it with "
                                "`cmake --workflow --preset linux`")
    return debs[-1]


def dpkg_deb(*args):
    return subprocess.run(["dpkg-deb", *map(str, args)], check=True, capture_output=True,
                          text=True, timeout=60).stdout


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.deb = package()
        cls.files = {line.split()[-1].lstrip(".") for line in
                     dpkg_deb("-c", cls.deb).splitlines()}

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
                  "/usr/share/orvaneats/atschime.wav",
                  f"/usr/share/applications/{APP_ID}.desktop",
                  f"/usr/share/metainfo/{APP_ID}.metainfo.xml"}
        wanted |= {f"/usr/share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png" for n in ICON_SIZES}
        self.assertLessEqual(wanted, self.files)

    def test_desktop_entry_starts_the_installed_program(self):
        folder = harness.REPO / "build" / "linux" / "deb-contents"
        subprocess.run(["rm", "-rf", str(folder)], check=True)
        dpkg_deb("-x", self.deb, folder)
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(folder / f"usr/share/applications/{APP_ID}.desktop", encoding="utf-8")
        section = entry["Desktop Entry"]
        self.assertEqual(section["Exec"].split()[0], "orvaneats")
        self.assertEqual(section["Icon"], APP_ID)
        self.assertTrue(section["Name[ja]"] and section["Comment"] and section["Name"])
        self.assertIn("Education", section["Categories"].split(";"))
        # The icons are the program's icon, square, at their sizes.
        for size in ICON_SIZES:
            png = folder / f"usr/share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png"
            out = subprocess.run(["file", str(png)], capture_output=True, text=True).stdout
            self.assertIn(f"{size} x {size}", out)


if __name__ == "__main__":
    unittest.main()
