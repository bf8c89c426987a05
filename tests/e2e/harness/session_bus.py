"""A private D-Bus session bus: dbus-run-session around a process that waits, so the bus
lives as long as that process group."""

import subprocess

from .processes import HarnessError, first_line, stop

HOLDER = 'echo "$DBUS_SESSION_BUS_ADDRESS"; exec sleep infinity'


def start_session_bus(env, stderr):
    """(the bus's process, its address); processes.stop() ends the bus."""
    proc = subprocess.Popen(["dbus-run-session", "--", "sh", "-c", HOLDER], env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=stderr,
                            start_new_session=True)
    address = first_line(proc.stdout, 20)
    if not address:
        stop(proc)
        raise HarnessError("the D-Bus session bus did not start")
    return proc, address
