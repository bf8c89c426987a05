// The touch layout: the same controls set out by app.css on a grid by their data-area, the
// whole screen taken, the two pictures side by side as large as the rows left to them allow.
import { $, place } from "./dom.js";
import { FRAME_EDGE } from "./desk_layout.js";

// A finger's target, and the two confirm buttons' height (CSS px).
export const FINGER = 44;
const LARGE_BUTTON = 64;
// The grid's padding and gap (app.css).
const TOUCH_PAD = 6;
const TOUCH_GAP = 6;
// The frame's two sides, with 2 px to spare.
const FRAME_SIDES = 2 * FRAME_EDGE + 2;
// The rows under the pictures held upright (the confirm buttons, 開始 / 終了, the sound buttons,
// four options) and beside them on their side (two rows of options).
const UPRIGHT_ROWS = LARGE_BUTTON + 6 * FINGER + 7 * TOUCH_GAP;
const SIDEWAYS_ROWS = 2 * FINGER + 2 * TOUCH_GAP;
// The upright grid's columns (app.css): the signal in one, the panel in five.
const COLUMNS = 6;
const PANEL_COLUMNS = 5;
// The pictures never shrink below half their bitmap's size.
const SMALLEST_PICTURES = 0.5;

export function layOutTouch(elements) {
  place($("client"), [null, null, null, null]);
  for (const element of elements.values()) element.style.gridArea = element.dataset.area;
}

// Fills the screen above the sound line; returns the pictures' scale: above the controls on
// an upright screen, beside the buttons on a screen on its side.
export function fitTouch(tables, status) {
  const win = $("window");
  win.style.transform = "";
  win.style.left = win.style.top = "0px";
  win.style.width = `${window.innerWidth}px`;
  win.style.height = `${window.innerHeight - status}px`;
  const { ids } = tables;
  const rect = (id) => tables.controls.find((c) => c.id === id).rect;
  const [panel, signal] = [rect(ids.panel), rect(ids.signal)];
  const across = panel[2] + signal[2];
  const tall = Math.max(panel[3], signal[3]);
  const inner = win.clientHeight - $("caption").offsetHeight - 2 * TOUCH_PAD;
  const wide = window.innerWidth - 2 * TOUCH_PAD - FRAME_SIDES;
  const upright = window.innerHeight >= window.innerWidth;
  win.classList.toggle("upright", upright);
  const scale = upright
    ? Math.min((wide - TOUCH_GAP) / COLUMNS / signal[2],
      (wide - TOUCH_GAP) * PANEL_COLUMNS / COLUMNS / panel[2],
      (inner - UPRIGHT_ROWS - TOUCH_GAP) / tall)
    : Math.min(wide / 2 / across, (inner - SIDEWAYS_ROWS) / tall);
  return Math.max(SMALLEST_PICTURES, scale);
}
