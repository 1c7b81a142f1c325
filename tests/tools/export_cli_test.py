#!/usr/bin/env python3
"""tileview-export without any display: its command line, its errors (file and reason, exit
code), its frames in every mode, and the poster, in the demo world."""

import argparse
import os
import shutil
import struct
import subprocess
import sys

MODES = {1024: 768, 1600: 1200, 1280: 1024, 640: 480}
SEGMENTS = ["seg000.db", "seg001.db", "seg005.db", "seg006.db", "seg007.db", "seg009.db"]
PITCH = 55
WINDOW_COLUMNS, WINDOW_ROWS = 145, 86


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Exporter:
    def __init__(self, program, scratch):
        self.program = program
        self.scratch = scratch
        # No display at all: the export must not need one.
        self.env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        self.count = 0

    def run(self, *args, cwd=None):
        return subprocess.run([self.program, *args], cwd=cwd, env=self.env, capture_output=True,
                              text=True, timeout=120)

    def picture(self, world, *args):
        """Exports into a fresh file and answers its bytes."""
        self.count += 1
        path = os.path.join(self.scratch, f"picture-{self.count}.png")
        result = self.run("--data", world, "-o", path, *args)
        check(result.returncode == 0, f"{args}: exit code {result.returncode}: {result.stderr}")
        return open(path, "rb").read(), path, result


def png_chunks(data):
    check(data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG file")
    at, chunks = 8, {}
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        chunks.setdefault(kind, b"")
        chunks[kind] += data[at + 8:at + 8 + length]
        at += 12 + length
    return chunks


def png_header(data):
    """Width, height, bit depth and colour type, and the palette as (r, g, b) tuples."""
    chunks = png_chunks(data)
    width, height, depth, colour = struct.unpack_from(">IIBB", chunks[b"IHDR"])
    plte = chunks[b"PLTE"]
    palette = [tuple(plte[i:i + 3]) for i in range(0, len(plte), 3)]
    return width, height, depth, colour, palette


def png_rgb(path):
    return subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                          check=True).stdout


def bitmap_palette(world):
    """The display palette the viewer makes of tiles.bmp (an 8-bit file with 256 colours)."""
    header = open(os.path.join(world, "tiles.bmp"), "rb").read(14 + 40 + 1024)
    return [(header[54 + 4 * i + 2], header[54 + 4 * i + 1], header[54 + 4 * i])
            for i in range(256)]


def test_usage(exporter):
    for args, message in ((["--mode", "800"], "--mode '800'"),
                          (["--segment", "9"], "--segment '9'"),
                          (["--poster", "--keys", "a"], "--poster draws"),
                          (["--keys"], "--keys needs a value"),
                          (["out.png"], "unexpected argument 'out.png'")):
        result = exporter.run(*args)
        check(result.returncode == 2, f"{args}: exit code {result.returncode}")
        check(f"tileview-export: {message}" in result.stderr and "Usage:" in result.stderr,
              f"{args}: unclear error {result.stderr!r}")
    result = exporter.run("--help")
    check(result.returncode == 0 and "--poster" in result.stdout, "--help")


def test_file_errors(exporter, world, scratch):
    def expect_error(folder, file, *args):
        output = os.path.join(scratch, "never.png")
        result = exporter.run("--data", folder, "-o", output, *args)
        check(result.returncode == 1, f"{file}: exit code {result.returncode}: {result.stderr}")
        check(file in result.stderr, f"{file} not named in {result.stderr!r}")
        check(not os.path.exists(output), f"{file}: a picture was written anyway")
        return result.stderr

    reason = expect_error(os.path.join(scratch, "nowhere"), "nowhere")
    check("No such file or directory" in reason, f"no reason given: {reason!r}")
    empty = os.path.join(scratch, "empty")
    os.makedirs(empty)
    reason = expect_error(empty, os.path.join(empty, "terrain.db"))
    check("No such file or directory" in reason, f"no reason given: {reason!r}")

    partial = os.path.join(scratch, "partial")
    shutil.copytree(world, partial)
    os.remove(os.path.join(partial, "seg001.db"))
    expect_error(partial, "seg001.db", "--segment", "1")
    expect_error(partial, "seg001.db", "--keys", "e")
    with open(os.path.join(partial, "tiles.bmp"), "wb") as spoilt:
        spoilt.write(b"PK not a bitmap")
    expect_error(partial, os.path.join(partial, "tiles.bmp"))
    os.remove(os.path.join(partial, "tiles.bmp"))
    expect_error(partial, "tiles.bmp")

    output = os.path.join(scratch, "no-such-folder", "frame.png")
    result = exporter.run("--data", world, "-o", output)
    check(result.returncode == 1 and output in result.stderr, f"output: {result.stderr!r}")


