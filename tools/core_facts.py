"""Facts the generators take from the alarm core's headers, where each has its one definition:
the pictures' sizes and larger renderings (alarm/picture_scale.h) and their file stems
(alarm/picture_table.h)."""

import os
import re

ALARM = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "alarm")


def _header(name):
    with open(os.path.join(ALARM, name), encoding="utf-8") as f:
        return f.read()


def int_constants(name):
    """The `inline constexpr int NAME = number;` constants of a core header."""
    return {k: int(v) for k, v in
            re.findall(r"inline constexpr int (\w+) = (-?\d+);", _header(name))}


def picture_size(kind):
    """(width, height) of the "PANEL" or "SIGNAL" pictures at 96 DPI."""
    facts = int_constants("picture_scale.h")
    return facts[kind + "_WIDTH"], facts[kind + "_HEIGHT"]


def larger_scales():
    """The larger renderings, as multiples of the 96 DPI size, smallest first."""
    found = re.search(r"LARGER_SCALES\[\] = \{([\d,\s]+)\};", _header("picture_scale.h"))
    return tuple(int(s) for s in found.group(1).split(","))


def picture_stems():
    """The stems of the eight pictures, in the order of the core's picture table."""
    stems = re.findall(r'\{IDB_\w+,\s*"(\w+)",', _header("picture_table.h"))
    if len(stems) != 8:
        raise SystemExit(f"picture_table.h: expected 8 pictures, found {len(stems)}")
    return stems
