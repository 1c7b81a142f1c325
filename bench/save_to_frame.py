#!/usr/bin/env python3
"""Save to frame: how long after a segment file is replaced the native viewer shows it.

One viewer of the mode runs in a copy of the demo world on its own Xvfb. Twenty times, the
shown segment's file is replaced by a rename (as Tiled and tileview-tiled write it), turn about
with some shown cells emptied and as it was. Each save is timed from the rename to the moment a
screenshot first shows the frame tileview-export composes for the new file (the screen is read
again and again with nothing between; one read of the screen takes a few milliseconds, which
this figure may add).

The median and the worst are printed.
"""

import argparse
import os
import shutil
import statistics
import time

from harness.core import wait_until
from harness.world import MODES, Exporter
from harness.xserver import XServer

SEGMENT = "seg000.db"
CELL_SIZE, COLUMNS = 8, 255


def emptied(grid):
    """The segment with a block of cells near the top-left corner emptied."""
    changed = bytearray(grid)
    for row in range(2, 6):
        at = (row * COLUMNS + 2) * CELL_SIZE
        changed[at:at + 4 * CELL_SIZE] = bytes(4 * CELL_SIZE)
    return bytes(changed)


def expected_frames(export, world, mode, out, versions):
    """The first frame of each version of the segment file."""
    frames = []
    for number, data in enumerate(versions):
        folder = os.path.join(out, f"world-{number}")
        shutil.copytree(world, folder)
        with open(os.path.join(folder, SEGMENT), "wb") as segment:
            segment.write(data)
        frames.append(Exporter(export, folder, mode, os.path.join(out, f"frames-{number}"))
                      .frame())
    return frames


def replace(world, data):
    """The segment written beside its place, then renamed over it; the time of the rename."""
    temporary = os.path.join(world, ".save.tmp")
    with open(temporary, "wb") as file:
        file.write(data)
    at = time.monotonic()
    os.replace(temporary, os.path.join(world, SEGMENT))
    return at


def measure(args):
    out = os.path.abspath(args.out)
    shutil.rmtree(out, ignore_errors=True)
    world = os.path.join(out, "world")
    shutil.copytree(os.path.join(args.build, "world"), world)
    with open(os.path.join(world, SEGMENT), "rb") as segment:
        grid = segment.read()
    versions = [emptied(grid), grid]
    export = os.path.join(args.build, "tools", "tileview-export")
    frames = expected_frames(export, world, args.mode, out, versions)
    program = os.path.join(args.build, "app", "sdl", f"tileview-{args.mode}")
    to_screen = []
    with XServer(*MODES[args.mode], out) as server:
        viewer = server.start_program([program], world)
        server.wait_frame(frames[1], "the first frame")
        for save in range(args.saves):
            version = save % 2
            at = replace(world, versions[version])
            wait_until("the new frame on the screen",
                       lambda: True if server.screenshot() == frames[version] else None,
                       interval=0)
            to_screen.append(time.monotonic() - at)
        viewer.kill()
        viewer.wait()
    for name, figures in (("to the screen", to_screen),):
        print(f"tileview-{args.mode}, {args.saves} saves, {name}: median "
              f"{statistics.median(figures) * 1000:.1f} ms, worst {max(figures) * 1000:.1f} ms")


def run():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, type=os.path.abspath)
    parser.add_argument("--mode", default="1024", choices=MODES)
    parser.add_argument("--saves", type=int, default=20)
    parser.add_argument("--out", default="/tmp/dravik-save-to-frame")
    measure(parser.parse_args())


if __name__ == "__main__":
    run()
