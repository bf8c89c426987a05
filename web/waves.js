// The bell, the chime and the emergency brake made in the page from the recipe of
// tools/make_waves.py, step for step in the same float arithmetic, as the same 16-bit mono wave
// files: nothing to download.

const RATE = 22050;
const PEAK = 23000;

// Python's round(): halves go to the even neighbour.
function roundHalfEven(x) {
  const r = Math.round(x);
  return r - x === 0.5 && r % 2 !== 0 ? r - 1 : r;
}

// The fixed-seed xorshift generator of the recipe.
class XorShift32 {
  constructor(seed) {
    this.state = seed >>> 0 || 1;
  }

  next() {
    let x = this.state;
    x ^= x << 13;
    x ^= x >>> 17;
    x ^= x << 5;
    this.state = x >>> 0;
    return this.state;
  }

  // In [-1, 1).
  uniform() {
    return this.next() / 2147483648.0 - 1.0;
  }
}

// One struck note: decaying sines [Hz, amplitude, decay s, phase] under a raised-cosine
// attack, until every partial is below `floor` of its amplitude.
function renderNote(partials, attackS, floor = 1e-6) {
  const longest = Math.max(...partials.map(([, , tau]) => tau));
  const n = Math.ceil(longest * Math.log(1.0 / floor) * RATE);
  const attack = Math.max(1, roundHalfEven(attackS * RATE));
  const out = new Float64Array(n);
  for (const [f, a, tau, phase] of partials) {
    const w = 2.0 * Math.PI * f / RATE;
    const k = Math.exp(-1.0 / (tau * RATE));
    const m = Math.min(n, Math.ceil(tau * Math.log(1.0 / floor) * RATE));
    let env = a;
    for (let i = 0; i < m; i++) {
      out[i] += env * Math.sin(w * i + phase);
      env *= k;
    }
  }
  for (let i = 0; i < Math.min(attack, n); i++) out[i] *= 0.5 - 0.5 * Math.cos(Math.PI * i / attack);
  return out;
}

// The note wrapped onto a loop of `length` samples, its tail over the start.
function fold(note, length) {
  const out = new Float64Array(length);
  for (let i = 0; i < note.length; i++) out[i % length] += note[i];
  return out;
}

function place(loop, folded, offset, gain) {
  const n = loop.length;
  const start = ((offset % n) + n) % n;
  const head = n - start;
  for (let i = 0; i < head; i++) loop[start + i] += gain * folded[i];
  for (let i = head; i < n; i++) loop[i - head] += gain * folded[i];
}

// No DC, the peak at PEAK, rounded to 16 bits.
function toPcm(signal, peakLevel = PEAK) {
  let sum = 0;
  for (const v of signal) sum += v;
  const mean = sum / signal.length;
  let peak = 0;
  for (const v of signal) peak = Math.max(peak, Math.abs(v - mean));
  const scale = peakLevel / peak;
  return Int16Array.from(signal, (v) => Math.floor((v - mean) * scale + 0.5));
}

const BELL_F0 = 1180.0;
const BELL_STRIKE = 1260;
const BELL_STRIKES = 35;
const BELL_LEAD = BELL_STRIKE / 2;
const BELL_PARTIALS = [[1.000, 1.00, 0.32], [1.003, 0.55, 0.30], [2.756, 0.60, 0.13],
  [5.404, 0.32, 0.060], [8.933, 0.07, 0.030]];

function bell() {
  const length = BELL_STRIKE * BELL_STRIKES;
  const note = renderNote(BELL_PARTIALS.map(([r, a, tau], k) => [BELL_F0 * r, a, tau, 0.37 * k]),
    0.0006);
  // The hammer's impact: a few milliseconds of differentiated noise.
  const rng = new XorShift32(0x0A75BE11);
  let prev = 0.0;
  for (let i = 0; i < Math.trunc(0.004 * RATE); i++) {
    const v = rng.uniform();
    note[i] += 0.35 * Math.exp(-i / (0.0009 * RATE)) * (v - prev);
    prev = v;
  }
  const folded = fold(note, length);
  const loop = new Float64Array(length);
  for (let s = 0; s < BELL_STRIKES; s++) {
    const jitter = roundHalfEven(4.0 * rng.uniform());
    const gain = 1.0 + 0.08 * rng.uniform();
    place(loop, folded, BELL_LEAD + s * BELL_STRIKE + jitter, gain);
  }
  return toPcm(loop);
}

const CHIME_PERIOD = 33075;
const CHIME_PERIODS = 2;
const CHIME_NOTES = [[0.25, 659.26], [0.67, 523.25]];

