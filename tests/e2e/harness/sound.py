"""Levels and bands of recorded sound (standard library only), and the bands that tell the
bell from the chime, the same for both editions."""

import cmath
import math

RATE = 22050  # the null sink's and the recording's sample rate

SILENT_DB = -60.0  # a null sink with nothing playing records digital silence
# The chime's notes sit below 900 Hz with next to nothing above 2 kHz, where most of the
# bell's strikes are. Measured through Wine: the chime reads -17..-23 dB in its band and below
# -70 dB in the bell's (-53 dB at a note's onset in a 40 ms window); the bell -25..-30 dB in its
# band and about -50 dB in the chime's.
CHIME_BAND_HZ, BELL_BAND_HZ = 900.0, 2000.0
CHIME_AUDIBLE_DB, CHIME_QUIET_DB = -32.0, -42.0
BELL_AUDIBLE_DB, BELL_QUIET_DB = -40.0, -50.0
# The emergency brake's burst of air reaches down below the chime's notes, where neither the bell
# nor the chime sounds. Measured through Wine: bell and chime read -59 dB there, the brake
# -36 dB in its first 0.7 s.
BRAKE_BAND_HZ = 450.0
BRAKE_AUDIBLE_DB, BRAKE_QUIET_DB = -45.0, -52.0


def level_dbfs(samples):
    """RMS level of s16 samples in dBFS (-120 for silence or none)."""
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


def onset_abruptness(samples, quiet=32, onset_s=0.002, after_s=0.2):
    """How suddenly sound starts after silence: the peak of the first 2 ms from the first
    sample above `quiet`, over the peak of the 200 ms from there (0 to 1; None without an
    onset that silence leads into). A sound cut in mid-wave, a click, reads near 1; one that
    fades in reads near 0."""
    start = next((i for i, s in enumerate(samples) if abs(s) > quiet), None)
    if not start:  # no sound, or sound from the first sample: no silence before it
        return None
    onset = max(abs(s) for s in samples[start:start + int(onset_s * RATE)])
    peak = max(abs(s) for s in samples[start:start + int(after_s * RATE)])
    return onset / peak
