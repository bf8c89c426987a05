// The bridge to the alarm core in WebAssembly: its tables, its entry points behind one guard,
// its pictures and its placement of windows. The module is loaded once per page and outlives
// the window.
import createOrvane from "./orvaneats.js";

export class Core {
  // `port` is the object whose methods the module calls (web/port_library.js); `afterCall`
  // runs after every entry into the module, whatever happened in it.
  static async load(port, afterCall) {
    const module = await createOrvane({ port });
    return new Core(module, afterCall);
  }

  constructor(module, afterCall) {
    this.module = module;
    this.afterCall = afterCall;
    this.tables = JSON.parse(module.UTF8ToString(module._orvane_tables()));
  }

  // Every call into the module: whatever fails in it (a C++ exception or an error in the
  // page) leaves the panel idle and quiet through Recover, and the page works on.
  enter(action) {
    const stack = this.module.stackSave();
    try {
      return action(this.module);
    } catch (error) {
      console.error("orvaneats:", error);
      try {
        this.module.stackRestore(stack);
        this.module._orvane_recover();
      } catch (again) {
        console.error("orvaneats: recover failed:", again);
      }
      return undefined;
    } finally {
      this.afterCall();
    }
  }

  init() {
    this.enter((m) => m._orvane_init());
  }

  // True when the click closes the window (終了): the exit clean-up has run.
  click(controlId) {
    return Boolean(this.enter((m) => m._orvane_click(controlId)));
  }

  timer(timerId) {
    this.enter((m) => m._orvane_timer(timerId));
  }

  // Ticks or unticks the confirm deadline's menu item; true when it is on now.
  setConfirmDeadline(on) {
    return Boolean(this.enter((m) => m._orvane_set_confirm_deadline(on ? 1 : 0)));
  }

  // True while a run goes on by itself (Orvaneモード or フルオート).
  unattended() {
    return Boolean(this.module._orvane_unattended());
  }

  renderingScale(dpi) {
    return this.module._orvane_rendering_scale(dpi);
  }

  // The picture for bitmapId at dpi, made from `image` (an ImageData of its rendering stored at
  // `storedScale`, 1 for the bitmap itself): {stored: true} when that rendering is the picture
  // as it is, else {stored: false, image} with the ImageData to show; null when the core
  // cannot make one.
  picture(bitmapId, dpi, image, storedScale) {
    const m = this.module;
    const pointer = m._malloc(image.data.length);
    if (!pointer) throw new Error("out of memory");
    try {
      m.HEAPU8.set(image.data, pointer);
      const pixels = m._orvane_picture(bitmapId, dpi, pointer, image.width, image.height,
        storedScale);
      if (!pixels) return null;
      if (m._orvane_picture_stored()) return { stored: true };
      const width = m._orvane_picture_width();
      const height = m._orvane_picture_height();
      const data = m.HEAPU8.slice(pixels, pixels + width * height * 4);
      return { stored: false,
        image: new ImageData(new Uint8ClampedArray(data.buffer), width, height) };
    } finally {
      m._free(pointer);
    }
  }

  // Where a window of `size` [width, height] goes: centred over `owner` (null: none) or else
  // over `workArea`, and kept whole on the work area; both [left, top, right, bottom].
  centred([width, height], owner, workArea) {
    const m = this.module;
    m._orvane_centre(width, height, ...(owner ?? [0, 0, 0, 0]), ...workArea);
    return { left: m._orvane_placed_left(), top: m._orvane_placed_top() };
  }
}
