#!/usr/bin/env python3
"""Small seeds for fuzz_check, written into a corpus folder.

Usage: check_seeds.py WORLD CORPUS
Each seed is a world in fuzz_check's input form (see fuzz_check.cpp): a few of the demo world's
records (the table's first, or its last, which make a whole table) with a few cells of two
segments (at the drawn window's corners, across its edges and past a whole file's end), and a
sheet of the right shape that holds only the pixels at those records' corners (run-length
encoded, every other pixel left 0); worlds with nothing in them; and a small world with a
finding of every kind and a folder name that JSON must escape.
"""

import os
import struct
import sys

from harness.world import SEGMENT_FILES

SHEET_W, SHEET_H = 1300, 3900
RECORD_SIZE, RECORD_COUNT = 88, 466
CELL_BYTES = 8
ROW_BYTES = 255 * CELL_BYTES  # one row of a segment's grid
GRID_BYTES = 255 * ROW_BYTES
MAX_LEN = 4096
SLOT_BYTES = 64  # eight cells


def seed(present, folder, terrain, slots, sheet):
    """present: the eight files' presence, terrain.db first and tiles.bmp last; terrain: (zero
    bytes it starts with, its bytes after them); slots: two (segment, zero bytes, bytes)."""
    bits = sum(1 << i for i, there in enumerate(present) if there)
    assert len(slots) == 2 and all(len(own) <= SLOT_BYTES for _, _, own in slots)
    fields = b"".join(bytes([segment]) + struct.pack("<I", lead)[:3] + bytes([len(own)])
                      for segment, lead, own in slots)
    data = (bytes([bits]) + struct.pack("<HH", terrain[0], len(terrain[1])) + fields +
            bytes([len(folder)]) + folder + terrain[1] + b"".join(own for _, _, own in slots) +
            sheet)
    assert len(data) <= MAX_LEN, len(data)
    return data


def cells(segments, segment, at, count):
    """A slot: count cells of a segment's file from cell (row, column), zeros before them."""
    start = (at[0] * 255 + at[1]) * CELL_BYTES
    return segment, start, segments[segment][start:start + count * CELL_BYTES]


def table_part(terrain, first, last):
    """terrain.db's records first to last alone, zeros before them."""
    return first * RECORD_SIZE, terrain[first * RECORD_SIZE:(last + 1) * RECORD_SIZE]


def records(part):
    """(left, top, right, bottom) of each record in use of a table_part."""
    lead, terrain = part
    for index in range(len(terrain) // RECORD_SIZE):
        at = index * RECORD_SIZE
        if terrain[at + 4] or terrain[at + 5]:
            yield struct.unpack_from("<4i", terrain, at + 8)


def corner_pixels(terrain, sheet):
    """The sheet's index at every corner the checker reads: {(x, y top-down): index}."""
    offset = struct.unpack_from("<I", sheet, 10)[0]
    pixels = {}
    for left, top, right, bottom in records(terrain):
        if not (0 <= left < right <= SHEET_W and 0 <= top < bottom <= SHEET_H):
            continue
        for x in (left, right - 1):
            for y in (top, bottom - 1):
                pixels[(x, y)] = sheet[offset + (SHEET_H - 1 - y) * SHEET_W + x]
    return pixels


def rle_corners(pixels):
    """RLE8 data that puts each pixel where it belongs, by jumps, bottom row first."""
    out = bytearray()
    x, y = 0, SHEET_H - 1
    for (tx, ty), index in sorted(pixels.items(), key=lambda p: (-p[0][1], p[0][0])):
        if tx < x:
            out += b"\0\0"  # end of row: to the start of the one above
            x, y = 0, y - 1
        while tx > x or ty < y:
            dx, dy = min(tx - x, 255), min(max(y - ty, 0), 255)
            out += bytes((0, 2, dx, dy))
            x, y = x + dx, y - dy
        out += bytes((1, index))
        x += 1
    return bytes(out + b"\0\1")


def rle_sheet(header_block, data):
    """The demo sheet's headers and colour table made to say RLE8, then data."""
    block = bytearray(header_block)
    struct.pack_into("<I", block, 30, 1)  # compression: RLE8
    struct.pack_into("<I", block, 34, len(data))
    return bytes(block) + data


def record(kind, level, left, top, right, bottom):
    out = bytearray(RECORD_SIZE)
    out[4], out[5] = kind, level
    struct.pack_into("<4i", out, 8, left, top, right, bottom)
    return bytes(out)


def main():
    world, corpus = sys.argv[1], sys.argv[2]
    os.makedirs(corpus, exist_ok=True)

    def read(name):
        return open(os.path.join(world, name), "rb").read()

    terrain, sheet = read("terrain.db"), read("tiles.bmp")
    segments = [read(name) for name in SEGMENT_FILES]
    block = sheet[:1078]
    every = [True] * 8
    seeds = {}

    def corners(part):
        return rle_sheet(block, rle_corners(corner_pixels(part, sheet)))

    # The table's first records; cells at the window's first corner and across its last.
    first = table_part(terrain, 0, 11)
    seeds["seed-demo-first-records"] = seed(
        every, b"world", first,
        [cells(segments, 0, (0, 0), 8), cells(segments, 3, (85, 137), 8)], corners(first))

    # The table's last records, which make it whole (two of them hold a pair again); cells
    # across the window's right edge, and a whole file's last cells with more after them.
    last = table_part(terrain, 448, RECORD_COUNT - 1)
    seeds["seed-demo-last-records"] = seed(
        every, b"", last,
        [cells(segments, 1, (3, 140), 8), (5, GRID_BYTES - 16, segments[5][-16:] + b"\1" * 8)],
        corners(last))

    # The demo sheet's headers alone: the picture is cut short; cells below the window and of a
    # missing segment; three segments missing.
    seeds["seed-demo-headers"] = seed(
        [True, True, False, True, False, True, False, True], b"/data/world",
        table_part(terrain, 0, 5),
        [cells(segments, 2, (86, 0), 8), cells(segments, 1, (1, 1), 8)], block)

    seeds["seed-nothing"] = seed([False] * 8, b"", (0, b""), [(0, 0, b"")] * 2, b"")
    seeds["seed-all-empty"] = seed(every, b".", (0, b""), [(0, 0, b""), (1, 0, b"")], b"")

    # Bad sources, a pair held twice, missing references (one cell naming a record twice), a
    # whole grid of zeros, a 12-byte header and a folder to escape.
    small = (record(1, 1, 0, 0, 55, 55) + record(1, 1, 0, 0, 55, 55) +
             record(2, 1, 1250, 0, 1301, 50) + record(2, 3, 10, 10, 10, 60) +
             record(0, 7, 1245, 3845, 1300, 3900))
    grid = bytearray(8 * CELL_BYTES)
    for column, layer, kind, level in ((0, 0, 1, 1), (0, 2, 1, 1), (1, 2, 9, 9), (3, 3, 0, 7),
                                       (7, 1, 200, 1)):
        at = column * CELL_BYTES + 6 - 2 * layer
        grid[at], grid[at + 1] = level, kind
    core = bytearray(block[:14 + 12 + 768])
    struct.pack_into("<IHHHH", core, 14, 12, SHEET_W, SHEET_H, 1, 8)
    seeds["seed-findings"] = seed(every, b'a "b"\\c\n\x01\x7f\xc3\xa9', (0, small),
                                  [(0, 0, bytes(grid)), (4, GRID_BYTES, b"")], bytes(core))

    for name, data in seeds.items():
        with open(os.path.join(corpus, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
