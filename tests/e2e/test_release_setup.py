"""The installer as a user meets it, in a fresh Wine prefix: its first page in English and in
Japanese, a silent install (files, Start-menu shortcut, installed-programs entry), the program
started from the shortcut through a whole cycle, a second install over the first, a silent
uninstall that leaves the prefix as it was, an older install's uninstaller that leaves a
newer install in another folder alone, an upgrade that takes an older install in another
folder away and a refused downgrade. Needs `cmake --workflow --preset release` (and the
windows build for the test driver).
"""

import shutil
import time
import unittest

import harness
from harness import release
import test_program as tp

UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall"
ENTRY_KEY = UNINSTALL_KEY + r"\OrvaneATS"
SETUP_TITLES = {"C.UTF-8": f"OrvaneATS {release.VERSION} Setup",
                "ja_JP.UTF-8": f"OrvaneATS {release.VERSION} セットアップ"}
IDYES = 6
EXIT_NEWER_INSTALLED = 3
# What installing adds to the release folder's files.
INSTALLED_FILES = sorted(release.FILES + ("uninstall.exe",))

session = None
user = None  # the Wine user's profile folder (Linux path)
before = None  # the prefix as it was before anything was installed


def setUpModule():
    global session, user, before
    release.require_release()
    session, driver, recorder = harness.shared_session()
    tp.session, tp.driver, tp.recorder = session, driver, recorder
    user = release.wine_user_folder(session)
    before = prefix_state()


# -- the prefix -----------------------------------------------------------------------------

def install_dir():
    return user / "AppData" / "Local" / "Programs" / "OrvaneATS"


def drive_c():
    return harness.Path(session.env["WINEPREFIX"]) / "drive_c"


def menu_shortcut():
    return (user / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu" / "Programs" /
            "OrvaneATS.lnk")


def desktop_shortcut():
    return user / "Desktop" / "OrvaneATS.lnk"


def prefix_state():
    """Every file and folder of drive C but the temporary ones, and every line of HKCU that
    names the program."""
    temp = user / "Temp"
    paths = {str(p.relative_to(drive_c())) for p in drive_c().rglob("*")
             if temp not in p.parents and p != temp}
    registry = [line for line in release.exported_user_registry(session).splitlines()
                if "orvane" in line.lower()]
    return paths, registry


def entries():
    """The installed-programs entries that are this program's."""
    names = []
    for key in release.registry_subkeys(session, UNINSTALL_KEY):
        values = release.registry_values(session, f"{UNINSTALL_KEY}\\{key}") or {}
        if values.get("DisplayName", (None, None))[1] == "OrvaneATS":
            names.append(key)
    return names


def install(*options, setup=release.SETUP):
    proc = session.start_windows(setup, "/S", *options)
    if proc.wait(120) != 0:
        raise AssertionError(f"setup {' '.join(options)} ended with {proc.returncode}")


def ensure_installed():
    if not (install_dir() / "orvaneats.exe").exists():
        install()


def uninstall_quietly(folder=None):
    """Runs the entry's quiet-uninstall command as Windows would, and waits for the
    uninstaller's copy in the temporary folder to finish."""
    folder = folder or install_dir()
    command = release.registry_values(session, ENTRY_KEY)["QuietUninstallString"][1]
    exe, options = command[1:].split('" ', 1)
    proc = session.start_windows(exe, *options.split())
    proc.wait(60)
    done = tp.wait_for(lambda: not folder.exists() and
                       release.registry_values(session, ENTRY_KEY) is None, 60, interval=0.5)
    if not done:
        raise AssertionError("the uninstaller did not finish")
    tp.wait_for(lambda: tp.driver.ok("procs Un.exe") == "0", 30, interval=0.5)


# -- the tests ------------------------------------------------------------------------------

