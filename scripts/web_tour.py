#!/usr/bin/env python3
"""The web page in headless Chromium: a short tour of the demo world with screenshots of the
page, or (--measure) the page's size, the bytes it fetches before its first frame and in all,
and its time from load to the first frame per mode, over an emulated link (10 Mbit/s down,
40 ms latency) and unthrottled. SITE is served as it is, by Python's http.server.

Usage: PYTHONPATH=tests:build/web/python web_tour.py SITE OUT [--measure] (as scripts/web runs
it: the harness, and the build's copy of the segment files and modes)"""

import base64
import gzip
import os
import statistics
import sys

from harness.browser import browsing
from harness.core import check, wait_until
from harness.world import DATA_FILES, MODES

# Chromium's emulation of a link: bytes per second each way, and latency in milliseconds.
LINKS = {
    "10 Mbit/s, 40 ms": {"offline": False, "latency": 40, "downloadThroughput": 1_250_000,
                         "uploadThroughput": 250_000},
    "unthrottled": {"offline": False, "latency": 0, "downloadThroughput": -1,
                    "uploadThroughput": -1},
}
TOUR = [("1-start", ""), ("2-scrolled-left", "ddd"), ("3-scrolled-up", "ssss"),
        ("4-next-segment", "e")]
LOADS = 5


def load(page, base, mode):
    """(ms to the first frame, bytes fetched before it, bytes in all) of one load with nothing
    cached; bytes as sent, headers included."""
    page.open(f"{base}index.html?mode={mode}")
    status = wait_until(f"tileview-{mode} with every file in", lambda: (
        lambda s: s if s and s["frames"] and s["download"]
        and s["download"]["settled"] == len(DATA_FILES) else None)(page.status()))
    fetched = page.evaluate("performance.getEntries().filter((e) => 'transferSize' in e)"
                            ".map((e) => [e.responseEnd, e.transferSize])")
    first = sum(size for end, size in fetched if end <= status["firstFrameMs"])
    return status["firstFrameMs"], first, sum(size for _, size in fetched)


def screenshot(page, path):
    shot = page.command("Page.captureScreenshot", {"format": "png"}, session=True)["data"]
    with open(path, "wb") as file:
        file.write(base64.b64decode(shot))
    print(path)


def tour(page, base, out):
    status = page.start(f"{base}index.html")
    check(status["state"] == "running", f"the page did not start: {status}")
    for name, keys in TOUR:
        frames = page.status()["frames"]
        page.type(keys)
        if keys:
            wait_until(f"the frame after {keys}", lambda: (
                True if page.status()["frames"] > frames else None))
        screenshot(page, os.path.join(out, f"{name}.png"))
    frames = page.status()["frames"]
    page.click(400, 300)
    wait_until("the frame after the click", lambda: (
        True if page.status()["frames"] > frames else None))
    screenshot(page, os.path.join(out, "5-clicked.png"))


def measure(page, base, site):
    code = [name for name in sorted(os.listdir(site)) if name.endswith((".js", ".gz"))]
    for name in code:
        data = open(os.path.join(site, name), "rb").read()
        packed = data if name.endswith(".gz") else gzip.compress(data, 9)
        print(f"{name:22} {len(data):9,} bytes, {len(packed):7,} gzipped")
    for name in sorted(os.listdir(os.path.join(site, "world"))):
        print(f"world/{name:16} {os.path.getsize(os.path.join(site, 'world', name)):9,} bytes")
    print(f"load to first frame: performance.now() when the first frame is put on the canvas, "
          f"the median of {LOADS} loads after one more, nothing cached")
    page.command("Network.enable", session=True)
    page.command("Network.setCacheDisabled", {"cacheDisabled": True}, session=True)
    # The tour's visit has installed the site's service worker, which would answer every load.
    page.command("Network.setBypassServiceWorker", {"bypass": True}, session=True)
    for mode in MODES:
        for link, conditions in LINKS.items():
            page.command("Network.emulateNetworkConditions", conditions, session=True)
            loads = [load(page, base, mode) for _ in range(LOADS + 1)][1:]
            times = [ms for ms, _, _ in loads]
            first, total = (statistics.median(column) for column in list(zip(*loads))[1:])
            print(f"  tileview-{mode}, {link:16}: {statistics.median(times):6.1f} ms "
                  f"(fastest {min(times):.1f}, slowest {max(times):.1f}); {first:,.0f} bytes "
                  f"before the first frame, {total:,.0f} in all")


def main():
    site, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    with browsing(site) as (browser, page):
        if "--measure" in sys.argv[3:]:
            measure(page, browser.base, site)
        else:
            tour(page, browser.base, out)
        page.check_no_problems("web_tour")


if __name__ == "__main__":
    main()
