// Privacy: through a whole cycle, the sound buttons and the about box, no request leaves the
// page's origin (the page's own requests and its service worker's), and nothing is stored
// beyond the service worker's cache.
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import { BMP, ID, click, openSite, setTicked, sleep, waitForBitmap } from "./browser.js";

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

test("no request leaves the origin, no storage written", async () => {
  const requests = [];
  // The service worker's own fetches, from the moment it starts.
  site.browser.on("targetcreated", async (target) => {
    if (target.type() !== "service_worker") return;
    const session = await target.createCDPSession();
    session.on("Network.requestWillBeSent", (e) => requests.push(e.request.url));
    await session.send("Network.enable").catch(() => {});
    await session.send("Runtime.runIfWaitingForDebugger").catch(() => {});
  });
  const page = await site.browser.newPage();
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
  await sleep(500);

  assert.ok(requests.length > 0, "requests were seen");
  const foreign = requests.filter((url) => !url.startsWith(`${site.origin}/`));
  assert.deepEqual(foreign, [], "requests to other origins");
  const stored = await page.evaluate(async () => ({
    local: localStorage.length, session: sessionStorage.length, cookie: document.cookie,
    databases: (await indexedDB.databases()).map((d) => d.name),
  }));
  assert.deepEqual(stored, { local: 0, session: 0, cookie: "", databases: [] });
  assert.deepEqual(await page.cookies(), []);
  await page.close();
});
