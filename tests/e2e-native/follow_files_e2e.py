#!/usr/bin/env python3
"""Following the files, natively: tileview-640 in a copy of the demo world, scrolled and on its
second segment, shows each change to its files without a key: a map saved by Tiled itself
(headless, through the segment extension), a new sheet, a table and a segment written in place.
Each time the screen must become the frame tileview-export composes for the same keys from the
data the viewer must then show: the folder itself, or a copy of it with the table kept and a
short file's bytes over the cells loaded before.
"""

import argparse
import os
import shlex
import shutil
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

from harness.core import check, fresh_folder, main, run_program
from harness.tiled import TiledHome
from harness.world import MODES, RECORD_SIZE, Exporter, require_world
from harness.xserver import XServer

MODE = "640"
KEYS = "e" + "ddd" + "ss"  # the second segment, three cells left and two up
SEGMENT, COLUMNS, CELL = "seg001.db", 255, 8


def write_segment(tiled, world, name, tmx):
    """world/name from the map tmx, saved by Tiled itself through the segment extension, as
    Ctrl+S in the editor saves it (a temporary file renamed over the old one)."""
    code, errors = tiled.export_map(tmx, os.path.join(world, name))
    check(code == 0, f"Tiled's save of {tmx} as {name}: exit code {code}: {errors}")


def edited_map(args, world, maps):
    """The segment's map from tileview-tiled export, alone in maps, with shown cells emptied."""
    check(run_program([args.tiled, "export", world, maps]).returncode == 0, "export failed")
    tmx = os.path.join(maps, SEGMENT.replace(".db", ".tmx"))
    for name in os.listdir(maps):
        if name.endswith(".tmx") and name != os.path.basename(tmx):
            os.remove(os.path.join(maps, name))
    tree = ElementTree.parse(tmx)
    for data in tree.getroot().iter("data"):
        cells = data.text.split(",")
        for at in (4 * COLUMNS + 6, 4 * COLUMNS + 7, 5 * COLUMNS + 6, 5 * COLUMNS + 7):
            cells[at] = cells[at].replace(cells[at].strip(), "0")
        data.text = ",".join(cells)
    tree.write(tmx, encoding="UTF-8", xml_declaration=True)
    return tmx


def recoloured(world, path):
    """tiles.bmp with red and blue swapped in its colour table, but for the key (142) and the
    clear colour (170), written to path; their colours, for tileview-sheet's options."""
    picture = bytearray(Path(world, "tiles.bmp").read_bytes())
    table = picture[54:54 + 1024]
    for entry in set(range(256)) - {142, 170}:
        table[4 * entry], table[4 * entry + 2] = table[4 * entry + 2], table[4 * entry]
    picture[54:54 + 1024] = table
    Path(path).write_bytes(picture)
    return [(table[4 * e:4 * e + 3][::-1]).hex() for e in (142, 170)]


def moved_rectangles(table):
    """Every record's source rectangle one pixel lower on the sheet."""
    data = bytearray(table)
    for at in range(0, len(data), RECORD_SIZE):
        for field in (at + 12, at + 20):
            top = int.from_bytes(data[field:field + 4], "little", signed=True)
            data[field:field + 4] = (top + 1).to_bytes(4, "little", signed=True)
    return bytes(data)


def run(args):
    require_world(args.world)
    world, shown = (os.path.join(args.out, name) for name in ("world", "shown"))
    shutil.copytree(args.world, world)
    frames = []

    def expected(folder=world):
        """The frame for KEYS of folder as it is now."""
        out = os.path.join(args.out, f"expected-{len(frames)}")
        frames.append(Exporter(args.export, folder, MODE, out).frame(KEYS))
        check(frames[-1] is not None and frames[-1] not in frames[:-1],
              "tileview-export refused the folder, or the test's change does not show")
        return frames[-1]

    with XServer(*MODES[MODE], args.out) as server:
        viewer = server.start_program([*args.wrapper, args.program], world)
        window = server.wait_window("Dravik", viewer)
        server.type(KEYS)

        def becomes(frame, what):
            def shown_or_ended(screen):
                check(viewer.poll() is None, f"the viewer ended before the frame after {what}")
                return screen == frame
            server.save(server.wait_for(f"the frame after {what}", shown_or_ended), what)

        becomes(expected(), "keys")
        tiled = TiledHome(fresh_folder(os.path.join(args.out, "home")), args.tiled)
        tiled.install()
        write_segment(tiled, world, SEGMENT, edited_map(args, world, fresh_folder(shown)))
        becomes(expected(), "saved")
        key, clear = recoloured(world, os.path.join(args.out, "recoloured.bmp"))
        check(run_program([args.sheet, os.path.join(args.out, "recoloured.bmp"), "-o",
                           os.path.join(world, "tiles.bmp"), "--key", key, "--clear", clear])
              .returncode == 0, "tileview-sheet failed")
        becomes(expected(), "sheet")

        # Written in place: terrain.db gone (the table shown is kept), the segment short, then
        # whole; terrain.db back with its tiles moved.
        shutil.rmtree(shown)
        shutil.copytree(world, shown)
        segment, kept = Path(world, SEGMENT), Path(shown, SEGMENT)
        grid = bytearray(segment.read_bytes())
        for row, column in ((3, 5), (3, 9), (8, 5), (8, 9)):
            grid[(row * COLUMNS + column) * CELL:(row * COLUMNS + column + 1) * CELL] = bytes(CELL)
        cut = 6 * COLUMNS * CELL  # the first six rows
        os.remove(os.path.join(world, "terrain.db"))
        kept.write_bytes(grid[:cut] + kept.read_bytes()[cut:])
        segment.write_bytes(grid[:cut])
        becomes(expected(shown), "short")
        segment.write_bytes(grid)
        kept.write_bytes(grid)
        becomes(expected(shown), "whole")
        Path(world, "terrain.db").write_bytes(
            moved_rectangles(Path(shown, "terrain.db").read_bytes()))
        becomes(expected(), "table")

        server.close_window(args.send_close, window, viewer)


def command():
    parser = argparse.ArgumentParser(description=__doc__)
    for name in ("--program", "--export", "--tiled", "--sheet", "--world", "--send-close",
                 "--out"):
        parser.add_argument(name, type=os.path.abspath, required=True)
    parser.add_argument("--wrapper", type=shlex.split, default=[],
                        help="a command the viewer runs under, to slow it (strace -f -o FILE)")
    args = parser.parse_args()
    shutil.rmtree(args.out, ignore_errors=True)
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
