// Offline: after one visit the service worker serves the whole site; with the server gone and
// the network cut, the window opens again with every picture and rings. Updates: a new version waits.
import assert from "node:assert/strict";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { after, before, test } from "node:test";
import {
  BMP, ENGINE, ID, SITE_DIR, WEBDRIVER_LACKS, click, listen, openSite, openWindow, serveSite,
  setTicked, until, waitForBitmap, waitReady,
} from "./browser.js";

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

test("a second visit without network shows the window and rings",
  WEBDRIVER_LACKS("offline mode, no console messages"), async () => {
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
  // Firefox's emulated offline fails even the navigation its service worker would answer
  // (NS_ERROR_OFFLINE): there the server gone is the cut.
  if (ENGINE !== "firefox") await page.setOfflineMode(true);
  // Only the service worker's copy: none from the browser's own cache (emptied in Chromium,
  // bypassed in Firefox, whose BiDi empties none).
  if (ENGINE === "chromium") await (await page.createCDPSession()).send("Network.clearBrowserCache");
  else await page.setCacheEnabled(false);
  // A picture that cannot be had says so on the console.
  const failed = [];
  page.on("console", (m) => { if (/orvaneats/.test(m.text())) failed.push(m.text()); });
  await page.reload();
  await waitReady(page);
  await setTicked(page, ID.IGNORESIGNAL, true);
  await click(page, ID.START);
  await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 1000);
  // The reloaded page's audio may take a moment to run after the click under load.
  await until(() => page.evaluate(() => [...window.__orvaneTap.analysers.keys()]
    .some((context) => context.state === "running")), 3000, "the page's audio runs");
  const heard = await listen(page, 1000, 250, (h) => !h.bell);
  assert.ok(heard.bell, `the bell rings offline: ${JSON.stringify(heard.levels)}`);
  assert.deepEqual(failed, [], "every picture offline");
  await page.close();
});

// A rebuilt site on the same host: the open page runs on until the user takes the new version
// from 「新しい版があります」; then only this site's old cache goes, another app's stays.
test("a new version waits for the user, then replaces only this site's cache", async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "orvane-site-"));
  fs.cpSync(SITE_DIR, dir, { recursive: true });
  const server = await serveSite(dir);
  try {
    const page = await openWindow(site.browser, server.origin);
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.reload();
    await waitReady(page);
    const cachesNow = () => page.evaluate(async () => (await caches.keys()).sort());
    await page.evaluate(() => caches.open("another app").then((c) => c.put("x", new Response("x"))));
    const [ours] = (await cachesNow()).filter((key) => key.startsWith("orvaneats "));
    assert.ok(ours.includes(server.origin), `the cache named by its scope: ${ours}`);

    // The rebuild: one file changed, and with it the worker's revision.
    fs.appendFileSync(path.join(dir, "app.css"), "\n/* rebuilt */\n");
    const worker = path.join(dir, "sw.js");
    fs.writeFileSync(worker, fs.readFileSync(worker, "utf8")
      .replace(/const REVISION = "(\w+)"/, 'const REVISION = "$1-2"'));
    // A rebuild comes later than the visit: dated within the same second, the server (like
    // python's http.server) would answer the worker's update check with 304 Not Modified.
    const later = new Date(Date.now() + 2000);
    for (const file of [worker, path.join(dir, "app.css")]) fs.utimesSync(file, later, later);
    await page.reload();
    await waitReady(page);
    await page.waitForSelector("#update:not([hidden])", { timeout: 15000 });
    assert.ok((await cachesNow()).includes(ours), "the running version's cache stays meanwhile");
    await Promise.all([page.waitForNavigation(), page.click("#update-button")]);
    await waitReady(page);
    const after = await cachesNow();
    assert.equal(after.length, 2, `another app's cache and the new one: ${after}`);
    assert.ok(after.includes("another app") && !after.includes(ours));
    assert.ok(await page.$eval("#update", (e) => e.hidden), "no offer after the update");
    await page.close();
  } finally {
    await server.close();
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
