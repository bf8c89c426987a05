"""Measures orvaneats.exe and atsbell.exe under Wine and prints the figures.

Delays are taken from the moment the click is sent to the first 20 ms window of the
recording in which the sound is (or is no longer) heard, so they include the audio path of
Wine and PulseAudio: they are upper bounds of the program's own delay.
"""

import shutil
import statistics
import struct
import tempfile
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import harness  # noqa: E402
from harness import windows as e2e  # noqa: E402  (the program's driver and control ids)
from harness.measure import (STEP_S, TARGET_CPU_PERCENT, cpu_percent, delay_ms,  # noqa: E402
                             first_time, peak_memory_kib, verdict, wine_processes)

TARGET_DELAY_MS = 150
ROUNDS = 5
# Each measure of ours against the same measure of a minimal program, in the same run.
TARGET_FLOOR_RATIO = 1.1
# Stripped sizes of the shipped exes.
TARGET_SIZE_KIB = {"orvaneats.exe": 256, "atsbell.exe": 128}
STRIP = "x86_64-w64-mingw32-strip"


def report_delays(label, delays):
    heard = sorted(d for d in delays if d is not None)
    if len(heard) < len(delays):
        print(f"  {label} never in {len(delays) - len(heard)} of {len(delays)}   OVER TARGET")
        return
    median, worst = statistics.median(heard), heard[-1]
    print(f"  {label} {median:5.0f} / {worst:5.0f} ms   "
          f"{verdict(worst <= TARGET_DELAY_MS)}  (step {STEP_S * 1000:.0f} ms)")


def report_ratio(label, ours, floor):
    """Our medians against the floor's: the part of the figure that is ours, not Wine's."""
    ours = [d for d in ours if d is not None]
    floor = [d for d in floor if d is not None]
    if not ours or not floor:
        print(f"  {label} no ratio (a sound was never heard)   OVER TARGET")
        return
    a, b = statistics.median(ours), statistics.median(floor)
    ratio = a / b if b > 0 else float("inf")
    print(f"  {label} {a:5.0f} / {b:5.0f} ms = {ratio:4.2f} x   "
          f"{verdict(ratio <= TARGET_FLOOR_RATIO)}  (target <= {TARGET_FLOOR_RATIO} x)")


def alarm_rounds(recorder, program, rounds):
    """(bell audible, chime audible, bell silent after confirm) delays in ms per alarm."""
    bell_ms, chime_ms, silent_ms = [], [], []
    for _ in range(rounds):
        clicked = time.monotonic()
        program.click(e2e.IDC_START)  # the alarm picture is shown inside this click
        bell_ms.append(delay_ms(clicked, first_time(recorder, clicked, "bell", True)))
        chime_ms.append(delay_ms(clicked, first_time(recorder, clicked, "chime", True)))
        time.sleep(1)
        confirmed = time.monotonic()
        program.click(e2e.IDC_CONFIRM)
        silent_ms.append(delay_ms(confirmed, first_time(recorder, confirmed, "bell", False)))
        program.click(e2e.IDC_START)  # Stop
        time.sleep(1)
    return bell_ms, chime_ms, silent_ms


def floor_folder(root):
    """The program with e2eminplayer.exe in place of atsbell.exe (and under its own name)."""
    folder = root / "floor"
    folder.mkdir()
    for name in ("orvaneats.exe", "atsbell.wav", "atschime.wav"):
        shutil.copy(harness.build_path(name), folder)
    minimal = harness.build_path("e2eminplayer.exe")
    shutil.copy(minimal, folder / "atsbell.exe")
    shutil.copy(minimal, folder / "e2eminplayer.exe")
    return folder


def floor_delays(session, driver, recorder, folder, rounds):
    program = e2e.Program(session, driver, folder / "orvaneats.exe")
    try:
        program.click(e2e.IDC_IGNORESIGNAL)
        return alarm_rounds(recorder, program, rounds)
    finally:
        program.kill()


def pe_section_sizes(path):
    """{section name: bytes in the file} of a PE image."""
    data = Path(path).read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    table = pe + 24 + optional_size
    sizes = {}
    for i in range(count):
        name, raw_size = struct.unpack_from("<8s8xI", data, table + 40 * i)
        sizes[name.rstrip(b"\0").decode()] = raw_size
    return sizes


def stripped_sizes():
    """{exe name: stripped size in bytes} of the shipped exes."""
    sizes = {}
    with tempfile.TemporaryDirectory() as tmp:
        for exe in sorted(harness.BIN_DIR.glob("*.exe")):
            out = Path(tmp) / exe.name
            subprocess.run([STRIP, "-o", str(out), str(exe)], check=True, timeout=60)
            sizes[exe.name] = out.stat().st_size
    return sizes


