// The alarm cycle and its options in the real page, driven by clicks and keys, with the sound
// heard on the page's audio output.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import {
  BMP, HEARS, ID, TABLES, bitmap, caption, click, isShown, listen, openSite, recordBitmaps, setTicked,
  sleep, until, waitForBitmap, waitReady, WEBDRIVER_LACKS,
} from "./browser.js";

// Four steps of at most five seconds each from green to stop.
const LONGEST_APPROACH_MS = 4 * 5000 + 2000;

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

// Focuses a control by pressing Tab (or Shift+Tab, back) from wherever the focus is, as a
// keyboard user would, not past either end where it can be helped (Firefox's Tab there leaves
// the page for its own toolbar; WebKit's Shift+Tab does not move from a clicked button).
const TAB_ORDER = TABLES.controls.filter((c) => c.kind !== "picture").map((c) => String(c.id));
async function tabTo(page, id) {
  const to = TAB_ORDER.indexOf(String(id));
  let back = true;
  for (let i = 0; i < 20; i++) {
    const at = TAB_ORDER.indexOf(await page.evaluate(() => document.activeElement?.dataset.id));
    if (at === to) return;
    const shift = back && at > to;
    if (shift) await page.keyboard.down("Shift");
    await page.keyboard.press("Tab");
    if (shift) await page.keyboard.up("Shift");
    const now = await page.evaluate(() => document.activeElement?.dataset.id);
    if (shift && TAB_ORDER.indexOf(now) === at) back = false;
  }
  assert.fail(`Tab never reached control ${id}`);
}

async function blinkPhases(page, ms = 1600) {
  const panel = await recordBitmaps(page, ID.PANEL);
  await sleep(ms);
  return new Set(await panel.read());
}

test("a whole cycle: the signal steps down to stop, the alarm rings, confirm, sustain", HEARS, async () => {
  const page = await site.open();
  assert.equal(await bitmap(page, ID.SIGNAL), BMP.STOP);
  assert.equal(await bitmap(page, ID.PANEL), BMP.NORMAL);
  const signal = await recordBitmaps(page, ID.SIGNAL);

  await click(page, ID.START);
  assert.equal(await caption(page, ID.START), "停止");
  await until(async () => await bitmap(page, ID.SIGNAL) === BMP.STOP
    && await bitmap(page, ID.PANEL) !== BMP.NORMAL, LONGEST_APPROACH_MS, "the alarm at stop");
  const aspects = (await signal.read()).slice(1);
  assert.ok(aspects[0] > BMP.STOP && aspects[0] <= BMP.PROCEED, `first aspect ${aspects[0]}`);
  assert.deepEqual(aspects, Array.from({ length: aspects[0] - BMP.STOP + 1 },
    (_, i) => aspects[0] - i), "one aspect at a time down to stop");

  // The alarm: the lamp blinks between lit and dark while bell and chime sound.
  assert.deepEqual(await blinkPhases(page), new Set([BMP.ALARM, BMP.DARK]));
  const alarm = await listen(page);
  assert.ok(alarm.bell && alarm.chime, `alarm: bell and chime ${JSON.stringify(alarm.levels)}`);
  assert.equal(await page.$eval("#sound-status", (e) => e.textContent), "", "no sound trouble reported");

  // Confirm from the keyboard: the panel back to normal, the chime alone.
  await tabTo(page, ID.CONFIRM);
  await page.keyboard.press(" ");
  await waitForBitmap(page, ID.PANEL, BMP.NORMAL, 1000);
  assert.deepEqual(await blinkPhases(page, 1100), new Set([BMP.NORMAL]), "no blink after confirm");
  const confirmed = await listen(page);
  assert.ok(!confirmed.bell && confirmed.chime, `confirmed: chime only ${JSON.stringify(confirmed.levels)}`);

  // Sustain with Enter: silence, and the cycle is over.
  await tabTo(page, ID.SUSTAIN);
  await page.keyboard.press("Enter");
  await sleep(200);
  assert.equal(await caption(page, ID.START), "開始");
  const ended = await listen(page);
  assert.ok(!ended.bell && !ended.chime, `ended: silence ${JSON.stringify(ended.levels)}`);
  assert.equal(await bitmap(page, ID.SIGNAL), BMP.STOP);
  await page.close();
});

