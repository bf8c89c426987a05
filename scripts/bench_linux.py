"""Measures the Linux edition (build/linux/bin/orvaneats) natively, the way bench.py measures
the Windows program under Wine: private Xvfb, a null sink, real mouse clicks; once on
PulseAudio, once on PipeWire's pulse service. On PulseAudio also how soon a ringing bell is
heard again after the server is killed and restarted, and how abruptly it comes back.

Delays run from the moment the click is sent to the first 10 ms step of the recording in which
the sound is (or is no longer) heard, so they include the X input path and PulseAudio: upper
bounds of the program's own delay. The alarm picture is shown inside the Start click.
"""

import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import harness  # noqa: E402
from harness import measure as bench  # noqa: E402  (measured as the Wine figures are)
from harness import linux as desk  # noqa: E402
from harness import tables  # noqa: E402  (the captions the controls are found by)

ROUNDS = 5
STARTS = 5
TARGET_BELL_MS = 50
# The chime follows the window's wait after the bell starts.
TARGET_CHIME_MS = 50 + tables.fact("bellPlayerStartWaitMs")
TARGET_STARTUP_MS = 300
TARGET_RETURN_MS = 2000
MAX_ONSET = 0.3
BELL, START, CONFIRM, IGNORE_SIGNAL = (tables.caption(tables.control_id(name))
                                       for name in ("bell", "start", "confirm", "ignoreSignal"))
STOP = tables.text("stop")


def report(label, delays, target):
    heard = sorted(d for d in delays if d is not None)
    if len(heard) < len(delays):
        each = ", ".join("never" if d is None else f"{d:.0f}" for d in delays)
        print(f"  {label} never in {len(delays) - len(heard)} of {len(delays)}   OVER TARGET"
              f"  (each: {each})")
        return
    median, worst = statistics.median(heard), heard[-1]
    print(f"  {label} {median:5.0f} / {worst:5.0f} ms   {bench.verdict(worst <= target)}"
          f"  (target {target} ms; each: {', '.join(f'{d:.0f}' for d in delays)})")


def startup_ms(session):
    """From the start of the process to its window mapped on the X server."""
    started = time.monotonic()
    proc = session.start_native(desk.PROGRAM, cwd=str(session.tmp))
    try:
        while time.monotonic() - started < 10:
            if session.xdotool("search", "--all", "--onlyvisible", "--pid", proc.pid, "--name",
                               f"^{desk.MAIN_TITLE}$"):
                return (time.monotonic() - started) * 1000
            time.sleep(0.005)
        return None
    finally:
        harness.kill_group(proc)


def main():
    reason = desk.missing_program()
    if reason:
        print(f"Linux edition: not measured ({reason})")
        return
    for sound in desk.SOUND_SERVERS:
        measure(sound)


def restart_figures(session, recorder, program):
    """(ms from the restarted server answering to the bell heard, onset abruptness)."""
    program.click(BELL)
    time.sleep(1)
    session.restart_sound_server()
    back = time.monotonic()
    heard = recorder.first_time_above(harness.BELL_AUDIBLE_DB, back, timeout=5)
    program.click(BELL)
    if heard is None:
        return None, None
    onset = harness.sound.onset_abruptness(recorder.samples(heard - 0.5, heard + 0.5))
    return (heard - back) * 1000, onset


def measure(sound):
    with harness.LinuxSession(sound=sound) as session:
        startups = [startup_ms(session) for _ in range(STARTS)]
        driver = session.atspi()
        recorder = session.recorder()
        program = desk.Program(session, driver)
        session.xdotool("mousemove", 0, 0)
        try:
            pid = program.proc.pid
            idle_cpu = bench.cpu_percent([pid], 30)[pid]
            program.press(IGNORE_SIGNAL)
            bell_ms, chime_ms, silent_ms = [], [], []
            for _ in range(ROUNDS):
                clicked = time.monotonic()
                program.click(START)
                bell_ms.append(bench.delay_ms(clicked, bench.first_time(recorder, clicked,
                                                                          "bell", True)))
                chime_ms.append(bench.delay_ms(clicked, bench.first_time(recorder, clicked,
                                                                           "chime", True)))
                time.sleep(1)
                confirmed = time.monotonic()
                program.click(CONFIRM)
                silent_ms.append(bench.delay_ms(confirmed, bench.first_time(
                    recorder, confirmed, "bell", False)))
                program.click(STOP)
                time.sleep(1)
            program.click(START)
            session.xdotool("mousemove", 0, 0)
            time.sleep(2)
            alarm_cpu = bench.cpu_percent([pid], 30)[pid]
            peak = bench.peak_memory_kib(pid)
            program.click(CONFIRM)
            program.click(STOP)
            if sound == "pulse":
                return_ms, onset = restart_figures(session, recorder, program)
        finally:
            program.kill()

    print(f"OrvaneATS Linux edition (Qt {qt_version()}), {sound} null sink; delays over "
          f"{ROUNDS} alarms (median / worst), including the audio path")
    report("alarm picture -> bell audible: ", bell_ms, TARGET_BELL_MS)
    report("alarm picture -> chime audible:", chime_ms, TARGET_CHIME_MS)
    report("confirm click -> bell silent:  ", silent_ms, TARGET_BELL_MS)
    print(f"  CPU, 30 s idle, orvaneats:       {idle_cpu:7.2f} %   "
          f"{bench.verdict(idle_cpu < bench.TARGET_CPU_PERCENT)}")
    print(f"  CPU, 30 s alarm, orvaneats:      {alarm_cpu:7.2f} %   "
          f"{bench.verdict(alarm_cpu < bench.TARGET_CPU_PERCENT)}  (bell and chime in it)")
    print(f"  peak memory, orvaneats       {peak / 1024:7.1f} MiB (VmHWM)")
    report("start-up -> window shown:      ", startups, TARGET_STARTUP_MS)
    if sound == "pulse":
        report("server restarted -> bell again:", [return_ms], TARGET_RETURN_MS)
        if onset is not None:
            print(f"  bell's return, first 2 ms / peak: {onset:5.2f}   "
                  f"{bench.verdict(onset < MAX_ONSET)}  (a click reads near 1)")


def qt_version():
    out = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", "libqt6core6"],
                         capture_output=True, text=True).stdout
    return out.split("+")[0] or "6"


if __name__ == "__main__":
    main()
