"""The private desktop the end-to-end tests run the programs on.

A Session owns a private X server (Xvfb), a private PulseAudio with a null sink, and a private
Wine prefix (none with wine=False, for native programs). It starts programs, the e2edriver.exe
REPL and a sound recorder, and stops everything it started when it ends, also on failure.

    with Session() as session:  # or harness.start_session()
        driver = session.driver()
        recorder = session.recorder()
        pid = driver.ok("start-player atsopen {hwnd}")
        t0 = time.monotonic()
        heard = recorder.first_time_above(-40, after=t0, timeout=5)
"""

import array
import fcntl
import os
import queue
import shutil
import signal
import subprocess
import tempfile
import threading
import time
from pathlib import Path

from . import wine_prefix
from .sound import RATE, level_dbfs, band_levels, spectrum

REPO = Path(__file__).resolve().parents[3]
BIN_DIR = REPO / "build" / "windows" / "bin"  # the program as it ships
TEST_BIN_DIR = REPO / "build" / "windows" / "tests-bin"  # the test programs (e2e*.exe)
PREFIX_CACHE = REPO / "build" / "windows" / "wineprefix-test"

SCREEN = (1024, 768)
SINK = "orvane_sink"
WINE = wine_prefix.WINE


class HarnessError(RuntimeError):
    pass


def build_path(name):
    """Where the windows build puts a file: test programs (e2e*.exe, *_tests.exe) apart from
    the shipped ones."""
    is_test = name.startswith("e2e") or name.endswith("_tests.exe")
    return (TEST_BIN_DIR if is_test else BIN_DIR) / name


def require_build(*names):
    """Paths of built files; a clear error if one is missing."""
    paths = [build_path(name) for name in names]
    missing = [str(p) for p in paths if not p.exists()]
    if missing:
        raise HarnessError(
            f"missing: {', '.join(missing)}; build first with "
            "`cmake --workflow --preset windows`")
    return paths


def wait_for(condition, timeout, interval=0.1):
    """Polls until condition() is true; returns whether it became true in time."""
    deadline = time.monotonic() + timeout
    while True:
        if condition():
            return True
        if time.monotonic() > deadline:
            return False
        time.sleep(interval)


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


