// The keys the window answers as a Windows dialog does.
import { $ } from "./dom.js";

// As in a Windows dialog, a push button is the default (the one Enter clicks) only while Tab
// has moved the focus onto it; focus from a click or at the start makes none. The window
// remembers the control that had the focus last.
function attachDefaultButton(win) {
  let tabbing = false;
  let defaultButton = null;
  const client = $("client");
  client.addEventListener("keydown", (event) => {
    if (event.key === "Tab") tabbing = true;
    if (event.key === "Enter" && event.target !== defaultButton) event.preventDefault();
  });
  client.addEventListener("keyup", () => {
    tabbing = false;
  });
  client.addEventListener("focusin", (event) => {
    win.lastFocus = event.target;
    defaultButton = tabbing && event.target.localName === "button" ? event.target : null;
  });
}

// F1 the about box, Escape backs out of the menu, the box, then the window (as 終了), Alt+Space
// the menu, Enter closes the about box.
function onKey(win, event) {
  if (!win.open) return;
  const { about, menu } = win;
  if (event.key === "F1") {
    event.preventDefault();
    about.open();
  } else if (event.key === "Escape") {
    event.preventDefault();
    if (menu.isOpen) {
      menu.close();
      $("menu-button").focus();
    } else if (about.isOpen) {
      about.close();
    } else {
      win.click(win.tables.ids.exit);
    }
  } else if (event.key === "Enter" && about.isOpen) {
    event.preventDefault();
    about.close();
  } else if (event.key === " " && event.altKey) {
    event.preventDefault();
    menu.open();
  }
}

export function attachKeys(win) {
  attachDefaultButton(win);
  document.addEventListener("keydown", (event) => onKey(win, event));
}
