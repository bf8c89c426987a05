#!/usr/bin/python3
"""Synthesises the ATS bell and the chime as seamlessly looping 16-bit mono waves, and the
emergency brake's burst of air, played once.

    /usr/bin/python3 tools/make_waves.py [OUTDIR]

Each sound is a pattern of struck notes repeated forever. A note's decaying tail is
rendered until it is far below one LSB and then folded back onto the loop (index
modulo the loop length), which yields exactly one period of the periodic signal:
the last sample runs into the first as smoothly as any two samples inside.
Only plain float maths and a small fixed-seed xorshift generator are used, so the
files are identical on every run.
"""

import math
import os
import struct
import sys
from array import array

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RATE = 22050
PEAK = 23000  # about -3 dBFS


class XorShift32:
    """Fixed-seed pseudo random numbers for the small irregularities of a real bell."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF or 1

    def next(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x

    def uniform(self):
        """Float in [-1, 1)."""
        return self.next() / 2147483648.0 - 1.0


def render_note(partials, attack_s, floor=1e-6):
    """One struck note: sum of decaying sines with a raised-cosine attack.

    partials: (frequency Hz, amplitude, decay time constant s, start phase rad).
    The note ends where every partial has decayed below `floor` of its amplitude.
    """
    longest = max(tau for _f, _a, tau, _p in partials)
    n = int(math.ceil(longest * math.log(1.0 / floor) * RATE))
    att = max(1, int(round(attack_s * RATE)))
    out = array("d", bytes(8 * n))
    for f, a, tau, ph in partials:
        w = 2.0 * math.pi * f / RATE
        k = math.exp(-1.0 / (tau * RATE))
        m = min(n, int(math.ceil(tau * math.log(1.0 / floor) * RATE)))
        env = a
        for i in range(m):
            out[i] += env * math.sin(w * i + ph)
            env *= k
    for i in range(min(att, n)):
        out[i] *= 0.5 - 0.5 * math.cos(math.pi * i / att)
    return out


def fold(note, length):
    """Wrap a note onto a loop of `length` samples (its tail lands on the start)."""
    out = array("d", bytes(8 * length))
    for i, v in enumerate(note):
        out[i % length] += v
    return out


def place(loop, folded, offset, gain):
    """Add a folded note starting at `offset`, circularly."""
    n = len(loop)
    offset %= n
    head = n - offset
    for i in range(head):
        loop[offset + i] += gain * folded[i]
    for i in range(head, n):
        loop[i - head] += gain * folded[i]


def to_pcm(signal, peak_level=PEAK):
    """Remove any DC, scale the peak to peak_level and round to 16-bit."""
    mean = sum(signal) / len(signal)
    peak = max(abs(v - mean) for v in signal)
    scale = peak_level / peak
    return array("h", (int(math.floor((v - mean) * scale + 0.5)) for v in signal))


def wav_bytes(samples):
    """Canonical 44-byte header, WAVE_FORMAT_PCM, mono, 16 bit."""
    data = array("h", samples)
    if sys.byteorder != "little":
        data.byteswap()
    raw = data.tobytes()
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(raw), b"WAVE", b"fmt ", 16,
                         1, 1, RATE, RATE * 2, 2, 16, b"data", len(raw))
    return header + raw


# ---- the bell ----------------------------------------------------------------------

BELL_F0 = 1180.0
BELL_STRIKE = 1260          # samples between strikes: 17.5 strikes per second
BELL_STRIKES = 35           # strikes per loop: 2.0 s
BELL_LEAD = BELL_STRIKE // 2  # first strike half way in, so the seam falls between strikes
# A struck gong: inharmonic modes, the higher ones dying away faster. The split pair
# at the fundamental gives the slow shimmer of a real bell.
BELL_PARTIALS = (
    (1.000, 1.00, 0.32),
    (1.003, 0.55, 0.30),
    (2.756, 0.60, 0.13),
    (5.404, 0.32, 0.060),
    (8.933, 0.07, 0.030),
)


def bell():
    length = BELL_STRIKE * BELL_STRIKES
    partials = [(BELL_F0 * r, a, tau, 0.37 * k) for k, (r, a, tau) in enumerate(BELL_PARTIALS)]
    note = render_note(partials, attack_s=0.0006)
    # Hammer impact: a few milliseconds of differentiated noise.
    rng = XorShift32(0x0A75BE11)
    click_len = int(0.004 * RATE)
    prev = 0.0
    for i in range(click_len):
        v = rng.uniform()
        env = math.exp(-i / (0.0009 * RATE))
        note[i] += 0.35 * env * (v - prev)
        prev = v
    folded = fold(note, length)
    loop = array("d", bytes(8 * length))
    for s in range(BELL_STRIKES):
        # The armature is not a clock: strikes wander by a few samples and in strength.
        jitter = int(round(4.0 * rng.uniform()))
        gain = 1.0 + 0.08 * rng.uniform()
        place(loop, folded, BELL_LEAD + s * BELL_STRIKE + jitter, gain)
    return to_pcm(loop)


# ---- the chime ---------------------------------------------------------------------

CHIME_PERIOD = 33075        # 1.5 s per ding-dong
CHIME_PERIODS = 2           # loop of 3.0 s
# (start s, Hz): E5 then C5. The ding comes a little after the loop start so the seam
# lies in the quiet tail of the dong, not on an onset.
CHIME_NOTES = ((0.25, 659.26), (0.67, 523.25))


def chime():
    length = CHIME_PERIOD * CHIME_PERIODS
    loop = array("d", bytes(8 * length))
    for start, f in CHIME_NOTES:
        # A soft electronic tone: sine with a faint octave and twelfth and a slightly
        # detuned twin for warmth.
        partials = (
            (f, 1.00, 0.55, 0.0),
            (f * 1.0025, 0.35, 0.55, 1.1),
            (f * 2.0, 0.18, 0.25, 0.4),
            (f * 3.0, 0.05, 0.12, 2.0),
        )
        folded = fold(render_note(partials, attack_s=0.018), length)
        for p in range(CHIME_PERIODS):
            place(loop, folded, p * CHIME_PERIOD + int(round(start * RATE)), 1.0)
    return to_pcm(loop)


# ---- the emergency brake ------------------------------------------------------------

BRAKE_SECONDS = 2.0
BRAKE_ATTACK_S = 0.012      # the valve snaps open
BRAKE_DECAY_S = 0.55        # the brake pipe empties
BRAKE_FADE_S = 0.25         # the last of it dies away to exact silence
BRAKE_HIGH_PASS_HZ = 180.0  # air, not rumble
BRAKE_LOW_PASS_HZ = 2800.0  # a hiss through a pipe, not a whistle
BRAKE_PEAK = 16000          # about -6 dBFS: under the bell it joins


def brake():
    """The burst of air as the brake pipe vents: band-limited noise with a fast attack, a
    decay as the pressure falls and a slow flutter, ending in silence."""
    n = int(BRAKE_SECONDS * RATE)
    rng = XorShift32(0x0B4A4E50)
    hp = math.exp(-2.0 * math.pi * BRAKE_HIGH_PASS_HZ / RATE)
    lp = 1.0 - math.exp(-2.0 * math.pi * BRAKE_LOW_PASS_HZ / RATE)
    attack = int(BRAKE_ATTACK_S * RATE)
    fade = int(BRAKE_FADE_S * RATE)
    out = array("d", bytes(8 * n))
    prev_in = prev_hp = low1 = low2 = 0.0
    for i in range(n):
        v = rng.uniform()
        high = hp * (prev_hp + v - prev_in)  # one-pole high-pass
        prev_in, prev_hp = v, high
        low1 += lp * (high - low1)           # two one-pole low-passes
        low2 += lp * (low1 - low2)
        env = math.exp(-i / (BRAKE_DECAY_S * RATE))
        env *= 1.0 + 0.12 * math.sin(2.0 * math.pi * 7.0 * i / RATE)
        if i < attack:
            env *= 0.5 - 0.5 * math.cos(math.pi * i / attack)
        if i >= n - fade:
            env *= 0.5 + 0.5 * math.cos(math.pi * (i - (n - fade)) / fade)
        out[i] = env * low2
    pcm = to_pcm(out, BRAKE_PEAK)
    pcm[0] = pcm[-1] = 0
    return pcm


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(REPO, "res")
    os.makedirs(out, exist_ok=True)
    for name, make in (("atsbell.wav", bell), ("atschime.wav", chime), ("atsbrake.wav", brake)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(wav_bytes(make()))


if __name__ == "__main__":
    main(sys.argv)
