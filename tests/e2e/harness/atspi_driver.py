"""A REPL that reads and works the Linux edition's window through AT-SPI, the desktop's
accessibility interface: one command line in, one answer line out. Run with the session's
D-Bus address in the environment; harness/linux.py starts it.

    ping                        pong
    wait-window <s> <title>     ok | none     (a window of orvaneats with that title)
Titles are one word (the program's two are).
    controls <title>            role=name|role=name|...   (children in order)
    press <title> <name>        ok            (the control's first action: press or toggle)
    checked <title> <name>      1 | 0
    focused <title>             the focused child's name
    extents <title> [<name>]    x,y,w,h on the screen
"""

import sys
import time

import pyatspi

APP_NAME = "orvaneats"


def child_named(parent, name):
    for index in range(parent.childCount):
        child = parent.getChildAtIndex(index)
        if child is not None and child.name == name:
            return child
    return None


def window(title):
    application = child_named(pyatspi.Registry.getDesktop(0), APP_NAME)
    return None if application is None else child_named(application, title)


def children(title):
    win = window(title)
    if win is None:
        raise LookupError(f"no window {title!r}")
    return [win.getChildAtIndex(i) for i in range(win.childCount)]


def control(title, name):
    for child in children(title):
        if child.name == name:
            return child
    raise LookupError(f"no control {name!r} in {title!r}")


def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return f"{box.x},{box.y},{box.width},{box.height}"


def answer(words):
    command, args = words[0], words[1:]
    if command == "ping":
        return "pong"
    if command == "wait-window":
        deadline = time.monotonic() + float(args[0])
        title = args[1]
        while time.monotonic() < deadline:
            if window(title) is not None:
                return "ok"
            time.sleep(0.05)
        return "none"
    if command == "controls":
        return "|".join(f"{c.getRoleName()}={c.name}" for c in children(args[0]))
    if command in ("press", "checked"):
        title, name = args[0], " ".join(args[1:])
        target = control(title, name)
        if command == "checked":
            return "1" if target.getState().contains(pyatspi.STATE_CHECKED) else "0"
        target.queryAction().doAction(0)
        return "ok"
    if command == "focused":
        for child in children(args[0]):
            if child.getState().contains(pyatspi.STATE_FOCUSED):
                return child.name
        return ""
    if command == "extents":
        title = args[0]
        if len(args) == 1:
            return extents(window(title))
        return extents(control(title, " ".join(args[1:])))
    return f"error unknown command {command}"


def main():
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "quit":
            break
        try:
            reply = answer(words)
        except Exception as error:  # noqa: BLE001 - every failure is an answer
            reply = f"error {type(error).__name__}: {error}"
        sys.stdout.write(reply.replace("\n", " ") + "\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
