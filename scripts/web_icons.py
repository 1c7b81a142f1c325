#!/usr/bin/env python3
"""Draws the web page's icons from a frame of the demo world: the square of SIDE pixels at X,Y
of FRAME.png (tileview-export's indexed PNG), each pixel a block, into OUT/icon-N.png for each
size N (a multiple of SIDE). The picture keeps the frame's palette; the files hold no time, so
the same frame always gives the same bytes.

Usage: web_icons.py FRAME.png X,Y SIDE OUT N..."""

import os
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


def chunks(data):
    """(kind, body) of each chunk of a PNG file's bytes."""
    if not data.startswith(SIGNATURE):
        raise SystemExit("web_icons: the frame is not a PNG")
    at = len(SIGNATURE)
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        yield kind, data[at + 8:at + 8 + length]
        at += 12 + length


def unfilter(rows, width):
    """The rows of an 8-bit, one byte a pixel picture, each row's filter undone."""
    previous = bytearray(width)
    for filtered in rows:
        kind, row = filtered[0], bytearray(filtered[1:])
        for x in range(width):
            left = row[x - 1] if x else 0
            up, corner = previous[x], previous[x - 1] if x else 0
            if kind == 1:
                row[x] = (row[x] + left) & 0xFF
            elif kind == 2:
                row[x] = (row[x] + up) & 0xFF
            elif kind == 3:
                row[x] = (row[x] + (left + up) // 2) & 0xFF
            elif kind == 4:
                guess = left + up - corner
                near = min((abs(guess - left), 0, left), (abs(guess - up), 1, up),
                           (abs(guess - corner), 2, corner))
                row[x] = (row[x] + near[2]) & 0xFF
        previous = row
        yield bytes(row)


def read_indexed(path):
    """(width, pixel rows, palette chunk) of an 8-bit palette PNG."""
    with open(path, "rb") as file:
        found = list(chunks(file.read()))
    header = dict(found)[b"IHDR"]
    width, height, depth, colour = struct.unpack_from(">IIBB", header)
    if (depth, colour, header[12]) != (8, 3, 0):
        raise SystemExit("web_icons: the frame is not an 8-bit indexed, not interlaced PNG")
    data = zlib.decompress(b"".join(body for kind, body in found if kind == b"IDAT"))
    stride = width + 1
    rows = [data[y * stride:(y + 1) * stride] for y in range(height)]
    return width, list(unfilter(rows, width)), dict(found)[b"PLTE"]


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write_indexed(path, rows, palette):
    size = len(rows[0])
    raw = b"".join(b"\0" + row for row in rows)
    data = (SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", size, len(rows), 8, 3, 0, 0, 0))
            + chunk(b"PLTE", palette) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))
    with open(path + ".part", "wb") as file:
        file.write(data)
    os.replace(path + ".part", path)


def main():
    frame, corner, side, out, sizes = (sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4],
                                       [int(size) for size in sys.argv[5:]])
    left, top = (int(value) for value in corner.split(","))
    width, rows, palette = read_indexed(frame)
    if left + side > width or top + side > len(rows) or any(size % side for size in sizes):
        raise SystemExit("web_icons: the square is not inside the frame, or a size is not a "
                         "multiple of its side")
    square = [row[left:left + side] for row in rows[top:top + side]]
    os.makedirs(out, exist_ok=True)
    for size in sizes:
        factor = size // side
        scaled = [bytes(pixel for pixel in row for _ in range(factor)) for row in square]
        write_indexed(os.path.join(out, f"icon-{size}.png"),
                      [row for row in scaled for _ in range(factor)], palette)


if __name__ == "__main__":
    main()