class InstallerFirstPage(unittest.TestCase):
    """The first page speaks the system's language; cancelling installs nothing."""

    def show_and_cancel(self, lang, screenshot):
        proc = session.start_windows(release.SETUP, env={"LANG": lang, "LC_ALL": lang})
        try:
            window = tp.driver.ok(f"find 60000 {SETUP_TITLES[lang]}", timeout=90)
            self.assertNotEqual(window, "none", f"no installer window titled "
                                                f"{SETUP_TITLES[lang]!r}")
            time.sleep(1)  # the page's pictures are drawn after the window shows
            tp.save_window_screenshot(screenshot, folder=release.RELEASE_DIR)
            tp.driver.ok(f"post-click {tp.IDCANCEL}")
            # Asked whether to quit (a box of the same title, above its owner), the user says
            # yes.
            asked = tp.wait_for(
                lambda: tp.driver.ok(f"find 500 {SETUP_TITLES[lang]}") not in (window, "none"),
                10)
            self.assertTrue(asked, "no question before quitting")
            tp.driver.ok(f"post-click {IDYES}")
            proc.wait(30)
        finally:
            if proc.poll() is None:
                tp.driver.cmd("kill-procs " + release.SETUP.name)
        self.assertFalse(install_dir().exists())

    def test_english_on_an_english_system(self):
        self.show_and_cancel("C.UTF-8", "screenshot-setup-en.png")

    def test_japanese_on_a_japanese_system(self):
        self.show_and_cancel("ja_JP.UTF-8", "screenshot-setup-ja.png")


