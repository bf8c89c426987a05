"""What the benches measure, the same way for every edition: CPU use of processes (psutil) and
their peak memory, and from a recording the first time a sound is (or is no longer) heard."""

import time
from pathlib import Path

import psutil

from .sound import (BELL_AUDIBLE_DB, BELL_BAND_HZ, BELL_QUIET_DB, CHIME_AUDIBLE_DB,
                    CHIME_BAND_HZ, CHIME_QUIET_DB)

STEP_S = 0.01
WINDOW_S = 0.04
# Every edition's program, idle or ringing, uses less than this of one core.
TARGET_CPU_PERCENT = 1.0


def wine_processes(exe_name, prefix):
    """Pids of the processes of this Windows program in this Wine prefix only."""
    return [proc.pid for proc in psutil.process_iter(["cmdline", "environ"])
            if any(exe_name in part for part in proc.info["cmdline"] or ())
            and (proc.info["environ"] or {}).get("WINEPREFIX") == prefix]


def peak_memory_kib(pid):
    """VmHWM, which psutil does not give: the most memory the process has held."""
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
    """{pid: % of one core used over the next `seconds`}; 0 for a process that is gone."""
    procs = {}
    for pid in pids:
        try:
            procs[pid] = psutil.Process(pid)
            procs[pid].cpu_percent()  # the start of the interval
        except psutil.Error:
            procs.pop(pid, None)
    time.sleep(seconds)
    used = {pid: 0.0 for pid in pids}
    for pid, proc in procs.items():
        try:
            used[pid] = proc.cpu_percent()
        except psutil.Error:
            pass
    return used


def verdict(ok):
    return "ok" if ok else "OVER TARGET"
