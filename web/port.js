// The port the module calls (web/port_library.js): each call goes to the part of the page that
// answers it. The window's tables are read when a call comes, once the core has loaded.
import { announceAlarm, announceAspect, announceBrake } from "./announce.js";

export function windowPort(win) {
  const { sounds } = win;
  return {
    setTimer: (id, ms) => win.timers.set(id, ms),
    killTimer: (id) => win.timers.kill(id),
    showBitmap: (controlId, bitmapId) => win.showBitmap(controlId, bitmapId),
    setStartCaption: (caption) => {
      win.controls.get(win.tables.ids.start).textContent = caption;
    },
    alarmChanged: (on) => announceAlarm(win.tables, on),
    aspectChanged: (aspect) => announceAspect(win.tables, aspect),
    brakeApplied: () => announceBrake(win.tables),
    readOptions: () => win.tables.options.reduce(
      (bits, id, bit) => (win.controls.get(id).checked ? bits | (1 << bit) : bits), 0),
    playWaveLoop: (name) => sounds.playWaveLoop(name),
    stopWave: () => sounds.stopWave(),
    playBrake: (name) => sounds.playBrake(name),
    stopBrake: () => sounds.stopBrake(),
    startBellPlayer: () => sounds.startBellPlayer(win.tables.texts.bellWave,
      win.tables.facts.blinkMs),
    quitBellPlayer: () => sounds.quitBellPlayer(),
    wait: (ms) => sounds.wait(ms),
  };
}
