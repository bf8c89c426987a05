// WebKit for the browser tests: WebKitGTK's MiniBrowser on a private Xvfb, its sound in a
// private PulseAudio, driven by selenium-webdriver through WebKitWebDriver (classic WebDriver),
// behind the part of puppeteer's Browser and Page the tests use. What classic WebDriver cannot
// do (a script before the page's own, request interception and events, console messages,
// touch emulation, a device pixel ratio) is absent, and browser.js skips the tests that need it.
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { By, Key, WebDriver, until } from "selenium-webdriver";
import { Executor, HttpClient } from "selenium-webdriver/http/index.js";
import { findFreePort } from "selenium-webdriver/net/portprober.js";
import { DriverService } from "selenium-webdriver/remote/index.js";
import { startSoundServer } from "./sound_server.js";

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

// Selenium's keys for the names puppeteer's keyboard takes.
const KEYS = { Tab: Key.TAB, Enter: Key.ENTER, Escape: Key.ESCAPE, Shift: Key.SHIFT, F1: Key.F1,
  Backspace: Key.BACK_SPACE, ArrowUp: Key.ARROW_UP, ArrowDown: Key.ARROW_DOWN };
const key = (name) => KEYS[name] ?? name;

class WebKitPage {
  constructor(browser, handle) {
    this.browser = browser;
    this.driver = browser.driver;
    this.handle = handle;
    this.handles = 0;
    this.noScriptBefore = true; // so the tests' audio tap stays out: they hear the sound server
    const keys = (what, build) => this.run(what, () => build(this.driver.actions()).perform());
    this.keyboard = {
      down: (name) => keys(`key down ${name}`, (a) => a.keyDown(key(name))),
      up: (name) => keys(`key up ${name}`, (a) => a.keyUp(key(name))),
      press: (name) => keys(`key ${name}`, (a) => a.keyDown(key(name)).keyUp(key(name))),
    };
    this.mouse = { click: (x, y) => this.run(`click at ${x}, ${y}`, () => this.driver.actions()
      .move({ x, y, origin: "viewport" }).click().perform()) };
  }

  // Every command goes to this page's window, and fails naming itself if WebKit never answers.
  async run(what, command) {
    let timer;
    const late = new Promise((_, reject) => {
      timer = setTimeout(() => reject(new Error(`webkit: no answer to ${what}`)), COMMAND_TIMEOUT_MS);
    });
    try {
      return await Promise.race([late, (async () => {
        if (this.browser.current !== this.handle) {
          await this.driver.switchTo().window(this.handle);
          this.browser.current = this.handle;
        }
        return command();
      })()]);
    } finally {
      clearTimeout(timer);
    }
  }

  goto(url) { return this.run(`goto ${url}`, () => this.driver.get(url)); }
  reload() { return this.run("reload", () => this.driver.navigate().refresh()); }
  async close() {
    await this.run("close", () => this.driver.close());
    await this.driver.switchTo().window(this.browser.blank);
    this.browser.current = this.browser.blank;
  }

  // A viewport of this size: the window grown by what the browser's own frame takes.
  async setViewport({ width, height, deviceScaleFactor = 1, hasTouch = false }) {
    if (deviceScaleFactor !== 1 || hasTouch) throw new Error("webkit: WebDriver emulates no screen");
    const window = this.driver.manage().window();
    await this.run("window size", () => window.setRect({ width, height }));
    const [innerWidth, innerHeight] = await this.evaluate(() => [innerWidth, innerHeight]);
    await this.run("window size",
      () => window.setRect({ width: 2 * width - innerWidth, height: 2 * height - innerHeight }));
  }

  // The result, a promise's awaited, comes back as JSON.
  evaluate(fn, ...args) {
    const script = typeof fn === "function" ? fn : `return (${fn});`;
    return this.run("a script", () => this.driver.executeScript(script, ...args));
  }

  $eval(selector, fn, ...args) {
    return this.run(`a script on ${selector}`, () => this.driver.executeScript(
      `const [selector, ...rest] = arguments;
        const e = document.querySelector(selector);
        if (!e) throw new Error("no element " + selector);
        return (${fn})(e, ...rest);`, selector, ...args));
  }

  // The result stays in the page; jsonValue() reads it as it is then.
  async evaluateHandle(fn, ...args) {
    const name = `handle${this.handles++}`;
    await this.evaluate(`(window.__orvaneHandles ??= {})[${JSON.stringify(name)}] = (${fn})(...${JSON.stringify(args)})`);
    return { jsonValue: () => this.evaluate((n) => window.__orvaneHandles[n], name) };
  }