class Session:
    """Xvfb + PulseAudio null sink + private Wine prefix. Use as a context manager.
    Session(wine=False) is the same desktop without Wine, for native programs.

    With dpi given, the prefix's display scale (LogPixels) is set to it: 96 is 100 %."""

    def __init__(self, wine=True, dpi=None):
        self.wine = wine
        self.dpi = dpi
        self.tmp = None
        self.display = None
        self.env = None
        self._xvfb = None
        self._pulse = None
        self.record_server = None  # where the recorder records, if not self.pulse_server
        self._procs = []
        self._drivers = []
        self._recorders = []
        self._logs = []

    # -- lifetime --------------------------------------------------------------------------

    def __enter__(self):
        if self.tmp is None:  # one that start_session started is only closed at the end
            self.start()
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def start(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="orvane-e2e-"))
        try:
            runtime = self.tmp / "runtime"
            runtime.mkdir(mode=0o700)
            self._start_xvfb()
            self._start_pulse(runtime)
            self.env = self._base_env(runtime, self.tmp / "prefix")
            if self.wine:
                self._prepare_prefix()
        except BaseException:
            self.close()
            raise

    def close(self):
        for driver in list(self._drivers):
            driver.close()
        for recorder in list(self._recorders):
            recorder.stop()
        if self.wine and self.env is not None and (self.tmp / "prefix").exists():
            wine_prefix.stop_wineserver(self.env)
        for proc in self._procs:
            kill_group(proc)
        kill_group(self._pulse)
        kill_group(self._xvfb)
        self._pulse = self._xvfb = None
        for log in self._logs:
            log.close()
        self._logs = []
        if self.tmp is not None:
            shutil.rmtree(self.tmp, ignore_errors=True)
            self.tmp = None

    def _log(self, name):
        log = open(self.tmp / name, "wb")
        self._logs.append(log)
        return log

    # -- services --------------------------------------------------------------------------

    def _start_xvfb(self):
        read_fd, write_fd = os.pipe()
        try:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                 f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp"],
                pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                stderr=self._log("xvfb.log"), start_new_session=True)
        finally:
            os.close(write_fd)
        # Xvfb picks a free display and writes its number once it accepts clients.
        with os.fdopen(read_fd, "rb") as pipe:
            number = self._read_line_with_timeout(pipe, 20)
        if not number.strip().isdigit():
            raise HarnessError("Xvfb did not start; see " + str(self.tmp / "xvfb.log"))
        self.display = ":" + number.strip()

    @staticmethod
    def _read_line_with_timeout(pipe, timeout):
        result = []
        reader = threading.Thread(target=lambda: result.append(pipe.readline().decode()),
                                  daemon=True)
        reader.start()
        reader.join(timeout)
        return result[0] if result else ""

    def _start_pulse(self, runtime):
        pulse_dir = runtime / "pulse"
        pulse_dir.mkdir()
        # The programs' socket, and one of the harness's own that opens first, so that after a
        # restart the recorder is back before any program can be.
        socket, control = pulse_dir / "native", pulse_dir / "harness"
        self._public_socket = ("module-native-protocol-unix", f"socket={socket}",
                               "auth-anonymous=1")
        script = self.tmp / "pulse.pa"
        script.write_text(
            f"load-module module-native-protocol-unix socket={control} auth-anonymous=1\n"
            f"load-module module-null-sink sink_name={SINK} rate={RATE} channels=2\n"
            f"set-default-sink {SINK}\n")
        env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime), HOME=str(runtime))
        env.pop("PULSE_SERVER", None)
        self._pulse_command = (
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--system=no", "-F", str(script)], env)
        self.pulse_server = f"unix:{socket}"
        self.record_server = f"unix:{control}"
        self._launch_pulse()
        self._open_pulse()

    def _launch_pulse(self):
        command, env = self._pulse_command
        self._pulse = subprocess.Popen(
            command, env=env, stdout=subprocess.DEVNULL,
            stderr=self._log("pulse.log"), start_new_session=True)
        self._wait_for_pulse(self._pulse, "PulseAudio", "pulse.log", self.record_server)

    def _open_pulse(self):
        """Opens the programs' socket."""
        subprocess.run(["pactl", "--server", self.record_server, "load-module",
                        *self._public_socket], check=True, capture_output=True, timeout=10)

    def _wait_for_pulse(self, proc, name, log, server):
        """Waits until a server answers on `server`."""
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if proc.poll() is not None:
                break
            probe = subprocess.run(["pactl", "--server", server, "info"],
                                   capture_output=True, timeout=10)
            if probe.returncode == 0:
                return
            time.sleep(0.05)
        raise HarnessError(f"{name} did not start; see {self.tmp / log}")

    # -- the sound server under test ---------------------------------------------------------

    def restart_sound_server(self):
        """Kills the sound server and starts it again on the same socket, as a crash and a
        restart would; the recorders record the new one. Returns when it answers again."""
        kill_group(self._pulse, timeout=5.0, signals=(signal.SIGKILL,))
        self._launch_pulse()
        for recorder in self._recorders:
            recorder.reconnect()
        self._open_pulse()

    def stop_sound_server(self):
        """Freezes the sound server (SIGSTOP): it keeps its socket and answers nothing."""
        os.killpg(self._pulse.pid, signal.SIGSTOP)

    def continue_sound_server(self):
        os.killpg(self._pulse.pid, signal.SIGCONT)

    def _base_env(self, runtime, prefix):
        env = dict(os.environ)
        for name in ("WINEARCH", "WINELOADER", "WINESERVER"):
            env.pop(name, None)
        env.update(
            DISPLAY=self.display,
            XDG_RUNTIME_DIR=str(runtime),
            PULSE_SERVER=self.pulse_server,
            WINEPREFIX=str(prefix),
            WINEDEBUG="-all",
            # No offer to download Mono or Gecko; and no menu entries in the real home folder
            # for the shortcuts an installer makes.
            WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
            LANG="C.UTF-8",
            LC_ALL="C.UTF-8",
        )
        return env

    # -- Wine prefix -----------------------------------------------------------------------

    def _prepare_prefix(self):
        """Copies a cached, ready prefix (made once per Wine version) into the session."""
        PREFIX_CACHE.mkdir(parents=True, exist_ok=True)
        template = PREFIX_CACHE / "template"
        stamp = PREFIX_CACHE / "stamp"
        wanted = wine_prefix.stamp(undecorated=True)
        with open(PREFIX_CACHE / "lock", "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if not (template.is_dir() and stamp.exists() and stamp.read_text() == wanted):
                stamp.unlink(missing_ok=True)
                shutil.rmtree(template, ignore_errors=True)
                wine_prefix.prepare_prefix(template, self.env, undecorated=True)
                stamp.write_text(wanted)
            subprocess.run(["cp", "-a", str(template), self.env["WINEPREFIX"]], check=True,
                           timeout=300)
        self._detach_home_folders()
        if self.dpi is not None:
            self._set_dpi(Path(self.env["WINEPREFIX"]), self.dpi)

    def _detach_home_folders(self):
        """Wine links the user's Desktop, Documents and the like to $HOME; in a session they are
        folders of the prefix, so nothing a test makes there reaches the real home folder."""
        for link in (Path(self.env["WINEPREFIX"]) / "drive_c" / "users").glob("*/*"):
            if link.is_symlink():
                link.unlink()
                link.mkdir()

    @staticmethod
    def _set_dpi(prefix, dpi):
        """Writes LogPixels into the copied prefix's user registry, before Wine reads it."""
        registry = prefix / "user.reg"
        lines = registry.read_text(encoding="utf-8").split("\n")
        value = f'"LogPixels"=dword:{dpi:08x}'
        for i, line in enumerate(lines):
            if line.startswith("[Control Panel\\\\Desktop]"):
                lines.insert(i + 1, value)
                break
        else:
            lines += ["", "[Control Panel\\\\Desktop]", value]
        registry.write_text("\n".join(lines), encoding="utf-8")

    # -- running things --------------------------------------------------------------------

    def start_native(self, exe, *args, env=None, **popen_args):
        """Starts a program of this machine on the session's desktop, in a process group of
        its own; returns its Popen. `env` adds to or overrides the session's environment (LANG,
        for instance)."""
        popen_args.setdefault("stdin", subprocess.DEVNULL)
        popen_args.setdefault("stdout", subprocess.DEVNULL)
        popen_args.setdefault("stderr", subprocess.DEVNULL)
        proc = subprocess.Popen([str(exe), *map(str, args)],
                                env=dict(self.env, **(env or {})), start_new_session=True,
                                **popen_args)
        self._procs.append(proc)
        return proc

    def start_windows(self, exe, *args, env=None, **popen_args):
        """Starts a Windows program under Wine in this session; returns its Popen."""
        return self.start_native(WINE, exe, *args, env=env, **popen_args)

    def run_windows(self, exe, *args, timeout):
        """Runs a Windows program under Wine to its end; returns its exit code and its standard
        output as lines. A program still running after timeout seconds is ended and the wait
        fails."""
        proc = self.start_windows(exe, *args, stdout=subprocess.PIPE)
        try:
            out, _ = proc.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            kill_group(proc)
            raise
        return proc.returncode, out.decode("utf-8", errors="replace").splitlines()

    def wine_reg_query(self, key, value):
        out = subprocess.run([WINE, "reg", "query", key, "/v", value], env=self.env,
                             capture_output=True, timeout=60)
        return out.stdout.decode("utf-8", errors="replace")

    def driver(self, exe=None):
        """Starts an e2edriver.exe REPL (from build/windows/bin unless told otherwise)."""
        exe = exe or require_build("e2edriver.exe")[0]
        driver = Driver(self, exe)
        self._drivers.append(driver)
        return driver

    def recorder(self):
        """Starts recording the null sink; stop() it or let the session do so."""
        recorder = Recorder(self)
        self._recorders.append(recorder)
        return recorder

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root", str(path)],
                       check=True, capture_output=True, timeout=60)
        return Path(path)

    def xdotool(self, *args):
        """Runs xdotool on the session's display; returns what it prints."""
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True,
                              text=True, timeout=30).stdout.strip()

    def windows_path(self, path):
        """A Linux path as the Windows programs see it (drive Z: is /)."""
        return "Z:" + str(Path(path).resolve()).replace("/", "\\")


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


