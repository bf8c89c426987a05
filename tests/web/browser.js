// The browser edition as a person meets it: build/web/site served by scripts/serve_site.py on a
// private loopback port, opened in headless Chromium or Firefox or in WebKit, its sound read
// from a tap on the page's audio output or, in WebKit, from the browser's sound server.
// Shared by the tests in this folder and by scripts/bench_web.mjs.
import fs from "node:fs";
import { spawn } from "node:child_process";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import puppeteer from "puppeteer-core";
import { startSoundServer } from "./sound_server.js";
import { launchWebKit } from "./webkit.js";

export const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
export const SITE_DIR = path.join(ROOT, "build/web/site");

// The tables the page builds its window from, as the WebAssembly module hands them over
// (orvane_tables): controls, rectangles, texts, pictures and ids by name. Read here in node
// from the built module, so every test names controls and pictures by what they are.
async function loadTables() {
  const module = path.join(SITE_DIR, "orvaneats.js");
  if (!fs.existsSync(module)) throw new Error(`${module} is missing: run cmake --workflow --preset web`);
  const { default: create } = await import(module);
  const core = await create({
    port: {},
    instantiateWasm(imports, done) {
      WebAssembly.instantiate(fs.readFileSync(path.join(SITE_DIR, "orvaneats.wasm")), imports)
        .then(({ instance }) => done(instance));
      return {};
    },
  });
  return JSON.parse(core.UTF8ToString(core._orvane_tables()));
}
export const TABLES = await loadTables();

// Control ids by name (ID.CONFIRM, ID.EXIT, ID.IGNORESIGNAL) and bitmap ids by the second
// word of their file stem (BMP.ALARM is panel_alarm's, BMP.STOP signal_stop's).
export const ID = Object.fromEntries(Object.entries(TABLES.ids)
  .map(([name, id]) => [name.toUpperCase(), id]));
export const BMP = Object.fromEntries(TABLES.pictures
  .map(({ id, stem }) => [stem.split("_")[1].toUpperCase(), id]));

// The picture table: bitmap id -> the stem of its files and its accessible name.
export function pictureTable() {
  return Object.fromEntries(TABLES.pictures.map(({ id, stem, name }) => [id, { stem, name }]));
}

// Serves a folder with scripts/serve_site.py, as a user serves the site (scripts/run.sh --web),
// on a free loopback port, until close() stops it by its PID; `gzip: false` serves it as a
// host that compresses nothing. `served` lists every answered request with the bytes of its
// body (0 for 304, redirects and errors), read from the server's log.
export async function serveSite(dir = SITE_DIR, { gzip = true } = {}) {
  if (dir === SITE_DIR && !fs.existsSync(path.join(dir, "index.html"))) {
    throw new Error(`${dir}/index.html is missing: run cmake --workflow --preset web`);
  }
  const logDir = fs.mkdtempSync(path.join(os.tmpdir(), "orvane-serve-"));
  const log = path.join(logDir, "served.jsonl");
  fs.writeFileSync(log, "");
  const server = spawn("/usr/bin/python3", [path.join(ROOT, "scripts/serve_site.py"), dir,
    "--port", "0", "--log", log, ...(gzip ? [] : ["--no-gzip"])],
  { stdio: ["ignore", "pipe", "inherit"] });
  stopWithNode(server);
  const origin = await new Promise((resolve, reject) => {
    let text = "";
    server.on("error", reject);
    server.on("exit", (code) => reject(new Error(`serve_site.py exited (${code})`)));
    server.stdout.on("data", (chunk) => {
      text += chunk;
      if (text.includes("\n")) resolve(text.trim().replace(/\/$/, ""));
    });
  });
  return {
    origin,
    get served() {
      return fs.readFileSync(log, "utf8").split("\n").filter(Boolean).map((line) => JSON.parse(line));
    },
    async close() {
      await stopProcess(server);
      fs.rmSync(logDir, { recursive: true, force: true });
    },
  };
}

// A child that node stops as it exits, should a test end without close().
export function stopWithNode(child) {
  const stop = () => child.kill();
  process.once("exit", stop);
  child.once("exit", () => process.removeListener("exit", stop));
}

