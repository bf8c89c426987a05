#!/usr/bin/env python3
"""Mutation score of the core's unit tests: how many small faults planted in alarm/*.cpp the
tests catch.

Each mutant changes one place: an operator (== and !=, < and <=, && and ||, + and -), a 0 or 1
literal, true and false, or drops one statement. A sample of them is built, one at a time, in
a copy of the tree (build/mutation), and the unit tests run against it; a mutant that fails to
build does not count. Prints each survivor and the score.

    python3 scripts/mutation.py [--sample N] [--seed S] [--files alarm/x.cpp ...]
"""

import argparse
import random
import re
import shutil
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
WORK = REPO / "build" / "mutation"
SWAPS = [("==", "!="), ("!=", "=="), ("<=", "<"), (">=", ">"), ("<", "<="), (">", ">="),
         ("&&", "||"), ("||", "&&"), (" + ", " - "), (" - ", " + "), ("true", "false"),
         ("false", "true")]
LITERAL = re.compile(r"(?<![\w.])([01])(?![\w.])")


def code_part(line):
    """The line without a trailing comment or string literals, where mutants may go."""
    line = line.split("//", 1)[0]
    return re.sub(r'"[^"]*"', lambda m: " " * len(m.group(0)), line)


def mutants_of(path):
    lines = path.read_text(encoding="utf-8").splitlines(keepends=True)
    depth = 0
    for number, line in enumerate(lines):
        code = code_part(line)
        stripped = code.strip()
        in_body = depth > 0 and not stripped.startswith("#")
        if in_body and stripped:
            for old, new in SWAPS:
                for match in re.finditer(re.escape(old), code):
                    at = match.start()
                    # keep << >> -> <=> and templates alone
                    around = code[max(0, at - 1):at + len(old) + 1]
                    if old in "<>" and ("<<" in around or ">>" in around or "->" in around
                                        or "template" in code or "std::" in code[at - 12:at]):
                        continue
                    yield number, line[:at] + new + line[at + len(old):], f"{old} -> {new}"
            for match in LITERAL.finditer(code):
                flipped = "1" if match.group(1) == "0" else "0"
                yield (number, line[:match.start()] + flipped + line[match.end():],
                       f"{match.group(1)} -> {flipped}")
            if (stripped.endswith(";") and not stripped.startswith(("return", "const ", "int ",
                                                                      "double ", "auto "))
                    and "{" not in stripped):
                yield number, "\n", "statement dropped"
        depth += code.count("{") - code.count("}")


def run(command, cwd, timeout=600):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True, timeout=timeout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sample", type=int, default=120)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--files", nargs="*")
    args = parser.parse_args()

    files = [Path(f) for f in args.files] if args.files else sorted(
        p.relative_to(REPO) for p in (REPO / "alarm").glob("*.cpp"))
    everything = [(f, n, text, what) for f in files for n, text, what in mutants_of(REPO / f)]
    sample = random.Random(args.seed).sample(everything, min(args.sample, len(everything)))

    source = WORK / "src"
    if source.exists():
        shutil.rmtree(source)
    shutil.copytree(REPO, source, ignore=shutil.ignore_patterns("build", ".git", "node_modules"))
    build = WORK / "build"
    if run(["cmake", "-S", str(source), "-B", str(build), "-DCMAKE_BUILD_TYPE=Debug"],
           REPO).returncode != 0:
        sys.exit("cannot configure the host build")
    tests = build / "tests" / "unit" / "alarm_tests"

    killed = built = 0
    survivors = []
    for path, number, text, what in sample:
        target = source / path
        original = target.read_text(encoding="utf-8")
        lines = original.splitlines(keepends=True)
        lines[number] = text
        target.write_text("".join(lines), encoding="utf-8")
        try:
            if run(["cmake", "--build", str(build), "--target", "alarm_tests", "-j2"],
                   REPO).returncode != 0:
                continue
            built += 1
            try:
                caught = run([str(tests), "--gtest_brief=1"], REPO, timeout=120).returncode != 0
            except subprocess.TimeoutExpired:
                caught = True  # a hang is caught too
            killed += caught
            if not caught:
                survivors.append(f"{path}:{number + 1}: {what}: {text.strip()}")
        finally:
            target.write_text(original, encoding="utf-8")

    for line in survivors:
        print("survived", line)
    score = 100.0 * killed / built if built else 0.0
    print(f"mutation score: {killed} of {built} mutants killed ({score:.1f} %), "
          f"{len(sample) - built} did not build; sample {len(sample)} of {len(everything)}, "
          f"seed {args.seed}")


if __name__ == "__main__":
    main()
