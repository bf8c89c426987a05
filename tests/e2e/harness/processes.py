"""What every part of the harness does with processes: wait for a condition, read a server's
first line, end a process group; and the harness's own error."""

import os
import signal
import subprocess
import threading
import time


class HarnessError(RuntimeError):
    pass


def wait_for(condition, timeout, interval=0.1):
    """Polls until condition() is true; returns whether it became true in time."""
    deadline = time.monotonic() + timeout
    while True:
        if condition():
            return True
        if time.monotonic() > deadline:
            return False
        time.sleep(interval)


def first_line(pipe, timeout):
    """The first line a process writes to `pipe` within `timeout` seconds ("" if none)."""
    result = []
    reader = threading.Thread(target=lambda: result.append(pipe.readline().decode()),
                              daemon=True)
    reader.start()
    reader.join(timeout)
    return result[0].strip() if result else ""


def kill_group(proc, timeout=5.0, signals=(signal.SIGTERM, signal.SIGKILL)):
    """Ends a process started with start_new_session=True, with its whole group."""
    if proc is None or proc.poll() is not None:
        return
    for sig in signals:
        try:
            os.killpg(proc.pid, sig)
            if sig != signal.SIGKILL:
                os.killpg(proc.pid, signal.SIGCONT)  # a stopped server hears it too
        except ProcessLookupError:
            return
        try:
            proc.wait(timeout)
            return
        except subprocess.TimeoutExpired:
            continue


def stop(proc):
    """kill_group, then closes the pipes the harness held to the process."""
    kill_group(proc)
    for pipe in (proc.stdin, proc.stdout) if proc is not None else ():
        if pipe is not None:
            pipe.close()
