// The page's sound, heard on its audio output: the tap that the scenarios hear by tells the bell
// from the chime, and a click made before the waves exist is answered, then rings.
import assert from "node:assert/strict";
import path from "node:path";
import { after, before, test } from "node:test";
import {
  BMP, HEARS, ID, ROOT, TABLES, caption, click, launchBrowser, listen, openSite, openTappedPage, serveSite,
  setTicked, until, waitForBitmap, WEBDRIVER_LACKS,
} from "./browser.js";

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

// The tap's verdicts on the waves as they are (res/), played as the page plays them: each
// sound heard in its own bands only, so a verdict above cannot come from the other sound.
test("the tap tells the bell from the chime in the real waves", HEARS, async () => {
  const waves = await serveSite(path.join(ROOT, "res"));
  const browser = await launchBrowser();
  try {
    for (const [files, bell, chime] of [
      [[], false, false],
      [["atsbell.wav"], true, false],
      [["atschime.wav"], false, true],
      [["atsbell.wav", "atschime.wav"], true, true],
    ]) {
      const page = await openTappedPage(browser, waves.origin);
      await page.evaluate(async (names) => {
        const context = new AudioContext();
        const gain = new GainNode(context);
        gain.connect(context.destination);
        for (const name of names) {
          const data = await (await fetch(name)).arrayBuffer();
          const source = new AudioBufferSourceNode(context,
            { buffer: await context.decodeAudioData(data), loop: true });
          source.connect(gain);
          source.start();
        }
      }, files);
      const heard = await listen(page, 1600);
      assert.deepEqual({ bell: heard.bell, chime: heard.chime }, { bell, chime },
        `${files.join(" + ") || "nothing"}: ${JSON.stringify(heard.levels)}`);
      await page.close();
    }
  } finally {
    await browser.close();
    await waves.close();
  }
});

// Runs before the page's scripts: the waves' worker gets its work only once
// window.__orvaneMakeWaves() is called, as when waves.js comes late on a slow link.
function holdWaves() {
  let release;
  const held = new Promise((resolve) => { release = resolve; });
  window.__orvaneMakeWaves = release;
  const post = Worker.prototype.postMessage;
  Worker.prototype.postMessage = function (...message) {
    held.then(() => post.apply(this, message));
  };
}

test("a click before the waves are made: the window answers at once, the bell follows them", WEBDRIVER_LACKS("script before the page's own"), async () => {
  const page = await site.open({ before: [holdWaves] });
  const status = () => page.$eval("#sound-status", (e) => e.textContent);
  await setTicked(page, ID.IGNORESIGNAL, true);
  await click(page, ID.START);
  assert.equal(await caption(page, ID.START), TABLES.texts.stop);
  await waitForBitmap(page, ID.PANEL, [BMP.ALARM, BMP.DARK], 1000);
  // The context may take a moment to run after the click (the tap hint shows meanwhile).
  await until(async () => await status() === "音を読み込み中…", 3000, "the loading line");
  let heard = await listen(page);
  assert.ok(!heard.bell && !heard.chime, `silent while the waves are made: ${JSON.stringify(heard.levels)}`);
  await page.evaluate(() => window.__orvaneMakeWaves());
  await until(async () => await status() === "", 5000, "the waves made");  // in a worker
  heard = await listen(page);
  assert.ok(heard.bell && heard.chime, `the bell and the chime once they are there: ${JSON.stringify(heard.levels)}`);
  await page.close();
});

