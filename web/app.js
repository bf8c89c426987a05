// The browser edition's page: the alarm core (WebAssembly) behind a window built from the
// core's own tables, with the timers, pictures and two looping sounds the core asks for.
import { Core } from "./core.js";
import { loadOwnSounds } from "./own_sounds.js";
import { Sounds } from "./sound.js";
import { ScreenWake } from "./wake.js";
import { AlarmWindow } from "./window.js";

// A new version of the site waits until the user takes it: 「新しい版があります」 and a button
// that lets it take over and reloads the page (an open page never runs half old, half new).
// Every worker of the site is asked to keep `files`, the pictures this page draws from.
async function offerUpdates(files) {
  const registration = await navigator.serviceWorker.register("sw.js", { scope: "./" });
  for (const worker of [registration.installing, registration.waiting, registration.active]) {
    worker?.postMessage({ keep: files });
  }
  let taking = false;
  const offer = (worker) => {
    if (!navigator.serviceWorker.controller) return; // the first visit: nothing to replace
    document.getElementById("update").hidden = false;
    document.getElementById("update-button").onclick = () => {
      taking = true;
      worker.postMessage("take-over");
    };
  };
  navigator.serviceWorker.addEventListener("controllerchange", () => {
    if (taking) window.location.reload();
  });
  const watch = (worker) => worker?.addEventListener("statechange", () => {
    if (worker.state === "installed") offer(worker);
  });
  // The check the page's own load started may be under way before this runs.
  if (registration.waiting) offer(registration.waiting);
  else watch(registration.installing);
  registration.addEventListener("updatefound", () => watch(registration.installing));
  // Look for a new version now rather than when the browser next gets round to it; offline
  // the check fails, and the page runs on from its cache.
  registration.update().catch(() => {});
}

// The other pictures wait this long at most for the waves' recipe.
const RECIPE_WAIT_MS = 2000;
const LOAD_FAILED = "読み込めませんでした。このブラウザーでは WebAssembly を使えないか、接続が切れています。";

async function main() {
  const status = document.getElementById("sound-status");
  const sounds = new Sounds({
    onBlink: () => alarmWindow.blink(),
    onStatus: (line) => { status.textContent = line; },
  });
  const alarmWindow = new AlarmWindow(sounds);
  sounds.init();
  const wake = new ScreenWake();
  const core = await Core.load(alarmWindow.port(), () => {
    sounds.endHandler();
    wake.want(core.unattended());
  });
  alarmWindow.attach(() => alarmWindow.show(core));
  await alarmWindow.show(core);
  document.getElementById("loading").hidden = true;
  document.documentElement.dataset.ready = "1";
  // What the window can work without comes after it works: the waves' recipe (small, and a
  // click may want a sound), the other pictures, then the service worker, which keeps them.
  const { bellWave, chimeWave, brakeWave } = core.tables.texts;
  const waves = sounds.load([bellWave, chimeWave, brakeWave]);
  await loadOwnSounds(sounds, [bellWave, chimeWave, brakeWave])
    .catch((error) => console.warn("orvaneats: own sounds:", error));
  let stalled = 0;
  await Promise.race([sounds.recipeIn,
    new Promise((resolve) => { stalled = setTimeout(resolve, RECIPE_WAIT_MS); })]);
  clearTimeout(stalled);
  await alarmWindow.renderRest();
  await waves;
  if ("serviceWorker" in navigator) {
    await offerUpdates(alarmWindow.pictureFiles())
      .catch((error) => console.warn("orvaneats: no offline copy:", error));
  }
}

main().catch((error) => {
  console.error("orvaneats:", error);
  document.getElementById("loading").textContent = LOAD_FAILED;
});
