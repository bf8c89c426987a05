// The bridge to the alarm core in WebAssembly: its tables, its entry points behind one guard,
// and its picture arithmetic. The module is loaded once per page and outlives the window.
import createOrvane from "./orvaneats.js";

export const KIND_BUTTON = 0;
export const KIND_CHECKBOX = 1;

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

  // True while a run goes on by itself (Orvaneモード or フルオート).
  unattended() {
    return Boolean(this.module._orvane_unattended());
  }

  renderingScale(dpi) {
    return this.module._orvane_rendering_scale(dpi);
  }

  scaleToDpi(pixels, dpi) {
    return this.module._orvane_scale_to_dpi(pixels, dpi);
  }

  // An ImageData brought to width x height by the core's resampler.
  resample(image, width, height) {
    const m = this.module;
    const pointer = m._malloc(Math.max(image.width * image.height, width * height) * 4);
    if (!pointer) throw new Error("out of memory");
    try {
      m.HEAPU8.set(image.data, pointer);
      if (!m._orvane_resample(pointer, image.width, image.height, width, height)) {
        throw new Error("resample failed");
      }
      const pixels = m.HEAPU8.slice(pointer, pointer + width * height * 4);
      return new ImageData(new Uint8ClampedArray(pixels.buffer), width, height);
    } finally {
      m._free(pointer);
    }
  }
}
