// The window's controls and texts, built from the core's tables: a push button, a checkbox
// (its input in a label with its caption) or a picture for each control, in tab order.
import { $, place } from "./dom.js";

// A menu item's text without its mnemonic: "…情報(&A)..." -> "…情報...".
function withoutMnemonic(text) {
  return text.replace(/\(&.\)/, "").replace(/&(.)/, "$1");
}

function makeControl(control) {
  if (control.kind === "button") {
    const button = document.createElement("button");
    button.type = "button";
    button.textContent = control.caption;
    return { element: button, target: button };
  }
  if (control.kind === "checkbox") {
    const label = document.createElement("label");
    label.className = "check";
    const input = document.createElement("input");
    input.type = "checkbox";
    const caption = document.createElement("span");
    caption.textContent = control.caption;
    label.append(input, caption);
    return { element: label, target: input };
  }
  const img = document.createElement("img");
  img.alt = "";
  img.draggable = false;
  // No long-press menu on a picture (a finger holds the lamp a while).
  img.addEventListener("contextmenu", (event) => event.preventDefault());
  return { element: img, target: img };
}

// The controls in the client area; `onClick(id)` for a push button's or a checkbox's click.
// Returns id -> the control a click reaches (a checkbox's input), and id -> what is placed
// (a checkbox's label); each placed element's data-area names it for the touch layout.
export function buildControls(tables, onClick) {
  const client = $("client");
  client.replaceChildren();
  const controls = new Map();
  const elements = new Map();
  const names = new Map(Object.entries(tables.ids).map(([name, id]) => [id, name]));
  for (const control of tables.controls) {
    const { element, target } = makeControl(control);
    target.dataset.id = String(control.id);
    element.dataset.area = names.get(control.id);
    if (control.kind !== "picture") target.addEventListener("click", () => onClick(control.id));
    client.append(element);
    controls.set(control.id, target);
    elements.set(control.id, element);
  }
  return { controls, elements };
}

// The caption, the menu item and the about box's texts and rectangles.
export function writeTexts({ rects, texts }) {
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
}