// Stops a child process by its PID: SIGTERM, SIGKILL after 3 s; resolves once it is gone.
export async function stopProcess(child) {
  if (!child || child.exitCode !== null || child.signalCode !== null) return;
  const exited = new Promise((resolve) => child.once("exit", resolve));
  child.kill();
  if (!(await Promise.race([exited.then(() => true), sleep(3000)]))) child.kill("SIGKILL");
  await exited;
}

// The engine the tests run in: ORVANE_BROWSER=chromium (the default), firefox (Firefox ESR
// over WebDriver BiDi) or webkit (WebKitGTK's MiniBrowser over classic WebDriver, webkit.js).
// A check an engine cannot make here is skipped with the reason:
// `test(name, { skip: onlyIn("chromium", "why") }, ...)`, or `notIn("webkit", "why")`.
export const ENGINE = process.env.ORVANE_BROWSER ?? "chromium";
if (!["chromium", "firefox", "webkit"].includes(ENGINE)) throw new Error(`ORVANE_BROWSER=${ENGINE}: not an engine here`);
export const onlyIn = (engine, reason) => (ENGINE === engine ? false : `${ENGINE}: ${reason}`);
export const notIn = (engine, reason) => (ENGINE === engine ? `${ENGINE}: ${reason}` : false);
// `{ skip: lacks({ firefox: "why", webkit: "why" }) }`: skipped in the engines named, each with
// what it (or its driver) cannot do.
export const lacks = (reasons) => (reasons[ENGINE] ? `${ENGINE}: ${reasons[ENGINE]}` : false);
// Sound is heard in every engine: Chromium and Firefox through the audio tap in the page,
// WebKit (where WebDriver runs no script before the page's own) from its private sound server.
export const HEARS = { skip: false };
// What only the DevTools protocol can do (kept for older tests; ours name each engine's reason
// with lacks()).
export const CDP_ONLY = { skip: onlyIn("chromium", "needs the DevTools protocol (CDP)") };
// What classic WebDriver (WebKit) cannot do: `WEBDRIVER_LACKS("request interception")`.
export const WEBDRIVER_LACKS = (what) => ({ skip: notIn("webkit", `WebDriver has no ${what}`) });

// Firefox's own services off and every name but the loopback address unresolvable, as the
// Chromium switches below do; sound allowed to start without a gesture, as Chromium's
// headless shell lets it (the touch tests hold it back in the page).
const FIREFOX_PREFS = {
  "network.dns.localDomains": "",
  "network.proxy.type": 1,
  "network.proxy.socks": "127.0.0.1",
  "network.proxy.socks_port": 9,
  "network.proxy.no_proxies_on": "127.0.0.1",
  "network.proxy.allow_hijacking_localhost": false,
  "media.autoplay.default": 0,
  "media.autoplay.block-webaudio": false,
  "app.update.enabled": false,
  "datareporting.policy.dataSubmissionEnabled": false,
  "toolkit.telemetry.enabled": false,
};

