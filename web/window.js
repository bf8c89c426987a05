// The window: the Windows dialog built from the core's tables, its caption bar, menu and about
// box, the timers the core arms, and the keys a dialog answers.
import { KIND_BUTTON, KIND_CHECKBOX } from "./core.js";
import { releasePicture, renderPictures } from "./pictures.js";

const BASE_DPI = 96;
const DESK_MARGIN = 8;
// A finger's target, and the two confirm buttons' height, in the touch layout (CSS px).
const FINGER = 44;
const LARGE_BUTTON = 64;
// The touch layout's padding and gap, and its caption bar (a finger's height).
const TOUCH_PAD = 6;
const TOUCH_GAP = 6;
// The rows under the pictures held upright (the confirm buttons, 開始 / 終了, the sound buttons,
// four options) and beside them on their side (two rows of options).
const UPRIGHT_ROWS = LARGE_BUTTON + 6 * FINGER + 7 * TOUCH_GAP;
const SIDEWAYS_ROWS = 2 * FINGER + 2 * TOUCH_GAP;
const COARSE = window.matchMedia("(pointer: coarse)");

const $ = (id) => document.getElementById(id);

// A menu item's text without its mnemonic: "…情報(&A)..." -> "…情報...".
function withoutMnemonic(text) {
  return text.replace(/\(&.\)/, "").replace(/&(.)/, "$1");
}

// Sets the rectangle's numbers as CSS pixels; null leaves a side to the element.
function place(element, [x, y, width, height]) {
  const px = (value) => (value === null ? "" : `${value}px`);
  Object.assign(element.style, { left: px(x), top: px(y), width: px(width), height: px(height) });
}

// What a screen reader is told when the alarm starts and ends (the lamp's blinks are not news).
const ALARM_ON = "警報が鳴っています";
const ALARM_OFF = "警報が止まりました";

// Says a line in the page's polite live region.
function announce(line) {
  $("announce").textContent = line;
}

export class AlarmWindow {
  constructor(sounds) {
    this.sounds = sounds;
    this.core = null;
    this.timers = new Map();
    this.controls = new Map(); // id -> the control a click reaches (a checkbox's input)
    this.elements = new Map(); // id -> what is placed (a checkbox's label)
    this.touch = false;
    this.laidOut = false;
    this.pictureScale = 1;
    this.panelAtRest = 0;
    this.shown = new Map(); // picture control -> bitmap id
    this.pictures = new Map(); // bitmap id -> {url, scale, made, file, dpi}
    this.restWanted = false; // the pictures not shown too, not only those shown
    this.dpi = 0;
    this.scale = 1;
    this.open = false;
    this.lastFocus = null;
    this.defaultButton = null;
  }

  get tables() {
    return this.core.tables;
  }

  // The port the module calls (web/port_library.js).
  port() {
    return {
      setTimer: (id, ms) => {
        this.killTimer(id);
        this.timers.set(id, setInterval(() => this.timer(id), ms));
      },
      killTimer: (id) => this.killTimer(id),
      showBitmap: (controlId, bitmapId) => this.showBitmap(controlId, bitmapId),
      setStartCaption: (caption) => {
        this.controls.get(this.tables.ids.start).textContent = caption;
      },
      readOptions: () => this.tables.options.reduce(
        (bits, id, bit) => (this.controls.get(id).checked ? bits | (1 << bit) : bits), 0),
      playWaveLoop: (name) => this.sounds.playWaveLoop(name),
      stopWave: () => this.sounds.stopWave(),
      startBellPlayer: () => this.sounds.startBellPlayer(this.tables.texts.bellWave),
      quitBellPlayer: () => this.sounds.quitBellPlayer(),
      wait: (ms) => this.sounds.wait(ms),
    };
  }

  // A timer the core armed, or the bell player's blink: only while the window is open.
  timer(id) {
    if (this.open) this.core.timer(id);
  }

  blink() {
    this.timer(this.tables.blinkTimer);
  }

