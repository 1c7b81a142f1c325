#!/usr/bin/env python3
"""Small seeds for fuzz_tile_sheet, written into a corpus folder.

Usage: tile_sheet_seeds.py WORLD CORPUS
The demo sheet's top-left corner in every picture form of the bad-input folders (headers of 12
and 124 bytes, 1, 4 and 24 bits, odd colour counts, top-down rows, RLE), and the demo sheet
itself cut short. Small inputs keep the fuzzer fast; the full sheet adds only size.
"""

import os
import sys

from harness import bad_inputs as bad

CORNER_W, CORNER_H = 48, 32  # a multiple of 4 wide: the 8-bit rows need no padding


def main():
    world, corpus = sys.argv[1], sys.argv[2]
    os.makedirs(corpus, exist_ok=True)
    table, rows = bad.read_sheet(os.path.join(world, "tiles.bmp"))
    corner = [row[:CORNER_W] for row in rows[:CORNER_H]]
    seeds = {f"seed-{case}": data for case, (_, data) in bad.sheet_variants(table, corner).items()}
    whole = open(os.path.join(world, "tiles.bmp"), "rb").read()
    for size in (100, 1077, 1078 + 2 * bad.SHEET_W):
        seeds[f"seed-demo-cut-{size}"] = whole[:size]
    for name, data in seeds.items():
        with open(os.path.join(corpus, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
