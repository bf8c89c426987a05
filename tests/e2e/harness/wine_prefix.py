"""The settings of a Wine prefix that runs the Windows program: its dialog fonts and Wine's own
UI font mapped to the installed IPA fonts. The tests' prefix adds undecorated windows and is
made once, then copied for each session.

scripts/run.sh prepares the user's prefix with it:

    python3 tests/e2e/harness/wine_prefix.py prepare-prefix "$WINEPREFIX"

Standard library only, so that it runs as a script as well as inside the harness package.
"""

import fcntl
import os
import shutil
import subprocess
import sys
from pathlib import Path

WINE_DIR = Path("/usr/lib/wine")
WINE = str(WINE_DIR / "wine64") if (WINE_DIR / "wine64").exists() else "wine"
WINESERVER = (str(WINE_DIR / "wineserver")
              if (WINE_DIR / "wineserver").exists() else "wineserver")

# The dialog fonts the program asks for, and the installed family that stands in for each.
FONT_SUBSTITUTES = {
    "ＭＳ Ｐゴシック": "IPAPGothic",
    "MS PGothic": "IPAPGothic",
    "ＭＳ ゴシック": "IPAGothic",
    "MS Gothic": "IPAGothic",
}
FONT_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes"
# Wine's own UI font (title bars, menus) has no Japanese glyphs: it falls back to IPA P Gothic.
FONT_LINK_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink"
FONT_LINKS = {"Tahoma": "ipagp.ttf,IPAPGothic"}
# With no window manager on the tests' private display, Wine draws the title bars itself, so
# the screenshots show the caption, the icon and the close box. A desktop's window manager
# draws them for the user's prefix.
X11_KEY = r"HKCU\Software\Wine\X11 Driver"
UNDECORATED = {"Decorated": "N"}


class PrefixError(RuntimeError):
    pass


def registry_values(undecorated=False):
    """(key, value name, type, data) of every setting, in the order they are written."""
    values = [(FONT_KEY, name, "REG_SZ", family) for name, family in FONT_SUBSTITUTES.items()]
    values += [(FONT_LINK_KEY, name, "REG_MULTI_SZ", data) for name, data in FONT_LINKS.items()]
    if undecorated:
        values += [(X11_KEY, name, "REG_SZ", data) for name, data in UNDECORATED.items()]
    return values


def wine_version():
    out = subprocess.run([WINE, "--version"], capture_output=True, text=True, timeout=30)
    return out.stdout.strip()


def stamp(undecorated=False):
    """What a prepared prefix depends on: a cached prefix with another stamp is made again."""
    return wine_version() + "\n" + repr(registry_values(undecorated))


def stop_wineserver(env):
    """Ends the prefix's wineserver; it writes the registry to disk as it goes."""
    try:
        subprocess.run([WINESERVER, "-k"], env=env, capture_output=True, timeout=30)
        subprocess.run([WINESERVER, "-w"], env=env, capture_output=True, timeout=30)
    except subprocess.TimeoutExpired:
        pass


def installed_families():
    out = subprocess.run(["fc-list", ":lang=ja", "family"], capture_output=True, text=True,
                         timeout=60).stdout
    return {name.strip() for line in out.splitlines() for name in line.split(",")}


def check_font_substitutes(prefix):
    # system.reg keeps non-ASCII characters as \xNNNN escapes.
    def escaped(text):
        return "".join(c if ord(c) < 128 else f"\\x{ord(c):x}" for c in text)

    registry = (Path(prefix) / "system.reg").read_text(encoding="utf-8", errors="replace")
    for name, family in FONT_SUBSTITUTES.items():
        if f'"{escaped(name)}"="{family}"' not in registry:
            raise PrefixError(f"font substitute {name} -> {family} did not reach the registry")


def prepare_prefix(prefix, env=None, undecorated=False):
    """Makes a new prefix (wineboot) and writes the settings into it. `env` is the environment
    to run Wine in (its WINEPREFIX is replaced by `prefix`); on failure the prefix is
    removed."""
    env = dict(os.environ if env is None else env, WINEPREFIX=str(prefix))
    families = installed_families()
    for family in sorted(set(FONT_SUBSTITUTES.values())):
        if family not in families:
            raise PrefixError(f"font family {family} is not installed "
                              "(scripts/deps-wine.sh installs it)")
    try:
        subprocess.run([WINE, "wineboot", "-i"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300,
                       check=True)
        for key, name, kind, data in registry_values(undecorated):
            subprocess.run([WINE, "reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f"],
                           env=env, capture_output=True, timeout=120, check=True)
        stop_wineserver(env)
        check_font_substitutes(prefix)
    except BaseException:
        stop_wineserver(env)
        shutil.rmtree(prefix, ignore_errors=True)
        raise


def copy_prepared(cache, prefix, env, dpi=None):
    """Copies a ready undecorated prefix, made once per Wine version and settings in `cache`,
    to `prefix`, with folders of its own for the user's Desktop, Documents and the like and,
    with `dpi` given, that display scale (96 is 100 %)."""
    cache.mkdir(parents=True, exist_ok=True)
    template, stamp_file = cache / "template", cache / "stamp"
    wanted = stamp(undecorated=True)
    with open(cache / "lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not (template.is_dir() and stamp_file.exists() and stamp_file.read_text() == wanted):
            stamp_file.unlink(missing_ok=True)
            shutil.rmtree(template, ignore_errors=True)
            prepare_prefix(template, env, undecorated=True)
            stamp_file.write_text(wanted)
        subprocess.run(["cp", "-a", str(template), str(prefix)], check=True, timeout=300)
    detach_home_folders(prefix)
    if dpi is not None:
        set_dpi(prefix, dpi)


def detach_home_folders(prefix):
    """Wine links the user's Desktop, Documents and the like to $HOME; here they become folders
    of the prefix, so that nothing a test makes there reaches the real home folder."""
    for link in (Path(prefix) / "drive_c" / "users").glob("*/*"):
        if link.is_symlink():
            link.unlink()
            link.mkdir()


def set_dpi(prefix, dpi):
    """Writes LogPixels into the prefix's user registry, before Wine reads it."""
    registry = Path(prefix) / "user.reg"
    lines = registry.read_text(encoding="utf-8").split("\n")
    value = f'"LogPixels"=dword:{dpi:08x}'
    for i, line in enumerate(lines):
        if line.startswith("[Control Panel\\\\Desktop]"):
            lines.insert(i + 1, value)
            break
    else:
        lines += ["", "[Control Panel\\\\Desktop]", value]
    registry.write_text("\n".join(lines), encoding="utf-8")


def main(argv):
    if len(argv) != 3 or argv[1] != "prepare-prefix":
        sys.exit(f"usage: {argv[0]} prepare-prefix PREFIX")
    try:
        prepare_prefix(Path(argv[2]))
    except (PrefixError, subprocess.SubprocessError) as error:
        sys.exit(f"preparing the Wine prefix failed: {error}")


if __name__ == "__main__":
    main(sys.argv)