// Each option from a fresh window: the boxes to tick, then what the run must do.
const OPTIONS = [
  {
    name: "ignore signal: the alarm at once, the signal left as it was",
    ticks: [ID.IGNORESIGNAL],
    async run(page) {
      const signal = await recordBitmaps(page, ID.SIGNAL);
      await click(page, ID.START);
      await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 500);
      assert.deepEqual(await signal.read(), [BMP.STOP]);
      const alarm = await listen(page);
      assert.ok(alarm.bell && alarm.chime, JSON.stringify(alarm.levels));
    },
  },
  {
    name: "endless: the next run begins by itself after sustain",
    ticks: [ID.ENDLESS, ID.IGNORESIGNAL],
    async run(page) {
      await click(page, ID.START);
      await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 500);
      await click(page, ID.CONFIRM);
      await waitForBitmap(page, ID.PANEL, BMP.NORMAL, 500);
      await click(page, ID.SUSTAIN);
      await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 1000);
      assert.equal(await caption(page, ID.START), "停止");
      assert.ok((await listen(page)).bell, "the new alarm rings");
      await click(page, ID.START);  // Stop
      await sleep(200);
      assert.equal(await caption(page, ID.START), "開始");
      const stopped = await listen(page);
      assert.ok(!stopped.bell && !stopped.chime, JSON.stringify(stopped.levels));
    },
  },
  {
    name: "full auto: confirms after 1-5 s and ends 7-17 s later by itself",
    ticks: [ID.FULLAUTO, ID.IGNORESIGNAL],
    async run(page) {
      await click(page, ID.START);
      await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 500);
      const alarmAt = Date.now();
      await waitForBitmap(page, ID.PANEL, BMP.NORMAL, 5600);
      const confirmAfter = Date.now() - alarmAt;
      assert.ok(confirmAfter >= 900, `confirmed after ${confirmAfter} ms`);
      const confirmAt = Date.now();
      await page.waitForFunction((sel) => document.querySelector(sel).textContent.trim() === "開始",
        { timeout: 17600, polling: 50 }, `[data-id="${ID.START}"]`);
      const endAfter = Date.now() - confirmAt;
      assert.ok(endAfter >= 6900, `ended ${endAfter} ms after the confirm`);
      const ended = await listen(page);
      assert.ok(!ended.bell && !ended.chime, JSON.stringify(ended.levels));
    },
  },
  {
    name: "no overlap: the bell alone in the alarm, the chime after confirm",
    ticks: [ID.NOOVERLAP, ID.IGNORESIGNAL],
    async run(page) {
      await click(page, ID.START);
      await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 500);
      const alarm = await listen(page);
      assert.ok(alarm.bell && !alarm.chime, `alarm: bell alone ${JSON.stringify(alarm.levels)}`);
      await click(page, ID.CONFIRM);
      const confirmed = await listen(page);
      assert.ok(!confirmed.bell && confirmed.chime, `chime alone ${JSON.stringify(confirmed.levels)}`);
    },
  },
];

describe("options", HEARS, () => {
  for (const option of OPTIONS) {
    test(option.name, async () => {
      const page = await site.open();
      for (const id of option.ticks) await setTicked(page, id, true);
      await option.run(page);
      await page.close();
    });
  }
});

