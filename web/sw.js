// Keeps the site for offline use, served from the cache first: what the window needs is cached
// when the worker installs; the pictures (the page asks for those of its display's scale) and
// the icons an installing browser asks for are cached once they are used, so a first visit
// fetches nothing twice and nothing it does not show. One cache per scope, version and
// content (the revision is a hash of the site's files), so two sites on one host keep apart
// and a rebuild never overwrites the cache a running page reads. A new worker keeps what the
// older one had kept, waits until the page asks it to take over (the user's 「更新」), then
// deletes only this site's older caches.
const VERSION = "@VERSION@";
// Site revision: changes with any of the site's files.
const REVISION = "@REVISION@";
const PREFIX = `orvaneats ${self.registration.scope} `;
const CACHE = `${PREFIX}${VERSION} ${REVISION}`;
const SHELL = "@SHELL@";
const LATER = "@LATER@";

const fresh = (file) => new Request(file, { cache: "no-cache" });
// A URL of the site as the lists name it, relative to the scope.
const fileOf = (url) => (url.startsWith(self.registration.scope)
  ? url.slice(self.registration.scope.length).split(/[?#]/)[0] : null);

// Adds those of `files` that come later and are not kept yet; one that cannot be had now is
// left for its next use.
async function keep(cache, files) {
  await Promise.allSettled(files.filter((file) => LATER.includes(file)).map(async (file) => {
    if (!(await cache.match(file))) await cache.add(fresh(file));
  }));
}

self.addEventListener("install", (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(CACHE);
    await cache.addAll(SHELL.map(fresh));
    const kept = [];
    for (const key of await caches.keys()) {
      if (!key.startsWith(PREFIX) || key === CACHE) continue;
      for (const request of await (await caches.open(key)).keys()) kept.push(fileOf(request.url));
    }
    await keep(cache, kept);
  })());
});

// "take-over" from the user's 「更新」; { keep: [files] } from a page that has shown them.
self.addEventListener("message", (event) => {
  if (event.data === "take-over") self.skipWaiting();
  else if (Array.isArray(event.data?.keep)) {
    event.waitUntil(caches.open(CACHE).then((cache) => keep(cache, event.data.keep)));
  }
});

self.addEventListener("activate", (event) => {
  event.waitUntil(caches.keys().then((keys) => Promise.all(keys
    .filter((key) => key.startsWith(PREFIX) && key !== CACHE)
    .map((key) => caches.delete(key)))));
});

self.addEventListener("fetch", (event) => {
  const request = event.request;
  if (request.method !== "GET" || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith((async () => {
    const cache = await caches.open(CACHE);
    const hit = await cache.match(request, { ignoreSearch: true });
    if (hit) return hit;
    const response = await fetch(request);
    const file = fileOf(request.url);
    if (response.ok && LATER.includes(file)) event.waitUntil(cache.put(file, response.clone()));
    return response;
  })());
});
