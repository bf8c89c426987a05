// On a phone: a browser that lets sound start only from a user's activation (a finger's
// pointerdown is none), touch input, and the window at a finger's size.
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import { ID, caption, launchBrowser, openWindow, serveSite, until } from "./browser.js";

// As Safari on a phone: resume() without a user's activation is refused and never settles.
function strictResume() {
  const resume = AudioContext.prototype.resume;
  AudioContext.prototype.resume = function () {
    return navigator.userActivation.isActive ? resume.call(this) : new Promise(() => {});
  };
}

const PHONE = { viewport: [360, 640], scale: 3, before: [strictResume] };

let server;
let browser;
before(async () => {
  server = await serveSite();
  browser = await launchBrowser(["--autoplay-policy=document-user-activation-required"]);
});
after(async () => {
  await browser?.close();
  await server?.close();
});

// Reads the page without acting as a user: puppeteer's own evaluate() counts as a gesture.
async function peek(page, expression) {
  const cdp = await page.createCDPSession();
  const { result } = await cdp.send("Runtime.evaluate", { expression, returnByValue: true });
  await cdp.detach();
  return result.value;
}
const CONTEXT_STATE = "[...window.__orvaneTap.analysers.keys()][0]?.state";

test("one tap on 開始 lets the page's sound run within 1 s", async () => {
  const page = await openWindow(browser, server.origin, PHONE);
  // The activation that opening the page left behind runs out first (5 s in Chromium).
  await until(async () => !(await peek(page, "navigator.userActivation.isActive")), 8000,
    "no user activation before the tap");
  assert.equal(await peek(page, CONTEXT_STATE), "suspended", "no sound before the first tap");
  await page.tap(`[data-id="${ID.START}"]`);
  const tapped = Date.now();
  await until(async () => await peek(page, CONTEXT_STATE) === "running", 1000,
    "the audio context runs");
  assert.ok(Date.now() - tapped <= 1000);
  assert.equal(await caption(page, ID.START), "停止", "the tap started a run");
  assert.equal(await page.$eval("#sound-status", (e) => e.textContent), "", "no hint once sound runs");
  await page.close();
});
