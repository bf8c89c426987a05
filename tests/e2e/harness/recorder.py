"""The recording of the session's null sink, with the levels and bands the tests judge by."""

import array
import subprocess
import threading
import time

from .processes import HarnessError, kill_group
from .sound import RATE, band_levels, level_dbfs, spectrum
from .sound_server import SINK


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
            ["parec", "--server", self._session.sound_server.record_server,
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
