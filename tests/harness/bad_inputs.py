#!/usr/bin/env python3
"""Writes one data folder per bad input, each the demo world with one file spoilt.

Usage: python3 -m harness.bad_inputs WORLD OUT [CASE ...]
Prints one line per folder: its name and what was done to it. The same bytes on every run.
Unchanged files are hard links to the demo world's (copies where links are refused).
"""

import os
import random
import shutil
import struct
import sys

from harness.world import DATA_FILES, SEGMENT_FILES

SHEET_W, SHEET_H = 1300, 3900
INT_MIN, INT_MAX = -(2**31), 2**31 - 1


def noise(size, seed):
    return random.Random(seed).randbytes(size)


# --- tiles.bmp in other forms -------------------------------------------------------------


def read_sheet(path):
    """A sheet's colour table (BGRX) and its rows of pixel indices, top row first."""
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    assert (width, height) == (SHEET_W, SHEET_H)
    table = data[54:54 + 1024]
    rows = [data[offset + y * SHEET_W: offset + (y + 1) * SHEET_W] for y in range(SHEET_H)]
    rows.reverse()
    return table, rows


def bmp(info, table, pixel_rows, bits, compression_data=None):
    """A file: header, information header, colour table, rows bottom-up (or as given)."""
    body = compression_data if compression_data is not None else b"".join(pixel_rows)
    offset = 14 + len(info) + len(table)
    header = b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset)
    return header + info + table + body


def info40(width, height, bits, colours_used, compression=0, image_size=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, image_size,
                       2835, 2835, colours_used, 0)


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def pack_bits(indices, bits):
    per_byte = 8 // bits
    out = bytearray()
    for i in range(0, len(indices), per_byte):
        value = 0
        chunk = indices[i:i + per_byte]
        for j in range(per_byte):
            value = (value << bits) | (chunk[j] if j < len(chunk) else 0)
        out.append(value)
    return bytes(out)


def sheet_with_bits(table, rows, bits):
    reduce = bytes((i >> (8 - bits)) for i in range(256))
    packed = [pad(pack_bits(row.translate(reduce), bits)) for row in reversed(rows)]
    colours = 1 << bits
    return bmp(info40(len(rows[0]), len(rows), bits, 0), table[:4 * colours], packed, bits)


def sheet_24bit(table, rows):
    bgr = [table[4 * i:4 * i + 3] for i in range(256)]
    packed = [pad(b"".join(bgr[p] for p in row)) for row in reversed(rows)]
    return bmp(info40(len(rows[0]), len(rows), 24, 0), b"", packed, 24)


def rle8(rows):
    out = bytearray()
    for row in reversed(rows):
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and run < 255 and row[x + run] == row[x]:
                run += 1
            out += bytes((run, row[x]))
            x += run
        out += b"\0\0"
    out += b"\0\1"
    return bytes(out)


def sheet_variants(table, rows):
    """The picture (rows top first, any size; the demo sheet's for the folders) in other forms."""
    width, height = len(rows[0]), len(rows)
    bottom_up = list(reversed(rows))
    core_table = b"".join(table[4 * i:4 * i + 3] for i in range(256))
    v5 = struct.pack("<IiiHHIIiiII", 124, width, height, 1, 8, 0, 0, 2835, 2835, 256, 0)
    v5 += struct.pack("<IIII", 0, 0, 0, 0) + b"sRGB" + b"\0" * 36 + struct.pack("<III", 0, 0, 0)
    v5 += struct.pack("<IIII", 4, 0, 0, 0)
    assert len(v5) == 124
    core = struct.pack("<IHHHH", 12, width, height, 1, 8)
    rle = rle8(rows)
    return {
        "tiles-header-12": ("12-byte information header",
                            bmp(core, core_table, bottom_up, 8)),
        "tiles-header-124": ("124-byte information header",
                             bmp(v5, table, bottom_up, 8)),
        "tiles-1bit": ("1 bit per pixel", sheet_with_bits(table, rows, 1)),
        "tiles-4bit": ("4 bits per pixel", sheet_with_bits(table, rows, 4)),
        "tiles-24bit": ("24 bits per pixel, no colour table", sheet_24bit(table, rows)),
        "tiles-colours-0": ("colours used 0", bmp(info40(width, height, 8, 0), table,
                                                  bottom_up, 8)),
        "tiles-colours-16": ("colours used 16", bmp(info40(width, height, 8, 16), table,
                                                    bottom_up, 8)),
        "tiles-colours-300": ("colours used 300", bmp(info40(width, height, 8, 300), table,
                                                      bottom_up, 8)),
        "tiles-colours-max": ("colours used 4294967295",
                              bmp(info40(width, height, 8, 0xFFFFFFFF), table, bottom_up, 8)),
        "tiles-top-down": ("rows top-down (negative height)",
                           bmp(info40(width, -height, 8, 0), table, rows, 8)),
        "tiles-rle8": ("RLE-compressed pixels",
                       bmp(info40(width, height, 8, 0, 1, len(rle)), table, None, 8, rle)),
    }