// The engine (ENGINE unless named) headless with a profile of its own, removed again by
// close(); `args` adds Chromium switches, `prefs` Firefox preferences. Names resolve to
// nothing: the browser's own services (sign-in, updates, network time) stay on this machine,
// and the site is reached by its loopback address. Firefox and WebKit play into a private
// PulseAudio of their own (headless, they find no audio device otherwise).
export async function launchBrowser(args = [], engine = ENGINE, { prefs = {} } = {}) {
  if (engine === "webkit") return launchWebKit();
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `orvane-${engine}-`));
  const sound = engine === "firefox" ? await startSoundServer() : null;
  const browser = await (engine === "firefox"
    ? puppeteer.launch({
      browser: "firefox",
      executablePath: "/usr/bin/firefox-esr",
      headless: true,
      userDataDir: profile,
      extraPrefsFirefox: { ...FIREFOX_PREFS, ...prefs },
      env: { ...process.env, PULSE_SERVER: sound.server },
    })
    : puppeteer.launch({
      executablePath: "/usr/bin/chromium",
      headless: true,
      args: [
        "--no-sandbox", "--disable-gpu", "--disable-background-networking",
        "--disable-component-update", "--disable-sync", "--no-first-run",
        "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
        `--user-data-dir=${profile}`, ...args,
      ],
    })).catch(async (error) => {
    await sound?.close();
    throw error;
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    await sound?.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}

// Runs in the page before its own scripts: whatever connects to an AudioContext's
// destination also feeds an AnalyserNode, so the tests hear what the page plays.
function installAudioTap(fftSize) {
  const connect = AudioNode.prototype.connect;
  const disconnect = AudioNode.prototype.disconnect;
  const analysers = new Map();
  const analyser = (context) => {
    if (!analysers.has(context)) {
      analysers.set(context, new AnalyserNode(context, {
        fftSize, smoothingTimeConstant: 0, minDecibels: -140, maxDecibels: 0,
      }));
    }
    return analysers.get(context);
  };
  AudioNode.prototype.connect = function (target, ...rest) {
    const result = connect.call(this, target, ...rest);
    if (target instanceof AudioDestinationNode) connect.call(this, analyser(this.context));
    return result;
  };
  AudioNode.prototype.disconnect = function (...args) {
    const result = disconnect.apply(this, args);
    if (args[0] instanceof AudioDestinationNode && analysers.has(this.context)) {
      try { disconnect.call(this, analysers.get(this.context)); } catch { /* not tapped */ }
    }
    return result;
  };
  // Loudest level (dB) per band over `ms`; -Infinity where nothing sounded.
  const bandLevels = async (bands, ms) => {
    const levels = Object.fromEntries(Object.keys(bands).map((k) => [k, -Infinity]));
    const end = performance.now() + ms;
    do {
      for (const [context, node] of analysers) {
        if (context.state !== "running") continue;
        const data = new Float32Array(node.frequencyBinCount);
        node.getFloatFrequencyData(data);
        const hz = context.sampleRate / node.fftSize;
        for (const [name, [low, high]] of Object.entries(bands)) {
          for (let i = Math.ceil(low / hz); i <= Math.floor(high / hz); i++) {
            levels[name] = Math.max(levels[name], data[i]);
          }
        }
      }
      await new Promise((resolve) => setTimeout(resolve, 20));
    } while (performance.now() < end);
    return levels;
  };
  Object.defineProperty(window, "__orvaneTap", { value: { analysers, bandLevels } });
}

// The waves' bands (tools/make_waves.py): the bell's fundamental, the chime's two notes, and
// two quiet bands between their partials that tell a sound from leakage and noise.
export const BANDS = {
  bell: [1160, 1200], chimeE5: [649, 669], chimeC5: [513, 533],
  quietLow: [380, 450], quietMid: [850, 950],
};
// A band counts as heard when it stands this far above the louder quiet band: in Chromium a
// sound's own band stands 40 dB above; in Firefox and WebKit, whose resamplers (the waves'
// 22050 Hz to the output's rate) leave more between the partials, 26 to 30 dB. The other
// sound's band stays below the quiet bands in every engine.
export const HEARD_ABOVE_QUIET_DB = ENGINE === "chromium" ? 30 : 20;
const AUDIBLE_FLOOR_DB = -80;
// How long WebKitGTK's output (GStreamer into PulseAudio) still plays a sound the page has
// stopped: a bell stopped at the end was heard in the recording 250 ms later.
const SINK_LAG_MS = 250;

// Which of the two sounds the page plays during `ms`, from `settle` ms on: the tap's window
// (8192 samples, under 190 ms) still holds a sound stopped just before. Where `again` holds for
// that verdict, a second window of `ms` is heard at once and each band keeps its loudest level
// of the two: an engine whose audio starts late (WebKit's recorded sink) may bring a sound
// just asked for only then.
export async function listen(page, ms = 1000, settle = 250, again = () => false) {
  const bandLevels = () => (page.bandLevels ? page.bandLevels(BANDS, ms)
    : page.evaluate((bands, span) => window.__orvaneTap.bandLevels(bands, span), BANDS, ms));
  // A recorded sink hears the page through the engine's output buffer, later by its latency.
  await sleep(settle + (page.bandLevels ? SINK_LAG_MS : 0));
  let levels = await bandLevels();
  if (again(verdict(levels))) {
    const next = await bandLevels();
    levels = Object.fromEntries(Object.entries(levels).map(([band, level]) => [band, Math.max(level, next[band])]));
  }
  return verdict(levels);
}

function verdict(levels) {
  const quiet = Math.max(levels.quietLow, levels.quietMid, AUDIBLE_FLOOR_DB);
  const chime = Math.max(levels.chimeE5, levels.chimeC5);
  return {
    bell: levels.bell - quiet >= HEARD_ABOVE_QUIET_DB,
    chime: chime - quiet >= HEARD_ABOVE_QUIET_DB,
    levels,
  };
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A blank page of `origin` with the audio tap in place and a click on it (the user's gesture
// that lets an AudioContext start).
export async function openTappedPage(browser, origin) {
  const page = await browser.newPage();
  if (!page.noScriptBefore) await page.evaluateOnNewDocument(installAudioTap, 8192);
  await page.goto(`${origin}/`);
  await page.mouse.click(1, 1);
  return page;
}

// Opens the window with the audio tap in place and waits until it works.
// `fftSize` trades the tap's frequency resolution for time resolution; `before` lists more
// functions (or [function, ...arguments]) to run in the page before its own scripts; `touch`
// makes a touch screen (a coarse pointer), by default below 600 px wide.
export async function openWindow(browser, origin,
  { viewport, scale = 1, touch, tap = true, fftSize = 8192, before = [] } = {}) {
  const page = await browser.newPage();
  if (viewport || scale !== 1 || touch) {
    const [width, height] = viewport ?? [1024, 768];
    const finger = touch ?? width < 600;
    await page.setViewport({ width, height, deviceScaleFactor: scale, isMobile: finger,
      hasTouch: finger });
  }
  if (tap && !page.noScriptBefore) await page.evaluateOnNewDocument(installAudioTap, fftSize);
  for (const script of before) await page.evaluateOnNewDocument(...[script].flat());
  await page.goto(`${origin}/`);
  await waitReady(page);
  return page;
}

export async function waitReady(page, timeout = 10000) {
  await page.waitForFunction(() => document.documentElement.dataset.ready === "1", { timeout });
}

// Whether an element of the page is on screen (not hidden, not display: none, with a size).
export async function isShown(page, selector) {
  return page.$eval(selector, (e) => !e.hidden && getComputedStyle(e).display !== "none"
    && getComputedStyle(e).visibility !== "hidden" && e.getBoundingClientRect().width > 0);
}

const control = (id) => `[data-id="${id}"]`;

// A control's attribute (e.g. data-bitmap, alt), its caption, or whether a box is ticked.
export async function attr(page, id, name) {
  return page.$eval(control(id), (e, n) => e.getAttribute(n), name);
}
export async function bitmap(page, id) {
  return Number(await attr(page, id, "data-bitmap"));
}
export async function caption(page, id) {
  return page.$eval(control(id), (e) => e.textContent.trim());
}
export async function click(page, id) {
  await page.click(control(id));
}
export async function setTicked(page, id, ticked) {
  if (await page.$eval(control(id), (e) => e.checked) !== ticked) await click(page, id);
}

// Waits until the picture control shows `bitmap` (or one of several); returns what it shows.
export async function waitForBitmap(page, id, bitmaps, timeout = 8000) {
  const wanted = [bitmaps].flat().map(String);
  await page.waitForFunction((sel, w) => w.includes(document.querySelector(sel)?.dataset.bitmap),
    { timeout, polling: 20 }, control(id), wanted);
  return bitmap(page, id);
}

// Polls `condition` (async, in node) every 50 ms until it holds; fails after `timeout` ms.
export async function until(condition, timeout, what) {
  const end = Date.now() + timeout;
  while (!(await condition())) {
    if (Date.now() > end) throw new Error(`not within ${timeout} ms: ${what}`);
    await sleep(50);
  }
}

// Records every bitmap a picture control shows from now on, in order, inside the page.
export async function recordBitmaps(page, id) {
  const handle = await page.evaluateHandle((sel) => {
    const img = document.querySelector(sel);
    const shown = [Number(img.dataset.bitmap)];
    new MutationObserver(() => {
      const now = Number(img.dataset.bitmap);
      if (shown.at(-1) !== now) shown.push(now);
    }).observe(img, { attributes: true, attributeFilter: ["data-bitmap"] });
    return shown;
  }, control(id));
  return { read: () => handle.jsonValue() };
}

// One server and one browser for a test file: `const site = await openSite()`, then
// `site.open()` per test and `site.close()` at the end.
export async function openSite() {
  const server = await serveSite();
  const browser = await launchBrowser();
  const pages = [];
  return {
    origin: server.origin,
    server,
    browser,
    async open(options) {
      const page = await openWindow(browser, server.origin, options);
      pages.push(page);
      return page;
    },
    async close() {
      await browser.close();
      await server.close();
    },
  };
}
