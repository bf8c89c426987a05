// The dialog's own layout: each control at its rectangle, the window keeping its size and
// scaled down to fit a smaller screen (or, on a touch screen, up to fill it), placed on the
// desk by the core's rule.
import { $, place } from "./dom.js";

// The room kept free around the window on the desk.
const DESK_MARGIN = 8;
// The frame's edge on each side (its border and padding) and the caption bar.
export const FRAME_EDGE = 3;
const CAPTION_BAR = 20;

// The desk a window may take: the page less its margin and the sound line under it.
export function workArea(status) {
  return [DESK_MARGIN, DESK_MARGIN, window.innerWidth - DESK_MARGIN,
    window.innerHeight - DESK_MARGIN - status];
}

function roomFor(width, height, status) {
  const [left, top, right, bottom] = workArea(status);
  return Math.min((right - left) / width, (bottom - top) / height);
}

// The scale at which the dialog, its frame and caption bar included, fills the work area.
export function deskRoom(tables, status) {
  const [, , width, height] = tables.rects.main.rect;
  return roomFor(width + 2 * FRAME_EDGE, height + 2 * FRAME_EDGE + CAPTION_BAR, status);
}

export function layOutDesk(tables, elements) {
  place($("client"), tables.rects.main.rect);
  for (const control of tables.controls) {
    const element = elements.get(control.id);
    // A picture takes its bitmap's size.
    place(element, control.kind === "picture" ? [...control.rect.slice(0, 2), null, null]
      : control.rect);
  }
}

// The window at its own size times the scale that fits it (fills the work area when `grow`),
// centred on the work area; returns the scale.
export function fitDesk(core, grow, status) {
  const win = $("window");
  win.style.transform = "";
  win.style.width = win.style.height = "";
  const width = win.offsetWidth;
  const height = win.offsetHeight;
  const room = roomFor(width, height, status);
  const scale = grow ? room : Math.min(1, room);
  win.style.transform = scale !== 1 ? `scale(${scale})` : "";
  const { left, top } = core.centred(
    [Math.round(width * scale), Math.round(height * scale)], null, workArea(status));
  win.style.left = `${left}px`;
  win.style.top = `${top}px`;
  return scale;
}