function chime() {
  const length = CHIME_PERIOD * CHIME_PERIODS;
  const loop = new Float64Array(length);
  for (const [start, f] of CHIME_NOTES) {
    const partials = [[f, 1.00, 0.55, 0.0], [f * 1.0025, 0.35, 0.55, 1.1], [f * 2.0, 0.18, 0.25, 0.4],
      [f * 3.0, 0.05, 0.12, 2.0]];
    const folded = fold(renderNote(partials, 0.018), length);
    for (let p = 0; p < CHIME_PERIODS; p++) {
      place(loop, folded, p * CHIME_PERIOD + roundHalfEven(start * RATE), 1.0);
    }
  }
  return toPcm(loop);
}

const BRAKE_SECONDS = 2.0;
const BRAKE_ATTACK_S = 0.012;
const BRAKE_DECAY_S = 0.55;
const BRAKE_FADE_S = 0.25;
const BRAKE_HIGH_PASS_HZ = 180.0;
const BRAKE_LOW_PASS_HZ = 2800.0;
const BRAKE_PEAK = 16000;

// The burst of air as the brake pipe vents, played once.
function brake() {
  const n = Math.trunc(BRAKE_SECONDS * RATE);
  const rng = new XorShift32(0x0B4A4E50);
  const hp = Math.exp(-2.0 * Math.PI * BRAKE_HIGH_PASS_HZ / RATE);
  const lp = 1.0 - Math.exp(-2.0 * Math.PI * BRAKE_LOW_PASS_HZ / RATE);
  const attack = Math.trunc(BRAKE_ATTACK_S * RATE);
  const fade = Math.trunc(BRAKE_FADE_S * RATE);
  const out = new Float64Array(n);
  let prevIn = 0.0;
  let prevHp = 0.0;
  let low1 = 0.0;
  let low2 = 0.0;
  for (let i = 0; i < n; i++) {
    const v = rng.uniform();
    const high = hp * (prevHp + v - prevIn);
    prevIn = v;
    prevHp = high;
    low1 += lp * (high - low1);
    low2 += lp * (low1 - low2);
    let env = Math.exp(-i / (BRAKE_DECAY_S * RATE));
    env *= 1.0 + 0.12 * Math.sin(2.0 * Math.PI * 7.0 * i / RATE);
    if (i < attack) env *= 0.5 - 0.5 * Math.cos(Math.PI * i / attack);
    if (i >= n - fade) env *= 0.5 + 0.5 * Math.cos(Math.PI * (i - (n - fade)) / fade);
    out[i] = env * low2;
  }
  const pcm = toPcm(out, BRAKE_PEAK);
  pcm[0] = 0;
  pcm[n - 1] = 0;
  return pcm;
}

// The wave file as tools/make_waves.py writes it: a 44-byte header, PCM, mono, 16 bit.
function waveFile(samples) {
  const bytes = new ArrayBuffer(44 + samples.length * 2);
  const view = new DataView(bytes);
  const text = (at, word) => [...word].forEach((c, i) => view.setUint8(at + i, c.charCodeAt(0)));
  text(0, "RIFF");
  view.setUint32(4, 36 + samples.length * 2, true);
  text(8, "WAVEfmt ");
  view.setUint32(16, 16, true); // the format chunk: PCM, one channel
  view.setUint16(20, 1, true);
  view.setUint16(22, 1, true);
  view.setUint32(24, RATE, true);
  view.setUint32(28, RATE * 2, true);
  view.setUint16(32, 2, true);
  view.setUint16(34, 16, true);
  text(36, "data");
  view.setUint32(40, samples.length * 2, true);
  samples.forEach((v, i) => view.setInt16(44 + 2 * i, v, true));
  return bytes;
}

// The waves by the names the core plays them by.
const RECIPES = { "atsbell.wav": bell, "atschime.wav": chime, "atsbrake.wav": brake };

// The named wave file's bytes; null for a name the recipe does not know.
export function makeWave(name) {
  const recipe = Object.hasOwn(RECIPES, name) ? RECIPES[name] : null;
  return recipe ? waveFile(recipe()) : null;
}

// As a worker: says "started", then each name posted makes its wave, sent back as
// { name, wave }.
if (typeof WorkerGlobalScope !== "undefined" && self instanceof WorkerGlobalScope) {
  self.postMessage("started");
  self.onmessage = ({ data: name }) => {
    const wave = makeWave(String(name));
    self.postMessage({ name, wave }, wave ? [wave] : []);
  };
}
