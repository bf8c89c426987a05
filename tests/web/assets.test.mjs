// The sounds and pictures the page makes from what the site holds are those of res/, in this
// engine: the waves its recipe makes are the wave files byte for byte, and each 3x rendering it
// makes (a lossless WebP, or a rectangle of one over another) has the pixels of its PNG.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, before, test } from "node:test";
import { ROOT, TABLES, openSite } from "./browser.js";

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

const res = (name) => fs.readFileSync(path.join(ROOT, "res", name)).toString("base64");

// In the page: whether a 3x rendering as the page makes it from the site's files (pictures.js)
// has the RGB of a PNG given in base64, decoded as the page decodes pictures.
async function samePixels(stem, png) {
  const { storedPixels } = await import("./pictures.js");
  const made = await storedPixels(stem, 3);
  const bitmap = await createImageBitmap(new Blob([Uint8Array.from(atob(png), (c) => c.charCodeAt(0))]),
    { colorSpaceConversion: "none", premultiplyAlpha: "none" });
  const canvas = document.createElement("canvas");
  [canvas.width, canvas.height] = [bitmap.width, bitmap.height];
  const g = canvas.getContext("2d", { willReadFrequently: true });
  g.drawImage(bitmap, 0, 0);
  const want = g.getImageData(0, 0, bitmap.width, bitmap.height).data;
  const differing = made.data.filter((v, i) => i % 4 !== 3 && v !== want[i]).length;
  return { size: [made.width, made.height], want: [bitmap.width, bitmap.height], differing };
}

test("the page's waves are res/'s wave files, its 3x pictures res/'s renderings", async () => {
  const page = await site.open();
  const { bellWave, chimeWave, brakeWave } = TABLES.texts;
  for (const name of [bellWave, chimeWave, brakeWave]) {
    const made = await page.evaluate(async (wave) => {
      const bytes = new Uint8Array((await import("./waves.js")).makeWave(wave));
      return btoa(Array.from(bytes, (b) => String.fromCharCode(b)).join(""));
    }, name);
    assert.ok(made === res(name), `${name}: the page's wave differs from res/${name}`);
  }
  for (const { stem } of TABLES.pictures) {
    const same = await page.evaluate(samePixels, stem, res(`${stem}_3x.png`));
    assert.deepEqual(same, { size: same.want, want: same.want, differing: 0 }, stem);
  }
  await page.close();
});
