// Accessibility: axe-core finds no violation, idle and in the alarm, and the pictures' names
// follow what they show through a cycle. axe-core runs as the driver's own script (the page's
// Content-Security-Policy, left in force, forbids a script element of its own).
import assert from "node:assert/strict";
import fs from "node:fs";
import { createRequire } from "node:module";
import { after, before, test } from "node:test";
import {
  BMP, ENGINE, ID, TABLES, attr, bitmap, click, lacks, launchBrowser, openSite, openWindow, pictureTable,
  recordBitmaps, setTicked, until, waitForBitmap,
} from "./browser.js";

// axe-core's source as a function, for evaluate() in every driver.
const AXE = new Function(fs.readFileSync(createRequire(import.meta.url).resolve("axe-core/axe.min.js"), "utf8"));

// Bitmap id -> accessible name, from the picture table the core and every edition share.
const NAMES = Object.fromEntries(Object.entries(pictureTable()).map(([id, { name }]) => [id, name]));

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

async function violations(page) {
  await page.evaluate(AXE);
  const found = await page.evaluate(async () => (await window.axe.run(document)).violations
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(" ")).join(", ")}`));
  return found;
}

test("axe-core: no violation, idle and in the alarm", async () => {
  const page = await site.open({ tap: false });
  assert.deepEqual(await violations(page), [], "idle");
  await setTicked(page, ID.IGNORESIGNAL, true);
  await click(page, ID.START);
  await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 1000);
  assert.deepEqual(await violations(page), [], "alarm");
  await page.keyboard.press("F1");
  assert.deepEqual(await violations(page), [], "about box open");
  await page.close();
});

test("the pictures' names follow what they show through a cycle", async () => {
  assert.equal(Object.keys(NAMES).length, 8, "eight pictures in the table");
  const page = await site.open();
  // Every (bitmap, alt) pair either picture shows, recorded in the page as it changes.
  const pairs = await page.evaluateHandle((ids) => {
    const seen = [];
    for (const img of ids.map((id) => document.querySelector(`img[data-id="${id}"]`))) {
      const note = () => seen.push([Number(img.dataset.bitmap), img.alt]);
      note();
      new MutationObserver(note).observe(img, { attributes: true,
        attributeFilter: ["data-bitmap", "alt"] });
    }
    return seen;
  }, [ID.SIGNAL, ID.PANEL]);
  const signal = await recordBitmaps(page, ID.SIGNAL);
  await click(page, ID.START);
  await until(async () => await bitmap(page, ID.SIGNAL) !== BMP.STOP, 2000, "a permissive aspect");
  await click(page, ID.START);  // Stop: the signal back to stop
  await waitForBitmap(page, ID.SIGNAL, BMP.STOP);
  await setTicked(page, ID.IGNORESIGNAL, true);
  await click(page, ID.START);
  const panel = await recordBitmaps(page, ID.PANEL);
  await waitForBitmap(page, ID.PANEL, BMP.DARK, 3000);
  await click(page, ID.CONFIRM);
  await waitForBitmap(page, ID.PANEL, BMP.NORMAL);

  const shown = await pairs.jsonValue();
  const wrong = shown.filter(([bitmap, alt]) => NAMES[bitmap] !== alt);
  assert.deepEqual(wrong, [], "every picture named for what it shows");
  const bitmaps = new Set(shown.map(([bitmap]) => bitmap));
  for (const b of [BMP.NORMAL, BMP.DARK, BMP.ALARM, BMP.STOP]) assert.ok(bitmaps.has(b), `saw ${b}`);
  assert.ok((await signal.read()).some((b) => b > BMP.STOP), "a permissive aspect was shown");
  assert.ok((await panel.read()).includes(BMP.ALARM));
  assert.equal(await attr(page, ID.SIGNAL, "alt"), NAMES[BMP.STOP]);
  await page.close();
});

test("a polite live region says the aspects and the alarm on and off, not the blinks", async () => {
  const page = await site.open();
  const region = await page.$eval("#announce", (e) => ({ live: e.getAttribute("aria-live"),
    display: getComputedStyle(e).display }));
  assert.deepEqual(region, { live: "polite", display: "block" }, "present from the start");
  const said = await page.evaluateHandle(() => {
    const lines = [];
    const e = document.querySelector("#announce");
    new MutationObserver(() => lines.push(e.textContent)).observe(e, { childList: true });
    return lines;
  });
  await setTicked(page, ID.IGNORESIGNAL, true);
  await click(page, ID.START);
  const panel = await recordBitmaps(page, ID.PANEL);
  await waitForBitmap(page, ID.PANEL, BMP.DARK, 3000);
  await waitForBitmap(page, ID.PANEL, BMP.ALARM, 3000);
  await click(page, ID.CONFIRM);
  await waitForBitmap(page, ID.PANEL, BMP.NORMAL);
  await setTicked(page, ID.IGNORESIGNAL, false);
  await click(page, ID.START); // Stop
  await click(page, ID.START);
  await until(async () => await bitmap(page, ID.SIGNAL) !== BMP.STOP, 2000, "a permissive aspect");
  const lines = await said.jsonValue();
  assert.ok((await panel.read()).length >= 3, "the lamp blinked");
  assert.deepEqual(lines.slice(0, 2), [TABLES.texts.alarmOn, TABLES.texts.alarmOff], JSON.stringify(lines));
  assert.equal(lines.at(-1), NAMES[await bitmap(page, ID.SIGNAL)], "the aspect shown, in words");
  await page.close();
});

// Forced colours: emulated over the DevTools protocol in Chromium; Firefox forces them by its
// own preference (colours "always" the system's), in a browser of its own.
test("in forced colours the caption bar's glyphs are drawn in the system's colours",
  { skip: lacks({ webkit: "WebKitGTK has no forced colours mode, and WebDriver emulates none" }) },
  async () => {
    const browser = ENGINE === "firefox"
      ? await launchBrowser([], ENGINE, { prefs: { "browser.display.document_color_use": 2 } })
      : site.browser;
    const page = await openWindow(browser, site.origin, { tap: false });
    if (ENGINE === "chromium") {
      await (await page.createCDPSession()).send("Emulation.setEmulatedMedia",
        { features: [{ name: "forced-colors", value: "active" }] });
    }
    assert.ok(await page.evaluate(() => matchMedia("(forced-colors: active)").matches), "forced colours");
    const glyphs = await page.evaluate(() => [
      getComputedStyle(document.querySelector("#close-box"), "::before").backgroundColor,
      getComputedStyle(document.querySelector("#menu-button"), "::after").borderTopColor,
      getComputedStyle(document.querySelector("#close-box")).color,
    ]);
    assert.ok(glyphs.slice(0, 2).every((c) => c === glyphs[2]), `ButtonText: ${glyphs}`);
    await page.close();
    if (browser !== site.browser) await browser.close();
  });