  killTimer(id) {
    const timer = this.timers.get(id);
    if (timer === undefined) return;
    clearInterval(timer);
    this.timers.delete(id);
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
    const before = this.shown.get(controlId);
    this.shown.set(controlId, bitmapId);
    if (before === undefined && controlId === this.tables.ids.panel) this.panelAtRest = bitmapId;
    if (before !== undefined && before !== bitmapId) this.tell(controlId, before, bitmapId);
  }

  // The signal's aspect as it changes, and the alarm as it starts and ends.
  tell(controlId, before, now) {
    const { ids, pictures } = this.tables;
    if (controlId === ids.signal) {
      announce(pictures.find((p) => p.id === now).name);
    } else if (controlId === ids.panel) {
      // The panel as the window opened it is the panel at rest.
      if (before === this.panelAtRest) announce(ALARM_ON);
      else if (now === this.panelAtRest) announce(ALARM_OFF);
    }
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
    await this.renderForDisplay();
    // Shown once it works: the pictures are in place and every button answers.
    $("window").classList.remove("loading");
    this.controls.get(this.tables.ids.exit).focus();
  }

  build() {
    const { controls, rects, texts } = this.tables;
    const client = $("client");
    client.replaceChildren();
    this.controls.clear();
    this.elements.clear();
    this.shown.clear();
    this.laidOut = false;
    const names = new Map(Object.entries(this.tables.ids).map(([name, id]) => [id, name]));
    for (const control of controls) {
      let element;
      let target;
      if (control.kind === KIND_BUTTON) {
        element = target = document.createElement("button");
        element.type = "button";
        element.textContent = control.caption;
      } else if (control.kind === KIND_CHECKBOX) {
        element = document.createElement("label");
        element.className = "check";
        target = document.createElement("input");
        target.type = "checkbox";
        const caption = document.createElement("span");
        caption.textContent = control.caption;
        element.append(target, caption);
      } else {
        element = target = document.createElement("img");
        element.alt = "";
        element.draggable = false;
        // No long-press menu on a picture (a finger holds the lamp a while).
        element.addEventListener("contextmenu", (event) => event.preventDefault());
      }
      target.dataset.id = String(control.id);
      element.dataset.area = names.get(control.id);
      if (control.kind === KIND_BUTTON || control.kind === KIND_CHECKBOX) {
        target.addEventListener("click", () => this.click(control.id));
      }
      client.append(element);
      this.controls.set(control.id, target);
      this.elements.set(control.id, element);
    }
    document.title = texts.caption;
    $("title").textContent = texts.caption;
    $("about-item").textContent = withoutMnemonic(texts.aboutItem);
    $("about-title").textContent = texts.aboutCaption;
    $("about-version").textContent = texts.versionLine;
    $("about-legal").textContent = texts.legalLine;
    $("about-ok").textContent = texts.ok;
    place($("about-client"), rects.about.rect);
    place($("about-icon"), rects.aboutIcon.rect);
    $("about-icon").style.width = $("about-icon").style.height = "";
    place($("about-version"), rects.aboutVersion.rect);
    place($("about-legal"), rects.aboutLegal.rect);
    place($("about-ok"), rects.aboutOk.rect);
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
    for (const id of [...this.timers.keys()]) this.killTimer(id);
    this.sounds.silence();
    this.closeAbout();
    this.closeMenu();
    $("window").hidden = true;
    $("closed").hidden = false;
    $("reopen").focus();
  }

