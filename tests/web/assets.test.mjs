// The sounds and pictures the page makes from what the site holds are those of res/, in this
// engine: the waves its recipe makes are the wave files byte for byte, and each 3x rendering
// (lossless WebP) decodes to the pixels of its PNG.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, before, test } from "node:test";
import { ROOT, TABLES, openSite } from "./browser.js";

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

const res = (name) => fs.readFileSync(path.join(ROOT, "res", name)).toString("base64");

// In the page: whether a picture file of the site decodes to the same RGB as a PNG given in
// base64, both as the page decodes them (createImageBitmap, no colour conversion).
async function samePixels(file, png) {
  const rgbOf = async (blob) => {
    const bitmap = await createImageBitmap(blob, { colorSpaceConversion: "none", premultiplyAlpha: "none" });
    const canvas = document.createElement("canvas");
    [canvas.width, canvas.height] = [bitmap.width, bitmap.height];
    const g = canvas.getContext("2d", { willReadFrequently: true });
    g.drawImage(bitmap, 0, 0);
    const rgba = g.getImageData(0, 0, bitmap.width, bitmap.height).data;
    return { size: [bitmap.width, bitmap.height], rgb: rgba.filter((_, i) => i % 4 !== 3) };
  };
  const [site, want] = await Promise.all([rgbOf(await (await fetch(file)).blob()),
    rgbOf(new Blob([Uint8Array.from(atob(png), (c) => c.charCodeAt(0))]))]);
  return { size: site.size, want: want.size, differing: site.rgb.filter((v, i) => v !== want.rgb[i]).length };
}

test("the page's waves are res/'s wave files, its 3x pictures res/'s renderings", async () => {
  const page = await site.open();
  const { bellWave, chimeWave } = TABLES.texts;
  for (const name of [bellWave, chimeWave]) {
    const made = await page.evaluate(async (wave) => {
      const bytes = new Uint8Array((await import("./waves.js")).makeWave(wave));
      return btoa(Array.from(bytes, (b) => String.fromCharCode(b)).join(""));
    }, name);
    assert.ok(made === res(name), `${name}: the page's wave differs from res/${name}`);
  }
  for (const { stem } of TABLES.pictures) {
    const same = await page.evaluate(samePixels, `pictures/${stem}_3x.webp`, res(`${stem}_3x.png`));
    assert.deepEqual(same, { size: same.want, want: same.want, differing: 0 }, stem);
  }
  await page.close();
});
