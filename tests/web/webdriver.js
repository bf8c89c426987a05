// WebKit for the browser tests: WebKitGTK's MiniBrowser on a private Xvfb, driven by
// WebKitWebDriver over classic WebDriver (W3C HTTP JSON), behind the part of puppeteer's
// Browser and Page the tests use. What WebDriver cannot do here (a script before the page's
// own, request interception, touch emulation, a device pixel ratio) is absent, and the tests
// that need it are skipped by browser.js.
import { spawn } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import os from "node:os";
import path from "node:path";

// Debian's libwebkit2gtk-4.1-0 puts it in the multiarch library folder.
export const MINIBROWSER = fs.readdirSync("/usr/lib")
  .map((dir) => path.join("/usr/lib", dir, "webkit2gtk-4.1/MiniBrowser"))
  .find((file) => fs.existsSync(file)) ?? "/usr/lib/webkit2gtk-4.1/MiniBrowser";
const SCREEN = "1600x1200x24";
const START_TIMEOUT_MS = 15000;
// A command WebKit leaves unanswered fails after this long, naming itself.
const COMMAND_TIMEOUT_MS = 20000;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A private Xvfb on the first free display; resolves to [process, display number].
function startXvfb() {
  const xvfb = spawn("Xvfb", ["-displayfd", "3", "-screen", "0", SCREEN, "-nolisten", "tcp"],
    { stdio: ["ignore", "ignore", "ignore", "pipe"] });
  return new Promise((resolve, reject) => {
    let text = "";
    const timer = setTimeout(() => reject(new Error("Xvfb did not start")), START_TIMEOUT_MS);
    xvfb.on("error", reject);
    xvfb.on("exit", (code) => reject(new Error(`Xvfb exited (${code})`)));
    xvfb.stdio[3].on("data", (chunk) => {
      text += chunk;
      if (!text.includes("\n")) return;
      clearTimeout(timer);
      resolve([xvfb, Number(text.trim())]);
    });
  });
}

