// The site's service worker, so that the page and its demo world open without a network once
// seen. On install it keeps every file of its release in one cache named by the release, each
// fetched afresh and checked against the sum the build wrote, so that the cache never holds
// two releases. Those files, and the page at any address (?mode=, ?data=), it answers from that
// cache; every other request (a ?data= folder, anything else) goes to the network as if there
// were no worker, and nothing of it is kept. A new release's worker waits until no page of the
// old one is open (a page takes its files from one cache to its end), then removes the old
// cache. The build writes RELEASE (scripts/web_worker.py).
"use strict";

const RELEASE = @RELEASE@;
const SCOPE = self.registration.scope;
// Caches are the origin's: another copy of the site on the same server keeps its own.
const CACHE = `${SCOPE} ${RELEASE.cache}`;
const OWN_CACHES = `${SCOPE} dravik-`;

function cacheKey(path) {
  return new URL(path, SCOPE).href;
}

async function keepRelease() {
  const cache = await caches.open(CACHE);
  await Promise.all(Object.entries(RELEASE.files).map(async ([path, integrity]) => {
    const response = await fetch(cacheKey(path), { cache: "no-cache", integrity });
    if (!response.ok) throw new Error(`${path}: ${response.status}`);
    await cache.put(cacheKey(path), response);
  }));
}

async function removeOtherReleases() {
  const names = await caches.keys();
  await Promise.all(names.filter((name) => name.startsWith(OWN_CACHES) && name !== CACHE)
    .map((name) => caches.delete(name)));
}

// The site's file a request asks for, by its path in the site; null for any other request.
function releaseFile(request) {
  const url = new URL(request.url);
  if (request.method !== "GET" || !url.href.startsWith(SCOPE)) return null;
  const path = url.pathname.slice(new URL(SCOPE).pathname.length);
  if (request.mode === "navigate" && (path === "" || path === "index.html")) return "index.html";
  return url.search === "" && path in RELEASE.files ? path : null;
}

self.addEventListener("install", (event) => event.waitUntil(keepRelease()));
self.addEventListener("activate", (event) => event.waitUntil(removeOtherReleases()));
self.addEventListener("fetch", (event) => {
  const path = releaseFile(event.request);
  if (path === null) return;
  event.respondWith(caches.open(CACHE)
    .then((cache) => cache.match(cacheKey(path)))
    .then((kept) => kept || fetch(event.request)));
});
