// Privacy: through a whole cycle, the sound buttons and the about box, every request of the
// page goes to its own origin, the service worker keeps only the origin's files, and nothing
// else is stored.
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import {
  BMP, ID, WEBDRIVER_LACKS, click, openSite, setTicked, sleep, waitForBitmap,
} from "./browser.js";

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

test("no request leaves the origin, no storage written", WEBDRIVER_LACKS("request log"), async () => {
  const page = await site.browser.newPage();
  const requests = [];
  page.on("request", (r) => requests.push(r.url()));
  await page.goto(`${site.origin}/`);
  await page.waitForFunction(() => document.documentElement.dataset.ready === "1");
  await click(page, ID.BELL);
  await click(page, ID.CHIME);
  await click(page, ID.BELL);
  await click(page, ID.CHIME);
  await setTicked(page, ID.IGNORESIGNAL, true);
  await click(page, ID.START);
  await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 1000);
  await click(page, ID.CONFIRM);
  await click(page, ID.SUSTAIN);
  await page.keyboard.press("F1");
  await page.keyboard.press("Escape");
  await page.evaluate(() => navigator.serviceWorker.ready.then(() => {}));
  await sleep(1000);

  const cached = await page.evaluate(async () => {
    const urls = [];
    for (const name of await caches.keys()) {
      for (const request of await (await caches.open(name)).keys()) urls.push(request.url);
    }
    return urls;
  });
  assert.ok(requests.length > 0 && cached.length > 0, "the page fetched and its worker cached");
  // The pictures the page draws itself are blobs of its own origin.
  const foreign = [...requests, ...cached].filter((url) => !url.startsWith(`${site.origin}/`)
    && !url.startsWith(`blob:${site.origin}/`));
  assert.deepEqual(foreign, [], "requests to other origins");
  const stored = await page.evaluate(async () => ({
    local: localStorage.length, session: sessionStorage.length, cookie: document.cookie,
    databases: (await indexedDB.databases()).map((d) => d.name),
  }));
  assert.deepEqual(stored, { local: 0, session: 0, cookie: "", databases: [] });
  assert.deepEqual(await page.cookies(), []);
  await page.close();
});
