#!/usr/bin/env python3
"""End to end: the page without a network, after one visit. The site as built is served on
localhost and opened once; once its service worker is active, the link is cut (Chromium's
network emulation, offline) and the server ended, and the page is reloaded: it must come from
the worker and show the export's first frame, then the frame after a step to a segment the
first visit's page never asked for (the worker keeps the whole world).

Then the same site at an address that is not a secure context (plain http to a host other than
localhost, mapped to the server by Chromium's resolver): no worker, and the export's first frame
as before.

Last, from a server that sends the compressed files with "Content-Encoding: gzip", which the
browser decompresses before the page sees them: the export's first frame and a segment step,
and the worker active (its sums of what the files hold are right)."""

import os
import sys

from harness.browser import browsing, web_test_parser
from harness.core import check, main, wait_until
from harness.world import MODES, Exporter, require_world

MODE = next(iter(MODES))  # opened bare, the page shows the first viewer's mode
OFFLINE = {"offline": True, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1}
WORKER_STATE = """navigator.serviceWorker.getRegistration()
    .then((r) => (r && r.active ? r.active.state : null))"""


def offline_reload(args, expected):
    with browsing(args.site) as (browser, page):
        url = f"{browser.base}index.html"
        page.start(url)
        page.wait_frame(expected.frame(), "the first frame, online")
        wait_until("the service worker to be active",
                   lambda: page.evaluate(WORKER_STATE) == "activated" or None)
        page.command("Network.enable", session=True)
        page.command("Network.emulateNetworkConditions", OFFLINE, session=True)
        browser.server.kill()
        browser.server.wait()
        status = page.start(url)
        check(status["state"] == "running", f"offline, the page did not start: {status}")
        check(page.evaluate("navigator.serviceWorker.controller !== null"),
              "offline, the page did not come from its service worker")
        page.first_frame_and_step(expected, "q", "offline", os.path.join(args.out, "offline"))


def insecure_address(args, expected):
    host = "dravik.invalid"
    with browsing(args.site, [f"--host-resolver-rules=MAP {host} 127.0.0.1"]) as (browser, page):
        url = browser.base.replace("127.0.0.1", host) + "index.html"
        page.start(url)
        page.wait_frame(expected.frame(), f"the first frame at {url}",
                        os.path.join(args.out, "insecure-first.png"))
        check(page.evaluate("[window.isSecureContext, 'serviceWorker' in navigator]")
              == [False, False], f"{url} is a secure context or offers a service worker")
        page.check_no_problems(f"the page at {url}")


def encoded_files(args, expected):
    with browsing(args.site, encoded=True) as (browser, page):
        page.start(f"{browser.base}index.html")
        first_byte = "fetch('dravik.js.gz').then((r) => r.arrayBuffer()).then((b) => " \
            "new Uint8Array(b)[0])"
        check(page.evaluate(first_byte) != 0x1f, "the browser has not decompressed dravik.js.gz")
        page.first_frame_and_step(expected, "q", "files sent encoded",
                                  os.path.join(args.out, "encoded"))
        wait_until("the service worker to be active, files sent encoded",
                   lambda: page.evaluate(WORKER_STATE) == "activated" or None)


def run():
    args = web_test_parser().parse_args()
    os.makedirs(args.out, exist_ok=True)
    require_world(args.world)
    expected = Exporter(args.export, args.world, MODE, args.out)
    offline_reload(args, expected)
    insecure_address(args, expected)
    encoded_files(args, expected)
    print(f"tileview-{MODE}: offline after one visit, the first frame and a segment step the "
          "export's; at a plain http address, no worker and the first frame the export's; from "
          "a server sending the files encoded, the same frames and the worker active")


if __name__ == "__main__":
    sys.exit(main(run))
