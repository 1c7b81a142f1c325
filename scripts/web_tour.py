#!/usr/bin/env python3
"""The web page in headless Chromium: a short tour of the demo world with screenshots of the
page, or (--measure) the page's size and its time from load to the first frame per mode.

Usage: web_tour.py SITE OUT [--measure]"""

import gzip
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))

from harness.browser import Browser  # noqa: E402
from harness.core import Processes, check, wait_until  # noqa: E402

MODES = ["1024", "1600", "1280", "640"]
TOUR = [("1-start", ""), ("2-scrolled-left", "ddd"), ("3-scrolled-up", "ssss"),
        ("4-next-segment", "e")]
LOADS = 7


def first_frame(page, base, mode):
    page.open(f"{base}index.html?mode={mode}&data=world/")
    return wait_until(f"the first frame of tileview-{mode}", lambda: (
        lambda status: status if status and status["frames"] else None)(page.status()))


def screenshot(page, path):
    shot = page.command("Page.captureScreenshot", {"format": "png"}, session=True)["data"]
    with open(path, "wb") as file:
        file.write(__import__("base64").b64decode(shot))
    print(path)


def tour(page, base, out):
    first_frame(page, base, "1024")
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
    code = [name for name in sorted(os.listdir(site)) if name.endswith((".js", ".wasm"))]
    for name in code:
        data = open(os.path.join(site, name), "rb").read()
        print(f"{name:20} {len(data):8,} bytes, {len(gzip.compress(data, 9)):7,} gzipped")
    print("load to first frame (performance.now() at the first frame put on the canvas; the "
          f"median of {LOADS} loads after one to warm the cache):")
    for mode in MODES:
        first_frame(page, base, mode)
        times = [first_frame(page, base, mode)["firstFrameMs"] for _ in range(LOADS)]
        print(f"  tileview-{mode}: {statistics.median(times):6.1f} ms "
              f"(fastest {min(times):.1f}, slowest {max(times):.1f})")


def main():
    site, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    processes = Processes()
    browser = None
    try:
        browser = Browser(processes, site)
        page = browser.page()
        if "--measure" in sys.argv[3:]:
            measure(page, browser.base, site)
        else:
            tour(page, browser.base, out)
        check(not page.problems, f"the page reported {page.problems}")
    finally:
        processes.stop_all()
        if browser is not None:
            browser.close()


if __name__ == "__main__":
    main()
