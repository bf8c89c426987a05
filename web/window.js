// The window: the Windows dialog built from the core's tables, in the dialog's own layout or
// the touch layout, with its caption bar, menu and about box; it opens and closes with the
// program, and shows the pictures the core asks for at the display's scale.
import { AboutBox } from "./about_box.js";
import { buildControls, writeTexts } from "./build.js";
import { deskRoom, fitDesk, layOutDesk } from "./desk_layout.js";
import { $ } from "./dom.js";
import { attachKeys } from "./keys.js";
import { WindowMenu } from "./menu.js";
import { releasePicture, renderPictures } from "./pictures.js";
import { windowPort } from "./port.js";
import { Timers } from "./timers.js";
import { FINGER, fitTouch, layOutTouch } from "./touch_layout.js";

const COARSE = window.matchMedia("(pointer: coarse)");

export class AlarmWindow {
  constructor(sounds) {
    this.sounds = sounds;
    this.core = null;
    // A timer the core armed: only while the window is open.
    this.timers = new Timers((id) => this.timer(id));
    this.about = new AboutBox(this);
    this.menu = new WindowMenu(this);
    this.controls = new Map(); // id -> the control a click reaches (a checkbox's input)
    this.elements = new Map(); // id -> what is placed (a checkbox's label)
    this.touch = false;
    this.laidOut = false;
    this.pictureScale = 1;
    this.shown = new Map(); // picture control -> bitmap id
    this.pictures = new Map(); // bitmap id -> {url, scale, made, file, dpi}
    this.restWanted = false; // the pictures not shown too, not only those shown
    this.dpi = 0;
    this.scale = 1;
    this.open = false;
    this.lastFocus = null;
  }

  get tables() {
    return this.core.tables;
  }

  port() {
    return windowPort(this);
  }

  timer(id) {
    if (this.open) this.core.timer(id);
  }

  // The bell player's blink, as the core's blink timer.
  blink() {
    this.timer(this.tables.timers.blink);
  }

  // A picture not rendered yet (on a first visit, until the files come after the window
  // works) is drawn when it comes; till then the one before stays.
  showBitmap(controlId, bitmapId) {
    const img = this.controls.get(controlId);
    const picture = this.tables.pictures.find((p) => p.id === bitmapId);
    if (!img || !picture) throw new Error(`no picture ${bitmapId}`);
    const rendered = this.pictures.get(bitmapId);
    if (rendered) {
      img.src = rendered.url;
      img.dataset.scale = String(rendered.scale);
    }
    img.alt = picture.name;
    img.width = picture.width;
    img.height = picture.height;
    // In the touch layout a picture takes its bitmap's size times the layout's scale.
    img.style.width = this.touch ? `${Math.round(picture.width * this.pictureScale)}px` : "";
    img.style.height = this.touch ? `${Math.round(picture.height * this.pictureScale)}px` : "";
    img.dataset.bitmap = String(bitmapId);
    this.shown.set(controlId, bitmapId);
  }

  showAgain() {
    for (const [controlId, bitmapId] of this.shown) this.showBitmap(controlId, bitmapId);
  }

  // Opens the window on the loaded core: the same module serves every opening.
  async show(core) {
    this.core = core;
    // The captions are measured in the dialog's font: it is in place first (the cut of IPA P
    // Gothic holds exactly the page's characters; a failed load falls back to the next font).
    await document.fonts.load('12px "Orvane P Gothic"', this.tables.texts.caption).catch(() => {});
    this.build();
    this.fit();
    this.open = true;
    core.init();
    this.menu.showDeadline(false);
    await this.renderForDisplay();
    // Shown once it works: the pictures are in place and every button answers.
    $("window").classList.remove("loading");
    this.controls.get(this.tables.ids.exit).focus();
  }

  build() {
    ({ controls: this.controls, elements: this.elements } =
      buildControls(this.tables, (id) => this.click(id)));
    this.shown.clear();
    this.laidOut = false;
    writeTexts(this.tables);
    $("window").classList.add("loading");
    $("window").hidden = false;
  }

  // 終了 runs the exit clean-up in the module and closes the window, also when the clean-up
  // failed (Recover has silenced everything then).
  click(controlId) {
    if (!this.open) return;
    const closes = this.core.click(controlId);
    if (closes || controlId === this.tables.ids.exit) this.close();
  }

