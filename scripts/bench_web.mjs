// Prints the browser edition's figures beside the other editions': what a first visit
// downloads, the load time, the bell's delays on the page's audio output, the timers running
// while idle and the CPU used in the alarm; then the same site on a phone on a poor link (the
// time to a working window and from a click to the bell, first visit and from the service
// worker, and what a first visit fetches). Run by scripts/bench after the site is built;
// `--slow-link` prints the poor link's figures alone.
import fs from "node:fs";
import os from "node:os";
import {
  BMP, ID, SITE_DIR, click, launchBrowser, openWindow, serveSite, setTicked, sleep,
  waitForBitmap,
} from "../tests/web/browser.js";
import { MINIBROWSER, launchWebKit } from "../tests/web/webkit.js";

const TARGET_DOWNLOAD_KIB = 600;
const TARGET_WASM_KIB = 150;
const TARGET_LOAD_MS = 300;
const TARGET_DELAY_MS = 30;
const LOADS = 9;
const TAPS = 10;
const ROUNDS = 10;
const CPU_SECONDS = 5;
// A phone on a poor link ("slow 3G"): DevTools network emulation at 400 kbit/s each way and
// 400 ms from a request to its answer, 360 x 640 CSS px at 3x, no cache, no service worker.
const SLOW_LINK = { download: 400_000 / 8, upload: 400_000 / 8, latency: 400 };
const SLOW_VISITS = 3;
const TARGET_SLOW_READY_MS = 4000;
const TARGET_SLOW_SOUND_MS = 2000;
const TARGET_SLOW_KIB = 300;
// The bell's loudness as the page plays it: its output through three band-passes at the
// bell's 1180 Hz (Q 10 each), read as the RMS of the last 128 samples. Through them the bell
// never falls below -36 dB and the chime alone never rises above -50 dB; they ring out in a
// few ms, which the floor below (the bare wave started and stopped) measures.
const BELL_HZ = 1180;
const BELL_Q = 10;
const BELL_STAGES = 3;
const METER_SAMPLES = 128;
const AUDIBLE_DB = -43;

const verdict = (ok) => (ok ? "ok" : "OVER TARGET");
const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = sorted.length >> 1;
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
};
const kib = (bytes) => (bytes / 1024).toFixed(1).padStart(7);

// Runs before the page's scripts: whatever connects to the destination also feeds the bell
// meter (window.__orvaneBellDb() reads it).
function installBellMeter(hz, q, stages, samples) {
  const connect = AudioNode.prototype.connect;
  const meters = new Map();
  AudioNode.prototype.connect = function (target, ...rest) {
    const result = connect.call(this, target, ...rest);
    if (target instanceof AudioDestinationNode) {
      const context = this.context;
      if (!meters.has(context)) {
        const filters = Array.from({ length: stages },
          () => new BiquadFilterNode(context, { type: "bandpass", frequency: hz, Q: q }));
        const analyser = new AnalyserNode(context, { fftSize: 256 });
        [...filters, analyser].reduce((from, to) => { connect.call(from, to); return to; });
        meters.set(context, { filter: filters[0], analyser, data: new Float32Array(256) });
      }
      connect.call(this, meters.get(context).filter);
    }
    return result;
  };
  // The floor: the bell's wave looped through a gain node into the destination of the
  // page's context and stopped again, by nothing but Web Audio; returns a start that
  // returns the stop.
  window.__orvaneFloorBell = async () => {
    const [context] = meters.keys();
    const data = (await import("./waves.js")).makeWave("atsbell.wav");
    const buffer = await context.decodeAudioData(data);
    const gain = new GainNode(context);
    gain.connect(context.destination);
    return () => {
      const source = new AudioBufferSourceNode(context, { buffer, loop: true });
      source.connect(gain);
      source.start();
      return () => {
        source.stop();
        source.disconnect();
      };
    };
  };
  window.__orvaneBellDb = () => {
    let level = -Infinity;
    for (const { analyser, data } of meters.values()) {
      analyser.getFloatTimeDomainData(data);
      let sum = 0;
      for (let i = data.length - samples; i < data.length; i++) sum += data[i] * data[i];
      level = Math.max(level, 10 * Math.log10(sum / samples));
    }
    return level;
  };
}

