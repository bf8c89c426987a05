"""Writes a release ZIP that depends only on its files and one time: entries in the order
given, each with that time and fixed attributes, every folder listed before its files.

Shared by the Windows release (packaging/windows/make_release.py) and the browser edition's
site (web/make_site.py).
"""

import time
import zipfile
from pathlib import Path

# The earliest time a ZIP entry can hold.
ZIP_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC

FILE_ATTRIBUTE_ARCHIVE = 0x20
FILE_ATTRIBUTE_DIRECTORY = 0x10


def _attributes(unix, folder):
    """(create_system, external_attr): MS-DOS attributes, which Windows reads as they are, or
    Unix modes for a site that is unpacked on a server."""
    if unix:
        return 3, ((0o40755 << 16) | FILE_ATTRIBUTE_DIRECTORY) if folder else 0o100644 << 16
    return 0, FILE_ATTRIBUTE_DIRECTORY if folder else FILE_ATTRIBUTE_ARCHIVE


def write_zip(path, top, folder, names, epoch, unix=False, extra=None):
    """Packs folder/<name> for each name (which may hold subfolders) under top/ in path, then
    the files of extra ({name in top/: bytes}) that the folder lacks."""
    extra = extra or {}
    contents = [(name, lambda name=name: (folder / name).read_bytes()) for name in names]
    contents += [(name, lambda data=data: data) for name, data in extra.items()]
    stamp = time.gmtime(max(epoch, ZIP_EPOCH))[:6]
    subfolders = sorted({str(Path(name).parent) for name, _ in contents} - {"."})
    path.parent.mkdir(parents=True, exist_ok=True)
    tmp = path.with_suffix(".tmp")
    with zipfile.ZipFile(tmp, "w") as archive:
        for sub in [""] + [f + "/" for f in subfolders]:
            entry = zipfile.ZipInfo(f"{top}/{sub}", stamp)
            entry.create_system, entry.external_attr = _attributes(unix, folder=True)
            archive.writestr(entry, b"")
        for name, read in contents:
            entry = zipfile.ZipInfo(f"{top}/{name}", stamp)
            entry.create_system, entry.external_attr = _attributes(unix, folder=False)
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, read(), compresslevel=9)
    tmp.replace(path)