def test_frames(exporter, world):
    palette = bitmap_palette(world)
    for width, height in MODES.items():
        mode = str(width)
        first, path, _ = exporter.picture(world, "--mode", mode)
        w, h, depth, colour, png_palette = png_header(first)
        check((w, h, depth, colour) == (width, height, 8, 3),
              f"{mode}: {w} x {h}, depth {depth}, colour type {colour}")
        check(png_palette == palette, f"{mode}: the PNG's palette is not the display palette")
        check(len(set(png_rgb(path)[::3 * 101])) > 20, f"{mode}: no map in the picture")

        def same(a, b):
            return exporter.picture(world, "--mode", mode, *a)[0] == \
                exporter.picture(world, "--mode", mode, *b)[0]

        # The scroll and the keys reach the same view; a segment step is --segment.
        check(same(["--scroll", "-110,-55"], ["--keys", "dds"]), f"{mode}: --scroll != keys")
        check(same(["--scroll", "55,0", "--keys", "d"], []), f"{mode}: scroll then keys")
        check(same(["--segment", "1"], ["--keys", "e"]), f"{mode}: --segment 1 != e")
        check(same(["--segment", "5"], ["--keys", "q"]), f"{mode}: --segment 5 != q")
        check(same(["--keys", "eeeeee"], []), f"{mode}: six steps are not back")
        check(same(["--keys", "ADWSEQxad"], []), f"{mode}: keys that do nothing changed it")
        check(not same(["--keys", "dds"], []), f"{mode}: the keys changed nothing")
        check(not same(["--segment", "2"], []), f"{mode}: the segment changed nothing")


def poster_extent(world, segment):
    """Where the tiles of a segment's drawn window reach, from the files themselves."""
    table = open(os.path.join(world, "terrain.db"), "rb").read(466 * 88)
    first = {}
    for index in range(len(table) // 88):
        pair = (table[index * 88 + 4], table[index * 88 + 5])
        if pair != (0, 0):
            first.setdefault(pair, struct.unpack_from("<6i", table, index * 88 + 8))
    grid = open(os.path.join(world, SEGMENTS[segment]), "rb").read()
    left, top, right, bottom = 0, 0, WINDOW_COLUMNS * PITCH, WINDOW_ROWS * PITCH
    for row in range(WINDOW_ROWS):
        for column in range(WINDOW_COLUMNS):
            cell = grid[(row * 255 + column) * 8:(row * 255 + column) * 8 + 8]
            for kind_at in (7, 5, 3, 1):
                record = first.get((cell[kind_at], cell[kind_at - 1]))
                if record is None:
                    continue
                sl, st, sr, sb, ax, ay = record
                if not (0 <= sl < sr <= 1300 and 0 <= st < sb <= 3900):
                    continue
                x, y = column * PITCH - ax, row * PITCH - ay
                left, top = min(left, x), min(top, y)
                right, bottom = max(right, x + sr - sl), max(bottom, y + sb - st)
    return left, top, right, bottom


def test_poster(exporter, world):
    for segment in (0, 3):
        data, path, result = exporter.picture(world, "--poster", "--segment", str(segment))
        left, top, right, bottom = poster_extent(world, segment)
        width, height, _, _, palette = png_header(data)
        check((width, height) == (right - left, bottom - top),
              f"poster {segment}: {width} x {height}, expected {right - left} x {bottom - top}")
        check(palette == bitmap_palette(world), f"poster {segment}: palette")
        check(f"poster of {SEGMENTS[segment]}, 145 x 86 cells: {width} x {height} pixels"
              in result.stderr and "wrote" in result.stderr, f"no progress: {result.stderr!r}")

        # Away from the frame's edges (where the frame leaves out tiles that cross them), the
        # 1024 x 768 frame at the segment's start is the poster's part at the grid's origin.
        frame_path = exporter.picture(world, "--segment", str(segment))[1]
        frame, poster = png_rgb(frame_path), png_rgb(path)
        band = 2 * PITCH + max(-top, 0) + max(-left, 0)
        x0, x1, y0, y1 = band, 1024 - band, max(band, 60), 768 - band
        for y in range(y0, y1):
            a = frame[(y * 1024 + x0) * 3:(y * 1024 + x1) * 3]
            py, px = y - top, x0 - left
            b = poster[(py * width + px) * 3:(py * width + px + x1 - x0) * 3]
            check(a == b, f"poster {segment}: row {y} differs from the frame's")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--export", required=True)
    parser.add_argument("--mkworld", required=True)
    parser.add_argument("--scratch", required=True)
    args = parser.parse_args()
    shutil.rmtree(args.scratch, ignore_errors=True)
    os.makedirs(args.scratch)
    world = os.path.join(args.scratch, "world")
    subprocess.run([args.mkworld, world], check=True)
    exporter = Exporter(args.export, args.scratch)
    try:
        test_usage(exporter)
        test_file_errors(exporter, world, args.scratch)
        test_frames(exporter, world)
        test_poster(exporter, world)
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    shutil.rmtree(args.scratch, ignore_errors=True)
    print("tileview-export: all command-line cases pass")
    return 0


if __name__ == "__main__":
    sys.exit(main())