test("keys and caption: Enter does nothing but on a button Tab moved onto, F1 and the menu open the about box, Escape and the close box end", HEARS, async () => {
  const page = await site.open();
  const shown = (selector) => isShown(page, selector);

  // As in the Windows dialog: Enter clicks only a button that Tab moved onto, not 終了 with
  // the first focus, nor a button focused by a click.
  await page.keyboard.press("Enter");
  assert.ok(await shown("#window"), "Enter on the first focus closes nothing");
  await click(page, ID.BELL);
  await click(page, ID.BELL);
  await page.keyboard.press("Enter");
  assert.equal((await listen(page)).bell, false, "Enter on a clicked button rings nothing");
  await tabTo(page, ID.ENDLESS);
  await page.keyboard.press("Enter");
  assert.equal(await page.$eval(`[data-id="${ID.ENDLESS}"]`, (e) => e.checked), false);
  await page.keyboard.press(" ");
  assert.equal(await page.$eval(`[data-id="${ID.ENDLESS}"]`, (e) => e.checked), true);

  await page.keyboard.press("F1");
  assert.ok(await shown("#about"), "F1 opens the about box");
  assert.match(await page.$eval("#about", (e) => e.textContent), /OrvaneATS Version \d/);
  const centres = await page.evaluate(() => ["#about", "#window"].map((sel) => {
    const r = document.querySelector(sel).getBoundingClientRect();
    return [r.left + r.width / 2, r.top + r.height / 2];
  }));
  assert.ok(centres[0].every((v, i) => Math.abs(v - centres[1][i]) <= 1),
    `the about box centred over the window: ${JSON.stringify(centres)}`);
  await page.keyboard.press("Escape");
  assert.ok(!(await shown("#about")), "Escape closes the about box");
  assert.ok(await shown("#window"), "and leaves the window open");

  // The same about box from the window menu, closed with its OK button.
  await page.click("#menu-button");
  assert.equal(await page.$eval("#about-item", (e) => e.textContent.trim()),
    "OrvaneATSのﾊﾞｰｼﾞｮﾝ情報...");
  await page.click("#about-item");
  assert.ok(await shown("#about"));
  await page.click("#about-ok");
  assert.ok(!(await shown("#about")));

  const exitRect = () => page.$eval(`[data-id="${ID.EXIT}"]`,
    (e) => JSON.stringify(e.getBoundingClientRect()));
  const firstExitRect = await exitRect();
  // Escape ends the program while a sound rings: silence and the closed notice.
  await click(page, ID.BELL);
  assert.ok((await listen(page, 600)).bell);
  await page.keyboard.press("Escape");
  await sleep(300);
  assert.ok(await shown("#closed"), "the closed notice shows");
  assert.ok(!(await shown("#window")), "the window is gone");
  const closed = await listen(page);
  assert.ok(!closed.bell && !closed.chime, JSON.stringify(closed.levels));

  // A fresh window opens from the notice, laid out as the first, on the module already loaded
  // (never a newer one).
  const fetched = site.server.served.length;
  await page.click("#reopen");
  await waitReady(page);
  assert.ok(await shown("#window"), "a fresh window");
  assert.deepEqual(await exitRect(), firstExitRect, "laid out as the first window");
  assert.equal(await page.$eval(`[data-id="${ID.ENDLESS}"]`, (e) => e.checked), false);
  assert.deepEqual(site.server.served.slice(fetched).filter((r) => /orvaneats\./.test(r.path)), [],
    "no module fetched again");

  // The close box ends it too.
  await page.click("#close-box");
  await sleep(300);
  assert.ok(await shown("#closed") && !(await shown("#window")), "the close box ends the window");
  await page.close();
});

// Stands in for the Screen Wake Lock (headless Chromium grants none): records what the page asks.
function fakeWakeLock() {
  const log = [];
  Object.defineProperty(window, "__wake", { value: log });
  Object.defineProperty(navigator, "wakeLock", { value: { request: async (type) => {
    log.push(`request ${type}`);
    const lock = new EventTarget();
    lock.release = async () => { log.push("release"); };
    return lock;
  } } });
}

test("the screen stays on while Orvaneモード or フルオート runs, and not after",
  WEBDRIVER_LACKS("script before the page's own"), async () => {
  for (const [option, held] of [[ID.ENDLESS, true], [ID.FULLAUTO, true], [null, false]]) {
    const page = await site.open({ before: [fakeWakeLock] });
    if (option) await setTicked(page, option, true);
    await click(page, ID.START);
    await sleep(300);
    const during = await page.evaluate(() => [...window.__wake]);
    assert.deepEqual(during, held ? ["request screen"] : [], `during a run, option ${option}`);
    await click(page, ID.START); // Stop
    await sleep(300);
    assert.deepEqual(await page.evaluate(() => [...window.__wake]),
      held ? ["request screen", "release"] : [], `after the run, option ${option}`);
    await page.close();
  }
});
