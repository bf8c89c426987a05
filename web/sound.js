// The sounds the core asks for: one wave channel and the bell "player", which loop, and the
// emergency brake, played once beside them, through one gain node of one audio context.

// How long a context may take to run after a gesture before the page asks for a tap.
const RESUME_GRACE_MS = 300;
// The events that count as a user's activation (a finger's pointerdown does not), and
// pointerdown, where a mouse's does.
const GESTURES = ["pointerdown", "pointerup", "touchend", "click", "keydown"];

export const SOUND_FAILED = "音を出せません。音なしで動きます。";
export const TAP_FOR_SOUND = "タップすると音が出ます";
export const SOUNDS_LOADING = "音を読み込み中…";

// The named waves' files (name -> ArrayBuffer), made by waves.js in a worker of their own;
// `onStart` runs once the worker's script is in.
function makeWaves(names, onStart) {
  return new Promise((resolve, reject) => {
    const worker = new Worker(new URL("./waves.js", import.meta.url), { type: "module" });
    const made = new Map();
    const end = (error) => {
      worker.terminate();
      if (error) reject(error);
      else resolve(made);
    };
    worker.onerror = (event) => end(new Error(`waves.js: ${event.message ?? "cannot start"}`));
    worker.onmessage = ({ data }) => {
      if (data === "started") return onStart();
      const { name, wave } = data;
      if (!wave) return end(new Error(`${name}: no recipe`));
      made.set(name, wave);
      if (made.size === names.length) end();
      return undefined;
    };
    for (const name of names) worker.postMessage(name);
  });
}

class Loop {
  // `looping` false: the wave plays once and the loop is done when it ends.
  constructor(sounds, looping = true) {
    this.sounds = sounds;
    this.looping = looping;
    this.wanted = null; // {name, when, asked}: what this loop is meant to play, and when
    this.source = null;
  }

  play(name, when) {
    this.stop();
    this.wanted = { name, when, asked: this.sounds.context?.currentTime ?? 0 };
    this.startIfReady();
  }

  // Starts what is wanted once its wave is decoded: a loop over the whole buffer. A wave that
  // came after it was asked for starts as soon as it is there, as long after that as it was
  // meant to start after the asking (the chime still follows the bell).
  startIfReady() {
    const { context, output } = this.sounds;
    if (!this.wanted || this.source || !context) return;
    const buffer = this.sounds.buffer(this.wanted.name);
    if (!buffer) return;
    const { when, asked } = this.wanted;
    const source = context.createBufferSource();
    source.buffer = buffer;
    source.loop = this.looping;
    if (!this.looping) {
      source.onended = () => {
        if (this.source === source) this.stop();
      };
    }
    source.connect(output);
    source.start(Math.max(when, context.currentTime + when - asked));
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
    this.own = new Map(); // a user's own sounds, by the built-in wave's name
    this.note = ""; // what became of the last sound the user chose, while nothing else is said
    this.channel = new Loop(this);
    this.bell = new Loop(this);
    this.brake = new Loop(this, false);
    this.blink = 0;
    this.onBlink = onBlink;
    this.onStatus = onStatus;
    this.hintCheck = 0;
    // The wait the current handler asked for: sounds it starts afterwards start this much later.
    this.delayMs = 0;
    this.failed = false;
    this.loaded = false;
    // Settles once the waves' recipe has come (or cannot): on a slow link the page lets it
    // come before the pictures not shown yet.
    this.recipeIn = new Promise((resolve) => { this.recipeArrived = resolve; });
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

  // Makes both waves once, in a worker (waves.js, so the page answers meanwhile), and decodes
  // them as the wave files they are; what was asked for meanwhile starts then.
  async load(names) {
    if (!this.context) {
      this.recipeArrived();
      return;
    }
    try {
      const waves = await makeWaves(names, this.recipeArrived);
      for (const [name, wave] of waves) {
        this.buffers.set(name, await this.context.decodeAudioData(wave));
      }
      this.loaded = true;
      this.channel.startIfReady();
      this.bell.startIfReady();
      this.brake.startIfReady();
      this.checkHint();
    } catch (error) {
      this.fail(error);
    } finally {
      this.recipeArrived();
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
    return this.channel.sounding || this.bell.sounding || this.brake.sounding;
  }

  scheduleHint() {
    clearTimeout(this.hintCheck);
    this.hintCheck = setTimeout(() => this.checkHint(), RESUME_GRACE_MS);
  }

  // While a sound is wanted: 「タップすると音が出ます」 while the context does not run,
  // else 「音を読み込み中…」 until the waves are there.
  checkHint() {
    if (this.failed) return;
    const wanted = this.wanted && this.context;
    if (wanted && this.context.state !== "running") this.onStatus(TAP_FOR_SOUND);
    else this.onStatus(wanted && !this.loaded ? SOUNDS_LOADING : this.note);
  }

  // At once when a sound is asked for before the waves are there.
  sayLoading() {
    if (!this.failed && !this.loaded && this.context) this.onStatus(SOUNDS_LOADING);
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
    this.sayLoading();
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
    this.sayLoading();
    this.scheduleHint();
  }

  // The brake's burst of air, once, beside the channel and the bell.
  playBrake(name) {
    this.brake.play(name, this.startTime());
    this.sayLoading();
    this.scheduleHint();
  }

  stopBrake() {
    this.brake.stop();
    this.checkHint();
  }

  // The wave to play for a name: the user's own sound where one is chosen.
  buffer(name) {
    return this.own.get(name) ?? this.buffers.get(name);
  }

  // Wave file bytes (any format the browser decodes) as a buffer to play; throws if they are
  // not a sound.
  decode(bytes) {
    return this.context.decodeAudioData(bytes.slice(0));
  }

  // Says a line in the status line until the next one ("" for none).
  tell(line) {
    this.note = line;
    this.checkHint();
  }

  useOwn(name, buffer) {
    this.own.set(name, buffer);
    this.restartPlaying(name);
  }

  useBuiltIn() {
    const names = [...this.own.keys()];
    this.own.clear();
    for (const name of names) this.restartPlaying(name);
  }

  // A loop that sounds the named wave now goes on with the wave it has now.
  restartPlaying(name) {
    for (const loop of [this.channel, this.bell]) {
      if (loop.wanted?.name === name && loop.source) loop.play(name, this.context.currentTime);
    }
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
    this.stopBrake();
  }
}