  waitForFunction(fn, { timeout = 30000, polling = 50 } = {}, ...args) {
    return this.driver.wait(() => this.evaluate(fn, ...args), timeout,
      `waitForFunction: not within ${timeout} ms`, typeof polling === "number" ? polling : 50);
  }

  waitForSelector(selector, { timeout = 30000 } = {}) {
    return this.driver.wait(until.elementLocated(By.css(selector)), timeout);
  }

  // Resolves once another document than the present one is loaded.
  async waitForNavigation({ timeout = 30000 } = {}) {
    await this.evaluate(() => { window.__orvaneLeft = true; });
    await this.waitForFunction(() => !window.__orvaneLeft && document.readyState !== "loading",
      { timeout });
  }

  click(selector) {
    return this.run(`click on ${selector}`, () => this.driver.findElement(By.css(selector)).click());
  }

  async screenshot({ path: file } = {}) {
    // Taken after the page's next frame is drawn, not from an older one.
    await this.evaluate(() => new Promise((resolve) => {
      requestAnimationFrame(() => requestAnimationFrame(resolve));
      setTimeout(resolve, 1000);
    }));
    const png = Buffer.from(await this.run("screenshot", () => this.driver.takeScreenshot()), "base64");
    if (file) fs.writeFileSync(file, png);
    return png;
  }

  // The page's file input takes the file as WebDriver sends it (no chooser opens under
  // automation).
  async waitForFileChooser() {
    return { accept: ([file]) => this.run("a file chosen", async () => {
      await (await this.driver.findElement(By.css('input[type="file"]'))).sendKeys(file);
    }) };
  }

  cookies() { return this.run("cookies", () => this.driver.manage().getCookies()); }

  // What the session's sound server plays (every window of the session), as the audio tap's
  // band levels.
  bandLevels(bands, ms) { return this.browser.sound.bandLevels(bands, ms); }

  evaluateOnNewDocument() {
    throw new Error("webkit: WebDriver runs no script before the page's own");
  }
}

// One MiniBrowser session (WebKitWebDriver holds one at a time): each page a window of it.
class WebKitBrowser {
  async start({ pageLoadStrategy = "eager" } = {}) {
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), "orvane-webkit-"));
    [this.xvfb, this.display] = await startXvfb();
    this.sound = await startSoundServer();
    const port = await findFreePort();
    this.service = new DriverService("WebKitWebDriver", {
      port, args: [`--port=${port}`], loopback: true,
      env: { ...process.env, DISPLAY: `:${this.display}`, HOME: this.profile,
        PULSE_SERVER: this.sound.server,
        XDG_CACHE_HOME: path.join(this.profile, "cache"),
        XDG_DATA_HOME: path.join(this.profile, "data"),
        XDG_CONFIG_HOME: path.join(this.profile, "config") },
    });
    const url = await this.service.start(START_TIMEOUT_MS);
    this.driver = await WebDriver.createSession(new Executor(new HttpClient(url)), {
      browserName: "MiniBrowser",
      // Back at DOMContentLoaded (the tests wait for the window themselves), or at once.
      pageLoadStrategy,
      "webkitgtk:browserOptions": { binary: MINIBROWSER, args: ["--automation"] },
    });
    this.browserVersion = (await this.driver.getCapabilities()).get("browserVersion");
    this.current = await this.driver.getWindowHandle();
    this.blank = this.current; // stays open, so closing the last page ends no session
    return this;
  }

  async newPage() {
    await this.driver.switchTo().newWindow("window");
    this.current = await this.driver.getWindowHandle();
    return new WebKitPage(this, this.current);
  }

  async version() {
    return `WebKitGTK ${this.browserVersion} MiniBrowser`;
  }

  async close() {
    await this.driver?.quit().catch(() => {});
    await this.service?.kill();
    await this.sound?.close();
    if (this.xvfb?.exitCode === null) {
      const exited = new Promise((resolve) => this.xvfb.once("exit", resolve));
      this.xvfb.kill();
      await exited;
    }
    // The browser's last processes may still be writing their caches.
    if (this.profile) {
      fs.rmSync(this.profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
    }
  }
}

export function launchWebKit(options) {
  const browser = new WebKitBrowser();
  return browser.start(options).catch(async (error) => {
    await browser.close();
    throw error;
  });
}