// Runs before the page's scripts: when the page says it is ready, and every timer and
// animation frame callback that runs.
function installProbes() {
  window.__orvaneBench = { readyAt: null, callbacks: 0 };
  const bench = window.__orvaneBench;
  new MutationObserver(() => {
    if (bench.readyAt === null && document.documentElement?.dataset.ready === "1") {
      bench.readyAt = performance.now();
    }
  }).observe(document, { attributes: true, subtree: true, attributeFilter: ["data-ready"] });
  for (const name of ["setTimeout", "setInterval", "requestAnimationFrame"]) {
    const original = window[name];
    window[name] = function (callback, ...rest) {
      const counted = typeof callback === "function"
        ? function (...args) { bench.callbacks++; return callback.apply(this, args); }
        : callback;
      return original.call(this, counted, ...rest);
    };
  }
}

// In the page: waits for `kind` (the alarm picture shown, or a click on the control with that
// id), then for the bell meter to cross the audible level upwards (`rising`) or downwards;
// returns the delay in ms between the two, or null when the bell did not change within `ms`.
function timeBell(kind, audibleDb, rising, ms, panelId, alarmBitmap) {
  const bellLevel = window.__orvaneBellDb;
  return new Promise((resolve) => {
    let triggeredAt = null;
    const panel = document.querySelector(`[data-id="${panelId}"]`);
    const observer = new MutationObserver(() => {
      if (triggeredAt === null && panel.dataset.bitmap === String(alarmBitmap)) triggeredAt = performance.now();
    });
    if (kind === "alarm") {
      observer.observe(panel, { attributes: true, attributeFilter: ["data-bitmap"] });
    } else if (kind === "floor start" || kind === "floor stop") {
      queueMicrotask(() => {
        triggeredAt = performance.now();
        if (kind === "floor start") window.__orvaneFloorStop = window.__orvaneFloorStart();
        else window.__orvaneFloorStop();
      });
    } else {
      document.querySelector(`[data-id="${kind}"]`).addEventListener("click",
        () => { triggeredAt = performance.now(); }, { capture: true, once: true });
    }
    const channel = new MessageChannel();
    const end = performance.now() + ms;
    channel.port1.onmessage = () => {
      const now = performance.now();
      if (triggeredAt !== null && (bellLevel() >= audibleDb) === rising) {
        observer.disconnect();
        resolve(now - triggeredAt);
      } else if (now > end) {
        observer.disconnect();
        resolve(null);
      } else {
        channel.port2.postMessage(0);
      }
    };
    channel.port2.postMessage(0);
  });
}

async function firstVisit(browser, server) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const before = server.served.length;
  await page.goto(`${server.origin}/`);
  await page.waitForFunction(() => document.documentElement.dataset.ready === "1");
  await page.evaluate(() => Promise.race([navigator.serviceWorker?.ready,
    new Promise((resolve) => setTimeout(resolve, 5000))]));
  await sleep(1500);  // the service worker's cache filled
  const fetched = server.served.slice(before);
  await context.close();
  const total = fetched.reduce((sum, f) => sum + f.bytes, 0);
  const bytesOf = (end) => fetched.filter((f) => f.path.endsWith(end))
    .reduce((sum, f) => sum + f.bytes, 0);
  return { total, wasm: bytesOf(".wasm"), font: bytesOf(".woff2"), requests: fetched.length };
}

// After `navigate()`, in a page that its probe watches from the start: when the page became
// ready (ms from the start of the navigation).
async function probedReadyAt(page, navigate) {
  await navigate();
  await page.waitForFunction(() => window.__orvaneBench.readyAt !== null);
  return page.evaluate(() => window.__orvaneBench.readyAt);
}

