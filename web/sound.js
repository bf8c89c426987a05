// The two looping sounds the core asks for: one wave channel and the bell "player", through
// one gain node of one audio context.

// How long a context may take to run after a gesture before the page asks for a tap.
const RESUME_GRACE_MS = 300;
// The events that count as a user's activation (a finger's pointerdown does not), and
// pointerdown, where a mouse's does.
const GESTURES = ["pointerdown", "pointerup", "touchend", "click", "keydown"];

export const SOUND_FAILED = "音を出せません。音なしで動きます。";
export const TAP_FOR_SOUND = "タップすると音が出ます";

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
  // `onBlink` runs at the bell player's blink interval while it rings; `onStatus` gets the line
  // that tells the user why the page is silent ("" when it is not).
  constructor({ onBlink, onStatus }) {
    this.context = null;
    this.output = null;
    this.buffers = new Map();
    this.channel = new Loop(this);
    this.bell = new Loop(this);
    this.blink = 0;
    this.onBlink = onBlink;
    this.onStatus = onStatus;
    this.hintCheck = 0;
    // The wait the current handler asked for: sounds it starts afterwards start this much later.
    this.delayMs = 0;
    this.failed = false;
  }

  // The context exists from the start (suspended until the first gesture lets it run). Every
  // gesture tries to start it; so does the page coming back into view and a context that a
  // call, a locked phone or another app stopped ("interrupted" in Safari).
  init() {
    try {
      // Sound as a player's, not as a web page's: the phone's silent switch leaves it on.
      if (navigator.audioSession) navigator.audioSession.type = "playback";
      this.context = new AudioContext();
      this.output = this.context.createGain();
      this.output.connect(this.context.destination);
    } catch (error) {
      this.context = null;
      this.fail(error);
      return;
    }
    for (const type of GESTURES) {
      window.addEventListener(type, () => this.unlock(), { capture: true, passive: true });
    }
    document.addEventListener("visibilitychange", () => {
      if (document.visibilityState === "visible") this.unlock();
    });
    this.context.addEventListener("statechange", () => {
      if (this.context.state !== "running") this.unlock();
      this.checkHint();
    });
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

  // Asks the context to run. A browser may refuse without a gesture, and Safari's refused
  // resume() never settles: the hint goes by the context's state, not by the promise.
  unlock() {
    if (!this.context || this.context.state === "running" || this.failed) return;
    // A context that cannot start now is no failure: the next gesture tries again.
    this.context.resume().catch(() => {});
    this.scheduleHint();
  }

  get wanted() {
    return this.channel.sounding || this.bell.sounding;
  }

  scheduleHint() {
    clearTimeout(this.hintCheck);
    this.hintCheck = setTimeout(() => this.checkHint(), RESUME_GRACE_MS);
  }

  // 「タップすると音が出ます」 while a sound is wanted and the context does not run.
  checkHint() {
    if (this.failed) return;
    const waiting = this.wanted && this.context && this.context.state !== "running";
    this.onStatus(waiting ? TAP_FOR_SOUND : "");
  }

  fail(error) {
    if (this.failed) return;
    this.failed = true;
    clearTimeout(this.hintCheck);
    console.warn("orvaneats: no sound:", error);
    this.onStatus(SOUND_FAILED);
  }

  startTime() {
    return (this.context ? this.context.currentTime : 0) + this.delayMs / 1000;
  }

  playWaveLoop(name) {
    this.channel.play(name, this.startTime());
    this.scheduleHint();
  }

  stopWave() {
    this.channel.stop();
    this.checkHint();
  }

  // A player of its own: it rings beside the channel and, while it rings, blinks the panel
  // every blinkMs, as the Windows bell player posts its timer-2 ticks.
  startBellPlayer(name, blinkMs) {
    this.quitBellPlayer();
    this.bell.play(name, this.startTime());
    this.blink = setInterval(() => this.onBlink(), blinkMs);
    this.scheduleHint();
  }

  // Reaches only a player that is running.
  quitBellPlayer() {
    if (!this.bell.sounding) return;
    clearInterval(this.blink);
    this.blink = 0;
    this.bell.stop();
    this.checkHint();
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