class SilentInstall(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        ensure_installed()

    def test_the_release_files_and_the_uninstaller_in_the_users_programs_folder(self):
        self.assertEqual(sorted(p.name for p in install_dir().iterdir()), INSTALLED_FILES)
        for name, data in release.zip_contents().items():
            self.assertEqual((install_dir() / name).read_bytes(), data, name)

    def test_start_menu_shortcut_starts_the_program_in_its_folder(self):
        link = release.read_shortcut(menu_shortcut())
        folder = release.windows_path(session, install_dir())
        self.assertEqual(link["target"], folder + "\\orvaneats.exe")
        self.assertEqual(link["working_dir"], folder)
        self.assertEqual(link.get("arguments", ""), "")
        self.assertFalse(desktop_shortcut().exists(), "a desktop shortcut nobody asked for")

    def test_one_installed_programs_entry_with_name_version_publisher_icon_and_commands(self):
        self.assertEqual(entries(), ["OrvaneATS"])
        values = release.registry_values(session, ENTRY_KEY)
        folder = release.windows_path(session, install_dir())
        uninstaller = f'"{folder}\\uninstall.exe"'
        expected = {
            "DisplayName": ("REG_SZ", "OrvaneATS"),
            "DisplayVersion": ("REG_SZ", release.VERSION),
            "Publisher": ("REG_SZ", release.facts()["publisher"]),
            "DisplayIcon": ("REG_SZ", folder + "\\orvaneats.exe,0"),
            "InstallLocation": ("REG_SZ", folder),
            "UninstallString": ("REG_SZ", uninstaller),
            "QuietUninstallString": ("REG_SZ", uninstaller + " /S"),
        }
        for name, value in expected.items():
            self.assertEqual(values.get(name), value, name)
        kind, kib = values["EstimatedSize"]
        self.assertEqual(kind, "REG_DWORD")
        total = sum(p.stat().st_size for p in install_dir().iterdir())
        self.assertAlmostEqual(kib, total / 1024, delta=len(INSTALLED_FILES))


class ProgramFromStartMenu(tp.OnWindows):
    """The program the Start-menu shortcut points at runs a whole cycle with both sounds."""

    @classmethod
    def setUpClass(cls):
        ensure_installed()

    def setUp(self):
        target = release.read_shortcut(menu_shortcut())["target"]
        self.program = tp.Program(target)
        time.sleep(1)
        tp.save_window_screenshot("screenshot-installed-program.png", folder=release.RELEASE_DIR)


harness.scenarios.add_scenario_tests(ProgramFromStartMenu,
                                     only=harness.scenarios.named("a whole cycle"))


class WhileTheProgramRuns(unittest.TestCase):
    """Neither installing over it nor uninstalling it pulls files from under a running
    program; silent runs give up at once."""

    def test_setup_and_uninstall_leave_a_running_program_alone(self):
        ensure_installed()
        program = tp.Program(release.read_shortcut(menu_shortcut())["target"])
        try:
            proc = session.start_windows(release.SETUP, "/S")
            self.assertNotEqual(proc.wait(120), 0, "setup went on over the running program")
            uninstaller = install_dir() / "uninstall.exe"
            session.start_windows(uninstaller, "/S").wait(60)
            # It hands over to its copy in the temporary folder; let that one come and go.
            tp.wait_for(lambda: tp.driver.ok("procs Un.exe") != "0", 5, interval=0.2)
            tp.wait_for(lambda: tp.driver.ok("procs Un.exe") == "0", 30, interval=0.5)
            self.assertTrue(uninstaller.exists())
            self.assertEqual(entries(), ["OrvaneATS"])
            self.assertTrue(program.running())
        finally:
            program.kill()


class InstallAgainThenUninstall(unittest.TestCase):
    def test_second_install_keeps_one_entry_and_uninstall_leaves_nothing_behind(self):
        ensure_installed()
        install("/DESKTOP")  # over the first, now with a desktop shortcut
        self.assertEqual(entries(), ["OrvaneATS"])
        self.assertEqual(sorted(p.name for p in install_dir().iterdir()), INSTALLED_FILES)
        self.assertEqual(release.read_shortcut(desktop_shortcut())["target"],
                         release.windows_path(session, install_dir() / "orvaneats.exe"))

        uninstall_quietly()
        self.assertFalse(menu_shortcut().exists())
        self.assertFalse(desktop_shortcut().exists())
        self.assertEqual(entries(), [])
        paths, registry = prefix_state()
        self.assertEqual(sorted(paths - before[0]), [], "left behind")
        self.assertEqual(sorted(before[0] - paths), [], "removed although not installed")
        self.assertEqual(registry, before[1])


class OlderUninstallerInAnotherFolder(unittest.TestCase):
    """An uninstaller that an earlier install left in another folder takes away its own files
    only: the newer install keeps its shortcut and its entry, and still runs."""

    def test_leaves_the_newer_installs_shortcut_and_entry_alone(self):
        older = drive_c() / "OrvaneATS-older"
        newer = drive_c() / "OrvaneATS-newer"
        install(f"/D={release.windows_path(session, older)}")
        # An installer that did not take the older copy away on an upgrade left it: put it back.
        kept = drive_c() / "OrvaneATS-older-kept"
        shutil.copytree(older, kept)
        install(f"/D={release.windows_path(session, newer)}")
        self.addCleanup(uninstall_quietly, newer)
        self.assertFalse(older.exists())
        kept.rename(older)

        session.start_windows(older / "uninstall.exe", "/S").wait(60)
        gone = tp.wait_for(lambda: not older.exists(), 60, interval=0.5)
        tp.wait_for(lambda: tp.driver.ok("procs Un.exe") == "0", 30, interval=0.5)
        self.assertTrue(gone, "the older install's files stayed")
        self.assertEqual(entries(), ["OrvaneATS"])
        location = release.registry_values(session, ENTRY_KEY)["InstallLocation"][1]
        self.assertEqual(location, release.windows_path(session, newer))
        target = release.read_shortcut(menu_shortcut())["target"]
        self.assertEqual(target, release.windows_path(session, newer / "orvaneats.exe"))
        program = tp.Program(target)
        try:
            self.assertTrue(program.running())
        finally:
            program.kill()


class OtherVersions(unittest.TestCase):
    """An upgrade takes the older copy away wherever it was; a downgrade is refused when
    silent."""

    def test_upgrade_into_another_folder_leaves_nothing_of_the_older_install(self):
        older = drive_c() / "OrvaneATS-older"
        install(f"/D={release.windows_path(session, older)}",
                setup=release.setup_of_version("1.1.0"))
        self.assertTrue((older / "uninstall.exe").exists())
        install(f"/D={release.windows_path(session, install_dir())}")
        self.addCleanup(uninstall_quietly)
        self.assertFalse(older.exists(), "the older install's folder stayed")
        self.assertEqual(sorted(p.name for p in install_dir().iterdir()), INSTALLED_FILES)
        self.assertEqual(entries(), ["OrvaneATS"])
        values = release.registry_values(session, ENTRY_KEY)
        self.assertEqual(values["DisplayVersion"], ("REG_SZ", release.VERSION))
        self.assertEqual(values["InstallDate"], ("REG_SZ", time.strftime("%Y%m%d")))

    def test_silent_downgrade_is_refused_with_its_exit_code(self):
        ensure_installed()
        self.addCleanup(uninstall_quietly)
        proc = session.start_windows(release.setup_of_version("1.1.9"), "/S")
        self.assertEqual(proc.wait(120), EXIT_NEWER_INSTALLED)
        values = release.registry_values(session, ENTRY_KEY)
        self.assertEqual(values["DisplayVersion"], ("REG_SZ", release.VERSION))
        self.assertEqual(sorted(p.name for p in install_dir().iterdir()), INSTALLED_FILES)


if __name__ == "__main__":
    unittest.main()