  // The pictures for the DPI the window is drawn at now (the display's scale times the
  // window's own on a narrow screen): those shown first, then, once renderRest has let them,
  // the others. The pictures shown are shown again at the new size.
  async renderForDisplay() {
    const dpi = Math.max(1, Math.round(BASE_DPI * window.devicePixelRatio * this.pictureScale));
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
  // finger's height, the touch layout: the same controls in the same order, set out by
  // app.css on a grid by their data-area.
  layOut(touch) {
    this.touch = touch;
    $("window").classList.toggle("touch", touch);
    place($("client"), touch ? [null, null, null, null] : this.tables.rects.main.rect);
    for (const control of this.tables.controls) {
      const element = this.elements.get(control.id);
      element.removeAttribute("style");
      if (touch) {
        element.style.gridArea = element.dataset.area;
      } else if (control.kind === KIND_BUTTON || control.kind === KIND_CHECKBOX) {
        place(element, control.rect);
      } else {
        // A picture takes its bitmap's size.
        place(element, [...control.rect.slice(0, 2), null, null]);
      }
    }
  }

  // On a desktop the window keeps its size and scales down to fit a smaller screen; on a touch
  // screen it grows to fill it, and where even then a push button stays under a finger's
  // height, the touch layout takes the whole screen.
  fit() {
    const status = $("sound-status").offsetHeight;
    const [, , width, height] = this.tables.rects.main.rect;
    // The dialog's room at its own proportions: the client area, the frame's edges (3 px a
    // side) and the caption bar (20 px).
    const room = Math.min(
      (window.innerWidth - 2 * DESK_MARGIN) / (width + 6),
      (window.innerHeight - 2 * DESK_MARGIN - status) / (height + 26));
    const button = this.tables.controls.find((c) => c.id === this.tables.ids.start).rect[3];
    const coarse = COARSE.matches;
    const touch = coarse && button * room < FINGER;
    if (touch !== this.touch || !this.laidOut) {
      this.layOut(touch);
      this.laidOut = true;
    }
    if (touch) {
      this.fitTouch(status);
    } else {
      this.fitDesktop(coarse, status);
    }
    this.placeAbout();
  }

  fitDesktop(grow, status) {
    const win = $("window");
    win.style.transform = "";
    win.style.width = win.style.height = "";
    const width = win.offsetWidth;
    const height = win.offsetHeight;
    const room = Math.min(
      (window.innerWidth - 2 * DESK_MARGIN) / width,
      (window.innerHeight - 2 * DESK_MARGIN - status) / height);
    const scale = grow ? room : Math.min(1, room);
    this.scale = this.pictureScale = scale;
    for (const [controlId, bitmapId] of this.shown) this.showBitmap(controlId, bitmapId);
    win.style.transform = scale !== 1 ? `scale(${scale})` : "";
    const left = Math.max(0, Math.round((window.innerWidth - width * scale) / 2));
    const top = Math.max(0, Math.round((window.innerHeight - status - height * scale) / 2));
    win.style.left = `${left}px`;
    win.style.top = `${top}px`;
  }

  // The two pictures side by side as large as the rows left to them allow: above the
  // controls on an upright screen, beside the buttons on a screen on its side.
  fitTouch(status) {
    const win = $("window");
    win.style.transform = "";
    win.style.left = win.style.top = "0px";
    win.style.width = `${window.innerWidth}px`;
    win.style.height = `${window.innerHeight - status}px`;
    this.scale = 1;
    const { ids } = this.tables;
    const rect = (id) => this.tables.controls.find((c) => c.id === id).rect;
    const [panel, signal] = [rect(ids.panel), rect(ids.signal)];
    const across = panel[2] + signal[2];
    const tall = Math.max(panel[3], signal[3]);
    const inner = win.clientHeight - $("caption").offsetHeight - 2 * TOUCH_PAD;
    const wide = window.innerWidth - 2 * TOUCH_PAD - 8;
    const upright = window.innerHeight >= window.innerWidth;
    win.classList.toggle("upright", upright);
    this.pictureScale = upright
      ? Math.min((wide - TOUCH_GAP) / 6 / signal[2], (wide - TOUCH_GAP) * 5 / 6 / panel[2],
        (inner - UPRIGHT_ROWS - TOUCH_GAP) / tall)
      : Math.min(wide / 2 / across, (inner - SIDEWAYS_ROWS) / tall);
    this.pictureScale = Math.max(0.5, this.pictureScale);
    for (const [controlId, bitmapId] of this.shown) this.showBitmap(controlId, bitmapId);
  }

  // Centred over the window, as the framework places an owned box, and kept on the screen:
  // the box is wider than the window, so on a narrow screen it scales down a little more.
  placeAbout() {
    const about = $("about");
    if (about.hidden) return;
    // In the touch layout the box spans the screen's width, its controls a finger's size.
    about.classList.toggle("touch", this.touch);
    if (this.touch) {
      about.style.transform = about.style.left = "";
      about.style.top = `${Math.round(Math.max(0, (window.innerHeight - about.offsetHeight) / 2))}px`;
      return;
    }
    const win = $("window");
    const scale = Math.min(this.scale, (window.innerWidth - 2 * DESK_MARGIN) / about.offsetWidth);
    about.style.transform = scale < 1 ? `scale(${scale})` : "";
    const box = win.getBoundingClientRect();
    const width = about.offsetWidth * scale;
    const left = Math.min(Math.max(box.left + (box.width - width) / 2, DESK_MARGIN),
      window.innerWidth - DESK_MARGIN - width);
    const top = box.top + (box.height - about.offsetHeight * scale) / 2;
    about.style.left = `${Math.round(Math.max(0, left))}px`;
    about.style.top = `${Math.round(Math.max(0, top))}px`;
  }

  openAbout() {
    if (!this.open || !$("about").hidden) return;
    this.closeMenu();
    $("about").hidden = false;
    $("window").inert = true; // the owner is disabled; its timers and sounds carry on
    this.placeAbout();
    $("about-ok").focus();
  }

  closeAbout() {
    if ($("about").hidden) return;
    $("about").hidden = true;
    $("window").inert = false;
    // The focus goes back to the control that had it last.
    if (this.open) (this.lastFocus ?? this.controls.get(this.tables.ids.exit)).focus();
  }

  openMenu() {
    if (!this.open) return;
    $("menu").hidden = false;
    $("menu-button").setAttribute("aria-expanded", "true");
    $("about-item").focus();
  }

  closeMenu() {
    if ($("menu").hidden) return;
    $("menu").hidden = true;
    $("menu-button").setAttribute("aria-expanded", "false");
  }

  // The page's listeners, once: `reopen` opens the window again after 終了.
  attach(reopen) {
    // As in a Windows dialog, a push button is the default (the one Enter clicks) only while
    // Tab has moved the focus onto it; focus from a click or at the start makes none.
    let tabbing = false;
    const client = $("client");
    client.addEventListener("keydown", (event) => {
      if (event.key === "Tab") tabbing = true;
      if (event.key === "Enter" && event.target !== this.defaultButton) event.preventDefault();
    });
    client.addEventListener("keyup", () => {
      tabbing = false;
    });
    client.addEventListener("focusin", (event) => {
      this.lastFocus = event.target;
      this.defaultButton = tabbing && event.target.localName === "button" ? event.target : null;
    });
    // Escape and the close box act as 終了.
    $("close-box").addEventListener("click", () => this.click(this.tables.ids.exit));
    $("menu-button").addEventListener("click", () => {
      if ($("menu").hidden) this.openMenu();
      else this.closeMenu();
    });
    $("about-item").addEventListener("click", () => this.openAbout());
    $("about-ok").addEventListener("click", () => this.closeAbout());
    $("about-close").addEventListener("click", () => this.closeAbout());
    $("reopen").addEventListener("click", () => {
      $("closed").hidden = true;
      reopen();
    });
    document.addEventListener("pointerdown", (event) => {
      if (!$("menu").hidden && !$("menu").contains(event.target)
          && event.target !== $("menu-button")) {
        this.closeMenu();
      }
    });
    document.addEventListener("keydown", (event) => this.key(event));
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

  // F1 the about box, Escape backs out of the menu, the box, then the window, Alt+Space the
  // menu, Enter closes the about box.
  key(event) {
    if (!this.open) return;
    if (event.key === "F1") {
      event.preventDefault();
      this.openAbout();
    } else if (event.key === "Escape") {
      event.preventDefault();
      if (!$("menu").hidden) {
        this.closeMenu();
        $("menu-button").focus();
      } else if (!$("about").hidden) {
        this.closeAbout();
      } else {
        this.click(this.tables.ids.exit);
      }
    } else if (event.key === "Enter" && !$("about").hidden) {
      event.preventDefault();
      this.closeAbout();
    } else if (event.key === " " && event.altKey) {
      event.preventDefault();
      this.openMenu();
    }
  }
}
