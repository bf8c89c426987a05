// Keeps the screen on while a run goes on by itself (Orvaneモード or フルオート): a Screen Wake
// Lock, released when the run stops; the browser releases it when the page hides, and it is
// taken again when the page shows while the run goes on.
export class ScreenWake {
  constructor() {
    this.wanted = false;
    this.lock = null;
    this.asking = false;
    document.addEventListener("visibilitychange", () => this.update());
  }

  want(on) {
    if (on === this.wanted) return;
    this.wanted = on;
    this.update();
  }

  update() {
    if (!("wakeLock" in navigator)) return;
    if (this.wanted && !this.lock && !this.asking && document.visibilityState === "visible") {
      this.asking = true;
      navigator.wakeLock.request("screen").then((lock) => {
        this.asking = false;
        this.lock = lock;
        lock.addEventListener("release", () => {
          if (this.lock === lock) this.lock = null;
        });
        if (!this.wanted) this.update();
      }).catch((error) => {
        // The screen may go dark: the run goes on all the same.
        this.asking = false;
        console.warn("orvaneats: no wake lock:", error);
      });
    } else if (!this.wanted && this.lock) {
      const lock = this.lock;
      this.lock = null;
      lock.release().catch(() => {});
    }
  }
}
