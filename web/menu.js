// The window menu behind the caption bar's button: the confirm deadline's check item (off each
// time the window opens, as nothing is stored), then the item that opens the about box; a press
// anywhere else closes it.
import { $ } from "./dom.js";
import { chooseOwnSound, forgetOwnSounds } from "./own_sounds.js";

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
    // Own sounds: the file chosen for the wave named in `choosing`.
    let choosing = "";
    for (const [id, wave] of [["own-bell-item", "bellWave"], ["own-chime-item", "chimeWave"],
      ["own-brake-item", "brakeWave"]]) {
      $(id).addEventListener("click", () => {
        choosing = this.win.tables.texts[wave];
        this.close();
        $("own-file").value = "";
        $("own-file").click();
      });
    }
    $("own-file").addEventListener("change", async () => {
      const file = $("own-file").files[0];
      if (!file || !choosing) return;
      this.win.sounds.tell(await chooseOwnSound(this.win.sounds, choosing, file));
    });
    $("built-in-item").addEventListener("click", async () => {
      this.close();
      await forgetOwnSounds(this.win.sounds);
      this.win.sounds.tell("");
    });
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
