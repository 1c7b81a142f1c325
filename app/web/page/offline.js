// Keeps the site for visits without a network: registers its service worker (sw.js), which
// caches the page and the demo world. Browsers allow one only in a secure context (https, or
// localhost); elsewhere, over plain http, the page runs as it always did.

let offered = false;

// Called once the first frame is shown; registers when every data file has settled, so that the
// worker's own fetches of the same files never share the link with the page's.
export function keepForOffline(files, names) {
  if (offered || !window.isSecureContext || !("serviceWorker" in navigator)) return;
  offered = true;
  Promise.all(names.map((name) => files.arrival(name)))
    .then(() => navigator.serviceWorker.register("sw.js"))
    .catch(() => {
      // Offline, or a server without the worker: the page works as it does without one.
    });
}
