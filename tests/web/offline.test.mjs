// Offline: after one visit the service worker serves the whole site; with the server gone and
// the network cut, the window opens again and rings.
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import { BMP, ID, click, listen, openSite, setTicked, waitForBitmap, waitReady } from "./browser.js";

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

test("a second visit without network shows the window and rings", async () => {
  const page = await site.open();
  await page.evaluate(() => Promise.race([navigator.serviceWorker.ready,
    new Promise((resolve) => setTimeout(resolve, 5000))]));
  if (!(await page.evaluate(() => Boolean(navigator.serviceWorker.controller)))) {
    await page.reload();
    await waitReady(page);
  }
  assert.ok(await page.evaluate(() => Boolean(navigator.serviceWorker.controller)),
    "the service worker controls the page");

  await site.server.close();
  await page.setOfflineMode(true);
  await page.reload();
  await waitReady(page);
  await setTicked(page, ID.IGNORESIGNAL, true);
  await click(page, ID.START);
  await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 1000);
  const heard = await listen(page);
  assert.ok(heard.bell, `the bell rings offline: ${JSON.stringify(heard.levels)}`);
  await page.close();
});
