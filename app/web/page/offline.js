// Keeps the site for visits without a network: registers its service worker (sw.js), which
// caches the page and the demo world. Browsers allow one only in a secure context (https, or
// localhost); elsewhere, over plain http, the page runs as it always did.

let offered = false;

// The manifest and the icon, linked only now: the browser fetches them as soon as they are
// linked, and on a slow link they would stand in the first frame's way.
function linkManifest() {
  for (const [rel, href] of [["manifest", "manifest.webmanifest"], ["icon", "icon-192.png"]]) {
    document.head.append(Object.assign(document.createElement("link"), { rel, href }));
  }
}

// Called once the first frame is shown; registers when every data file has settled, so that the
// worker's own fetches of the same files never share the link with the page's.
export function keepForOffline(files, names) {
  if (offered) return;
  offered = true;
  linkManifest();
  if (!window.isSecureContext || !("serviceWorker" in navigator)) return;
  Promise.all(names.map((name) => files.arrival(name)))
    .then(() => navigator.serviceWorker.register("sw.js"))
    .catch(() => {
      // Offline, or a server without the worker: the page works as it does without one.
    });
}
