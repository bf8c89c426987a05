// The timers the core arms: one interval per id. Arming an armed id restarts it with the new
// period; killing one that is not armed does nothing.
export class Timers {
  // `tick(id)` runs at each of a timer's periods.
  constructor(tick) {
    this.tick = tick;
    this.running = new Map(); // id -> interval
  }

  set(id, milliseconds) {
    this.kill(id);
    this.running.set(id, setInterval(() => this.tick(id), milliseconds));
  }

  kill(id) {
    const interval = this.running.get(id);
    if (interval === undefined) return;
    clearInterval(interval);
    this.running.delete(id);
  }

  killAll() {
    for (const id of [...this.running.keys()]) this.kill(id);
  }
}