def main():
    harness.require_build("orvaneats.exe", "atsbell.exe", "atsbell.wav", "atschime.wav",
                          "e2edriver.exe", "e2eminplayer.exe")
    session, driver, recorder = harness.start_session("windows")
    with session:
        floor = floor_folder(session.tmp)
        program = e2e.Program(session, driver)
        # Under Wine a pointer resting on a button polls mouse tracking many times a second;
        # a user's pointer is elsewhere while the alarm runs by itself.
        session.xdotool("mousemove", 0, 0)
        try:
            prefix = session.env["WINEPREFIX"]
            orvane_pids = wine_processes("orvaneats.exe", prefix)
            idle = cpu_percent(orvane_pids, 30)
            idle_cpu = sum(idle.values())

            program.click(e2e.IDC_IGNORESIGNAL)
            bell_ms, chime_ms, silent_ms = alarm_rounds(recorder, program, ROUNDS)

            program.click(e2e.IDC_START)
            # The minimal player loops the same wave beside ours over the same 30 s.
            session.start_windows(floor / "e2eminplayer.exe", cwd=str(floor))
            time.sleep(2)
            player_pids = wine_processes("atsbell.exe", prefix)
            minimal_pids = wine_processes("e2eminplayer.exe", prefix)
            alarm = cpu_percent(orvane_pids + player_pids + minimal_pids, 30)
            alarm_orvane = sum(alarm[p] for p in orvane_pids)
            alarm_player = sum(alarm[p] for p in player_pids)
            alarm_minimal = sum(alarm[p] for p in minimal_pids)
            peaks = {pid: peak_memory_kib(pid) for pid in orvane_pids + player_pids}
            driver.cmd("kill-procs e2eminplayer.exe")
        finally:
            program.kill()

        # The floor in the same session, then ours again, so a drift of the machine's load
        # shows on both sides.
        floor_bell, _, _ = floor_delays(session, driver, recorder, floor, ROUNDS)
        program = e2e.Program(session, driver)
        try:
            program.click(e2e.IDC_IGNORESIGNAL)
            more_bell, _, _ = alarm_rounds(recorder, program, ROUNDS)
        finally:
            program.kill()
        more_floor_bell, _, _ = floor_delays(session, driver, recorder, floor, ROUNDS)
    sizes = stripped_sizes()

    print(f"OrvaneATS under Wine, null sink; delays over {ROUNDS} alarms (median / worst), "
          "including the audio path")
    report_delays("alarm picture -> bell audible: ", bell_ms)
    report_delays("alarm picture -> chime audible:", chime_ms)
    report_delays("confirm click -> bell silent:  ", silent_ms)
    print(f"Against the floor: the program with e2eminplayer.exe (loops the wave, nothing "
          f"else) as its player; medians over {2 * ROUNDS} alarms each, ours / floor")
    report_ratio("alarm picture -> bell audible: ", bell_ms + more_bell,
                 floor_bell + more_floor_bell)
    print(f"  CPU, 30 s idle, orvaneats.exe:   {idle_cpu:7.2f} %   "
          f"{verdict(idle_cpu < TARGET_CPU_PERCENT)}")
    print(f"  CPU, 30 s alarm, orvaneats.exe:  {alarm_orvane:7.2f} %   "
          f"{verdict(alarm_orvane < TARGET_CPU_PERCENT)}")
    print(f"  CPU, 30 s alarm, atsbell.exe:    {alarm_player:7.2f} %   "
          f"{verdict(alarm_player < TARGET_CPU_PERCENT)}")
    cpu_ratio = alarm_player / alarm_minimal if alarm_minimal > 0 else float("inf")
    print(f"  CPU, same 30 s, e2eminplayer.exe:{alarm_minimal:7.2f} %   atsbell.exe / floor "
          f"= {cpu_ratio:4.2f} x   {verdict(cpu_ratio <= TARGET_FLOOR_RATIO)}  "
          f"(target <= {TARGET_FLOOR_RATIO} x)")
    for pid, kib in peaks.items():
        name = "orvaneats.exe" if pid in orvane_pids else "atsbell.exe"
        print(f"  peak memory, {name:14} {kib / 1024:7.1f} MiB (VmHWM, pid {pid})")
    for name, size in sizes.items():
        target = TARGET_SIZE_KIB.get(name)
        judged = (f"{verdict(size <= target * 1024)}  (target <= {target} KiB)"
                  if target else "")
        print(f"  stripped size, {name:14} {size / 1024:7.1f} KiB   {judged}")
        # Pictures added to the resources grow only the second figure.
        resources = pe_section_sizes(harness.BIN_DIR / name).get(".rsrc", 0)
        print(f"    of which code and data {(size - resources) / 1024:7.1f} KiB, "
              f"resources {resources / 1024:7.1f} KiB")


if __name__ == "__main__":
    main()
