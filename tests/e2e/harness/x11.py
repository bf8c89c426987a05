"""The private X server and what the harness asks of X: Xvfb through xvfbwrapper; a display's
answer, a window's class and the close message a window manager sends, through python-xlib."""

import xvfbwrapper
from Xlib import X, display, error, protocol

from .processes import HarnessError, wait_for


class Xvfb(xvfbwrapper.Xvfb):
    """xvfbwrapper's Xvfb on a free display, leaving this process's DISPLAY alone: a session
    hands its display to what it starts, and sessions may overlap."""

    def __init__(self, width, height):
        super().__init__(width=width, height=height, colordepth=24, nolisten="tcp")
        self.orig_display = ""  # so that stop() restores no DISPLAY either

    def _set_display_var(self, display):
        pass

    @property
    def display(self):
        return f":{self.new_display}"


def start_xvfb(width, height, timeout=20):
    """A started Xvfb that accepts clients; stop() it."""
    xvfb = Xvfb(width, height)
    xvfb.start()
    if not wait_for(lambda: xvfb.proc.poll() is not None or answers(xvfb.display), timeout) \
            or xvfb.proc.poll() is not None:
        xvfb.stop()
        raise HarnessError(f"Xvfb on {xvfb.display} accepts no client")
    return xvfb


def answers(name):
    """Whether an X server accepts a client on display `name`."""
    try:
        display.Display(name).close()
        return True
    except error.DisplayError:
        return False


def _with_window(name, window_id, use):
    x = display.Display(name)
    try:
        return use(x, x.create_resource_object("window", int(window_id)))
    finally:
        x.close()


def wm_class(name, window_id):
    """The class part of the window's WM_CLASS, or None."""
    names = _with_window(name, window_id, lambda x, window: window.get_wm_class())
    return names[1] if names else None


def send_delete_window(name, window_id):
    """Asks a window to close as a window manager's close button does (WM_DELETE_WINDOW)."""
    def send(x, window):
        window.send_event(protocol.event.ClientMessage(
            window=window, client_type=x.intern_atom("WM_PROTOCOLS"),
            data=(32, [x.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))
        # A round trip: a connection closed right after a request may lose it unprocessed.
        x.sync()

    _with_window(name, window_id, send)
