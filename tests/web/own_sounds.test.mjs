// A user's own sound from the ▾ menu: heard in place of the built-in bell, kept for the next
// visit, gone with 「元の音に戻す」; a file that is no sound leaves the old one, with one line.
import assert from "node:assert/strict";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { after, before, test } from "node:test";
import { HEARS, ID, click, listen, openSite, sleep } from "./browser.js";

let site;
let dir;
before(async () => {
  site = await openSite();
  dir = fs.mkdtempSync(path.join(os.tmpdir(), "orvane-own-"));
});
after(async () => {
  await site?.close();
  fs.rmSync(dir, { recursive: true, force: true });
});

// A 16-bit mono wave at 22050 Hz: a 420 Hz tone, which lies in the listener's quietLow band,
// far from the bell's 1180 Hz.
function toneWave(seconds = 1) {
  const n = Math.round(22050 * seconds);
  const bytes = Buffer.alloc(44 + n * 2);
  bytes.write("RIFF", 0); bytes.writeUInt32LE(36 + n * 2, 4); bytes.write("WAVEfmt ", 8);
  bytes.writeUInt32LE(16, 16); bytes.writeUInt16LE(1, 20); bytes.writeUInt16LE(1, 22);
  bytes.writeUInt32LE(22050, 24); bytes.writeUInt32LE(44100, 28); bytes.writeUInt16LE(2, 32);
  bytes.writeUInt16LE(16, 34); bytes.write("data", 36); bytes.writeUInt32LE(n * 2, 40);
  for (let i = 0; i < n; i++) bytes.writeInt16LE(Math.round(16000 * Math.sin(2 * Math.PI * 420 * i / 22050)), 44 + 2 * i);
  return bytes;
}

async function choose(page, item, name, bytes) {
  const file = path.join(dir, name);
  fs.writeFileSync(file, bytes);
  await page.click("#menu-button");
  const [chooser] = await Promise.all([page.waitForFileChooser(), page.click(item)]);
  await chooser.accept([file]);
  await sleep(500);
  return page.$eval("#sound-status", (e) => e.textContent);
}

async function bellHeard(page) {
  await click(page, ID.BELL);
  // Long enough for the first sound of a page, which some engines' audio starts late.
  const heard = await listen(page, 1200, 400);
  await click(page, ID.BELL);
  return { bell: heard.bell, tone: heard.levels.quietLow - heard.levels.quietMid >= 30, heard };
}

const BUILT_IN = { bell: true, tone: false };
const OWN = { bell: false, tone: true };
const pick = ({ bell, tone }) => ({ bell, tone });

test("own sounds: bad files leave the built-in bell with one line; a good one is heard and kept", HEARS, async () => {
  const page = await site.open();
  const good = toneWave();
  const bad = [
    ["empty.wav", Buffer.alloc(0), /空/],
    ["cut.wav", good.subarray(0, 30), /音として読めません/],
    ["text.mp3", Buffer.from("not a sound at all\n".repeat(100)), /音として読めません/],
    ["large.wav", Buffer.concat([good, Buffer.alloc(10 * 1024 * 1024)]), /10 MB/],
  ];
  for (const [name, bytes, line] of bad) {
    assert.match(await choose(page, "#own-bell-item", name, bytes), line, name);
    assert.match(await page.$eval("#sound-status", (e) => e.textContent), /元の音のままです/, name);
    assert.deepEqual(pick(await bellHeard(page)), BUILT_IN, `${name}: the old bell stays`);
  }
  assert.equal(await choose(page, "#own-bell-item", "tone.wav", good), "", "a good file");
  assert.deepEqual(pick(await bellHeard(page)), OWN, "the own bell from the bell button");

  const again = await site.open(); // the next visit, from what the page kept
  await sleep(1000);
  assert.deepEqual(pick(await bellHeard(again)), OWN, "kept for the next visit");
  await again.click("#menu-button");
  await again.click("#built-in-item");
  await sleep(300);
  assert.deepEqual(pick(await bellHeard(again)), BUILT_IN, "back to the built-in bell");
});
