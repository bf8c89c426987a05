// The about box: owned by the window, which it disables while it is open (the window's timers
// and sounds carry on), and placed as an owned box is, by the core's rule.
import { $ } from "./dom.js";
import { workArea } from "./desk_layout.js";

export class AboutBox {
  constructor(win) {
    this.win = win;
  }

  get isOpen() {
    return !$("about").hidden;
  }

  open() {
    if (!this.win.open || this.isOpen) return;
    this.win.menu.close();
    $("about").hidden = false;
    $("window").inert = true;
    this.place();
    $("about-ok").focus();
  }

  close() {
    if (!this.isOpen) return;
    $("about").hidden = true;
    $("window").inert = false;
    this.win.focusBack();
  }

  // Centred over the window and kept on the desk: the box is wider than the window, so on a
  // narrow screen it scales down a little more. In the touch layout it spans the screen's
  // width (app.css), its controls a finger's size, centred from top to bottom.
  place() {
    const about = $("about");
    if (!this.isOpen) return;
    const { core, touch, scale: windowScale } = this.win;
    about.classList.toggle("touch", touch);
    if (touch) {
      about.style.transform = about.style.left = "";
      const screen = [0, 0, window.innerWidth, window.innerHeight];
      const { top } = core.centred([about.offsetWidth, about.offsetHeight], null, screen);
      about.style.top = `${top}px`;
      return;
    }
    const area = workArea($("sound-status").offsetHeight);
    const scale = Math.min(windowScale, (area[2] - area[0]) / about.offsetWidth);
    about.style.transform = scale < 1 ? `scale(${scale})` : "";
    const box = $("window").getBoundingClientRect();
    const owner = [box.left, box.top, box.right, box.bottom].map(Math.round);
    const size = [Math.round(about.offsetWidth * scale), Math.round(about.offsetHeight * scale)];
    const { left, top } = core.centred(size, owner, area);
    about.style.left = `${left}px`;
    about.style.top = `${top}px`;
  }

  attach() {
    $("about-ok").addEventListener("click", () => this.close());
    $("about-close").addEventListener("click", () => this.close());
  }
}
