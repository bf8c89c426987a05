"""Makes the Windows release: the portable ZIP, the NSIS installer and SHA256SUMS.

    make_release.py --version 1.2.0 --source <repository> --work <scratch folder>
                    --out <release folder> --exe <orvaneats.exe> --exe <atsbell.exe>

Every output depends only on its inputs and the time of the last commit (SOURCE_DATE_EPOCH
when set): the ZIP's entries have fixed times, order and attributes, and the staged files
carry that time into the installer.
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import time
import zipfile
from pathlib import Path

# 2026-01-01 00:00:00 UTC: the time of a source tree outside git with no SOURCE_DATE_EPOCH.
FALLBACK_EPOCH = 1767225600
# The earliest time a ZIP entry can hold.
ZIP_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC

BOM = b"\xef\xbb\xbf"
FILE_ATTRIBUTE_ARCHIVE = 0x20
FILE_ATTRIBUTE_DIRECTORY = 0x10


def source_date_epoch(source):
    """SOURCE_DATE_EPOCH if set, else the last commit's time, else a fixed time."""
    if os.environ.get("SOURCE_DATE_EPOCH", "").isdigit():
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        out = subprocess.run(["git", "-C", str(source), "log", "-1", "--format=%ct"],
                             capture_output=True, text=True, timeout=60)
        if out.returncode == 0 and out.stdout.strip().isdigit():
            return int(out.stdout.strip())
    except OSError:
        pass
    return FALLBACK_EPOCH


def windows_text(text, bom):
    """UTF-8 with CRLF line ends (and a BOM if asked), as every Notepad reads it."""
    data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")
    return BOM + data if bom else data


def stage(args, folder, epoch):
    """The release folder's files, in the order the ZIP lists them."""
    if folder.exists():
        shutil.rmtree(folder)
    folder.mkdir(parents=True)
    for exe in args.exe:
        shutil.copyfile(exe, folder / Path(exe).name)
    for wave in ("atsbell.wav", "atschime.wav"):
        shutil.copyfile(args.source / "res" / wave, folder / wave)
    readme = (args.source / "packaging" / "windows" / "README.txt").read_text(encoding="utf-8")
    (folder / "README.txt").write_bytes(
        windows_text(readme.replace("@VERSION@", args.version), bom=True))
    licence = (args.source / "LICENSE").read_text(encoding="utf-8")
    (folder / "LICENSE.txt").write_bytes(windows_text(licence, bom=False))
    names = [Path(exe).name for exe in args.exe] + [
        "atsbell.wav", "atschime.wav", "README.txt", "LICENSE.txt"]
    for name in names:
        os.utime(folder / name, (epoch, epoch))
    return names


def write_zip(path, top, folder, names, epoch):
    stamp = time.gmtime(max(epoch, ZIP_EPOCH))[:6]
    tmp = path.with_suffix(".tmp")
    with zipfile.ZipFile(tmp, "w") as archive:
        entry = zipfile.ZipInfo(top + "/", stamp)
        entry.create_system = 0  # MS-DOS attributes: Windows reads them as they are
        entry.external_attr = FILE_ATTRIBUTE_DIRECTORY
        archive.writestr(entry, b"")
        for name in names:
            entry = zipfile.ZipInfo(f"{top}/{name}", stamp)
            entry.create_system = 0
            entry.external_attr = FILE_ATTRIBUTE_ARCHIVE
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, (folder / name).read_bytes(), compresslevel=9)
    tmp.replace(path)


def write_installer(args, path, folder):
    tmp = path.with_name(path.name + ".tmp")
    subprocess.run(
        [args.makensis, "-V2", "-INPUTCHARSET", "UTF8",
         f"-DVERSION={args.version}", f"-DSTAGE={folder}",
         f"-DICON={args.source / 'res' / 'orvaneats_sizes.ico'}", f"-DOUTFILE={tmp}",
         str(args.source / "packaging" / "windows" / "installer.nsi")],
        check=True, timeout=600)
    tmp.replace(path)


def write_checksums(out, files):
    lines = []
    for path in sorted(files, key=lambda p: p.name):
        digest = hashlib.sha256(path.read_bytes()).hexdigest()
        lines.append(f"{digest}  {path.name}\n")
    (out / "SHA256SUMS").write_text("".join(lines), encoding="ascii", newline="\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", required=True)
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--work", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    parser.add_argument("--exe", action="append", required=True)
    parser.add_argument("--makensis", default="makensis")
    args = parser.parse_args()

    epoch = source_date_epoch(args.source)
    top = f"OrvaneATS-{args.version}"
    folder = args.work / top
    names = stage(args, folder, epoch)
    args.out.mkdir(parents=True, exist_ok=True)
    zip_path = args.out / f"{top}-win64.zip"
    setup_path = args.out / f"{top}-win64-setup.exe"
    write_zip(zip_path, top, folder, names, epoch)
    write_installer(args, setup_path, folder)
    write_checksums(args.out, [zip_path, setup_path])
    for path in (zip_path, setup_path, args.out / "SHA256SUMS"):
        print(f"{path}  {path.stat().st_size} bytes")


if __name__ == "__main__":
    sys.exit(main())
