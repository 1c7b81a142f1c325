#!/usr/bin/env python3
"""The web zip as a person gets it: unzipped into a fresh folder, served by Python's http.server
and index.html opened in headless Chromium with no data folder named. The page must show its
bundled world at once: its first frame, and the frame after a segment step (a segment fetched
after the first frame), must be tileview-export's (the first mode's) of the world the zip holds,
decompressed here for the export."""

import gzip
import os
import sys

from harness.browser import browsing
from harness.core import check
from harness.release import command, unzip
from harness.world import DATA_FILES, MODES, Exporter

MODE = next(iter(MODES))  # opened bare, the page shows the first viewer's mode


def plain_world(site, out):
    """The zip's compressed world, decompressed, for the export."""
    world = os.path.join(out, "world")
    os.makedirs(world, exist_ok=True)
    for name in DATA_FILES:
        with gzip.open(os.path.join(site, "world", f"{name}.gz")) as packed:
            data = packed.read()
        with open(os.path.join(world, name), "wb") as plain:
            plain.write(data)
    return world


def run(args):
    site, names = unzip(args, f"dravik-{args.version}-web")
    check("index.html" in names, "the zip's folder holds no index.html")
    expected = Exporter(args.export, plain_world(site, args.out), MODE,
                        os.path.join(args.out, "expected"))
    with browsing(site) as (browser, page):
        status = page.start(f"{browser.base}index.html")
        check(status["state"] == "running", f"the page did not start: {status}")
        page.wait_frame(expected.frame(), "the first frame",
                        os.path.join(args.out, "first.png"))
        page.type("e")
        page.wait_frame(expected.frame("e"), "the frame after a segment step",
                        os.path.join(args.out, "step.png"))
        page.check_no_problems("the zip's page")
    print(f"dravik-{args.version}-web.zip: the first frame and a segment step, the export's")


if __name__ == "__main__":
    sys.exit(command(__doc__, run))