def sheet_with_reserved_colours(table, rows):
    """The demo sheet with other colours than black and white in palette entries 0 and 255, and
    the open water drawn with them: the pixels of entry 14 (deep water) take entry 0, whose
    colour becomes entry 14's a little redder, and those of entry 15 take entry 255, whose colour
    becomes nearly black. Shown without "allow 256", entries 0 and 255 are black and white, so
    the first land on entry 14 again and the second on black."""
    colours = bytearray(table)
    blue, green, red = colours[56:59]
    colours[0:4] = bytes((blue, green, min(255, red + 14), 0))
    colours[1020:1024] = bytes((6, 4, 10, 0))
    move = bytes(0 if i == 14 else 255 if i == 15 else i for i in range(256))
    moved = [row.translate(move) for row in reversed(rows)]
    return bmp(info40(len(rows[0]), len(rows), 8, 0), bytes(colours), moved, 8)


# --- terrain records ----------------------------------------------------------------------


def patch_records(terrain, fields):
    """Rewrites the placement fields of the first records in use, one tuple per record."""
    data = bytearray(terrain)
    index = 0
    for values in fields:
        while data[index * 88 + 4] == 0 and data[index * 88 + 5] == 0:
            index += 1
        struct.pack_into("<iiiiii", data, index * 88 + 8, *values)
        index += 1
    return bytes(data)


def record_variants(terrain):
    return {
        "records-leave-sheet": ("source rectangles past each edge of the sheet", patch_records(
            terrain, [(-10, 0, 45, 55, 0, 0), (0, -10, 55, 45, 0, 0),
                      (1280, 0, 1335, 55, 0, 0), (0, 3880, 55, 3935, 0, 0),
                      (5000, 5000, 5055, 5055, 0, 0)])),
        "records-negative-size": ("source rectangles of negative and zero size", patch_records(
            terrain, [(55, 0, 0, 55, 0, 0), (0, 55, 55, 0, 0, 0), (0, 0, 0, 55, 0, 0),
                      (10, 10, 10, 10, 0, 0)])),
        "records-extreme": ("edges at the ends of the 32-bit range", patch_records(
            terrain, [(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0),
                      (INT_MAX, INT_MAX, INT_MIN, INT_MIN, 0, 0),
                      (0, 0, INT_MAX, 55, 0, 0)])),
        "records-anchors": ("anchors at the ends of the 32-bit range", patch_records(
            terrain, [(0, 0, 55, 55, INT_MIN, 0), (0, 0, 55, 55, 0, INT_MIN),
                      (0, 0, 55, 55, INT_MAX, INT_MAX), (0, 0, 55, 55, INT_MIN, INT_MAX),
                      (0, 0, 55, 55, -1, -1)])),
    }


# --- whole files --------------------------------------------------------------------------


def file_variants(name, original, seed):
    stem = name.split(".")[0]
    odd = [1, 87, len(original) // 2 + 1] if name != "tiles.bmp" else [100, 1077, 2_500_001]
    cases = {
        f"{stem}-missing": (f"{name} missing", None),
        f"{stem}-empty": (f"{name} empty", b""),
        f"{stem}-long": (f"{name} with 4,097 bytes more", original + noise(4097, seed)),
        f"{stem}-random": (f"{name} of random bytes", noise(len(original), seed + 1)),
    }
    for size in odd:
        what = f"{name} cut to {size:,} byte" + "s" * (size != 1)
        cases[f"{stem}-truncated-{size}"] = (what, original[:size])
    return cases


def all_cases(world):
    def read(name):
        with open(os.path.join(world, name), "rb") as file:
            return file.read()

    cases = {}
    for seed, name in enumerate(["terrain.db", SEGMENT_FILES[0], "tiles.bmp"]):
        for case, (what, data) in file_variants(name, read(name), 100 * seed).items():
            cases[case] = (what, {name: data})
    after = SEGMENT_FILES[1]
    cases[after.split(".")[0] + "-missing"] = (f"{after} missing (the segment after the first)",
                                               {after: None})
    table, rows = read_sheet(os.path.join(world, "tiles.bmp"))
    for case, (what, data) in sheet_variants(table, rows).items():
        cases[case] = (what, {"tiles.bmp": data})
    for case, (what, data) in record_variants(read("terrain.db")).items():
        cases[case] = (what, {"terrain.db": data})
    return cases


def write_case(world, folder, changes):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name in DATA_FILES:
        target = os.path.join(folder, name)
        if name in changes:
            if changes[name] is not None:
                open(target, "wb").write(changes[name])
            continue
        try:
            os.link(os.path.join(world, name), target)
        except OSError:
            shutil.copyfile(os.path.join(world, name), target)


def main():
    world, out, wanted = sys.argv[1], sys.argv[2], sys.argv[3:]
    for case, (what, changes) in sorted(all_cases(world).items()):
        if wanted and case not in wanted:
            continue
        write_case(world, os.path.join(out, case), changes)
        print(f"{case}\t{what}")


if __name__ == "__main__":
    main()
