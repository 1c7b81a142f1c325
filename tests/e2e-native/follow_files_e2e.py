#!/usr/bin/env python3
"""Following the files, natively: tileview-640 in a copy of the demo world, scrolled and on its
second segment, shows each change to its files on disk without a key, at the same place:

- the shown segment's file written from an edited map (a temporary file renamed over it);
- tiles.bmp made anew by tileview-sheet from a picture with other colours (a new palette);
- terrain.db deleted (the table shown is kept), and the segment file caught short: a write of
  its first rows only, in place; then the whole file;
- terrain.db written again in place, with a tile's rectangle moved.

Each time the screen must become the frame tileview-export composes, for the same keys, from
the data the viewer must then show: the folder as it is, or while terrain.db is gone, a copy
with the table kept and, for the short file, the loader's answer to it: its bytes over the
cells loaded before.
"""

import argparse
import os
import shlex
import shutil
import sys
import xml.etree.ElementTree as ElementTree

from harness.core import check, fresh_folder, main, run_program
from harness.world import MODES, RECORD_SIZE, Exporter, require_world
from harness.xserver import XServer

MODE = "640"
WIDTH, HEIGHT = MODES[MODE]
KEYS = "e" + "ddd" + "ss"  # the second segment, three cells left and two up
SEGMENT = "seg001.db"
CELL_SIZE, COLUMNS = 8, 255
SHOWN_ROWS, SHOWN_COLUMNS = range(2, 10), range(3, 14)  # the cells on the screen after KEYS
PALETTE_AT = 14 + 40


def write_segment(args, world, name, tmx):
    """world/name written from the map tmx as a map maker's save writes it: the whole file at
    once, renamed over the old one. For now by tileview-tiled import of tmx's folder, which
    holds that one map."""
    check(os.path.basename(tmx) == name.replace(".db", ".tmx"), f"{tmx} is not {name}'s map")
    result = run_program([args.tiled, "import", os.path.dirname(tmx), world])
    check(result.returncode == 0, f"tileview-tiled import refused {tmx}: {result.stderr}")


