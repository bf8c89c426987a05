// The browser edition's page: the alarm core (WebAssembly) behind a window built from the
// core's own tables, with the timers, pictures and two looping sounds the core asks for.
import { Core } from "./core.js";
import { Sounds } from "./sound.js";
import { AlarmWindow } from "./window.js";

async function main() {
  const status = document.getElementById("sound-status");
  const sounds = new Sounds({
    onBlink: () => alarmWindow.blink(),
    onStatus: (line) => { status.textContent = line; },
  });
  const alarmWindow = new AlarmWindow(sounds);
  sounds.init();
  const core = await Core.load(alarmWindow.port(), () => sounds.endHandler());
  alarmWindow.attach(() => alarmWindow.show(core));
  await alarmWindow.show(core);
  const { bellWave, chimeWave } = core.tables.texts;
  const waves = sounds.load([bellWave, chimeWave]);
  document.documentElement.dataset.ready = "1";
  if ("serviceWorker" in navigator) {
    navigator.serviceWorker.register("sw.js", { scope: "./" }).catch((error) => {
      console.warn("orvaneats: no offline copy:", error);
    });
  }
  await waves;
}

main().catch((error) => console.error("orvaneats:", error));
