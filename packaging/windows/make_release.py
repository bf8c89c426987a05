"""Makes the Windows downloads: the portable ZIP and the NSIS installer.

    make_release.py --facts <build>/generated/release_facts.json --source <repository>
                    --work <scratch folder> --out <release folder>
                    --exe <orvaneats.exe> --exe <atsbell.exe>

The version, the copyright line and the release time come from the release's facts that CMake
generated (release_facts.json, and release_facts.nsh beside it for the installer). Every
output depends only on its inputs and that time, the last commit's: the ZIP's entries have
fixed times, order and attributes, and the staged files carry that time into the installer.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from reproducible_zip import write_zip  # noqa: E402

BOM = b"\xef\xbb\xbf"
# The sounds, beside the program, each one a user may replace.
WAVES = ("atsbell.wav", "atschime.wav", "atsbrake.wav")


def windows_text(text, bom):
    """UTF-8 with CRLF line ends (and a BOM if asked), as every Notepad reads it."""
    data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")
    return BOM + data if bom else data


def stage(args, facts, folder):
    """The release folder's files, in the order the ZIP lists them."""
    if folder.exists():
        shutil.rmtree(folder)
    folder.mkdir(parents=True)
    for exe in args.exe:
        shutil.copyfile(exe, folder / Path(exe).name)
    for wave in WAVES:
        shutil.copyfile(args.source / "res" / wave, folder / wave)
    readme = (args.source / "packaging" / "windows" / "README.txt").read_text(encoding="utf-8")
    readme = readme.replace("@VERSION@", facts["version"])
    readme = readme.replace("@COPYRIGHT_LINE@", facts["copyright_line"])
    (folder / "README.txt").write_bytes(windows_text(readme, bom=True))
    licence = (args.source / "LICENSE").read_text(encoding="utf-8")
    (folder / "LICENSE.txt").write_bytes(windows_text(licence, bom=False))
    names = [Path(exe).name for exe in args.exe] + [
        *WAVES, "README.txt", "LICENSE.txt"]
    epoch = facts["source_date_epoch"]
    for name in names:
        os.utime(folder / name, (epoch, epoch))
    return names


def write_installer(args, path, folder):
    nsis_facts = args.facts.with_suffix(".nsh")
    tmp = path.with_name(path.name + ".tmp")
    subprocess.run(
        [args.makensis, "-V2", "-INPUTCHARSET", "UTF8",
         f"-DFACTS={nsis_facts}", f"-DSTAGE={folder}",
         f"-DICON={args.source / 'res' / 'orvaneats_sizes.ico'}", f"-DOUTFILE={tmp}",
         str(args.source / "packaging" / "windows" / "installer.nsi")],
        check=True, timeout=600)
    tmp.replace(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--facts", type=Path, required=True)
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--work", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    parser.add_argument("--exe", action="append", required=True)
    parser.add_argument("--makensis", default="makensis")
    args = parser.parse_args()

    facts = json.loads(args.facts.read_text(encoding="utf-8"))
    epoch = facts["source_date_epoch"]
    top = f"{facts['product']}-{facts['version']}"
    folder = args.work / top
    names = stage(args, facts, folder)
    args.out.mkdir(parents=True, exist_ok=True)
    zip_path = args.out / f"{top}-win64.zip"
    setup_path = args.out / f"{top}-win64-setup.exe"
    write_zip(zip_path, top, folder, names, epoch)
    write_installer(args, setup_path, folder)
    for path in (zip_path, setup_path):
        print(f"{path}  {path.stat().st_size} bytes")


if __name__ == "__main__":
    sys.exit(main())
