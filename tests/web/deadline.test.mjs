// The confirm deadline from the ▾ menu: unconfirmed for 5 s, the emergency brake's burst of air
// joins the bell and the live region says so; a late confirm still confirms.
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import { BMP, HEARS, ID, TABLES, bitmap, click, listen, openSite, setTicked, sleep, until } from "./browser.js";

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

const DEADLINE_MS = 5000;

test("the confirm deadline: the brake sounds beside the bell after 5 s, confirm still confirms", HEARS, async () => {
  const page = await site.open();
  const item = () => page.$eval("#deadline-item", (e) => e.getAttribute("aria-checked"));
  assert.equal(await item(), "false", "off when the window opens");
  await page.click("#menu-button");
  await page.click("#deadline-item");
  assert.equal(await item(), "true");
  assert.match(await page.$eval("#deadline-item", (e) => e.textContent), new RegExp(TABLES.texts.deadlineItem.replace(/[()]/g, "\\$&")));

  await setTicked(page, ID.IGNORESIGNAL, true);
  await click(page, ID.START);
  await until(async () => await bitmap(page, ID.PANEL) !== BMP.NORMAL, 2000, "the alarm");
  const before = await listen(page, 1000);
  assert.ok(before.bell, `the bell before the deadline ${JSON.stringify(before.levels)}`);
  await until(async () => await page.$eval("#announce", (e) => e.textContent)
    === TABLES.texts.emergencyBrake, DEADLINE_MS + 2000, "非常ブレーキ announced");
  // Broadband air: the quiet bands between the bell's and chime's partials rise far (about
  // 20 dB in its first 300 ms), while the bell's own band keeps its level. Each band is set
  // against itself: a recorded sink (WebKit) leaks the bell into one of them.
  const risen = ({ levels }) => Math.max(levels.quietLow - before.levels.quietLow,
    levels.quietMid - before.levels.quietMid) >= 12;
  const braking = await listen(page, 300, 50, (heard) => !risen(heard));
  assert.ok(risen(braking),
    `the brake heard: ${JSON.stringify(before.levels)} -> ${JSON.stringify(braking.levels)}`);
  assert.ok(Math.abs(braking.levels.bell - before.levels.bell) <= 6, "the brake cuts not the bell");

  await click(page, ID.CONFIRM);
  assert.equal(await bitmap(page, ID.PANEL), BMP.NORMAL, "a late confirm still confirms");
  await sleep(2500);  // the burst has died away
  const after = await listen(page);
  assert.ok(!after.bell && after.chime, `confirmed: the chime alone ${JSON.stringify(after.levels)}`);
});
