#!/usr/bin/env python3
"""The released web page's time to its first frame, as a visitor meets it: the site (a folder,
or the web zip unzipped) served by Python's http.server on localhost and opened bare
(index.html) in headless Chromium, over links emulated by Chromium's network emulation:

- a first visit, the browser's cache off and the service worker bypassed (it is installed
  first, so that its own fetches do not run beside the loads), over each link; the median of
  LOADS loads after one more;
- a second visit: once the service worker keeps the site, the same loads answered by it.

The time is performance.now() when the first frame is put on the canvas (window.dravik); the
bytes are those fetched before it, as sent (headers included; Resource Timing's transferSize),
and "in" is when the last of them had come, which the machine's load changes less.

Usage: PYTHONPATH=tests:build/web/python python3 bench/web_load.py SITE-or-ZIP [--loads N]"""

import argparse
import statistics
import tempfile
import zipfile
from pathlib import Path

from harness.browser import browsing
from harness.core import wait_until
from harness.world import DATA_FILES

# Chromium's emulation of a link: bytes per second each way, and latency in milliseconds.
LINKS = {
    "10 Mbit/s, 40 ms": {"latency": 40, "downloadThroughput": 1_250_000,
                         "uploadThroughput": 250_000},
    "1.6 Mbit/s, 150 ms": {"latency": 150, "downloadThroughput": 200_000,
                           "uploadThroughput": 93_750},
}
WORKER_STATE = """navigator.serviceWorker.getRegistration()
    .then((r) => (r && r.active ? r.active.state : null))"""


def load(page, url):
    """(ms to the first frame, bytes fetched before it, ms when they were in) of one load, once
    every file is in."""
    page.open(url)
    status = wait_until("every data file", lambda: (
        lambda s: s if s and s["frames"] and s["download"]
        and s["download"]["settled"] == len(DATA_FILES) else None)(page.status()))
    fetched = page.evaluate("performance.getEntries().filter((e) => 'transferSize' in e)"
                            ".map((e) => [e.responseEnd, e.transferSize])")
    before = [(end, size) for end, size in fetched if end <= status["firstFrameMs"]]
    return status["firstFrameMs"], sum(size for _, size in before), max(before)[0]


def report(what, loads):
    times = [ms for ms, _, _ in loads]
    print(f"{what:50} {statistics.median(times):5.0f} ms (fastest {min(times):.0f}, slowest "
          f"{max(times):.0f}); {statistics.median(b for _, b, _ in loads) / 1000:.1f} KB "
          f"before it, in at {statistics.median(t for _, _, t in loads):.0f} ms", flush=True)


def measure(site, count):
    with browsing(site) as (browser, page):
        url = f"{browser.base}index.html"
        page.command("Network.enable", session=True)
        page.command("Network.setCacheDisabled", {"cacheDisabled": True}, session=True)
        load(page, url)
        wait_until("the service worker", lambda: page.evaluate(WORKER_STATE) == "activated"
                   or None)
        for bypass, visit in ((True, "first visit"), (False, "second visit (service worker)")):
            page.command("Network.setBypassServiceWorker", {"bypass": bypass}, session=True)
            for link, conditions in LINKS.items():
                page.command("Network.emulateNetworkConditions",
                             {"offline": False, **conditions}, session=True)
                report(f"{visit}, {link}", [load(page, url) for _ in range(count + 1)][1:])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("site", type=Path)
    parser.add_argument("--loads", type=int, default=5)
    args = parser.parse_args()
    if args.site.suffix != ".zip":
        measure(args.site, args.loads)
        return
    with tempfile.TemporaryDirectory() as folder:
        with zipfile.ZipFile(args.site) as archive:
            archive.extractall(folder)
        top = next(Path(folder).iterdir())
        measure(top, args.loads)


if __name__ == "__main__":
    main()
