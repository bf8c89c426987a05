// The window's layout against the dialog template every edition is built from: the
// rectangles in dialog units as the module hands them over, brought to pixels here at
// Windows' base units, pictures at their bitmap files' size, the tab order, the first focus,
// and the fit on a phone.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, before, test } from "node:test";
import { ENGINE, ID, ROOT, TABLES, WEBDRIVER_LACKS, openSite, pictureTable } from "./browser.js";

const KINDS = { button: "PushButton", checkbox: "CheckBox", picture: "Picture" };

// The controls in template order: id, kind and rectangle in pixels at 96 DPI, as the core
// rounds the template's dialog units on Windows' base units.
function templateControls() {
  assert.equal(TABLES.controls.length, 12, "twelve controls in the module's table");
  return TABLES.controls.map(({ id, kind, rect }) => ({ id, kind: KINDS[kind], rect }));
}

// The 1x bitmap size of each picture, from the BMP headers of the files the table names.
function bitmapSizes() {
  return Object.fromEntries(Object.entries(pictureTable()).map(([id, { stem }]) => {
    const bmp = fs.readFileSync(path.join(ROOT, "res", `${stem}.bmp`));
    return [id, [bmp.readInt32LE(18), Math.abs(bmp.readInt32LE(22))]];
  }));
}

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

const rectOf = (page, selector) => page.$eval(selector, (e) => {
  const c = document.querySelector("#client").getBoundingClientRect();
  const r = e.getBoundingClientRect();
  return [r.left - c.left, r.top - c.top, r.width, r.height];
});

test("every control where its dialog units put it; pictures at their bitmap's size", async () => {
  const page = await site.open();
  const client = await rectOf(page, "#client");
  assert.deepEqual(client.slice(2), TABLES.rects.main.rect.slice(2));
  const sizes = bitmapSizes();
  for (const { id, kind, rect } of templateControls()) {
    const expected = [...rect];
    if (kind === "Picture") {
      const shown = await page.$eval(`[data-id="${id}"]`, (e) => e.dataset.bitmap);
      expected.splice(2, 2, ...sizes[shown]);
    }
    const got = (await rectOf(page, `[data-id="${id}"]`)).map((v) => Math.round(v * 100) / 100);
    // A checkbox's rectangle is its label's, the box and text together.
    const box = kind === "CheckBox"
      ? (await rectOf(page, `label:has([data-id="${id}"])`)).map((v) => Math.round(v * 100) / 100)
      : got;
    assert.deepEqual(box, expected, `control ${id} (${kind})`);
  }
  // For a person to look at: the window as this engine draws it.
  await page.screenshot({ path: path.join(ROOT, "build/web", `screenshot-${ENGINE}-desktop.png`) });
  await page.close();
});

test("first focus on 終了; Tab walks the template's order, skipping the pictures", async () => {
  const page = await site.open();
  const focused = () => page.evaluate(() => document.activeElement?.dataset.id ?? null);
  const order = templateControls().filter((c) => c.kind !== "Picture").map((c) => String(c.id));
  assert.equal(await focused(), String(ID.EXIT));
  const walked = [await focused()];
  for (let i = 1; i < order.length; i++) {
    await page.keyboard.press("Tab");
    walked.push(await focused());
  }
  assert.deepEqual(walked, order);
  await page.keyboard.down("Shift");
  await page.keyboard.press("Tab");
  await page.keyboard.up("Shift");
  assert.equal(await focused(), order.at(-2), "Shift+Tab goes back");
  await page.close();
});

