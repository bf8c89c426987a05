"""Runs the real Windows programs under Wine for the end-to-end tests.

A Session owns a private X server (Xvfb), a private PulseAudio with a null sink, and a private
Wine prefix. It starts Windows programs, the e2edriver.exe REPL and a sound recorder, and stops
everything it started when it ends, also on failure.

    with Session() as session:
        driver = session.driver()
        recorder = session.recorder()
        pid = driver.ok("start-player atsopen {hwnd}")
        t0 = time.monotonic()
        heard = recorder.first_time_above(-40, after=t0, timeout=5)
"""

import array
import cmath
import fcntl
import math
import os
import queue
import shutil
import signal
import subprocess
import tempfile
import threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BIN_DIR = REPO / "build" / "windows" / "bin"  # the program as it ships
TEST_BIN_DIR = REPO / "build" / "windows" / "tests-bin"  # the test programs (e2e*.exe)
PREFIX_CACHE = REPO / "build" / "windows" / "wineprefix-test"

SCREEN = (1024, 768)
SINK = "orvane_sink"
RATE = 22050

WINE_DIR = Path("/usr/lib/wine")
WINE = str(WINE_DIR / "wine64") if (WINE_DIR / "wine64").exists() else "wine"
WINESERVER = (str(WINE_DIR / "wineserver")
              if (WINE_DIR / "wineserver").exists() else "wineserver")

# The dialog fonts the program asks for, and the installed family that stands in for each.
FONT_SUBSTITUTES = {
    "ＭＳ Ｐゴシック": "IPAPGothic",
    "MS PGothic": "IPAPGothic",
    "ＭＳ ゴシック": "IPAGothic",
    "MS Gothic": "IPAGothic",
}
FONT_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes"
# Wine's own UI font (title bars, menus) has no Japanese glyphs: it falls back to IPA P Gothic.
FONT_LINK_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink"
FONT_LINKS = {"Tahoma": "ipagp.ttf,IPAPGothic"}
# With no window manager on the private display, Wine draws the title bars itself, so the
# screenshots show the caption, the icon and the close box.
X11_KEY = r"HKCU\Software\Wine\X11 Driver"
X11_SETTINGS = {"Decorated": "N"}


class HarnessError(RuntimeError):
    pass


def start_session(recording=True, dpi=None):
    """A started Session with one driver and, if asked, a recorder: a test module's set-up."""
    session = Session(dpi=dpi)
    session.start()
    try:
        driver = session.driver()
        recorder = session.recorder() if recording else None
    except BaseException:
        session.close()
        raise
    return session, driver, recorder


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


def _kill_group(proc, timeout=5.0):
    """Ends a process started with start_new_session=True, with its whole group."""
    if proc is None or proc.poll() is not None:
        return
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(proc.pid, sig)
        except ProcessLookupError:
            return
        try:
            proc.wait(timeout)
            return
        except subprocess.TimeoutExpired:
            continue