class Recorder:
    """Records the null sink's monitor (22050 Hz mono s16) with monotonic timestamps."""

    CHUNK_BYTES = 882  # 20 ms

    def __init__(self, session):
        self._session = session
        self._chunks = []  # (monotonic time of the chunk's last sample, array('h'))
        self._lock = threading.Lock()
        self._record()

    def _record(self):
        self.proc = subprocess.Popen(
            ["parec", "--server", self._session.record_server or self._session.pulse_server,
             f"--device={SINK}.monitor",
             f"--rate={RATE}", "--channels=1", "--format=s16le", "--raw",
             "--latency-msec=20"],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            start_new_session=True)
        self._thread = threading.Thread(target=self._read, daemon=True)
        self._thread.start()
        started = time.monotonic()
        deadline = started + 10
        while self.latest_time() < started:
            if time.monotonic() > deadline or self.proc.poll() is not None:
                self.stop()
                raise HarnessError("no audio from the null sink's monitor")
            time.sleep(0.02)

    def reconnect(self):
        """Records a restarted server: the same recording goes on, with a gap."""
        kill_group(self.proc)
        self._thread.join(5)
        if not self._thread.is_alive():
            self.proc.stdout.close()
        self._record()

    def _read(self):
        pending = b""
        while True:
            data = self.proc.stdout.read1(self.CHUNK_BYTES) if self.proc.stdout else b""
            if not data:
                return
            now = time.monotonic()
            pending += data
            usable = len(pending) - len(pending) % 2
            samples = array.array("h", pending[:usable])
            pending = pending[usable:]
            with self._lock:
                self._chunks.append((now, samples))

    def stop(self):
        kill_group(self.proc)
        self._thread.join(5)
        if not self._thread.is_alive():
            self.proc.stdout.close()
        if self in self._session._recorders:
            self._session._recorders.remove(self)

    # -- reading ---------------------------------------------------------------------------

    def samples(self, t0, t1):
        """Samples whose (estimated) time lies in [t0, t1)."""
        with self._lock:
            chunks = list(self._chunks)
        out = array.array("h")
        for end, samples in chunks:
            start = end - len(samples) / RATE
            if end <= t0 or start >= t1:
                continue
            first = max(0, int(round((t0 - start) * RATE)))
            last = min(len(samples), int(round((t1 - start) * RATE)))
            out.extend(samples[first:last])
        return out

    def latest_time(self):
        with self._lock:
            return self._chunks[-1][0] if self._chunks else 0.0

    def wait_until_recorded(self, t, timeout=10):
        """Waits until the recording reaches monotonic time t."""
        deadline = time.monotonic() + timeout
        while self.latest_time() < t:
            if time.monotonic() > deadline:
                raise HarnessError("the recording stalled")
            time.sleep(0.02)

    def level(self, t0, t1):
        """RMS level over [t0, t1) in dBFS (-120 for silence or no samples)."""
        self.wait_until_recorded(t1)
        return level_dbfs(self.samples(t0, t1))

    def first_time_above(self, threshold_db, after, timeout, window=0.05):
        """The start of the first window after `after` whose level exceeds threshold_db, or
        None if none does within `timeout` seconds."""
        t = after
        end = after + timeout
        while t + window <= end:
            self.wait_until_recorded(t + window, timeout=timeout + 10)
            if level_dbfs(self.samples(t, t + window)) > threshold_db:
                return t
            t += window
        return None

    def band_levels(self, t0, t1, split_low=900.0, split_high=1200.0):
        """(dBFS below split_low, dBFS above split_high) over [t0, t1)."""
        self.wait_until_recorded(t1)
        return band_levels(self.samples(t0, t1), split_low, split_high)

    def dominant_frequency(self, t0, t1):
        self.wait_until_recorded(t1)
        freqs, power = spectrum(self.samples(t0, t1))
        if not power:
            return 0.0
        return freqs[max(range(1, len(power)), key=power.__getitem__)]