// In WebKit, where WebDriver puts no probe before the page's scripts: the new document is
// watched from as soon as it is there ("old" before, "missed" when it was ready already).
function watchReady() {
  const root = document.documentElement;
  if (window.__orvaneOld || !root) return "old";
  if (root.dataset.ready === "1") return "missed";
  window.__orvaneReadyAt ??= new Promise((resolve) => {
    new MutationObserver(() => {
      if (root.dataset.ready === "1") resolve(performance.now());
    }).observe(root, { attributes: true, attributeFilter: ["data-ready"] });
  });
  return "watching";
}
async function watchedReadyAt(page, navigate) {
  await page.evaluate(() => { window.__orvaneOld = true; });
  await navigate(); // back at once: the session loads pages with the strategy "none"
  for (;;) {
    const seen = await page.evaluate(watchReady).catch(() => "old");
    if (seen === "missed") return null;
    if (seen === "watching") return page.evaluate(() => window.__orvaneReadyAt);
  }
}

// Load to a working window, first visits (each in a fresh profile) and visits served by the
// service worker; `fresh()` gives a page of a new profile ({ page, close }), `readyAt` times
// one navigation in it, or gives null when it missed the moment (then it loads again; `missed`
// counts those).
async function loadTimes(origin, fresh, readyAt) {
  const cold = [];
  const warm = [];
  let missed = 0;
  const timed = async (page, navigate) => {
    for (;;) {
      const ms = await readyAt(page, navigate);
      if (ms !== null) return ms;
      if (++missed > LOADS) throw new Error("the page was ready before it could be watched");
    }
  };
  for (let i = 0; i < LOADS; i++) {
    const { page, close } = await fresh();
    try {
      cold.push(await timed(page, () => page.goto(`${origin}/`)));
      if (i === 0) {
        await page.waitForFunction(() => document.documentElement.dataset.ready === "1");
        await page.evaluate(() => Promise.race([navigator.serviceWorker?.ready,
          new Promise((resolve) => setTimeout(resolve, 5000))]));
        for (let j = 0; j < LOADS; j++) warm.push(await timed(page, () => page.reload()));
      }
    } finally {
      await close();
    }
  }
  return { cold, warm, missed };
}

// Chromium and Firefox: a browser context each, the probe in before the page's scripts.
const probedLoads = (browser, origin) => loadTimes(origin, async () => {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.evaluateOnNewDocument(installProbes);
  return { page, close: () => context.close() };
}, probedReadyAt);

// WebKit: a browser of its own each (its WebDriver holds one session).
const webkitLoads = (origin) => loadTimes(origin, async () => {
  const browser = await launchWebKit({ pageLoadStrategy: "none" });
  return { page: await browser.newPage(), close: () => browser.close() };
}, watchedReadyAt);

// On a 360 x 640 touch screen: from a finger's touch on 開始 (the touchstart's time stamp) to
// the caption's change, ms, one per tap (each tap starts or stops a run).
async function tapToCaption(browser, origin) {
  const page = await openWindow(browser, origin, { viewport: [360, 640], scale: 3, tap: false });
  const times = [];
  for (let i = 0; i < TAPS; i++) {
    const changed = page.evaluate((sel) => new Promise((resolve) => {
      const button = document.querySelector(sel);
      let touched = 0;
      window.addEventListener("touchstart", (e) => { touched = e.timeStamp; }, { once: true, capture: true });
      new MutationObserver((records, observer) => {
        observer.disconnect();
        resolve(performance.now() - touched);
      }).observe(button, { childList: true, characterData: true, subtree: true });
    }), `[data-id="${ID.START}"]`);
    await page.tap(`[data-id="${ID.START}"]`);
    times.push(await changed);
    await sleep(300);
  }
  await page.close();
  return times;
}