def _wine_version():
    out = subprocess.run([WINE, "--version"], capture_output=True, text=True, timeout=30)
    return out.stdout.strip()


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
        self._procs = []
        self._drivers = []
        self._recorders = []
        self._logs = []

    # -- lifetime --------------------------------------------------------------------------

    def __enter__(self):
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
            self._stop_wineserver(self.env)
        for proc in self._procs:
            _kill_group(proc)
        _kill_group(self._pulse)
        _kill_group(self._xvfb)
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
        socket = pulse_dir / "native"
        script = self.tmp / "pulse.pa"
        script.write_text(
            f"load-module module-native-protocol-unix socket={socket} auth-anonymous=1\n"
            f"load-module module-null-sink sink_name={SINK} rate={RATE} channels=2\n"
            f"set-default-sink {SINK}\n")
        env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime), HOME=str(runtime))
        env.pop("PULSE_SERVER", None)
        self._pulse = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--system=no", "-F", str(script)],
            env=env, stdout=subprocess.DEVNULL,
            stderr=self._log("pulse.log"), start_new_session=True)
        self.pulse_server = f"unix:{socket}"
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if self._pulse.poll() is not None:
                break
            probe = subprocess.run(["pactl", "--server", self.pulse_server, "info"],
                                   capture_output=True, timeout=10)
            if probe.returncode == 0:
                return
            time.sleep(0.1)
        raise HarnessError("PulseAudio did not start; see " + str(self.tmp / "pulse.log"))

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
        wanted = (_wine_version() + "\n" + repr(sorted(FONT_SUBSTITUTES.items())) +
                  repr(sorted(X11_SETTINGS.items())) + repr(sorted(FONT_LINKS.items())))
        with open(PREFIX_CACHE / "lock", "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if not (template.is_dir() and stamp.exists() and stamp.read_text() == wanted):
                stamp.unlink(missing_ok=True)
                shutil.rmtree(template, ignore_errors=True)
                self._make_prefix(template)
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

    def _make_prefix(self, prefix):
        env = dict(self.env, WINEPREFIX=str(prefix))
        try:
            subprocess.run([WINE, "wineboot", "-i"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300,
                           check=True)
            families = self._installed_families()
            for name, family in FONT_SUBSTITUTES.items():
                if family not in families:
                    raise HarnessError(f"font family {family} is not installed "
                                       "(scripts/deps-wine.sh installs it)")
                subprocess.run([WINE, "reg", "add", FONT_KEY, "/v", name, "/t", "REG_SZ",
                                "/d", family, "/f"], env=env, capture_output=True, timeout=120,
                               check=True)
            for name, value in FONT_LINKS.items():
                subprocess.run([WINE, "reg", "add", FONT_LINK_KEY, "/v", name, "/t",
                                "REG_MULTI_SZ", "/d", value, "/f"], env=env,
                               capture_output=True, timeout=120, check=True)
            for name, value in X11_SETTINGS.items():
                subprocess.run([WINE, "reg", "add", X11_KEY, "/v", name, "/t", "REG_SZ",
                                "/d", value, "/f"], env=env, capture_output=True, timeout=120,
                               check=True)
            self._stop_wineserver(env)  # writes the registry to disk
            self._check_font_substitutes(prefix)
        except BaseException:
            self._stop_wineserver(env)
            shutil.rmtree(prefix, ignore_errors=True)
            raise

    @staticmethod
    def _installed_families():
        out = subprocess.run(["fc-list", ":lang=ja", "family"], capture_output=True, text=True,
                             timeout=60).stdout
        return {name.strip() for line in out.splitlines() for name in line.split(",")}

    @staticmethod
    def _check_font_substitutes(prefix):
        # system.reg keeps non-ASCII characters as \xNNNN escapes.
        def escaped(text):
            return "".join(c if ord(c) < 128 else f"\\x{ord(c):x}" for c in text)

        registry = (prefix / "system.reg").read_text(encoding="utf-8", errors="replace")
        for name, family in FONT_SUBSTITUTES.items():
            if f'"{escaped(name)}"="{family}"' not in registry:
                raise HarnessError(f"font substitute {name} -> {family} did not reach the "
                                   "registry")

    @staticmethod
    def _stop_wineserver(env):
        try:
            subprocess.run([WINESERVER, "-k"], env=env, capture_output=True, timeout=30)
            subprocess.run([WINESERVER, "-w"], env=env, capture_output=True, timeout=30)
        except subprocess.TimeoutExpired:
            pass

    # -- running things --------------------------------------------------------------------

    def start_windows(self, exe, *args, env=None, **popen_args):
        """Starts a Windows program under Wine in this session; returns its Popen. `env` adds
        to or overrides the session's environment (LANG, for instance)."""
        popen_args.setdefault("stdin", subprocess.DEVNULL)
        popen_args.setdefault("stdout", subprocess.DEVNULL)
        popen_args.setdefault("stderr", subprocess.DEVNULL)
        proc = subprocess.Popen([WINE, str(exe), *map(str, args)],
                                env=dict(self.env, **(env or {})), start_new_session=True,
                                **popen_args)
        self._procs.append(proc)
        return proc

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

    def windows_path(self, path):
        """A Linux path as the Windows programs see it (drive Z: is /)."""
        return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class DriverError(RuntimeError):
    pass


class Driver:
    """The e2edriver.exe REPL: one command line in, one answer line out."""

    def __init__(self, session, exe):
        self._session = session
        log = session._log(f"driver-{len(session._drivers)}.log")
        self.proc = session.start_windows(exe, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                          stderr=log)
        self._lines = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        answer = self.cmd("ping", timeout=60)
        if answer != "pong":
            raise DriverError(f"driver did not start: {answer!r}")

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
        _kill_group(self.proc)
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
        self.proc = subprocess.Popen(
            ["parec", "--server", session.pulse_server, f"--device={SINK}.monitor",
             f"--rate={RATE}", "--channels=1", "--format=s16le", "--raw",
             "--latency-msec=20"],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            start_new_session=True)
        self._thread = threading.Thread(target=self._read, daemon=True)
        self._thread.start()
        deadline = time.monotonic() + 10
        while not self._chunks:
            if time.monotonic() > deadline or self.proc.poll() is not None:
                self.stop()
                raise HarnessError("no audio from the null sink's monitor")
            time.sleep(0.02)

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
        _kill_group(self.proc)
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


# -- signal helpers (standard library only) -------------------------------------------------

def level_dbfs(samples):
    if not samples:
        return -120.0
    mean_square = sum(s * s for s in samples) / len(samples)
    if mean_square <= 0:
        return -120.0
    return max(-120.0, 10 * math.log10(mean_square / 32768.0 ** 2))


def _fft(values):
    """In-place iterative radix-2 FFT of a list of complex numbers (length a power of 2)."""
    n = len(values)
    j = 0
    for i in range(1, n):
        bit = n >> 1
        while j & bit:
            j ^= bit
            bit >>= 1
        j |= bit
        if i < j:
            values[i], values[j] = values[j], values[i]
    size = 2
    while size <= n:
        step = cmath.exp(-2j * cmath.pi / size)
        half = size // 2
        for start in range(0, n, size):
            w = 1
            for k in range(start, start + half):
                a = values[k]
                b = values[k + half] * w
                values[k] = a + b
                values[k + half] = a - b
                w *= step
        size *= 2
    return values


def spectrum(samples, max_points=16384):
    """(frequencies, power) of a Hann-windowed stretch of samples (at most max_points)."""
    samples = samples[:max_points]
    n = 1
    while n < len(samples):
        n *= 2
    if len(samples) < 16:
        return [], []
    count = len(samples)
    windowed = [complex(s * (0.5 - 0.5 * math.cos(2 * math.pi * i / (count - 1))))
                for i, s in enumerate(samples)]
    windowed.extend([0j] * (n - count))
    values = _fft(windowed)
    half = n // 2
    freqs = [i * RATE / n for i in range(half)]
    power = [abs(v) ** 2 for v in values[:half]]
    return freqs, power


def band_levels(samples, split_low=900.0, split_high=1200.0):
    """Energy below split_low and above split_high, in dB relative to full scale."""
    freqs, power = spectrum(samples)
    if not power:
        return -120.0, -120.0
    scale = (32768.0 * len(samples)) ** 2

    def db(energy):
        return max(-120.0, 10 * math.log10(energy / scale)) if energy > 0 else -120.0

    low = sum(p for f, p in zip(freqs, power) if 20 <= f < split_low)
    high = sum(p for f, p in zip(freqs, power) if f > split_high)
    return db(low), db(high)
