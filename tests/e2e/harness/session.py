"""The private desktop the end-to-end tests run the programs on.

A Session owns a private X server (Xvfb), a private sound server with a null sink
(sound_server.py) and a private Wine prefix (none with wine=False, for native programs). It
starts programs, drivers (driver.py) and sound recorders (recorder.py), and stops everything it
started when it ends, also on failure.

    with Session() as session:  # or harness.start_session()
        driver = session.driver()
        recorder = session.recorder()
        pid = driver.ok("start-player atsopen {hwnd}")
        t0 = time.monotonic()
        heard = recorder.first_time_above(-40, after=t0, timeout=5)
"""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path

from . import wine_prefix, x11
from .build import REPO, require_build
from .driver import Driver
from .processes import kill_group
from .recorder import Recorder
from .sound_server import SOUND_SERVERS

PREFIX_CACHE = REPO / "build" / "windows" / "wineprefix-test"
SCREEN = (1024, 768)
WINE = wine_prefix.WINE


class Session:
    """Xvfb + a sound server with a null sink + private Wine prefix. Use as a context manager.
    Session(wine=False) is the same desktop without Wine, for native programs.

    With dpi given, the prefix's display scale (LogPixels) is set to it: 96 is 100 %. `sound`
    is "pulse" (PulseAudio) or "pipewire"."""

    def __init__(self, wine=True, dpi=None, sound="pulse"):
        if sound not in SOUND_SERVERS:
            raise ValueError(f"sound server {sound!r} is not one of {tuple(SOUND_SERVERS)}")
        self.wine = wine
        self.dpi = dpi
        self.sound = sound
        self.tmp = None
        self.display = None
        self.env = None
        self.sound_server = None
        self._xvfb = None
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
            self._xvfb = x11.start_xvfb(*SCREEN)
            self.display = self._xvfb.display
            self.sound_server = SOUND_SERVERS[self.sound](self.tmp, runtime, self._log)
            self.sound_server.start()
            self.env = self._base_env(runtime, self.tmp / "prefix")
            if self.wine:
                wine_prefix.copy_prepared(PREFIX_CACHE, self.tmp / "prefix", self.env, self.dpi)
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
        if self.sound_server is not None:
            self.sound_server.close()
        if self._xvfb is not None:
            self._xvfb.stop()
        self.sound_server = self._xvfb = None
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

    def _base_env(self, runtime, prefix):
        env = dict(os.environ)
        for name in ("WINEARCH", "WINELOADER", "WINESERVER"):
            env.pop(name, None)
        env.update(
            DISPLAY=self.display,
            XDG_RUNTIME_DIR=str(runtime),
            PULSE_SERVER=self.sound_server.pulse_server,
            WINEPREFIX=str(prefix),
            WINEDEBUG="-all",
            # No offer to download Mono or Gecko; and no menu entries in the real home folder
            # for the shortcuts an installer makes.
            WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
            LANG="C.UTF-8",
            LC_ALL="C.UTF-8",
        )
        return env

    # -- the sound server under test ---------------------------------------------------------

    def restart_sound_server(self):
        """Kills the sound server and starts it again on the same socket, as a crash and a
        restart would; the recorders record the new one. Returns when it answers again."""
        self.sound_server.relaunch()
        for recorder in self._recorders:
            recorder.reconnect()
        self.sound_server.open()

    def stop_sound_server(self):
        """Freezes the sound server (SIGSTOP): it keeps its socket and answers nothing."""
        self.sound_server.freeze()

    def continue_sound_server(self):
        self.sound_server.thaw()

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
        """Starts an e2edriver.exe REPL (from build/windows/tests-bin unless told otherwise)."""
        return self._add_driver(Driver(self, exe or require_build("e2edriver.exe")[0]))

    def _add_driver(self, driver):
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