async function bellDelays(page) {
  await setTicked(page, ID.IGNORESIGNAL, true);
  const audible = [];
  const silent = [];
  for (let i = 0; i < ROUNDS; i++) {
    const alarm = page.evaluate(timeBell, "alarm", AUDIBLE_DB, true, 3000, ID.PANEL, BMP.ALARM);
    await click(page, ID.START);
    audible.push(await alarm);
    await sleep(500);
    const confirm = page.evaluate(timeBell, String(ID.CONFIRM), AUDIBLE_DB, false, 3000, ID.PANEL, BMP.ALARM);
    await click(page, ID.CONFIRM);
    silent.push(await confirm);
    await click(page, ID.SUSTAIN);
    await sleep(400);
  }
  return { audible, silent };
}

async function floorDelays(page) {
  await page.evaluate(async () => { window.__orvaneFloorStart = await window.__orvaneFloorBell(); });
  const audible = [];
  const silent = [];
  for (let i = 0; i < ROUNDS; i++) {
    audible.push(await page.evaluate(timeBell, "floor start", AUDIBLE_DB, true, 3000, ID.PANEL, BMP.ALARM));
    await sleep(500);
    silent.push(await page.evaluate(timeBell, "floor stop", AUDIBLE_DB, false, 3000, ID.PANEL, BMP.ALARM));
    await sleep(300);
  }
  return { audible, silent };
}

// In the page: ms from a click on the control `startId` until the picture control `pictureId`
// draws another picture (its src changes).
function timePicture(startId, pictureId) {
  const img = document.querySelector(`[data-id="${pictureId}"]`);
  const before = img.src;
  return new Promise((resolve) => {
    document.querySelector(`[data-id="${startId}"]`).addEventListener("click", () => {
      const clicked = performance.now();
      const watch = () => (img.src !== before ? resolve(performance.now() - clicked)
        : requestAnimationFrame(watch));
      watch();
    }, { capture: true, once: true });
  });
}

// One first visit on the poor link in a fresh profile, a click on 開始 (信号無視 ticked) as soon
// as the window works, then a visit from the service worker on the same link and one offline.
// Each visit: ms from the navigation to the working window, from the click to the bell heard
// at the page's audio output; the first visit's bytes (every body the host sent until the
// service worker kept all it keeps).
async function slowLinkVisit(browser, server) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 360, height: 640, deviceScaleFactor: 3, isMobile: true,
    hasTouch: true });
  await page.evaluateOnNewDocument(installProbes);
  await page.evaluateOnNewDocument(installBellMeter, BELL_HZ, BELL_Q, BELL_STAGES, METER_SAMPLES);
  const warnings = [];
  page.on("console", (m) => { if (/orvaneats/.test(m.text())) warnings.push(m.text()); });
  await page.emulateNetworkConditions(SLOW_LINK);
  const visit = async (navigate) => {
    await navigate();
    await page.waitForFunction(() => window.__orvaneBench.readyAt !== null,
      { polling: "mutation", timeout: 60000 });
    const ready = await page.evaluate(() => window.__orvaneBench.readyAt);
    await setTicked(page, ID.IGNORESIGNAL, true);
    const bell = page.evaluate(timeBell, String(ID.START), AUDIBLE_DB, true, 20000, ID.PANEL, BMP.ALARM);
    const drawn = page.evaluate(timePicture, ID.START, ID.PANEL);
    await click(page, ID.START);
    const sound = await bell;
    const picture = await drawn;
    await click(page, ID.CONFIRM);
    await click(page, ID.SUSTAIN);
    return { ready, sound, picture };
  };
  const before = server.served.length;
  const first = await visit(() => page.goto(`${server.origin}/`, { waitUntil: "domcontentloaded" }));
  // Done once the worker controls the page's scope and keeps the eight pictures it draws.
  const kept = () => page.evaluate(async () => {
    if (!(await navigator.serviceWorker.getRegistration())?.active) return 0;
    let pictures = 0;
    for (const name of await caches.keys()) {
      pictures += (await (await caches.open(name)).keys()).filter((r) => /pictures\//.test(r.url)).length;
    }
    return pictures;
  });
  const end = Date.now() + 60000;
  while ((await kept()) < 8 && Date.now() < end) await sleep(200);
  const bytes = server.served.slice(before).reduce((sum, f) => sum + f.bytes, 0);
  const pictures = await kept();
  const worker = await visit(() => page.reload({ waitUntil: "domcontentloaded" }));
  await page.emulateNetworkConditions({ ...SLOW_LINK, offline: true });
  warnings.length = 0;
  const offline = await visit(() => page.reload({ waitUntil: "domcontentloaded" }));
  await sleep(1000);
  // Offline too every picture comes: none failed, the two shown are drawn.
  offline.complete = warnings.length === 0 && await page.evaluate(() => [...document
    .querySelectorAll("#client img")].every((img) => img.complete && img.naturalWidth > 0));
  await context.close();
  return { first, worker, offline, bytes, pictures };
}

