"""Completes the release that the release preset began with the Windows ZIP and installer: the
Linux edition's .deb and the browser edition's ZIP from their own presets, then one SHA256SUMS
for the four downloads.

    release_downloads.py --facts <generated/release_facts.json> --source <repository>
                         --out <release folder> [--cmake cmake] [--cpack cpack]

Each preset's build folder is configured once and then built as it stands, so a later
`cmake --workflow --preset linux` or `web` (as scripts/test.sh runs) finds nothing left to
build. Every download is dated from the release date, so two runs give the same bytes.
"""

import argparse
import hashlib
import json
import os
import shutil
import subprocess
import sys
from pathlib import Path


def downloads(facts):
    """The four downloads' names, in the order SHA256SUMS lists them."""
    top = f"{facts['product']}-{facts['version']}"
    return sorted([f"{top}-win64.zip", f"{top}-win64-setup.exe",
                   f"orvaneats_{facts['version']}_amd64.deb", f"{top}-web.zip"])


def run(args, *command):
    # A build started from inside make must not join (or wait for) the outer make's jobs.
    env = {k: v for k, v in os.environ.items() if k not in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL")}
    print("release:", " ".join(map(str, command)), flush=True)
    subprocess.run(list(map(str, command)), cwd=args.source, env=env, check=True)


def build_preset(args, preset, *options):
    if not (args.source / "build" / preset / "CMakeCache.txt").exists():
        run(args, args.cmake, "--preset", preset, *options)
    run(args, args.cmake, "--build", "--preset", preset)


def write_checksums(out, names):
    lines = [f"{hashlib.sha256((out / name).read_bytes()).hexdigest()}  {name}\n"
             for name in names]
    (out / "SHA256SUMS").write_text("".join(lines), encoding="ascii", newline="\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--facts", type=Path, required=True)
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--cpack", default="cpack")
    args = parser.parse_args()
    facts = json.loads(args.facts.read_text(encoding="utf-8"))
    names = downloads(facts)

    build_preset(args, "linux")
    run(args, args.cpack, "--preset", "linux")
    deb = f"orvaneats_{facts['version']}_amd64.deb"
    shutil.copyfile(args.source / "build" / "linux" / deb, args.out / deb)
    build_preset(args, "web", f"-DORVANE_RELEASE_DIR={args.out}")  # writes the web ZIP there

    missing = [name for name in names if not (args.out / name).is_file()]
    if missing:
        sys.exit(f"release: missing {', '.join(missing)} in {args.out}")
    write_checksums(args.out, names)
    for name in names + ["SHA256SUMS"]:
        print(f"{args.out / name}  {(args.out / name).stat().st_size} bytes")


if __name__ == "__main__":
    main()
