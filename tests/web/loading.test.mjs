// While the page loads or cannot: a line instead of an empty desk, and the window shown only
// once it works. Each case in a browser context of its own (no service worker from another).
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import {
  ENGINE, TABLES, WEBDRIVER_LACKS, lacks, launchBrowser, serveSite, sleep, waitReady,
} from "./browser.js";

let server;
let browser;
before(async () => {
  server = await serveSite();
  browser = await launchBrowser();
});
after(async () => {
  await browser?.close();
  await server?.close();
});

const WASM = /\.wasm$/;
// Holds every request for the WebAssembly back with `wasm`; the rest go through.
async function onWasm(page, wasm) {
  await page.setRequestInterception(true);
  page.on("request", (r) => (WASM.test(r.url()) ? wasm(r) : r.continue()));
}
// What a person sees: the lines on the desk, and whether the window is visible.
const seen = (page) => page.evaluate(() => ({
  lines: [...document.querySelectorAll(".notice")]
    .filter((e) => e.checkVisibility()).map((e) => e.textContent),
  window: document.querySelector("#window").checkVisibility({ visibilityProperty: true }),
}));

// [case, set up the page, what shows while loading (or for good)]
const CASES = [
  ["scripts off", (page) => page.setJavaScriptEnabled(false),
    { lines: ["このページは JavaScript がないと動きません。"], window: false }],
  ["the WebAssembly blocked", (page) => onWasm(page, (r) => r.abort()),
    { lines: ["読み込めませんでした"], window: false }],
  ["a slow link", (page) => onWasm(page, (r) => sleep(1500).then(() => r.continue())),
    { lines: ["読み込み中…"], window: false }],
];

for (const [name, setUp, expected] of CASES) {
  test(`${name}: ${expected.lines[0]}`,
    { skip: lacks({ webkit: name === "scripts off" ? "WebDriver cannot switch scripts off"
      : "WebDriver has no request interception" }) }, async () => {
    // Firefox switches scripts off by its preference alone (its BiDi lacks the command), in a
    // browser of its own.
    const own = name === "scripts off" && ENGINE === "firefox"
      ? await launchBrowser([], ENGINE, { prefs: { "javascript.enabled": false } }) : null;
    const context = await (own ?? browser).createBrowserContext();
    const page = await context.newPage();
    if (!own) await setUp(page);
    await page.goto(`${server.origin}/`);
    await sleep(700);
    const shown = await seen(page);
    assert.equal(shown.window, expected.window, "the window");
    assert.equal(shown.lines.length, 1, JSON.stringify(shown.lines));
    assert.match(shown.lines[0], new RegExp(expected.lines[0]));
    if (name === "a slow link") {
      await waitReady(page);
      assert.deepEqual(await seen(page), { lines: [], window: true }, "the window once it works");
    }
    await context.close();
    await own?.close();
  });
}

// At 1x with a mouse and on a phone at 3x: the module, its WebAssembly and the two pictures at
// rest, in the display's rendering, are preloaded, and every file is fetched once; no picture
// of the other rendering is fetched.
for (const [name, viewport, rendering, other] of [
  ["at 1x", null, /^\/pictures\/\w+\.png$/, /\.webp$/],
  ["on a phone at 3x", { width: 360, height: 640, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
    /^\/pictures\/\w+_3x\.webp$/, /^\/pictures\/.*\.png$/],
]) {
  test(`${name}: the module, its WebAssembly and the pictures at rest are preloaded, each file fetched once`,
    WEBDRIVER_LACKS("console messages"), async () => {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    if (viewport) await page.setViewport(viewport);
    const warnings = [];
    page.on("console", (m) => { if (/preload/i.test(m.text())) warnings.push(m.text()); });
    const from = server.served.length;
    await page.goto(`${server.origin}/`);
    await waitReady(page);
    const atRest = await page.evaluate(() => ({
      preloaded: [...document.querySelectorAll('link[rel="preload"][href^="pictures/"]')]
        .filter((link) => matchMedia(link.media).matches).map((link) => `/${link.getAttribute("href")}`),
      shown: [...document.querySelectorAll("#client img")].map((img) => img.dataset.bitmap),
    }));
    await sleep(3500); // Chromium warns of an unused preload after 3 s
    // Bodies sent (the service worker's own copy then finds them unchanged: 304, no body).
    const fetched = server.served.slice(from).filter((r) => r.bytes > 0).map((r) => r.path);
    assert.deepEqual(fetched.filter((p) => /orvaneats\./.test(p)).sort(), ["/orvaneats.js", "/orvaneats.wasm"]);
    assert.deepEqual(fetched.filter((p, i) => fetched.indexOf(p) !== i), [], "fetched twice");
    const pictures = fetched.filter((p) => p.startsWith("/pictures/"));
    assert.equal(pictures.length, 8, `the eight pictures: ${pictures}`);
    assert.ok(pictures.every((p) => rendering.test(p)) && !fetched.some((p) => other.test(p)),
      `only the display's rendering: ${pictures}`);
    const stems = Object.fromEntries(TABLES.pictures.map(({ id, stem }) => [id, stem]));
    assert.deepEqual(atRest.preloaded.map((p) => p.replace(/^\/pictures\/|(_3x)?\.\w+$/g, "")).sort(),
      atRest.shown.map((id) => stems[id]).sort(), "the pictures shown at rest are the ones preloaded");
    assert.deepEqual(warnings, []);
    await context.close();
  });
}
