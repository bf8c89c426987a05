// What the page adds around the cycle (the scenarios every edition runs are in
// scenarios.test.mjs): its keys, the about box, the closed notice and the screen wake lock.
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import {
  HEARS, ID, TABLES, click, isShown, listen, openSite, setTicked, sleep, waitReady, WEBDRIVER_LACKS,
} from "./browser.js";

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
    TABLES.texts.aboutItem.replace(/\(&.\)/, ""));  // a menu of the page has no mnemonics
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
