#!/usr/bin/env python3
"""The web zip as a person gets it: unzipped into a fresh folder, served by Python's http.server
and index.html opened in headless Chromium with no data folder named. The page must show its
bundled world at once: its first frame, and the frame after a segment step (a segment fetched
after the first frame), must be tileview-export's (the first mode's) of the world the zip holds,
decompressed here for the export. Its service worker must keep exactly the zip's other files,
each with its own sum, in a cache named by the version, and its manifest's icons must be the
sizes it says."""

import base64
import gzip
import hashlib
import json
import os
import struct
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


def check_worker(site, names, version):
    """sw.js lists every other file of the zip with the SHA-256 sum of its bytes."""
    with open(os.path.join(site, "sw.js")) as worker:
        text = worker.read()
    release = json.loads(text.split("const RELEASE = ", 1)[1].split(";\n", 1)[0])
    check(release["cache"].startswith(f"dravik-{version}-"),
          f"the worker's cache {release['cache']!r} is not named by version {version}")
    check(sorted(release["files"]) == [name for name in names if name != "sw.js"],
          "the worker does not list exactly the zip's other files")
    for name, sums in release["files"].items():
        with open(os.path.join(site, name), "rb") as file:
            own = base64.b64encode(hashlib.sha256(file.read()).digest()).decode()
        check(sums.split()[0] == f"sha256-{own}", f"the worker's sum of {name} is not its own")


def check_icons(site):
    with open(os.path.join(site, "manifest.webmanifest")) as manifest:
        icons = json.load(manifest)["icons"]
    check({icon["sizes"] for icon in icons} >= {"192x192", "512x512"},
          f"the manifest's icons are {icons}")
    for icon in icons:
        with open(os.path.join(site, icon["src"]), "rb") as picture:
            width, height = struct.unpack(">II", picture.read(24)[16:24])
        check(f"{width}x{height}" == icon["sizes"], f"{icon['src']} is {width} x {height}")


def run(args):
    site, names = unzip(args, f"dravik-{args.version}-web")
    check("index.html" in names, "the zip's folder holds no index.html")
    check_worker(site, names, args.version)
    check_icons(site)
    expected = Exporter(args.export, plain_world(site, args.out), MODE,
                        os.path.join(args.out, "expected"))
    with browsing(site) as (browser, page):
        status = page.start(f"{browser.base}index.html")
        check(status["state"] == "running", f"the page did not start: {status}")
        page.first_frame_and_step(expected, "e", "the zip's page", os.path.join(args.out, "zip"))
    print(f"dravik-{args.version}-web.zip: the first frame and a segment step, the export's")


if __name__ == "__main__":
    sys.exit(command(__doc__, run))