// The poor link's figures, from scripts/serve_site.py serving the site as the README asks;
// then, for comparison, the first visit's from it compressing nothing (--no-gzip).
async function slowLink(browser) {
  const host = await serveSite();
  const plainHost = await serveSite(SITE_DIR, { gzip: false });
  const visits = [];
  let plain;
  try {
    for (let i = 0; i < SLOW_VISITS; i++) visits.push(await slowLinkVisit(browser, host));
    plain = await slowLinkVisit(browser, plainHost);
  } finally {
    await host.close();
    await plainHost.close();
  }
  const ms = (values) => {
    const heard = values.filter((v) => v !== null);
    if (heard.length < values.length) return `never in ${values.length - heard.length} of ${values.length}`;
    return `${median(heard).toFixed(0).padStart(5)} ms median, ${Math.max(...heard).toFixed(0)} ms worst`;
  };
  const worst = (values) => (values.includes(null) ? Infinity : Math.max(...values));
  console.log(`  on a poor link (DevTools emulation: ${SLOW_LINK.download * 8 / 1000} kbit/s each way, `
    + `${SLOW_LINK.latency} ms latency), 360 x 640 at 3x, ${SLOW_VISITS} fresh profiles, a host `
    + "serving as the README asks (gzip, no-cache):");
  const bytes = visits.map((v) => v.bytes);
  console.log(`    first visit fetches:                 ${kib(Math.max(...bytes))} KiB   `
    + `${verdict(Math.max(...bytes) <= TARGET_SLOW_KIB * 1024)}  (target <= ${TARGET_SLOW_KIB} KiB)`);
  for (const [name, key] of [["first visit", "first"], ["service worker", "worker"], ["offline", "offline"]]) {
    const ready = visits.map((v) => v[key].ready);
    const sound = visits.map((v) => v[key].sound);
    console.log(`    ${name.padEnd(15)} working window: ${ms(ready)}   `
      + `${verdict(worst(ready) <= TARGET_SLOW_READY_MS)}  (target <= ${TARGET_SLOW_READY_MS} ms)`);
    console.log(`    ${name.padEnd(15)} click -> bell:   ${ms(sound)}   `
      + `${verdict(worst(sound) <= TARGET_SLOW_SOUND_MS)}  (target <= ${TARGET_SLOW_SOUND_MS} ms)`);
    console.log(`    ${name.padEnd(15)} click -> alarm lamp drawn: ${ms(visits.map((v) => v[key].picture))}`);
  }
  const complete = visits.every((v) => v.pictures === 8 && v.offline.complete);
  console.log(`    kept for offline: ${visits.map((v) => v.pictures).join(", ")} of 8 pictures; offline `
    + `every picture drawn and the bell heard: ${verdict(complete && visits.every((v) => v.offline.sound !== null))}`);
  console.log(`    (a host that compresses nothing: ${kib(plain.bytes).trim()} KiB, working window in `
    + `${plain.first.ready.toFixed(0)} ms, click -> bell ${plain.first.sound?.toFixed(0) ?? "never"} ms, one first visit)`);
}

