"""The window's tables as the build writes them (window_tables.json, from the core's own
headers): control ids, kinds, captions and rectangles, texts, pictures and their names.
The tests of every edition read ids, captions and rectangles here instead of restating them."""

import json
import os
from functools import lru_cache
from pathlib import Path

from .build import REPO
from .processes import HarnessError

# Any build on this machine writes the same file; the host build is the first one CI makes.
# ORVANE_WINDOW_TABLES names another, such as a build of a changed core in a folder of its own.
CANDIDATES = [REPO / "build" / preset / "window_tables.json" for preset in ("host", "linux")]
if os.environ.get("ORVANE_WINDOW_TABLES"):
    CANDIDATES.insert(0, Path(os.environ["ORVANE_WINDOW_TABLES"]))


@lru_cache(maxsize=None)
def tables():
    for path in CANDIDATES:
        if path.exists():
            return json.loads(path.read_text(encoding="utf-8"))
    raise HarnessError("window_tables.json is missing: build first with "
                       "`cmake --workflow --preset host`")


def control_id(name):
    """A control's id by its name in the tables ("start", "noOverlap", ...)."""
    return tables()["ids"][name]


def control_name(control):
    """The name of a control id, the reverse of control_id."""
    return {v: k for k, v in tables()["ids"].items()}[control]


def bitmap_id(name):
    """A bitmap's id by its name ("panelAlarm", "signalStop", ...)."""
    return tables()["bitmaps"][name]


def controls():
    """The main window's controls in tab order, each a dict with id, kind, caption, units
    (the dialog-unit rectangle) and rect (its pixels at 96 DPI)."""
    return tables()["controls"]


def bitmaps_of(control):
    """The bitmaps a picture control can show, in rising order: the panel's panel*, the
    signal's signal* (stop first, then the permissive aspects)."""
    prefix = control_name(control)
    return sorted(v for k, v in tables()["bitmaps"].items() if k.startswith(prefix))


def options():
    """The option checkboxes, lowest option bit first."""
    return tuple(tables()["options"])


def caption(control):
    """The caption a control has when the window opens ("" for a picture)."""
    return next(c["caption"] for c in controls() if c["id"] == control)


def text(name):
    """One of the windows' other texts ("caption", "stop", "aboutCaption", ...)."""
    return tables()["texts"][name]


def picture_name(bitmap):
    """The accessible name of a picture showing this bitmap."""
    return next(p["name"] for p in tables()["pictures"] if p["id"] == bitmap)


def bitmap_of_name(name):
    """The bitmap a picture with this accessible name shows (None for an unknown name)."""
    return next((p["id"] for p in tables()["pictures"] if p["name"] == name), None)


def picture_size(bitmap):
    """A bitmap's (width, height) at 96 DPI."""
    picture = next(p for p in tables()["pictures"] if p["id"] == bitmap)
    return picture["width"], picture["height"]


def stem(bitmap):
    """The stem of a bitmap's files: <stem>.bmp, <stem>_2x.png, <stem>_3x.png."""
    return next(p["stem"] for p in tables()["pictures"] if p["id"] == bitmap)


def about_control(name):
    """One of the about box's controls by name ("icon", "version", "legal", "ok"), a dict like
    those of controls(); the statics have the id -1 (IDC_STATIC)."""
    return next(c for c in tables()["aboutControls"] if c["name"] == name)


def template_id(name):
    """The Windows program's dialog template id ("main", "about")."""
    return tables()["templates"][name]


def menu_item(name):
    """The id of an item the Windows program adds to its window menu ("deadline", "about")."""
    return tables()["menuItems"][name]


def fact(name):
    """One of the numbers the editions share ("confirmDeadlineMs", "shortIntervalMinMs", ...)."""
    return tables()["facts"][name]
