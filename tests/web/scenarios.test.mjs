// The end-to-end scenarios every edition runs (tests/e2e/scenarios.json), here in the page:
// the same steps and checks as the desktop editions' runner (tests/e2e/harness/scenarios.py).
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, before, test } from "node:test";
import { HEARS, ROOT, TABLES, bitmap, caption, click, isShown, listen, openSite, recordBitmaps, sleep } from "./browser.js";

const TABLE = JSON.parse(fs.readFileSync(path.join(ROOT, "tests/e2e/scenarios.json"), "utf8"));
const DEFAULT_WITHIN_S = 5;
const BLINKS_WITHIN_S = 4;
const ALIVE_FOR_S = 1;
const WINDOW_S = 1;
const KEYS = { Return: "Enter" };

const control = (name) => {
  if (!(name in TABLES.ids)) throw new Error(`no control ${name}`);
  return TABLES.ids[name];
};
const bitmaps = (name) => new Set((TABLE.sets[name] ?? [name]).map((n) => TABLES.bitmaps[n]));
const START_CAPTION = TABLES.controls.find((c) => c.id === control("start")).caption;

function steps(name) {
  const expand = (list) => list.flatMap((step) => (step.use ? expand(TABLE.macros[step.use]) : [step]));
  return expand(TABLE.scenarios[name]);
}

// The page behind the scenarios' interface; it has no bell player processes.
const edition = (page) => ({
  press: (id) => click(page, id),
  key: (name) => page.keyboard.press(KEYS[name] ?? name),
  closeBox: () => page.click("#close-box"),
  caption: (id) => caption(page, id),
  checked: (id) => page.$eval(`[data-id="${id}"]`, (e) => e.checked),
  picture: (id) => bitmap(page, id),
  running: () => isShown(page, "#window"),
  ended: async () => await isShown(page, "#closed") && !(await isShown(page, "#window")),
  focus: () => page.evaluate(() => Number(document.activeElement?.dataset.id)),
});

async function run(page, name) {
  const ed = edition(page);
  const watched = new Map();
  let mark = Date.now();
  let where = "";
  // Polls until `holds`; within_s after the previous check, and not before notBefore_s.
  const wait = async (holds, step, what) => {
    const within = (step.within_s ?? DEFAULT_WITHIN_S) * 1000;
    const end = ("within_s" in step ? mark : Date.now()) + within;
    while (!(await holds())) {
      if (Date.now() > end) assert.fail(`${where}: ${await what()}`);
      await sleep(50);
    }
    if ("notBefore_s" in step) {
      const after = (Date.now() - mark) / 1000;
      assert.ok(after >= step.notBefore_s, `${where}: after ${after} s`);
    }
  };
  const running = async (wanted) => (await ed.running())
    && await ed.caption(control("start")) === (wanted ? TABLES.texts.stop : START_CAPTION);

  const kinds = {
    press: (c) => ed.press(control(c)),
    async tick(c) {
      await ed.press(control(c));
      await kinds.checked(c, { is: true });
    },
    async key(k, step) {
      for (let i = 0; i < (step.times ?? 1); i++) await ed.key(k);
    },
    closeBox: () => ed.closeBox(),
    async watch(c) { watched.set(control(c), await recordBitmaps(page, control(c))); },
    async see(c, step) {
      const wanted = bitmaps(step.is);
      await wait(async () => wanted.has(await ed.picture(control(c))), step,
        async () => `shows ${await ed.picture(control(c))}, not one of ${[...wanted]}`);
    },
    async watched(c, step) {
      const seen = await watched.get(control(c)).read();
      if (step.only) {
        const wanted = new Set(step.only.flatMap((n) => [...bitmaps(n)]));
        assert.ok(seen.every((b) => wanted.has(b)), `${where}: showed ${seen}`);
      }
      if (step.stepsDown) {
        const stop = TABLES.bitmaps.signalStop;
        const aspects = seen[0] === stop ? seen.slice(1) : seen;  // the stop shown at rest
        assert.ok(bitmaps("permissive").has(aspects[0]), `${where}: showed ${seen}`);
        assert.deepEqual(aspects, Array.from({ length: aspects[0] - stop + 1 }, (_, i) => aspects[0] - i),
          `${where}: not one aspect at a time down to stop`);
      }
    },
    async blinks(c, step) {
      const seen = new Set();
      const lit = bitmaps("lampLit");
      await wait(async () => { seen.add(await ed.picture(control(c))); return [...lit].every((b) => seen.has(b)); },
        { ...step, within_s: BLINKS_WITHIN_S }, () => `showed only ${[...seen]}`);
    },
    running: (wanted, step) => wait(() => running(wanted), step,
      async () => `Start reads ${await ed.caption(control("start"))}`),
    checked: (c, step) => wait(async () => await ed.checked(control(c)) === step.is, step,
      () => `the box is ${step.is ? "not " : ""}ticked`),
    players: () => {},  // the bell plays in the page
    async hear(sounds, step) {
      // The tap's own settling time unless the step names one. A sound just asked for may
      // take an engine's audio a moment to reach full level: a second window is heard when
      // one is missing and nothing unwanted sounds.
      const wanted = { bell: sounds.includes("bell"), chime: sounds.includes("chime") };
      const missing = (h) => (wanted.bell && !h.bell) || (wanted.chime && !h.chime);
      const extra = (h) => (h.bell && !wanted.bell) || (h.chime && !wanted.chime);
      const heard = await listen(page, (step.window_s ?? WINDOW_S) * 1000,
        step.settle_s === undefined ? undefined : step.settle_s * 1000, (h) => missing(h) && !extra(h));
      assert.deepEqual({ bell: heard.bell, chime: heard.chime }, wanted, `${where}: ${JSON.stringify(heard.levels)}`);
      if (sounds.length) {
        assert.equal(await page.$eval("#sound-status", (e) => e.textContent), "", `${where}: sound trouble reported`);
      }
    },
    ended: (_, step) => wait(() => ed.ended(), { within_s: 15, ...step }, () => "the window did not end"),
    async alive() {
      await sleep(ALIVE_FOR_S * 1000);
      assert.ok(await ed.running(), `${where}: the window ended`);
    },
    focus: (c, step) => wait(async () => await ed.focus() === control(c), step,
      async () => `the focus is on ${await ed.focus()}`),
  };
  const checks = new Set(["see", "watched", "blinks", "running", "checked", "players", "hear", "ended", "alive", "focus"]);
  for (const [i, step] of steps(name).entries()) {
    const kind = Object.keys(kinds).find((k) => k in step);
    if (!kind) throw new Error(`${name}: step ${i + 1} does nothing`);
    where = `step ${i + 1} ${JSON.stringify(step)}`;
    await kinds[kind](step[kind], step);
    if (checks.has(kind)) mark = Date.now();
  }
}

let site;
before(async () => { site = await openSite(); });
after(async () => { await site?.close(); });

for (const name of Object.keys(TABLE.scenarios)) {
  const hears = steps(name).some((step) => step.hear);
  test(name, hears ? HEARS : {}, async () => {
    const page = await site.open();
    await run(page, name);
    await page.close();
  });
}
