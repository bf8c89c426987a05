// What a screen reader is told, in the page's polite live region: the news the core sends
// when the alarm starts and ends and when the signal changes (the lamp's blinks are not news).
import { $ } from "./dom.js";

function announce(line) {
  $("announce").textContent = line;
}

export function announceAlarm(tables, on) {
  announce(on ? tables.texts.alarmOn : tables.texts.alarmOff);
}

export function announceBrake(tables) {
  announce(tables.texts.emergencyBrake);
}

// The signal's picture, named as its picture is: the signal shows bitmap signalStop + aspect.
export function announceAspect(tables, aspect) {
  const picture = tables.pictures.find((p) => p.id === tables.bitmaps.signalStop + aspect);
  if (picture) announce(picture.name);
}
