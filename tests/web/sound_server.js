// A private PulseAudio for one browser: a null sink as its default, on a socket in a runtime
// folder of its own, started per run and stopped by its PID (as tests/e2e/harness does for the
// desktop editions). Firefox and WebKit play into it (PULSE_SERVER); what the sink's monitor
// records gives each band's loudest level as the page's audio tap gives it.
import { spawn, spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const SINK = "orvane_sink";
const RATE = 48000;
const START_TIMEOUT_MS = 20000;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

export async function startSoundServer() {
  const runtime = fs.mkdtempSync(path.join(os.tmpdir(), "orvane-pulse-"));
  const socket = path.join(runtime, "native");
  const script = path.join(runtime, "pulse.pa");
  fs.writeFileSync(script, `load-module module-native-protocol-unix socket=${socket} auth-anonymous=1\n`
    + `load-module module-null-sink sink_name=${SINK} rate=${RATE} channels=2\n`
    + `set-default-sink ${SINK}\n`);
  const env = { ...process.env, XDG_RUNTIME_DIR: runtime, HOME: runtime };
  delete env.PULSE_SERVER;
  const pulse = spawn("pulseaudio", ["-n", "--daemonize=no", "--exit-idle-time=-1",
    "--use-pid-file=no", "--system=no", "--disable-shm=yes", "-F", script],
  { env, stdio: ["ignore", "ignore", fs.openSync(path.join(runtime, "pulse.log"), "w")] });
  const stop = () => pulse.kill();
  process.once("exit", stop); // should a test end without close()
  pulse.once("exit", () => process.removeListener("exit", stop));
  const server = `unix:${socket}`;
  const close = async () => {
    if (pulse.exitCode === null && pulse.signalCode === null) {
      const exited = new Promise((resolve) => pulse.once("exit", resolve));
      pulse.kill();
      await exited;
    }
    fs.rmSync(runtime, { recursive: true, force: true });
  };
  const end = Date.now() + START_TIMEOUT_MS;
  while (spawnSync("pactl", ["--server", server, "info"], { stdio: "ignore" }).status !== 0) {
    if (pulse.exitCode !== null || Date.now() > end) {
      const log = fs.readFileSync(path.join(runtime, "pulse.log"), "utf8");
      await close();
      throw new Error(`PulseAudio did not start: ${log}`);
    }
    await sleep(50);
  }
  return {
    server,
    // What the sink plays during the next `ms`, mono float samples at RATE (from the first
    // sample the recorder gets: it may take a moment to connect).
    async record(ms) {
      const parec = spawn("parec", [`--server=${server}`, `--device=${SINK}.monitor`, "--raw",
        "--format=float32le", `--rate=${RATE}`, "--channels=1", "--latency-msec=20"],
      { stdio: ["ignore", "pipe", "ignore"] });
      const wanted = Math.round((ms * RATE) / 1000) * 4;
      const chunks = [];
      let got = 0;
      const exited = new Promise((resolve) => parec.once("exit", resolve));
      await new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error(`no sound recorded within ${ms + 5000} ms`)),
          ms + 5000);
        parec.stdout.on("data", (chunk) => {
          chunks.push(chunk);
          got += chunk.length;
          if (got >= wanted) {
            clearTimeout(timer);
            resolve();
          }
        });
      }).finally(() => parec.kill());
      await exited;
      const bytes = Buffer.concat(chunks).subarray(0, wanted);
      return new Float32Array(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length));
    },
    // Loudest level (dB) per band over `ms`, as the audio tap's AnalyserNode reads it: frames
    // of `fftSize` samples under a Blackman window, every 1024 samples.
    async bandLevels(bands, ms, fftSize = 8192) {
      return bandLevels(await this.record(ms), bands, fftSize);
    },
    close,
  };
}

export function bandLevels(samples, bands, fftSize, hop = 1024) {
  const levels = Object.fromEntries(Object.keys(bands).map((k) => [k, -Infinity]));
  const hz = RATE / fftSize;
  const window = Float64Array.from({ length: fftSize }, (_, i) => 0.42
    - 0.5 * Math.cos((2 * Math.PI * i) / fftSize) + 0.08 * Math.cos((4 * Math.PI * i) / fftSize));
  const frame = new Float64Array(fftSize);
  for (let start = 0; start + fftSize <= samples.length; start += hop) {
    for (let i = 0; i < fftSize; i++) frame[i] = samples[start + i] * window[i];
    for (const [name, [low, high]] of Object.entries(bands)) {
      for (let k = Math.ceil(low / hz); k <= Math.floor(high / hz); k++) {
        // One bin of the DFT (Goertzel), its magnitude over fftSize as an AnalyserNode's.
        const w = (2 * Math.PI * k) / fftSize;
        const c = 2 * Math.cos(w);
        let s1 = 0;
        let s2 = 0;
        for (let i = 0; i < fftSize; i++) {
          const s0 = frame[i] + c * s1 - s2;
          s2 = s1;
          s1 = s0;
        }
        const power = s1 * s1 + s2 * s2 - c * s1 * s2;
        levels[name] = Math.max(levels[name], 10 * Math.log10(power) - 20 * Math.log10(fftSize));
      }
    }
  }
  return levels;
}