async function idleCallbacks(page) {
  const before = await page.evaluate(() => window.__orvaneBench.callbacks);
  await sleep(1000);
  const after = await page.evaluate(() => window.__orvaneBench.callbacks);
  const animations = await page.evaluate(() => document.getAnimations().length);
  return { callbacks: after - before, animations };
}

// CPU seconds of the browser's processes (the browser and every child), from /proc.
function browserCpuSeconds(rootPid) {
  const children = new Map();
  const ticks = new Map();
  for (const pid of fs.readdirSync("/proc").filter((d) => /^\d+$/.test(d))) {
    try {
      const stat = fs.readFileSync(`/proc/${pid}/stat`, "utf8");
      const fields = stat.slice(stat.lastIndexOf(")") + 2).split(" ");
      const ppid = Number(fields[1]);
      ticks.set(Number(pid), Number(fields[11]) + Number(fields[12]));
      if (!children.has(ppid)) children.set(ppid, []);
      children.get(ppid).push(Number(pid));
    } catch { /* the process ended meanwhile */ }
  }
  let total = 0;
  const walk = (pid) => {
    total += ticks.get(pid) ?? 0;
    for (const child of children.get(pid) ?? []) walk(child);
  };
  walk(rootPid);
  return total / 100;  // USER_HZ
}

async function alarmCpu(browser, page) {
  await setTicked(page, ID.IGNORESIGNAL, true);
  await click(page, ID.START);
  await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 1000);
  const session = await page.createCDPSession();
  await session.send("Performance.enable");
  const task = async () => (await session.send("Performance.getMetrics")).metrics
    .find((m) => m.name === "TaskDuration").value;
  const pid = browser.process().pid;
  const [task0, cpu0, t0] = [await task(), browserCpuSeconds(pid), performance.now()];
  await sleep(CPU_SECONDS * 1000);
  const [task1, cpu1, t1] = [await task(), browserCpuSeconds(pid), performance.now()];
  const seconds = (t1 - t0) / 1000;
  await click(page, ID.START);  // Stop
  return { mainThread: (100 * (task1 - task0)) / seconds, processes: (100 * (cpu1 - cpu0)) / seconds };
}

function reportDelays(label, delays, judged = true) {
  const heard = delays.filter((d) => d !== null);
  if (heard.length < delays.length) {
    console.log(`  ${label} never in ${delays.length - heard.length} of ${delays.length}   OVER TARGET`);
    return;
  }
  const worst = Math.max(...heard);
  console.log(`  ${label} ${median(heard).toFixed(0).padStart(5)} / ${worst.toFixed(0).padStart(5)} ms   `
    + (judged ? `${verdict(worst <= TARGET_DELAY_MS)}  (target <= ${TARGET_DELAY_MS} ms)` : ""));
}

