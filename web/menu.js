// The window menu behind the caption bar's button: the confirm deadline's check item (off each
// time the window opens, as nothing is stored), then the item that opens the about box; a press
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

  // The item's check as the core has it; unticked when a new window opens.
  showDeadline(on) {
    $("deadline-item").setAttribute("aria-checked", String(on));
    $("deadline-item").textContent = `${on ? "✓ " : ""}${this.win.tables.texts.deadlineItem}`;
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
    $("deadline-item").addEventListener("click", () => {
      const on = $("deadline-item").getAttribute("aria-checked") !== "true";
      this.showDeadline(this.win.core.setConfirmDeadline(on));
      this.close();
    });
    document.addEventListener("pointerdown", (event) => {
      if (this.isOpen && !$("menu").contains(event.target) && event.target !== $("menu-button")) {
        this.close();
      }
    });
  }
}
