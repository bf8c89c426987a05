// The browser edition's page: the alarm core (WebAssembly) behind the window it builds from
// the core's own tables, with timers, pictures and the two looping sounds the core asks for.
import createOrvane from "./orvaneats.js";

const KIND_BUTTON = 0;
const KIND_CHECKBOX = 1;
// As the Windows bell player posts its timer-2 ticks while it rings.
const BELL_BLINK_MS = 500;
const BASE_DPI = 96;
const DESK_MARGIN = 8;
const SOUND_FAILED = "音を出せません。音なしで動きます。";

const $ = (id) => document.getElementById(id);

// --- Sound: one looping wave channel and the bell "player", through one gain node ---

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

class Sounds {
  constructor() {
    this.context = null;
    this.output = null;
    this.buffers = new Map();
    this.channel = new Loop(this);
    this.bell = new Loop(this);
    this.blink = 0;
    this.onBlink = null;
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
    $("sound-status").textContent = SOUND_FAILED;
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
    this.blink = setInterval(() => this.onBlink?.(), BELL_BLINK_MS);
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

// --- Pictures at the display's scale ---

// The picture files as the page holds them: the 1x bitmap and the 3x rendering; the 2x and
// every other size are made from these with the core's resampler.
function renderingFile(stem, scale) {
  return scale === 1 ? `pictures/${stem}.png` : `pictures/${stem}_3x.png`;
}

async function decodePixels(url) {
  const blob = await (await fetch(url)).blob();
  const bitmap = await createImageBitmap(blob, {
    colorSpaceConversion: "none",
    premultiplyAlpha: "none",
  });
  const canvas = document.createElement("canvas");
  canvas.width = bitmap.width;
  canvas.height = bitmap.height;
  const context = canvas.getContext("2d", { willReadFrequently: true });
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  return context.getImageData(0, 0, canvas.width, canvas.height);
}

// The rendering brought to width x height by ats::Resample in the module.
function resample(core, image, width, height) {
  const bytes = Math.max(image.width * image.height, width * height) * 4;
  const pointer = core._malloc(bytes);
  if (!pointer) throw new Error("out of memory");
  try {
    core.HEAPU8.set(image.data, pointer);
    if (!core._orvane_resample(pointer, image.width, image.height, width, height)) {
      throw new Error("resample failed");
    }
    return new ImageData(new Uint8ClampedArray(core.HEAPU8.slice(pointer, pointer + width * height * 4)),
      width, height);
  } finally {
    core._free(pointer);
  }
}

async function imageUrl(image) {
  const canvas = document.createElement("canvas");
  canvas.width = image.width;
  canvas.height = image.height;
  canvas.getContext("2d").putImageData(image, 0, 0);
  const blob = await new Promise((resolve) => canvas.toBlob(resolve, "image/png"));
  if (!blob) throw new Error("cannot encode a picture");
  return URL.createObjectURL(blob);
}

// Every picture for this DPI, as Windows draws it: the bitmap itself at 96 DPI, otherwise the
// rendering ChooseRenderingScale picks, brought to ScaleToDpi of the bitmap's size.
async function renderPictures(core, tables, dpi) {
  const scale = core._orvane_rendering_scale(dpi);
  const rendered = new Map();
  await Promise.all(tables.pictures.map(async (picture) => {
    const width = core._orvane_scale_to_dpi(picture.width, dpi);
    const height = core._orvane_scale_to_dpi(picture.height, dpi);
    const storedScale = scale === 1 ? 1 : 3;
    const file = renderingFile(picture.stem, scale);
    let url = file;
    if (width !== picture.width * storedScale || height !== picture.height * storedScale) {
      try {
        url = await imageUrl(resample(core, await decodePixels(file), width, height));
      } catch (error) {
        // The stored rendering, scaled by the browser, rather than no picture.
        console.warn("orvaneats:", picture.stem, error);
      }
    }
    rendered.set(picture.id, { url, scale, made: url !== file });
    // Decoded before it is needed, so a change of picture shows at once.
    const preload = new Image();
    preload.src = url;
    await preload.decode().catch(() => {});
  }));
  return rendered;
}

// --- The module's tables ---

function readTables(core) {
  const text = (pointer) => core.UTF8ToString(pointer);
  const controls = [];
  for (let i = 0; i < core._orvane_control_count(); ++i) {
    controls.push({
      id: core._orvane_control_id(i),
      kind: core._orvane_control_kind(i),
      caption: text(core._orvane_control_caption(i)),
      rect: [0, 1, 2, 3].map((field) => core._orvane_control_rect(i, field)),
    });
  }
  const rects = {};
  for (let i = 0; i < core._orvane_rect_count(); ++i) {
    rects[text(core._orvane_rect_name(i))] = [0, 1, 2, 3].map((field) => core._orvane_rect(i, field));
  }
  const texts = {};
  for (let i = 0; i < core._orvane_text_count(); ++i) {
    texts[text(core._orvane_text_name(i))] = text(core._orvane_text(i));
  }
  const pictures = [];
  for (let i = 0; i < core._orvane_picture_count(); ++i) {
    const id = core._orvane_picture_id(i);
    pictures.push({
      id,
      stem: text(core._orvane_picture_stem(i)),
      name: text(core._orvane_picture_name(i)),
      width: core._orvane_picture_width(id),
      height: core._orvane_picture_height(id),
    });
  }
  // The option checkboxes by the bit of orvane_page_read_options each one sets.
  const options = new Map();
  for (let bit = 0; core._orvane_option_control(bit) !== 0; ++bit) {
    options.set(core._orvane_option_control(bit), 1 << bit);
  }
  const ids = {
    exit: core._orvane_exit_control(),
    start: core._orvane_start_control(),
    blinkTimer: core._orvane_blink_timer(),
    options,
  };
  return { controls, rects, texts, pictures, ids };
}

// A menu item's text without its mnemonic: "…情報(&A)..." -> "…情報...".
function withoutMnemonic(text) {
  return text.replace(/\(&.\)/, "").replace(/&(.)/, "$1");
}

function place(element, [x, y, width, height]) {
  Object.assign(element.style, {
    left: `${x}px`, top: `${y}px`, width: `${width}px`, height: `${height}px`,
  });
}

// --- The window ---

class AlarmWindowPage {
  constructor(sounds) {
    this.sounds = sounds;
    this.core = null;
    this.tables = null;
    this.timers = new Map();
    this.controls = new Map();
    this.shown = new Map(); // picture control -> bitmap id
    this.pictures = new Map(); // bitmap id -> {url, scale}
    this.dpi = 0;
    this.open = false;
    this.lastFocus = null;
    this.defaultButton = null;
  }

  // The port the module calls (web/port_library.js).
  port() {
    return {
      setTimer: (id, ms) => {
        this.killTimer(id);
        this.timers.set(id, setInterval(() => this.enter(() => this.core._orvane_timer(id)), ms));
      },
      killTimer: (id) => this.killTimer(id),
      showBitmap: (controlId, bitmapId) => this.showBitmap(controlId, bitmapId),
      setStartCaption: (caption) => {
        this.controls.get(this.tables.ids.start).textContent = caption;
      },
      readOptions: () => {
        let bits = 0;
        for (const [id, bit] of this.tables.ids.options) {
          if (this.controls.get(id).checked) bits |= bit;
        }
        return bits;
      },
      playWaveLoop: (name) => this.sounds.playWaveLoop(name),
      stopWave: () => this.sounds.stopWave(),
      startBellPlayer: () => this.sounds.startBellPlayer(this.tables.texts.bellWave),
      quitBellPlayer: () => this.sounds.quitBellPlayer(),
      wait: (ms) => this.sounds.wait(ms),
    };
  }

  killTimer(id) {
    const timer = this.timers.get(id);
    if (timer === undefined) return;
    clearInterval(timer);
    this.timers.delete(id);
  }

  // Every call into the module: whatever fails in it (a C++ exception or an error in the
  // page) leaves the panel idle and quiet through Recover, and the page works on.
  enter(action) {
    if (!this.open) return undefined;
    const stack = this.core.stackSave();
    try {
      return action();
    } catch (error) {
      console.error("orvaneats:", error);
      try {
        this.core.stackRestore(stack);
        this.core._orvane_recover();
      } catch (again) {
        console.error("orvaneats: recover failed:", again);
      }
      return undefined;
    } finally {
      this.sounds.endHandler();
    }
  }

  showBitmap(controlId, bitmapId) {
    const img = this.controls.get(controlId);
    const picture = this.tables.pictures.find((p) => p.id === bitmapId);
    const rendered = this.pictures.get(bitmapId);
    if (!img || !picture || !rendered) throw new Error(`no picture ${bitmapId}`);
    img.src = rendered.url;
    img.alt = picture.name;
    img.width = picture.width;
    img.height = picture.height;
    img.dataset.bitmap = String(bitmapId);
    img.dataset.scale = String(rendered.scale);
    this.shown.set(controlId, bitmapId);
  }

  async start() {
    this.core = await createOrvane({ port: this.port() });
    this.tables = readTables(this.core);
    this.build();
    this.fit();
    await this.renderForDisplay();
    this.open = true;
    this.enter(() => this.core._orvane_init());
    this.controls.get(this.tables.ids.exit).focus();
  }

  build() {
    const { controls, rects, texts } = this.tables;
    const client = $("client");
    client.replaceChildren();
    this.controls.clear();
    place(client, rects.main);
    for (const control of controls) {
      let element;
      let target;
      if (control.kind === KIND_BUTTON) {
        element = target = document.createElement("button");
        element.type = "button";
        element.textContent = control.caption;
      } else if (control.kind === KIND_CHECKBOX) {
        element = document.createElement("label");
        element.className = "check";
        target = document.createElement("input");
        target.type = "checkbox";
        const caption = document.createElement("span");
        caption.textContent = control.caption;
        element.append(target, caption);
      } else {
        element = target = document.createElement("img");
        element.alt = "";
        element.draggable = false;
      }
      target.dataset.id = String(control.id);
      if (control.kind === KIND_BUTTON || control.kind === KIND_CHECKBOX) {
        target.addEventListener("click", () => this.click(control.id));
      }
      place(element, control.rect);
      if (control.kind !== KIND_BUTTON && control.kind !== KIND_CHECKBOX) {
        // A picture takes its bitmap's size.
        element.style.width = element.style.height = "";
      }
      client.append(element);
      this.controls.set(control.id, target);
    }
    document.title = texts.caption;
    $("title").textContent = texts.caption;
    $("about-item").textContent = withoutMnemonic(texts.aboutItem);
    $("about-title").textContent = texts.aboutCaption;
    $("about-version").textContent = texts.versionLine;
    $("about-legal").textContent = texts.legalLine;
    $("about-ok").textContent = texts.ok;
    place($("about-client"), rects.about);
    place($("about-icon"), rects.aboutIcon);
    $("about-icon").style.width = $("about-icon").style.height = "";
    place($("about-version"), rects.aboutVersion);
    place($("about-legal"), rects.aboutLegal);
    place($("about-ok"), rects.aboutOk);
    $("window").hidden = false;
  }

  // 終了 runs the exit clean-up in the module and closes the window, also when the clean-up
  // failed (Recover has silenced everything then).
  click(controlId) {
    const closes = this.enter(() => this.core._orvane_click(controlId));
    if (closes || controlId === this.tables.ids.exit) this.closeWindow();
  }

  // Escape and the close box act as 終了.
  close() {
    this.click(this.tables.ids.exit);
  }

  // The window goes, and its timers with it.
  closeWindow() {
    if (!this.open) return;
    this.open = false;
    for (const id of [...this.timers.keys()]) this.killTimer(id);
    this.sounds.silence();
    this.closeAbout();
    this.closeMenu();
    $("window").hidden = true;
    $("closed").hidden = false;
    $("reopen").focus();
  }

  // The pictures for the DPI the window is drawn at now (the display's scale times the
  // window's own on a narrow screen); the pictures shown are shown again at the new size.
  async renderForDisplay() {
    const dpi = Math.max(1, Math.round(BASE_DPI * window.devicePixelRatio * this.scale));
    if (dpi === this.dpi) return;
    this.dpi = dpi;
    const rendered = await renderPictures(this.core, this.tables, dpi);
    if (dpi !== this.dpi) return;
    const old = this.pictures;
    this.pictures = rendered;
    for (const [controlId, bitmapId] of this.shown) this.showBitmap(controlId, bitmapId);
    for (const { url, made } of old.values()) if (made) URL.revokeObjectURL(url);
  }

  // On a screen narrower or lower than the window, the whole window scales down to fit.
  fit() {
    const win = $("window");
    win.style.transform = "";
    const width = win.offsetWidth;
    const height = win.offsetHeight;
    const status = $("sound-status").offsetHeight;
    const room = Math.min(
      (window.innerWidth - 2 * DESK_MARGIN) / width,
      (window.innerHeight - 2 * DESK_MARGIN - status) / height);
    this.scale = Math.min(1, room);
    win.style.transform = this.scale < 1 ? `scale(${this.scale})` : "";
    const left = Math.max(0, Math.round((window.innerWidth - width * this.scale) / 2));
    const top = Math.max(0, Math.round((window.innerHeight - status - height * this.scale) / 2));
    win.style.left = `${left}px`;
    win.style.top = `${top}px`;
    this.placeAbout();
  }

  // Centred over the window, as the framework places an owned box, and kept on the screen:
  // the box is wider than the window, so on a narrow screen it scales down a little more.
  placeAbout() {
    const about = $("about");
    if (about.hidden) return;
    const win = $("window");
    const scale = Math.min(this.scale, (window.innerWidth - 2 * DESK_MARGIN) / about.offsetWidth);
    about.style.transform = scale < 1 ? `scale(${scale})` : "";
    const box = win.getBoundingClientRect();
    const width = about.offsetWidth * scale;
    const left = Math.min(Math.max(box.left + (box.width - width) / 2, DESK_MARGIN),
      window.innerWidth - DESK_MARGIN - width);
    const top = box.top + (box.height - about.offsetHeight * scale) / 2;
    about.style.left = `${Math.round(Math.max(0, left))}px`;
    about.style.top = `${Math.round(Math.max(0, top))}px`;
  }

  openAbout() {
    if (!this.open || !$("about").hidden) return;
    this.closeMenu();
    $("about").hidden = false;
    $("window").inert = true; // the owner is disabled; its timers and sounds carry on
    this.placeAbout();
    $("about-ok").focus();
  }

  closeAbout() {
    if ($("about").hidden) return;
    $("about").hidden = true;
    $("window").inert = false;
    // The focus goes back to the control that had it last.
    if (this.open) (this.lastFocus ?? this.controls.get(this.tables.ids.exit)).focus();
  }

  openMenu() {
    if (!this.open) return;
    $("menu").hidden = false;
    $("menu-button").setAttribute("aria-expanded", "true");
    $("about-item").focus();
  }

  closeMenu() {
    if ($("menu").hidden) return;
    $("menu").hidden = true;
    $("menu-button").setAttribute("aria-expanded", "false");
  }
}

// --- The page ---

const sounds = new Sounds();
let page = null;

async function openWindow() {
  page = new AlarmWindowPage(sounds);
  sounds.onBlink = () => page.enter(() => page.core._orvane_timer(page.tables.ids.blinkTimer));
  page.scale = 1;
  await page.start();
}

function attachHandlers() {
  // As in a Windows dialog, a push button is the default (the one Enter clicks) only while
  // Tab has moved the focus onto it; focus from a click or at the start makes none.
  let tabbing = false;
  const client = $("client");
  client.addEventListener("keydown", (event) => {
    if (event.key === "Tab") tabbing = true;
    if (event.key === "Enter" && event.target !== page?.defaultButton) event.preventDefault();
  });
  client.addEventListener("keyup", () => {
    tabbing = false;
  });
  client.addEventListener("focusin", (event) => {
    if (!page) return;
    page.lastFocus = event.target;
    page.defaultButton = tabbing && event.target.localName === "button" ? event.target : null;
  });
  // Browsers let sound start only after a gesture: the first click or key starts the context.
  for (const type of ["pointerdown", "keydown"]) {
    window.addEventListener(type, () => sounds.unlock(), { capture: true });
  }
  $("close-box").addEventListener("click", () => page.close());
  $("menu-button").addEventListener("click", () => {
    if ($("menu").hidden) page.openMenu();
    else page.closeMenu();
  });
  $("about-item").addEventListener("click", () => page.openAbout());
  $("about-ok").addEventListener("click", () => page.closeAbout());
  $("about-close").addEventListener("click", () => page.closeAbout());
  $("reopen").addEventListener("click", async () => {
    $("closed").hidden = true;
    await openWindow();
  });
  document.addEventListener("pointerdown", (event) => {
    if (!$("menu").hidden && !$("menu").contains(event.target) && event.target !== $("menu-button")) {
      page.closeMenu();
    }
  });
  document.addEventListener("keydown", (event) => {
    if (!page || !page.open) return;
    if (event.key === "F1") {
      event.preventDefault();
      page.openAbout();
    } else if (event.key === "Escape") {
      event.preventDefault();
      if (!$("menu").hidden) {
        page.closeMenu();
        $("menu-button").focus();
      } else if (!$("about").hidden) {
        page.closeAbout();
      } else {
        page.close();
      }
    } else if (event.key === "Enter" && !$("about").hidden) {
      event.preventDefault();
      page.closeAbout();
    } else if (event.key === " " && event.altKey) {
      event.preventDefault();
      page.openMenu();
    }
  });
  let pending = 0;
  window.addEventListener("resize", () => {
    cancelAnimationFrame(pending);
    pending = requestAnimationFrame(() => {
      if (!page || !page.open) return;
      page.fit();
      page.renderForDisplay().catch((error) => console.error("orvaneats:", error));
    });
  });
}

async function main() {
  sounds.init();
  attachHandlers();
  await openWindow();
  const { bellWave, chimeWave } = page.tables.texts;
  const waves = sounds.load([bellWave, chimeWave]);
  document.documentElement.dataset.ready = "1";
  if ("serviceWorker" in navigator) {
    navigator.serviceWorker.register("sw.js", { scope: "./" }).catch((error) => {
      console.warn("orvaneats: no offline copy:", error);
    });
  }
  await waves;
}

main().catch((error) => console.error("orvaneats:", error));
