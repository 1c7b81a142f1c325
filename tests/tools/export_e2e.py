#!/usr/bin/env python3
"""End to end: tileview-export gives the frame the native viewer shows, pixel for pixel.

tileview-1024 runs in the demo world on its own Xvfb and is typed at; after each group of keys
the screen must become the frame tileview-export composes for every key typed so far, overlay
included. The groups repeat keys, walk the segments and mix in keys the viewer ignores.
"""

import argparse
import os
import shutil
import sys

from harness.core import check, main
from harness.world import MODES, Exporter, require_world
from harness.xserver import XServer

KEY_GROUPS = ["", "dds", "e", "sssdd", "q", "Xaw", "ee", "wwwwaaaa"]


def run(args):
    require_world(args.world)
    expected = Exporter(args.export, args.world, args.mode, args.out)
    with XServer(*MODES[args.mode], args.out) as server:
        viewer = server.start_program([args.viewer], args.world)
        server.wait_window("Dravik", viewer)
        typed = ""
        for keys in KEY_GROUPS:
            server.type(keys)
            typed += keys
            frame = expected.frame(typed)
            check(frame is not None, f"keys '{typed}': the export failed")
            check(len(frame.colours(997)) > 8, f"keys '{typed}': the export shows no map")
            server.save(server.wait_frame(frame, f"the exported frame of keys '{typed}'"),
                        f"keys-{typed or 'none'}")
            print(f"keys '{typed}': the screen equals the export")


def command():
    parser = argparse.ArgumentParser(description=__doc__)
    for name in ("--viewer", "--export", "--world", "--out"):
        parser.add_argument(name, type=os.path.abspath, required=True)
    parser.add_argument("--mode", choices=MODES, required=True, help="the viewer's mode")
    args = parser.parse_args()
    shutil.rmtree(args.out, ignore_errors=True)
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
