// On a phone: a browser that lets sound start only from a user's activation (a finger's
// pointerdown is none), touch input, and the window at a finger's size.
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import {
  ENGINE, ID, TABLES, caption, lacks, launchBrowser, openWindow, serveSite, sleep, until,
} from "./browser.js";

const NO_TOUCH = { skip: lacks({ webkit: "WebDriver emulates no touch screen" }) };

// As Safari on a phone holds to the standard: resume() takes effect only while the page handles
// an event that is a user's activation (a finger's pointerdown is none); any other call is
// refused and never settles. Until then the context reads 'suspended', even where Chromium
// started it by itself for a sound started with the activation still fresh.
function strictResume() {
  const ACTIVATING = new Set(["pointerup", "touchend", "click", "keydown"]);
  const allowed = new WeakSet();
  const { resume } = AudioContext.prototype;
  const state = Object.getOwnPropertyDescriptor(BaseAudioContext.prototype, "state").get;
  Object.defineProperty(BaseAudioContext.prototype, "state", {
    configurable: true,
    get() {
      const real = state.call(this);
      return real === "running" && !allowed.has(this) ? "suspended" : real;
    },
  });
  AudioContext.prototype.resume = function () {
    const handling = window.event;
    if (!(handling?.isTrusted && ACTIVATING.has(handling.type))) return new Promise(() => {});
    if (state.call(this) === "running" && !allowed.has(this)) {
      setTimeout(() => this.dispatchEvent(new Event("statechange")));
    }
    allowed.add(this);
    return resume.call(this);
  };
}

const PHONE = { viewport: [360, 640], scale: 3, before: [strictResume] };

let server;
let browser;
before(async () => {
  server = await serveSite();
  // Sound only after a user's activation of the document: Chromium's policy, and in both the
  // page's own gate (strictResume). Firefox's BiDi emulates no coarse pointer: its preferences
  // make every page's screen a touch screen. (Firefox's own autoplay block is left off: with it,
  // a BiDi tap often left the context suspended, which is yet to be told apart from a fault.)
  browser = await launchBrowser(["--autoplay-policy=document-user-activation-required"], ENGINE,
    { prefs: { "ui.primaryPointerCapabilities": 1, "ui.allPointerCapabilities": 1 } });
});
after(async () => {
  await browser?.close();
  await server?.close();
});

// Reads or clicks in the page without acting as a user: puppeteer's own evaluate() counts as
// a gesture, and a script's click() is no user's.
async function peek(page, expression) {
  if (ENGINE === "firefox") {
    // WebDriver BiDi's own evaluate, asked for no user activation (puppeteer asks for one).
    const { result } = await page.mainFrame().mainRealm().realm.evaluate(expression, true,
      { userActivation: false, resultOwnership: "none" });
    return result.value;
  }
  const cdp = await page.createCDPSession();
  const { result } = await cdp.send("Runtime.evaluate", { expression, returnByValue: true });
  await cdp.detach();
  return result.value;
}
const CONTEXT_STATE = "[...window.__orvaneTap.analysers.keys()][0]?.state";
const TAP_FOR_SOUND = "タップすると音が出ます";
const HINT = "document.querySelector('#sound-status').textContent";
const scriptClick = (id) => `document.querySelector('[data-id="${id}"]').click()`;

test("one tap on 開始 lets the page's sound run within 1 s; till then a hint asks for it", NO_TOUCH, async () => {
  const page = await openWindow(browser, server.origin, PHONE);
  await peek(page, scriptClick(ID.IGNORESIGNAL));
  // An alarm started by a script rings unheard: the page asks for a tap.
  await peek(page, scriptClick(ID.START));
  await until(async () => await peek(page, HINT) === TAP_FOR_SOUND, 1000, "the tap hint");
  assert.equal(await peek(page, CONTEXT_STATE), "suspended", "no sound before the first tap");
  await peek(page, scriptClick(ID.START)); // Stop
  assert.equal(await caption(page, ID.START), TABLES.controls.find((c) => c.id === ID.START).caption);

  await page.tap(`[data-id="${ID.START}"]`);
  const tapped = Date.now();
  await until(async () => await peek(page, CONTEXT_STATE) === "running", 1000,
    "the audio context runs");
  assert.ok(Date.now() - tapped <= 1000);
  assert.equal(await caption(page, ID.START), TABLES.texts.stop, "the tap started the alarm");
  await sleep(500); // past the page's grace for a context to start
  assert.equal(await peek(page, HINT), "", "no hint once sound runs");
  await page.close();
});