def edited_map(args, world, scratch):
    """SEGMENT's map from tileview-tiled export, alone in its folder, with some shown cells
    emptied and others given the tiles of a cell further on."""
    maps = os.path.join(scratch, "maps")
    result = run_program([args.tiled, "export", world, maps])
    check(result.returncode == 0, f"tileview-tiled export: {result.stderr}")
    tmx = os.path.join(maps, SEGMENT.replace(".db", ".tmx"))
    for name in os.listdir(maps):
        if name.endswith(".tmx") and name != os.path.basename(tmx):
            os.remove(os.path.join(maps, name))
    tree = ElementTree.parse(tmx)
    for layer in tree.getroot().iter("layer"):
        data = layer.find("data")
        cells = [int(gid) for gid in data.text.replace("\n", "").split(",")]
        for row, column in ((4, 6), (4, 7), (5, 6), (5, 7)):
            cells[row * COLUMNS + column] = 0
        for row, column in ((7, 10), (7, 11)):
            cells[row * COLUMNS + column] = cells[(row + 30) * COLUMNS + column + 30]
        data.text = "\n" + ",\n".join(",".join(map(str, cells[r * COLUMNS:(r + 1) * COLUMNS]))
                                      for r in range(len(cells) // COLUMNS)) + "\n"
    tree.write(tmx, encoding="UTF-8", xml_declaration=True)
    return tmx


def recoloured_picture(world, scratch):
    """tiles.bmp with red and blue swapped in every colour but the fixed four (black, the key,
    the clear colour, white); the key and clear colours, as tileview-sheet's options take them."""
    with open(os.path.join(world, "tiles.bmp"), "rb") as sheet:
        picture = bytearray(sheet.read())
    for entry in range(1, 255):
        at = PALETTE_AT + 4 * entry
        if entry not in (142, 170):
            picture[at], picture[at + 2] = picture[at + 2], picture[at]
    path = os.path.join(scratch, "recoloured.bmp")
    with open(path, "wb") as out:
        out.write(picture)

    def colour(entry):
        blue, green, red = picture[PALETTE_AT + 4 * entry:PALETTE_AT + 4 * entry + 3]
        return f"{red:02X}{green:02X}{blue:02X}"
    return path, colour(142), colour(170)


def shown_cells(world):
    """The segment's bytes and the (kind, level) pairs of the cells on the screen, most used
    first."""
    with open(os.path.join(world, SEGMENT), "rb") as segment:
        grid = segment.read()
    counts = {}
    for row in SHOWN_ROWS:
        for column in SHOWN_COLUMNS:
            at = (row * COLUMNS + column) * CELL_SIZE
            for level, kind in zip(grid[at:at + 8:2], grid[at + 1:at + 8:2]):
                if kind or level:
                    counts[(kind, level)] = counts.get((kind, level), 0) + 1
    return grid, sorted(counts, key=counts.get, reverse=True)


def moved_rectangle(world, pair):
    """terrain.db with the source rectangle of the first record holding pair moved 7 pixels
    left and 5 up (clamped to the sheet's corner)."""
    with open(os.path.join(world, "terrain.db"), "rb") as table:
        data = bytearray(table.read())
    for at in range(0, len(data) - RECORD_SIZE + 1, RECORD_SIZE):
        if (data[at + 4], data[at + 5]) == pair:
            fields = [int.from_bytes(data[at + o:at + o + 4], "little", signed=True)
                      for o in (8, 12, 16, 20)]
            dx, dy = min(7, fields[0]), min(5, fields[1])
            for offset, value in zip((8, 12, 16, 20), (fields[0] - dx, fields[1] - dy,
                                                       fields[2] - dx, fields[3] - dy)):
                data[at + offset:at + offset + 4] = value.to_bytes(4, "little", signed=True)
            check(dx or dy, f"the record of {pair} lies at the sheet's corner")
            return bytes(data)
    raise AssertionError(f"no record holds {pair}")


def with_cells_cleared(grid, cells):
    changed = bytearray(grid)
    for row, column in cells:
        at = (row * COLUMNS + column) * CELL_SIZE
        changed[at:at + CELL_SIZE] = bytes(CELL_SIZE)
    return bytes(changed)


def write_in_place(path, data):
    with open(path, "wb") as file:
        file.write(data)


def run(args):
    require_world(args.world)
    scratch = fresh_folder(os.path.join(args.out, "scratch"))
    world = os.path.join(args.out, "world")
    shutil.rmtree(world, ignore_errors=True)
    shutil.copytree(args.world, world)
    states = 0

    def expected(folder=world):
        """The frame for KEYS of folder as it is now."""
        nonlocal states
        states += 1
        frame = Exporter(args.export, folder, MODE,
                         os.path.join(args.out, f"expected-{states}")).frame(KEYS)
        check(frame is not None, "tileview-export refused the folder")
        return frame

    with XServer(WIDTH, HEIGHT, args.out) as server:
        viewer = server.start_program([*args.wrapper, args.program], world)
        window = server.wait_window("Dravik", viewer)
        server.type(KEYS)
        before = expected()
        server.save(server.wait_frame(before, "the frame of the keys"), "keys")

        def becomes(frame, what, name):
            check(frame != before, f"{what}: the test's change does not show")
            server.save(server.wait_frame(frame, f"the frame after {what}"), name)
            check(viewer.poll() is None, f"the viewer ended after {what}")
            return frame

        write_segment(args, world, SEGMENT, edited_map(args, world, scratch))
        before = becomes(expected(), "the segment's save", "saved")

        picture, key, clear = recoloured_picture(world, scratch)
        made = run_program([args.sheet, picture, "-o", os.path.join(world, "tiles.bmp"),
                            "--key", key, "--clear", clear])
        check(made.returncode == 0, f"tileview-sheet: {made.stderr}")
        before = becomes(expected(), "the new sheet", "sheet")

        # terrain.db goes, and the segment is caught short: the table shown stays, and the
        # short file's bytes lie over the cells loaded before. A copy of the folder with the
        # table still there holds what the screen must show.
        grid, pairs = shown_cells(world)
        whole = with_cells_cleared(grid, [(3, 5), (3, 9), (8, 5), (8, 9)])
        cut = 6 * COLUMNS * CELL_SIZE  # the first six rows
        shown = os.path.join(args.out, "shown")
        shutil.rmtree(shown, ignore_errors=True)
        shutil.copytree(world, shown)
        os.remove(os.path.join(world, "terrain.db"))
        write_in_place(os.path.join(world, SEGMENT), whole[:cut])
        write_in_place(os.path.join(shown, SEGMENT), whole[:cut] + grid[cut:])
        before = becomes(expected(shown), "terrain.db gone and a short write", "short")
        write_in_place(os.path.join(world, SEGMENT), whole)
        write_in_place(os.path.join(shown, SEGMENT), whole)
        before = becomes(expected(shown), "the whole write", "whole")

        # terrain.db back, in place, with the most used tile's rectangle moved.
        write_in_place(os.path.join(world, "terrain.db"), moved_rectangle(shown, pairs[0]))
        becomes(expected(), "terrain.db back with a tile moved", "table")

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