// How far (mean difference per channel) the shown picture lies from its 3x rendering and from
// its 1x bitmap, each drawn by the browser at the shown picture's natural size.
function distances(img, stem) {
  const draw = (source) => {
    const canvas = document.createElement("canvas");
    [canvas.width, canvas.height] = [img.naturalWidth, img.naturalHeight];
    const g = canvas.getContext("2d");
    g.imageSmoothingQuality = "high";
    g.drawImage(source, 0, 0, canvas.width, canvas.height);
    return g.getImageData(0, 0, canvas.width, canvas.height).data;
  };
  const load = (src) => new Promise((resolve, reject) => {
    const image = new Image();
    image.onload = () => resolve(image);
    image.onerror = reject;
    image.src = src;
  });
  return Promise.all([load(`pictures/${stem}_3x.webp`), load(`pictures/${stem}.png`)])
    .then(([large, small]) => {
      const shown = draw(img);
      const mean = (other) => {
        let sum = 0;
        for (let i = 0; i < shown.length; i++) if (i % 4 !== 3) sum += Math.abs(shown[i] - other[i]);
        return sum / (shown.length * 0.75);
      };
      return { from3x: mean(draw(large)), from1x: mean(draw(small)) };
    });
}

test("on a 360 x 640 phone at 3x: the window fits without scrolling, pictures from the 3x renderings",
  WEBDRIVER_LACKS("device pixel ratio"), async () => {
  const page = await site.open({ viewport: [360, 640], scale: 3 });
  const fit = await page.evaluate(() => {
    const s = document.scrollingElement;
    const w = document.querySelector("#window");
    const r = w.getBoundingClientRect();
    return { scrollWidth: s.scrollWidth, scrollHeight: s.scrollHeight, innerWidth,
      innerHeight, right: r.right, bottom: r.bottom, left: r.left, top: r.top,
      scale: r.width / w.offsetWidth };
  });
  assert.ok(fit.scrollWidth <= fit.innerWidth && fit.scrollHeight <= fit.innerHeight,
    `no scrolling: ${JSON.stringify(fit)}`);
  assert.ok(fit.left >= 0 && fit.top >= 0 && fit.right <= fit.innerWidth
    && fit.bottom <= fit.innerHeight, `the window on screen: ${JSON.stringify(fit)}`);
  // The pictures are made for the device pixels they cover: 3 per CSS pixel of their size on
  // the screen (the window's scale, or the touch layout's size for them).
  const pictures = pictureTable();
  for (const id of [ID.PANEL, ID.SIGNAL]) {
    const img = await page.$eval(`[data-id="${id}"]`, (e) => ({
      scale: e.dataset.scale, bitmap: e.dataset.bitmap, complete: e.complete,
      natural: [e.naturalWidth, e.naturalHeight],
      covers: [e.getBoundingClientRect().width * 3, e.getBoundingClientRect().height * 3] }));
    assert.equal(img.scale, "3", `picture ${id} from the 3x rendering`);
    assert.ok(img.complete);
    assert.ok(img.natural.every((v, i) => Math.abs(v - img.covers[i]) <= 3),
      `picture ${id} made for the device pixels it covers: ${JSON.stringify(img)}`);
    const far = await page.$eval(`[data-id="${id}"]`, distances, pictures[img.bitmap].stem);
    assert.ok(far.from3x < far.from1x / 2, `picture ${id} drawn from the 3x rendering: ${JSON.stringify(far)}`);
  }
  await page.close();
});

test("the site's own font draws every caption, and each fits its box on one line", async () => {
  const page = await site.open();
  const fits = await page.evaluate(() => ({
    font: document.fonts.check('12px "Orvane P Gothic"', "開始フルオート(一連の動作を自動化)"),
    loaded: [...document.fonts].filter((f) => f.status === "loaded").map((f) => f.family),
    over: [...document.querySelectorAll("#client > button, #client > label")]
      .filter((e) => e.scrollWidth > e.clientWidth || e.scrollHeight > e.clientHeight)
      .map((e) => `${e.textContent}: ${e.scrollWidth} x ${e.scrollHeight} in ${e.clientWidth} x ${e.clientHeight}`),
  }));
  assert.ok(fits.font, "the font holds the captions' characters");
  assert.ok(fits.loaded.some((family) => family.replaceAll('"', "") === "Orvane P Gothic"),
    `the site's font in use: ${fits.loaded}`);
  assert.deepEqual(fits.over, [], "no caption runs past its box");
  await page.close();
});
