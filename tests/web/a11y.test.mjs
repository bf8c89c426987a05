// Accessibility: axe-core finds no violation, idle and in the alarm, and the pictures' names
// follow what they show through a cycle. The page's Content-Security-Policy forbids injected
// scripts, so this file alone lets puppeteer bypass it (page.setBypassCSP) to run axe-core.
import assert from "node:assert/strict";
import fs from "node:fs";
import { createRequire } from "node:module";
import path from "node:path";
import { after, before, test } from "node:test";
import {
  BMP, ID, ROOT, click, openSite, recordBitmaps, setTicked, waitForBitmap,
} from "./browser.js";

const AXE = createRequire(import.meta.url).resolve("axe-core/axe.min.js");

// Bitmap id -> accessible name, from the picture table the core and every edition share.
const ids = Object.fromEntries([...fs.readFileSync(path.join(ROOT, "alarm/alarm_ids.h"), "utf8")
  .matchAll(/^#define (IDB_\w+) (\d+)$/gm)].map(([, name, id]) => [name, Number(id)]));
const NAMES = Object.fromEntries([...fs.readFileSync(path.join(ROOT, "alarm/picture_table.h"), "utf8")
  .matchAll(/\{(IDB_\w+), "\w+", "([^"]+)"\}/g)].map(([, name, text]) => [ids[name], text]));

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

async function violations(page) {
  await page.addScriptTag({ path: AXE });
  const found = await page.evaluate(async () => (await window.axe.run(document)).violations
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(" ")).join(", ")}`));
  return found;
}

test("axe-core: no violation, idle and in the alarm", async () => {
  const page = await site.browser.newPage();
  await page.setBypassCSP(true);
  await page.goto(`${site.origin}/`);
  await page.waitForFunction(() => document.documentElement.dataset.ready === "1");
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
  const pairs = await page.evaluateHandle(() => {
    const seen = [];
    for (const img of document.querySelectorAll('img[data-id="1006"], img[data-id="1007"]')) {
      const note = () => seen.push([Number(img.dataset.bitmap), img.alt]);
      note();
      new MutationObserver(note).observe(img, { attributes: true,
        attributeFilter: ["data-bitmap", "alt"] });
    }
    return seen;
  });
  const signal = await recordBitmaps(page, ID.SIGNAL);
  await click(page, ID.START);
  await page.waitForFunction(() => document.querySelector('[data-id="1006"]').dataset.bitmap !== "132",
    { timeout: 2000, polling: 20 });
  await click(page, ID.START);  // Stop: the signal back to stop
  await waitForBitmap(page, ID.SIGNAL, BMP.STOP);
  await setTicked(page, ID.IGNORESIGNAL, true);
  await click(page, ID.START);
  const panel = await recordBitmaps(page, ID.PANEL);
  await page.waitForFunction(() => document.querySelector('[data-id="1007"]').dataset.bitmap === "130",
    { timeout: 3000, polling: 20 });
  await click(page, ID.CONFIRM);
  await waitForBitmap(page, ID.PANEL, BMP.NORMAL);

  const shown = await pairs.jsonValue();
  const wrong = shown.filter(([bitmap, alt]) => NAMES[bitmap] !== alt);
  assert.deepEqual(wrong, [], "every picture named for what it shows");
  const bitmaps = new Set(shown.map(([bitmap]) => bitmap));
  for (const b of [BMP.NORMAL, BMP.DARK, BMP.ALARM, BMP.STOP]) assert.ok(bitmaps.has(b), `saw ${b}`);
  assert.ok((await signal.read()).some((b) => b > BMP.STOP), "a permissive aspect was shown");
  assert.ok((await panel.read()).includes(BMP.ALARM));
  assert.equal(await page.$eval('[data-id="1006"]', (e) => e.alt), "信号: 停止");
  await page.close();
});