function freePort() {
  return new Promise((resolve) => {
    const probe = net.createServer().listen(0, "127.0.0.1", () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

// WebDriver's keys for the names puppeteer's keyboard takes.
const KEYS = { Tab: "\uE004", Enter: "\uE007", Escape: "\uE00C", Shift: "\uE008", F1: "\uE031",
  Backspace: "\uE003", ArrowUp: "\uE013", ArrowDown: "\uE015", " ": " " };
const key = (name) => KEYS[name] ?? name;

class WebDriverPage {
  constructor(browser, handle) {
    this.browser = browser;
    this.handle = handle;
    this.handles = 0;
    this.noScriptBefore = true; // so the tests' audio tap stays out
    this.keyboard = {
      down: (name) => this.keys([{ type: "keyDown", value: key(name) }]),
      up: (name) => this.keys([{ type: "keyUp", value: key(name) }]),
      press: (name) => this.keys([{ type: "keyDown", value: key(name) },
        { type: "keyUp", value: key(name) }]),
    };
    this.mouse = { click: (x, y) => this.pointer({ type: "pointerMove", x, y, origin: "viewport" }) };
  }

  // Every command goes to this page's window.
  async send(method, route, body) {
    if (this.browser.current !== this.handle) {
      await this.browser.send("POST", "/window", { handle: this.handle });
      this.browser.current = this.handle;
    }
    return this.browser.send(method, route, body);
  }

  keys(actions) {
    return this.send("POST", "/actions", { actions: [{ type: "key", id: "keyboard", actions }] });
  }

  pointer(move) {
    return this.send("POST", "/actions", { actions: [{ type: "pointer", id: "mouse",
      parameters: { pointerType: "mouse" },
      actions: [move, { type: "pointerDown", button: 0 }, { type: "pointerUp", button: 0 }] }] });
  }

  goto(url) { return this.send("POST", "/url", { url }); }
  reload() { return this.send("POST", "/refresh", {}); }
  async close() {
    await this.send("DELETE", "/window");
    await this.browser.send("POST", "/window", { handle: this.browser.blank });
    this.browser.current = this.browser.blank;
  }

  // A viewport of this size: the window grown by what the browser's own frame takes.
  async setViewport({ width, height }) {
    await this.send("POST", "/window/rect", { width, height });
    const [innerWidth, innerHeight] = await this.evaluate(() => [innerWidth, innerHeight]);
    await this.send("POST", "/window/rect",
      { width: 2 * width - innerWidth, height: 2 * height - innerHeight });
  }

  evaluate(fn, ...args) {
    // The result, a promise's awaited, comes back as JSON.
    const script = typeof fn === "function" ? `return (${fn}).apply(null, arguments);` : `return (${fn});`;
    return this.send("POST", "/execute/sync", { script, args });
  }

  $eval(selector, fn, ...args) {
    return this.send("POST", "/execute/sync", {
      script: `const [selector, ...rest] = arguments;
        const e = document.querySelector(selector);
        if (!e) throw new Error("no element " + selector);
        return (${fn})(e, ...rest);`,
      args: [selector, ...args],
    });
  }

  // The result stays in the page; jsonValue() reads it as it is then.
  async evaluateHandle(fn, ...args) {
    const name = `handle${this.handles++}`;
    await this.send("POST", "/execute/sync", {
      script: `const [name, ...rest] = arguments;
        (window.__orvaneHandles ??= {})[name] = (${fn})(...rest);`,
      args: [name, ...args],
    });
    return { jsonValue: () => this.evaluate((n) => window.__orvaneHandles[n], name) };
  }

  async waitForFunction(fn, { timeout = 30000, polling = 50 } = {}, ...args) {
    const end = Date.now() + timeout;
    for (;;) {
      if (await this.evaluate(fn, ...args)) return;
      if (Date.now() > end) throw new Error(`waitForFunction: not within ${timeout} ms`);
      await sleep(typeof polling === "number" ? polling : 50);
    }
  }

  waitForSelector(selector, { timeout = 30000 } = {}) {
    return this.waitForFunction((sel) => document.querySelector(sel) !== null,
      { timeout }, selector);
  }

  // Resolves once another document than the present one is loaded.
  async waitForNavigation({ timeout = 30000 } = {}) {
    await this.evaluate(() => { window.__orvaneLeft = true; });
    await this.waitForFunction(() => !window.__orvaneLeft && document.readyState !== "loading",
      { timeout });
  }

  async click(selector) {
    const found = await this.send("POST", "/element", { using: "css selector", value: selector });
    await this.send("POST", `/element/${Object.values(found)[0]}/click`, {});
  }

  async screenshot({ path: file } = {}) {
    // Taken after the page's next frame is drawn, not from an older one.
    await this.evaluate(() => new Promise((resolve) => {
      requestAnimationFrame(() => requestAnimationFrame(resolve));
      setTimeout(resolve, 1000);
    }));
    const png = Buffer.from(await this.send("GET", "/screenshot"), "base64");
    if (file) fs.writeFileSync(file, png);
    return png;
  }

  evaluateOnNewDocument() {
    throw new Error("webkit: WebDriver runs no script before the page's own");
  }
}

// One MiniBrowser session (WebKitWebDriver holds one at a time): each page a window of it.
class WebDriverBrowser {
  async start({ pageLoadStrategy = "eager" } = {}) {
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), "orvane-webkit-"));
    [this.xvfb, this.display] = await startXvfb();
    const port = await freePort();
    this.driver = spawn("WebKitWebDriver", [`--port=${port}`], {
      stdio: "ignore",
      env: { ...process.env, DISPLAY: `:${this.display}`, HOME: this.profile,
        XDG_CACHE_HOME: path.join(this.profile, "cache"),
        XDG_DATA_HOME: path.join(this.profile, "data"),
        XDG_CONFIG_HOME: path.join(this.profile, "config") },
    });
    this.base = `http://127.0.0.1:${port}`;
    const capabilities = { alwaysMatch: {
      browserName: "MiniBrowser",
      // Back at DOMContentLoaded (the tests wait for the window themselves), or at once.
      pageLoadStrategy,
      "webkitgtk:browserOptions": { binary: MINIBROWSER, args: ["--automation"] },
    } };
    const end = Date.now() + START_TIMEOUT_MS;
    for (;;) {
      try {
        const created = await this.send("POST", "/session", { capabilities }, "");
        this.session = created.sessionId;
        this.browserVersion = created.capabilities.browserVersion;
        break;
      } catch (error) {
        if (Date.now() > end) throw error;
        await sleep(100);
      }
    }
    this.current = await this.send("GET", "/window");
    this.blank = this.current; // stays open, so closing the last page ends no session
    return this;
  }

  async send(method, route, body, prefix = `/session/${this.session}`) {
    const response = await fetch(`${this.base}${prefix}${route}`, {
      method, body: body === undefined ? undefined : JSON.stringify(body),
      headers: { "Content-Type": "application/json" },
      signal: AbortSignal.timeout(COMMAND_TIMEOUT_MS),
    }).catch((error) => {
      throw new Error(`webkit ${method} ${route}: ${error.message}`);
    });
    const { value } = await response.json();
    if (!response.ok) throw new Error(`webkit ${method} ${route}: ${value.error}: ${value.message}`);
    return value;
  }

  async newPage() {
    const { handle } = await this.send("POST", "/window/new", { type: "window" });
    await this.send("POST", "/window", { handle });
    this.current = handle;
    return new WebDriverPage(this, handle);
  }

  async version() {
    return `WebKitGTK ${this.browserVersion} MiniBrowser`;
  }

  async close() {
    if (this.session) await this.send("DELETE", "").catch(() => {});
    for (const child of [this.driver, this.xvfb]) {
      if (child?.exitCode === null) {
        const exited = new Promise((resolve) => child.once("exit", resolve));
        child.kill();
        if (!(await Promise.race([exited.then(() => true), sleep(3000)]))) child.kill("SIGKILL");
        await exited;
      }
    }
    // The browser's last processes may still be writing their caches.
    if (this.profile) {
      fs.rmSync(this.profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
    }
  }
}

export function launchWebKit(options) {
  const browser = new WebDriverBrowser();
  return browser.start(options).catch(async (error) => {
    await browser.close();
    throw error;
  });
}