// Every control a finger can reach, by selector: the twelve controls (a check box with its
// caption) and the caption bar's two buttons; rectangles in CSS px.
function targets() {
  const box = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; };
  const found = {};
  for (const e of document.querySelectorAll("#client > button, #client > label, #client > img")) {
    found[e.dataset.area] = box(e);
  }
  found.menu = box(document.querySelector("#menu-button"));
  found.close = box(document.querySelector("#close-box"));
  return { found, touch: document.querySelector("#window").classList.contains("touch"),
    innerWidth, innerHeight, scroll: [document.scrollingElement.scrollWidth,
      document.scrollingElement.scrollHeight] };
}

const PICTURES = new Set(["panel", "signal"]);
const PUSH_BUTTONS = new Set(["confirm", "sustain", "start", "exit", "bell", "chime"]);
const overlap = ([ax, ay, aw, ah], [bx, by, bw, bh]) =>
  ax < bx + bw - 0.5 && bx < ax + aw - 0.5 && ay < by + bh - 0.5 && by < ay + ah - 0.5;

// [screen, touch layout expected]
for (const [viewport, touchLayout] of [[[360, 640], true], [[640, 360], true], [[1024, 768], false]]) {
  test(`a ${viewport.join(" x ")} touch screen: every target a finger's size, on screen, apart`, NO_TOUCH, async () => {
    const page = await openWindow(browser, server.origin, { viewport, scale: 2, touch: true });
    const { found, touch, innerWidth, innerHeight, scroll } = await page.evaluate(targets);
    assert.equal(touch, touchLayout, "the touch layout where the dialog's buttons stay small");
    assert.deepEqual(scroll, [innerWidth, innerHeight], "no scrolling");
    assert.equal(Object.keys(found).length, 14);
    for (const [name, [x, y, w, h]] of Object.entries(found)) {
      assert.ok(x >= 0 && y >= 0 && x + w <= innerWidth + 0.5 && y + h <= innerHeight + 0.5,
        `${name} on screen: ${[x, y, w, h]}`);
      // The grown dialog keeps its proportions: there its push buttons reach a finger's size.
      if (touch ? !PICTURES.has(name) : PUSH_BUTTONS.has(name)) {
        assert.ok(w >= 44 && h >= 44, `${name} at least 44 x 44: ${w} x ${h}`);
      }
      for (const [other, rect] of Object.entries(found)) {
        if (other < name) assert.ok(!overlap(rect, found[name]), `${name} clear of ${other}`);
      }
    }
    if (touch) {
      for (const name of ["confirm", "sustain"]) assert.ok(found[name][3] >= 64, `${name} large`);
      // The menu and the about box it opens: each a finger's size too, on screen.
      await page.tap("#menu-button");
      const item = await page.$eval("#about-item", (e) => e.getBoundingClientRect().height);
      assert.ok(item >= 44, `the menu item a finger's height: ${item}`);
      await page.tap("#about-item");
      const about = await page.evaluate(() => ["#about-ok", "#about-close", "#about"].map((sel) => {
        const r = document.querySelector(sel).getBoundingClientRect();
        return [r.left, r.top, r.width, r.height];
      }));
      for (const [x, y, w, h] of about.slice(0, 2)) assert.ok(w >= 44 && h >= 44, `${[w, h]}`);
      const [x, y, w, h] = about[2];
      assert.ok(x >= 0 && y >= 0 && x + w <= innerWidth && y + h <= innerHeight, `the box on screen: ${about[2]}`);
    }
    await page.close();
  });
}
