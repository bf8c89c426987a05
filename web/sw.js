// Keeps every file of the site for offline use: cached when the worker installs, served from
// the cache first. One cache per scope, version and content (the revision is a hash of the
// site's files), so two sites on one host keep apart and a rebuild never overwrites the cache
// a running page reads. A new worker waits until the page asks it to take over (the user's
// 「更新」), then deletes only this site's older caches.
const VERSION = "@VERSION@";
// Site revision: changes with any of the site's files.
const REVISION = "@REVISION@";
const PREFIX = `orvaneats ${self.registration.scope} `;
const CACHE = `${PREFIX}${VERSION} ${REVISION}`;
const FILES = "@FILES@";

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((file) => new Request(file, { cache: "no-cache" })))));
});

self.addEventListener("message", (event) => {
  if (event.data === "take-over") self.skipWaiting();
});

self.addEventListener("activate", (event) => {
  event.waitUntil(caches.keys().then((keys) => Promise.all(keys
    .filter((key) => key.startsWith(PREFIX) && key !== CACHE)
    .map((key) => caches.delete(key)))));
});

self.addEventListener("fetch", (event) => {
  const request = event.request;
  if (request.method !== "GET" || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(
    caches.open(CACHE)
      .then((cache) => cache.match(request, { ignoreSearch: true }))
      .then((hit) => hit || fetch(request)));
});