  // The window goes, and its timers with it.
  close() {
    if (!this.open) return;
    this.open = false;
    this.timers.killAll();
    this.sounds.silence();
    this.about.close();
    this.menu.close();
    $("window").hidden = true;
    $("closed").hidden = false;
    $("reopen").focus();
  }

  // The focus back to the control that had it last, once the about box has gone.
  focusBack() {
    if (this.open) (this.lastFocus ?? this.controls.get(this.tables.ids.exit)).focus();
  }

  // The pictures for the DPI the window is drawn at now (the display's scale times the
  // window's own on a narrow screen); the pictures shown are shown again at the new size.
  async renderForDisplay() {
    const { baseDpi } = this.tables.facts;
    const dpi = Math.max(1, Math.round(baseDpi * window.devicePixelRatio * this.pictureScale));
    if (dpi === this.dpi) return;
    this.dpi = dpi;
    await this.takePictures(dpi, [...new Set(this.shown.values())]);
    if (this.restWanted) await this.renderRest();
  }

  // The pictures not shown yet, at the present DPI (a first visit fetches them only after the
  // window works): the lamp panel's first, as a click can bring the alarm at once while the
  // signal steps down over seconds; resolves once they are there.
  async renderRest() {
    this.restWanted = true;
    const dpi = this.dpi;
    const missing = this.tables.pictures.filter((p) => this.pictures.get(p.id)?.dpi !== dpi);
    const panel = this.tables.pictures.find((p) => p.id === this.shown.get(this.tables.ids.panel));
    const lamps = (p) => p.width === panel?.width && p.height === panel?.height;
    await this.takePictures(dpi, missing.filter(lamps).map((p) => p.id));
    await this.takePictures(dpi, missing.filter((p) => !lamps(p)).map((p) => p.id));
  }

  async takePictures(dpi, ids) {
    const rendered = await renderPictures(this.core, dpi, ids);
    for (const [id, picture] of rendered) {
      if (dpi !== this.dpi) {
        releasePicture(picture);
        continue;
      }
      const old = this.pictures.get(id);
      this.pictures.set(id, { ...picture, dpi });
      if (old) releasePicture(old);
    }
    for (const [controlId, bitmapId] of this.shown) {
      if (rendered.has(bitmapId)) this.showBitmap(controlId, bitmapId);
    }
  }

  // The files of the pictures the window draws from now.
  pictureFiles() {
    return [...this.pictures.values()].map((picture) => picture.file);
  }

  // The dialog's own layout, or on a touch screen where its push buttons would stay under a
  // finger's height, the touch layout: the same controls in the same order.
  layOut(touch) {
    this.touch = touch;
    $("window").classList.toggle("touch", touch);
    for (const element of this.elements.values()) element.removeAttribute("style");
    if (touch) layOutTouch(this.elements);
    else layOutDesk(this.tables, this.elements);
  }

  // On a desktop the window keeps its size and scales down to fit a smaller screen; on a touch
  // screen it grows to fill it, and where even then a push button stays under a finger's
  // height, the touch layout takes the whole screen.
  fit() {
    const status = $("sound-status").offsetHeight;
    const button = this.tables.controls.find((c) => c.id === this.tables.ids.start).rect[3];
    const coarse = COARSE.matches;
    const touch = coarse && button * deskRoom(this.tables, status) < FINGER;
    if (touch !== this.touch || !this.laidOut) {
      this.layOut(touch);
      this.laidOut = true;
    }
    if (touch) {
      this.scale = 1;
      this.pictureScale = fitTouch(this.tables, status);
    } else {
      this.scale = this.pictureScale = fitDesk(this.core, coarse, status);
    }
    this.showAgain();
    this.about.place();
  }

  // The page's listeners, once: `reopen` opens the window again after 終了.
  attach(reopen) {
    attachKeys(this);
    this.menu.attach();
    this.about.attach();
    // The close box acts as 終了.
    $("close-box").addEventListener("click", () => this.click(this.tables.ids.exit));
    $("reopen").addEventListener("click", () => {
      $("closed").hidden = true;
      reopen();
    });
    let pending = 0;
    const refit = () => {
      cancelAnimationFrame(pending);
      pending = requestAnimationFrame(() => {
        if (!this.open) return;
        this.fit();
        this.renderForDisplay().catch((error) => console.error("orvaneats:", error));
      });
    };
    window.addEventListener("resize", refit);
    COARSE.addEventListener("change", refit);
  }
}
