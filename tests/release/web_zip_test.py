#!/usr/bin/env python3
"""The web zip as a person gets it: unzipped into a fresh folder, served by Python's http.server
and index.html opened in headless Chromium with no data folder named. The page must show its
bundled world at once: its first frame, and the frame after a segment step (a segment fetched
after the first frame), must be tileview-export's (the first mode's) of the world the zip holds,
decompressed here for the export."""

import argparse
import gzip
import os
import shutil
import sys
import zipfile

from harness.browser import browsing
from harness.core import check, main
from harness.world import DATA_FILES, MODES, Exporter

MODE = next(iter(MODES))  # opened bare, the page shows the first viewer's mode


def unzip(dist, version, out):
    """The site folder of the zip, unzipped into out; the zip holds it as its one top folder."""
    archive = os.path.join(dist, f"dravik-{version}-web.zip")
    check(os.path.isfile(archive), f"no {archive}: scripts/release writes it")
    top = f"dravik-{version}-web"
    unzipped = os.path.join(out, "unzipped")
    shutil.rmtree(unzipped, ignore_errors=True)
    with zipfile.ZipFile(archive) as opened:
        names = opened.namelist()
        check(all(name.startswith(f"{top}/") for name in names),
              f"entries outside {top}/: {[n for n in names if not n.startswith(top)][:3]}")
        opened.extractall(unzipped)
    site = os.path.join(unzipped, top)
    check(os.path.isfile(os.path.join(site, "index.html")), f"no {top}/index.html in the zip")
    return site


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


def run():
    parser = argparse.ArgumentParser()
    for option in ("--dist", "--version", "--export", "--out"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    site = unzip(args.dist, args.version, args.out)
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
    sys.exit(main(run))
