"""The drivers: REPL programs in a session that answer each command line with one line.
Driver is e2edriver.exe under Wine; AtspiDriver is atspi_driver.py, natively."""

import queue
import subprocess
import threading
from pathlib import Path

from .processes import kill_group

PYTHON = "/usr/bin/python3"  # the system Python, which has pyatspi


class DriverError(RuntimeError):
    pass


class Driver:
    """The e2edriver.exe REPL: one command line in, one answer line out."""

    NAME = "driver"

    def __init__(self, session, exe):
        self._session = session
        log = session._log(f"{self.NAME}-{len(session._drivers)}.log")
        self.proc = self._start(exe, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=log)
        self._lines = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        answer = self.cmd("ping", timeout=60)
        if answer != "pong":
            raise DriverError(f"{self.NAME} did not start: {answer!r}")

    def _start(self, exe, **popen_args):
        return self._session.start_windows(exe, **popen_args)

    def _read(self):
        for raw in self.proc.stdout:
            self._lines.put(raw.decode("utf-8", errors="replace").rstrip("\r\n"))
        self._lines.put(None)

    def cmd(self, line, timeout=30):
        """Sends one command; returns the answer line (errors included)."""
        if self.proc.poll() is not None:
            raise DriverError(f"driver has exited ({self.proc.returncode})")
        try:
            self.proc.stdin.write(line.encode("utf-8") + b"\n")
            self.proc.stdin.flush()
        except BrokenPipeError as e:
            raise DriverError("driver has exited") from e
        try:
            answer = self._lines.get(timeout=timeout)
        except queue.Empty:
            raise DriverError(f"no answer to {line!r} within {timeout} s") from None
        if answer is None:
            raise DriverError(f"driver ended while answering {line!r}")
        return answer

    def ok(self, line, timeout=30):
        """Like cmd(), but an "error ..." answer raises DriverError."""
        answer = self.cmd(line, timeout)
        if answer.startswith("error"):
            raise DriverError(f"{line!r}: {answer}")
        return answer

    def close(self):
        if self in self._session._drivers:
            self._session._drivers.remove(self)
        if self.proc.poll() is None:
            try:
                self.cmd("quit", timeout=10)
                self.proc.wait(10)
            except (DriverError, subprocess.TimeoutExpired, OSError):
                pass
        kill_group(self.proc)
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        # A child that inherited the pipe may keep the reader blocked; closing stdout under it
        # would hang, so leave it to the daemon thread then.
        self._reader.join(2)
        if not self._reader.is_alive():
            self.proc.stdout.close()


class AtspiDriver(Driver):
    """atspi_driver.py in the session: the same one-line protocol as e2edriver.exe."""

    NAME = "atspi"

    def __init__(self, session):
        super().__init__(session, Path(__file__).with_name("atspi_driver.py"))

    def _start(self, script, **popen_args):
        return self._session.start_native(PYTHON, script, **popen_args)
