"""What the benches measure, the same way for every edition: CPU use and peak memory of a
process from /proc, and from a recording the first time a sound is (or is no longer) heard."""

import os
import time
from pathlib import Path

from .sound import (BELL_AUDIBLE_DB, BELL_BAND_HZ, BELL_QUIET_DB, CHIME_AUDIBLE_DB,
                    CHIME_BAND_HZ, CHIME_QUIET_DB)

TICKS = os.sysconf("SC_CLK_TCK")
STEP_S = 0.01
WINDOW_S = 0.04
# Every edition's program, idle or ringing, uses less than this of one core.
TARGET_CPU_PERCENT = 1.0


def cpu_seconds(pid):
    try:
        fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    except OSError:
        return 0.0
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def peak_memory_kib(pid):
    try:
        for line in Path(f"/proc/{pid}/status").read_text().splitlines():
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    except OSError:
        pass
    return 0


def band_db(recorder, t0, band):
    low, high = recorder.band_levels(t0, t0 + WINDOW_S, CHIME_BAND_HZ,
                                     BELL_BAND_HZ)
    return high if band == "bell" else low


def first_time(recorder, after, band, heard, timeout=5.0):
    """Start of the first window after `after` in which the band is heard, or (heard=False)
    of the first stretch of 200 ms in which it stays quiet."""
    hold_s = 0.0 if heard else 0.2
    audible = BELL_AUDIBLE_DB if band == "bell" else CHIME_AUDIBLE_DB
    quiet = BELL_QUIET_DB if band == "bell" else CHIME_QUIET_DB
    t = after
    stretch_start = None
    while t < after + timeout:
        # A window not recorded yet would read as silence: wait for it.
        recorder.wait_until_recorded(t + WINDOW_S, timeout=timeout + 10)
        level = band_db(recorder, t, band)
        if (heard and level > audible) or (not heard and level < quiet):
            stretch_start = t if stretch_start is None else stretch_start
            if t - stretch_start >= hold_s:
                return stretch_start
        else:
            stretch_start = None
        t += STEP_S
    return None


def delay_ms(start, end):
    return None if end is None else (end - start) * 1000


def cpu_percent(pids, seconds):
    before = {pid: cpu_seconds(pid) for pid in pids}
    time.sleep(seconds)
    return {pid: (cpu_seconds(pid) - before[pid]) / seconds * 100 for pid in pids}


def verdict(ok):
    return "ok" if ok else "OVER TARGET"
