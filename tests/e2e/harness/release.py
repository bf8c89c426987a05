"""What the release tests share: the release files, shortcuts and the registry under Wine."""

import json
import re
import struct
import subprocess
import zipfile
from pathlib import Path

from .build import REPO
from .processes import HarnessError
from .wine_prefix import WINE

VERSION = re.search(r"project\(OrvaneATS VERSION ([0-9.]+)",
                    (REPO / "CMakeLists.txt").read_text()).group(1)
RELEASE_DIR = REPO / "build" / "release"
TOP = f"OrvaneATS-{VERSION}"
ZIP = RELEASE_DIR / f"{TOP}-win64.zip"
SETUP = RELEASE_DIR / f"{TOP}-win64-setup.exe"
DEB = RELEASE_DIR / f"orvaneats_{VERSION}_amd64.deb"
WEB_ZIP = RELEASE_DIR / f"{TOP}-web.zip"
SUMS = RELEASE_DIR / "SHA256SUMS"
# Every download of a release, each listed in SHA256SUMS.
DOWNLOADS = (ZIP, SETUP, DEB, WEB_ZIP)
# The release folder's files, in the ZIP's order.
FILES = ("orvaneats.exe", "atsbell.exe", "atsbell.wav", "atschime.wav", "atsbrake.wav",
         "README.txt", "LICENSE.txt")
# A line of README.txt that only survives intact as UTF-8.
README_JAPANESE_LINE = ("OrvaneATS は、鉄道の自動列車停止装置（ATS）の運転台警報を再現する"
                        "小さな Windows プログラムです。")
# The release build's facts (cmake/release_facts.cmake), once it has been configured.
FACTS_FILE = RELEASE_DIR.parent / "release-tree" / "generated" / "release_facts.json"


def facts():
    """The release's facts as the build wrote them: publisher, copyright lines, ..."""
    return json.loads(FACTS_FILE.read_text(encoding="utf-8"))


def require_release():
    missing = [str(p) for p in DOWNLOADS + (SUMS, FACTS_FILE) if not p.exists()]
    if missing:
        raise HarnessError(f"missing: {', '.join(missing)}; build first with "
                                   "`cmake --workflow --preset release`")


def setup_of_version(version):
    """An installer of the release's files that calls itself another version, made as the
    release makes its own (for upgrades and downgrades)."""
    work = RELEASE_DIR.parent / "release-tree" / "other-versions" / version
    stage = work / TOP
    if not stage.exists():
        with zipfile.ZipFile(ZIP) as archive:
            archive.extractall(work)
    facts = (RELEASE_DIR.parent / "release-tree" / "generated" / "release_facts.nsh").read_text(
        encoding="utf-8").replace(f'"{VERSION}"', f'"{version}"')
    (work / "release_facts.nsh").write_text(facts, encoding="utf-8")
    setup = work / f"OrvaneATS-{version}-win64-setup.exe"
    subprocess.run(["makensis", "-V2", "-INPUTCHARSET", "UTF8",
                    f"-DFACTS={work / 'release_facts.nsh'}", f"-DSTAGE={stage}",
                    f"-DICON={REPO / 'res' / 'orvaneats_sizes.ico'}", f"-DOUTFILE={setup}",
                    str(REPO / "packaging" / "windows" / "installer.nsi")],
                   check=True, capture_output=True, timeout=600)
    return setup


def zip_contents():
    """{name inside the top folder: bytes} of the release ZIP."""
    with zipfile.ZipFile(ZIP) as archive:
        return {info.filename[len(TOP) + 1:]: archive.read(info)
                for info in archive.infolist() if not info.is_dir()}


def drive_c(session):
    """The session prefix's drive C as a Linux path."""
    return Path(session.env["WINEPREFIX"]) / "drive_c"


def wine_user_folder(session):
    """The Wine user's profile folder (C:\\users\\<name>) as a Linux path."""
    users = drive_c(session) / "users"
    names = [p for p in users.iterdir() if p.name != "Public"]
    if len(names) != 1:
        raise HarnessError(f"no single user profile in {users}")
    return names[0]


def linux_path(session, windows_path):
    """A C:\\ path of the session's prefix as a Linux path."""
    drive, rest = windows_path.split(":", 1)
    if drive.upper() != "C":
        raise ValueError(windows_path)
    return drive_c(session) / rest.strip("\\").replace("\\", "/")


def windows_path(session, path):
    """A Linux path inside the session prefix's drive C as a C:\\ path."""
    return "C:\\" + str(path.relative_to(drive_c(session))).replace("/", "\\")


def registry_values(session, key):
    """{value name: (type, data)} of one registry key, or None if the key does not exist."""
    out = subprocess.run([WINE, "reg", "query", key], env=session.env,
                         capture_output=True, timeout=60)
    if out.returncode != 0:
        return None
    values = {}
    for line in out.stdout.decode("utf-8", errors="replace").splitlines():
        match = re.match(r"^ {4}(.+?) {4}(REG_\w+) {4}(.*)$", line)
        if match:
            kind, data = match.group(2), match.group(3)
            values[match.group(1)] = (kind, int(data, 16) if kind == "REG_DWORD" else data)
    return values


def registry_subkeys(session, key):
    out = subprocess.run([WINE, "reg", "query", key], env=session.env,
                         capture_output=True, timeout=60)
    # reg names the root key in full.
    full = "HKEY_CURRENT_USER" + key[4:] if key.upper().startswith("HKCU\\") else key
    prefix = full.upper() + "\\"
    return [line.strip()[len(prefix):]
            for line in out.stdout.decode("utf-8", errors="replace").splitlines()
            if line.strip().upper().startswith(prefix)]


def exported_user_registry(session):
    """The whole of HKEY_CURRENT_USER as text (reg export)."""
    target = drive_c(session) / "hkcu-export.reg"
    subprocess.run([WINE, "reg", "export", "HKCU", "C:\\hkcu-export.reg", "/y"],
                   env=session.env, capture_output=True, timeout=120, check=True)
    try:
        return target.read_bytes().decode("utf-16")
    finally:
        target.unlink()


def read_shortcut(path):
    """Target, working folder, arguments and icon of a .lnk file (MS-SHLLINK format)."""
    data = Path(path).read_bytes()
    header_size, = struct.unpack_from("<I", data, 0)
    if header_size != 0x4C:
        raise ValueError(f"{path} is not a shell link")
    flags, = struct.unpack_from("<I", data, 0x14)
    has_id_list, has_link_info, is_unicode = flags & 0x1, flags & 0x2, flags & 0x80
    pos = header_size
    if has_id_list:
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = None
    if has_link_info:
        size, info_header, info_flags, _, base_offset, _, suffix_offset = \
            struct.unpack_from("<7I", data, pos)
        if info_flags & 0x1:  # VolumeIDAndLocalBasePath

            def ansi(offset):  # the ANSI path; the install paths are ASCII
                end = data.index(b"\0", pos + offset)
                return data[pos + offset:end].decode("latin-1")

            target = ansi(base_offset) + ansi(suffix_offset)
        pos += size
    strings = {}
    for flag, name in ((0x4, "name"), (0x8, "relative_path"), (0x10, "working_dir"),
                       (0x20, "arguments"), (0x40, "icon")):
        if flags & flag:
            count, = struct.unpack_from("<H", data, pos)
            pos += 2
            width = 2 if is_unicode else 1
            raw = data[pos:pos + count * width]
            # Wine counts the terminating NUL in; the format does not.
            strings[name] = raw.decode("utf-16-le" if is_unicode else "latin-1").rstrip("\0")
            pos += count * width
    return dict(strings, target=target)
