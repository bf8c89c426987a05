"""The session's private sound server, with a null sink whose monitor the recorder records.

PulseServer is a PulseAudio that a test may kill and restart, or freeze; PipeWireServer plays
through PipeWire's pulse service, as Debian 12 and Ubuntu desktops do: pipewire, wireplumber
(on a D-Bus of its own) and pipewire-pulse.
"""

import os
import signal
import subprocess

from .processes import HarnessError, kill_group, stop, wait_for
from .session_bus import start_session_bus
from .sound import RATE

SINK = "orvane_sink"

# The null sink PipeWire makes at start, driving the graph.
PIPEWIRE_SINK = f"""context.objects = [
    {{ factory = adapter
      args = {{
        factory.name = support.null-audio-sink
        node.name = {SINK}
        node.description = {SINK}
        media.class = Audio/Sink
        audio.position = [ FL FR ]
        node.driver = true
        priority.driver = 2000
        priority.session = 2000
        object.linger = true
      }}
    }}
]
"""


def _wait_for_server(proc, name, server, log_path):
    """Waits until a server answers on `server`."""
    def answers():
        return subprocess.run(["pactl", "--server", server, "info"], capture_output=True,
                              timeout=10).returncode == 0

    if not wait_for(lambda: proc.poll() is not None or answers(), 20, 0.05) \
            or proc.poll() is not None:
        raise HarnessError(f"{name} did not start; see {log_path}")


class PulseServer:
    """PulseAudio with the null sink as its default. The programs' socket opens after one of
    the harness's own, so that after a restart the recorder is back before any program is.

    pulse_server is the programs' address, record_server the recorder's."""

    def __init__(self, tmp, runtime, log):
        self._tmp, self._log = tmp, log
        pulse_dir = runtime / "pulse"
        pulse_dir.mkdir()
        socket, control = pulse_dir / "native", pulse_dir / "harness"
        self._public_socket = ("module-native-protocol-unix", f"socket={socket}",
                               "auth-anonymous=1")
        script = tmp / "pulse.pa"
        script.write_text(
            f"load-module module-native-protocol-unix socket={control} auth-anonymous=1\n"
            f"load-module module-null-sink sink_name={SINK} rate={RATE} channels=2\n"
            f"set-default-sink {SINK}\n")
        self._env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime), HOME=str(runtime))
        self._env.pop("PULSE_SERVER", None)
        self._command = ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                         "--use-pid-file=no", "--system=no", "-F", str(script)]
        self.pulse_server = f"unix:{socket}"
        self.record_server = f"unix:{control}"
        self._proc = None

    def start(self):
        self.relaunch()
        self.open()

    def relaunch(self):
        """Kills the server (as a crash would) and starts it again; it answers the harness's
        socket alone until open()."""
        kill_group(self._proc, signals=(signal.SIGKILL,))
        self._proc = subprocess.Popen(self._command, env=self._env, stdout=subprocess.DEVNULL,
                                      stderr=self._log("pulse.log"), start_new_session=True)
        _wait_for_server(self._proc, "PulseAudio", self.record_server, self._tmp / "pulse.log")

    def open(self):
        """Opens the programs' socket."""
        subprocess.run(["pactl", "--server", self.record_server, "load-module",
                        *self._public_socket], check=True, capture_output=True, timeout=10)

    def freeze(self):
        """SIGSTOP: the server keeps its socket and answers nothing."""
        os.killpg(self._proc.pid, signal.SIGSTOP)

    def thaw(self):
        os.killpg(self._proc.pid, signal.SIGCONT)

    def close(self):
        kill_group(self._proc)
        self._proc = None


class PipeWireServer:
    """pipewire, wireplumber and pipewire-pulse with the null sink, which wireplumber makes the
    default. Frozen as the pulse service; not restarted."""

    PROGRAMS = ("pipewire", "wireplumber", "pipewire-pulse")

    def __init__(self, tmp, runtime, log):
        self._tmp, self._runtime, self._log = tmp, runtime, log
        self.pulse_server = f"unix:{runtime / 'pulse' / 'native'}"
        self.record_server = self.pulse_server
        self._procs = []  # the bus, then PROGRAMS

    def start(self):
        home = self._tmp / "pipewire-home"
        conf = home / ".config" / "pipewire" / "pipewire.conf.d"
        conf.mkdir(parents=True)
        (conf / "orvane-sink.conf").write_text(PIPEWIRE_SINK)
        env = dict(os.environ, XDG_RUNTIME_DIR=str(self._runtime), HOME=str(home),
                   XDG_CONFIG_HOME=str(home / ".config"),
                   PIPEWIRE_RUNTIME_DIR=str(self._runtime))
        for name in ("PULSE_SERVER", "PIPEWIRE_REMOTE", "DBUS_SESSION_BUS_ADDRESS"):
            env.pop(name, None)
        bus, env["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(env, self._log("sound-dbus.log"))
        self._procs.append(bus)
        for program in self.PROGRAMS:
            self._procs.append(subprocess.Popen(
                [program], env=env, stdout=subprocess.DEVNULL,
                stderr=self._log(f"{program}.log"), start_new_session=True))
        _wait_for_server(self._procs[-1], "pipewire-pulse", self.pulse_server,
                         self._tmp / "pipewire-pulse.log")
        if not wait_for(lambda: subprocess.run(
                ["pactl", "--server", self.pulse_server, "get-default-sink"],
                capture_output=True, text=True, timeout=10).stdout.strip() == SINK, 20):
            raise HarnessError(f"PipeWire has no default sink {SINK}; see {self._tmp}")

    def relaunch(self):
        raise HarnessError("only the PulseAudio rig restarts its sound server")

    def freeze(self):
        os.killpg(self._procs[-1].pid, signal.SIGSTOP)

    def thaw(self):
        os.killpg(self._procs[-1].pid, signal.SIGCONT)

    def close(self):
        for proc in reversed(self._procs):
            stop(proc)
        self._procs = []


SOUND_SERVERS = {"pulse": PulseServer, "pipewire": PipeWireServer}
