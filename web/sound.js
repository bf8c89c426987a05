// The two looping sounds the core asks for: one wave channel and the bell "player", through
// one gain node of one audio context.

// As the Windows bell player posts its timer-2 ticks while it rings.
const BELL_BLINK_MS = 500;

class Loop {
  constructor(sounds) {
    this.sounds = sounds;
    this.wanted = null; // {name, when}: what this loop is meant to play
    this.source = null;
  }

  play(name, when) {
    this.stop();
    this.wanted = { name, when };
    this.startIfReady();
  }

  // Starts what is wanted once its wave is decoded: a loop over the whole buffer.
  startIfReady() {
    const { context, output } = this.sounds;
    if (!this.wanted || this.source || !context) return;
    const buffer = this.sounds.buffers.get(this.wanted.name);
    if (!buffer) return;
    const source = context.createBufferSource();
    source.buffer = buffer;
    source.loop = true;
    source.connect(output);
    source.start(Math.max(this.wanted.when, context.currentTime));
    this.source = source;
  }

  stop() {
    this.wanted = null;
    if (!this.source) return;
    const source = this.source;
    this.source = null;
    try {
      source.stop();
    } catch {
      // Already ended: nothing sounds.
    }
    source.disconnect();
  }

  get sounding() {
    return this.wanted !== null;
  }
}

export class Sounds {
  // `onBlink` runs every BELL_BLINK_MS while the bell player rings; `onFail` gets the line
  // that tells the user the page is silent.
  constructor({ onBlink, onFail }) {
    this.context = null;
    this.output = null;
    this.buffers = new Map();
    this.channel = new Loop(this);
    this.bell = new Loop(this);
    this.blink = 0;
    this.onBlink = onBlink;
    this.onFail = onFail;
    // The wait the current handler asked for: sounds it starts afterwards start this much later.
    this.delayMs = 0;
    this.failed = false;
  }

  // The context exists from the start (suspended until the first gesture lets it run).
  init() {
    try {
      this.context = new AudioContext();
      this.output = this.context.createGain();
      this.output.connect(this.context.destination);
    } catch (error) {
      this.context = null;
      this.fail(error);
    }
  }

  // Fetches and decodes both waves once.
  async load(names) {
    if (!this.context) return;
    try {
      await Promise.all(names.map(async (name) => {
        const response = await fetch(`sounds/${name}`);
        if (!response.ok) throw new Error(`${name}: ${response.status}`);
        this.buffers.set(name, await this.context.decodeAudioData(await response.arrayBuffer()));
      }));
      this.channel.startIfReady();
      this.bell.startIfReady();
    } catch (error) {
      this.fail(error);
    }
  }

  // On a click or key press: browsers let a context run only after one.
  unlock() {
    if (!this.context || this.context.state === "running" || this.failed) return;
    this.context.resume().catch((error) => this.fail(error));
  }

  fail(error) {
    if (this.failed) return;
    this.failed = true;
    console.warn("orvaneats: no sound:", error);
    this.onFail();
  }

  startTime() {
    return (this.context ? this.context.currentTime : 0) + this.delayMs / 1000;
  }

  playWaveLoop(name) {
    this.channel.play(name, this.startTime());
  }

  stopWave() {
    this.channel.stop();
  }

  // A player of its own: it rings beside the channel and, while it rings, blinks the panel.
  startBellPlayer(name) {
    this.quitBellPlayer();
    this.bell.play(name, this.startTime());
    this.blink = setInterval(() => this.onBlink(), BELL_BLINK_MS);
  }

  // Reaches only a player that is running.
  quitBellPlayer() {
    if (!this.bell.sounding) return;
    clearInterval(this.blink);
    this.blink = 0;
    this.bell.stop();
  }

  wait(milliseconds) {
    this.delayMs += milliseconds;
  }

  endHandler() {
    this.delayMs = 0;
  }

  silence() {
    this.quitBellPlayer();
    this.stopWave();
  }
}