async function main() {
  const server = await serveSite();
  const browser = await launchBrowser();
  if (process.argv.includes("--slow-link")) {
    try {
      console.log(`OrvaneATS browser edition (${await browser.version()}, headless)`);
      await slowLink(browser);
    } finally {
      await browser.close();
      await server.close();
    }
    return;
  }
  try {
    const version = await browser.version();
    const download = await firstVisit(browser, server);
    const loads = await probedLoads(browser, server.origin);
    const taps = await tapToCaption(browser, server.origin);
    // The same load in Firefox ESR and in WebKit where they are installed.
    let firefox = null;
    if (fs.existsSync("/usr/bin/firefox-esr")) {
      const other = await launchBrowser([], "firefox");
      try {
        firefox = { version: await other.version(), loads: await probedLoads(other, server.origin) };
      } finally {
        await other.close();
      }
    }
    let webkit = null;
    if (fs.existsSync(MINIBROWSER)) {
      const other = await launchBrowser([], "webkit");
      const version = await other.version();
      await other.close();
      webkit = { version, loads: await webkitLoads(server.origin) };
    }
    const page = await openWindow(browser, server.origin, { tap: false, before: [
      installProbes, [installBellMeter, BELL_HZ, BELL_Q, BELL_STAGES, METER_SAMPLES]] });
    await sleep(1000);
    const idleAtStart = await idleCallbacks(page);
    const delays = await bellDelays(page);
    const floor = await floorDelays(page);
    const idleAfterCycles = await idleCallbacks(page);
    const cpu = await alarmCpu(browser, page);

    console.log(`OrvaneATS browser edition (${version}, headless, ${os.cpus().length} cores), `
      + "site on the loopback");
    console.log(`  first visit downloads (page and service worker, ${download.requests} requests):`
      + `${kib(download.total)} KiB   ${verdict(download.total <= TARGET_DOWNLOAD_KIB * 1024)}`
      + `  (target <= ${TARGET_DOWNLOAD_KIB} KiB)`);
    console.log(`    of which WebAssembly          ${kib(download.wasm)} KiB   `
      + `${verdict(download.wasm > 0 && download.wasm <= TARGET_WASM_KIB * 1024)}`
      + `  (target <= ${TARGET_WASM_KIB} KiB)`);
    console.log(`    of which the font             ${kib(download.font)} KiB`);
    const reportLoads = (engine, { cold, warm, missed }) => {
      for (const [name, times] of [["first visit", cold], ["service worker", warm]]) {
        const m = median(times);
        console.log(`  load to working window, ${engine.padEnd(8)} ${name.padEnd(14)} `
          + `${m.toFixed(0).padStart(5)} ms median, ${Math.max(...times).toFixed(0)} ms worst of `
          + `${times.length}   ${verdict(m <= TARGET_LOAD_MS)}  (target <= ${TARGET_LOAD_MS} ms median)`);
      }
      if (missed) console.log(`    (${engine}: ${missed} loads ready before they could be watched, loaded again)`);
    };
    reportLoads("Chromium", loads);
    if (firefox) reportLoads("Firefox", firefox.loads);
    if (webkit) reportLoads("WebKit", webkit.loads);
    console.log(`    (Firefox: ${firefox?.version ?? "not measured, no /usr/bin/firefox-esr"}; `
      + `WebKit: ${webkit?.version ?? `not measured, no ${MINIBROWSER}`} on Xvfb)`);
    console.log(`  tap on 開始 -> caption change (touch, 360 x 640): `
      + `${median(taps).toFixed(1)} ms median, ${Math.max(...taps).toFixed(1)} ms worst of ${taps.length}`);
    console.log(`  delays over ${ROUNDS} alarms (median / worst), at the page's audio output `
      + `(${BELL_STAGES} band-passes at ${BELL_HZ} Hz, Q ${BELL_Q}, RMS of ${METER_SAMPLES} samples `
      + `above ${AUDIBLE_DB} dB)`);
    reportDelays("alarm picture -> bell audible:", delays.audible);
    reportDelays("confirm click -> bell silent: ", delays.silent);
    console.log("  the floor: the bare bell wave started and stopped in the same page, same meter");
    reportDelays("start() -> bell audible:      ", floor.audible, false);
    reportDelays("stop() -> bell silent:        ", floor.silent, false);
    for (const [when, idle] of [["after loading", idleAtStart], ["after the alarms", idleAfterCycles]]) {
      console.log(`  idle second ${when.padEnd(16)}: ${idle.callbacks} timer/frame callbacks, `
        + `${idle.animations} animations   ${verdict(idle.callbacks === 0 && idle.animations === 0)}`
        + "  (target 0)");
    }
    console.log(`  CPU, ${CPU_SECONDS} s alarm, page main thread:  ${cpu.mainThread.toFixed(2).padStart(7)} % of one core`);
    console.log(`  CPU, ${CPU_SECONDS} s alarm, all browser processes: ${cpu.processes.toFixed(2).padStart(7)} % of one core`);
    await slowLink(browser);
  } finally {
    await browser.close();
    await server.close();
  }
}

await main();
