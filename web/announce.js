// What a screen reader is told, in the page's polite live region: the news the core sends
// when the alarm starts and ends and when the signal changes (the lamp's blinks are not news).
import { $ } from "./dom.js";

const ALARM_ON = "警報が鳴っています";
const ALARM_OFF = "警報が止まりました";

function announce(line) {
  $("announce").textContent = line;
}

export function announceAlarm(on) {
  announce(on ? ALARM_ON : ALARM_OFF);
}

// The signal's picture, named as its picture is: the signal shows bitmap signalStop + aspect.
export function announceAspect(tables, aspect) {
  const picture = tables.pictures.find((p) => p.id === tables.bitmaps.signalStop + aspect);
  if (picture) announce(picture.name);
}
