// The window menu behind the caption bar's button: its one item opens the about box; a press
// anywhere else closes it.
import { $ } from "./dom.js";

export class WindowMenu {
  constructor(win) {
    this.win = win;
  }

  get isOpen() {
    return !$("menu").hidden;
  }

  open() {
    if (!this.win.open) return;
    $("menu").hidden = false;
    $("menu-button").setAttribute("aria-expanded", "true");
    $("about-item").focus();
  }

  close() {
    if (!this.isOpen) return;
    $("menu").hidden = true;
    $("menu-button").setAttribute("aria-expanded", "false");
  }

  attach() {
    $("menu-button").addEventListener("click", () => {
      if (this.isOpen) this.close();
      else this.open();
    });
    $("about-item").addEventListener("click", () => this.win.about.open());
    document.addEventListener("pointerdown", (event) => {
      if (this.isOpen && !$("menu").contains(event.target) && event.target !== $("menu-button")) {
        this.close();
      }
    });
  }
}
