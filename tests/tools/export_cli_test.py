#!/usr/bin/env python3
"""tileview-export without any display: its command line, its errors (file and reason, exit
code), its frames in every mode, and the poster, in the demo world."""

import argparse
import os
import shutil
import struct
import subprocess
import sys

from harness.core import check, fresh_folder, main, run_program, without_display
from harness.frame import picture_rgb
from harness.world import MODES, PITCH, SEGMENT_FILES, palette, terrain_records

WINDOW_COLUMNS, WINDOW_ROWS = 145, 86


class Exporter:
    def __init__(self, program, scratch):
        self.program = program
        self.scratch = scratch
        self.count = 0

    def run(self, *args, cwd=None):
        # No display at all: the export must not need one.
        return run_program([self.program, *args], cwd=cwd, env=without_display())

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
    """Width, height, bit depth and colour type, and the palette as RGB bytes per entry."""
    chunks = png_chunks(data)
    width, height, depth, colour = struct.unpack_from(">IIBB", chunks[b"IHDR"])
    plte = chunks[b"PLTE"]
    return width, height, depth, colour, [plte[i:i + 3] for i in range(0, len(plte), 3)]


def sheet_palette(world):
    """The display palette the viewer makes of tiles.bmp (an 8-bit file with 256 colours)."""
    return palette(os.path.join(world, "tiles.bmp"))


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
    os.remove(os.path.join(partial, SEGMENT_FILES[1]))
    expect_error(partial, SEGMENT_FILES[1], "--segment", "1")
    expect_error(partial, SEGMENT_FILES[1], "--keys", "e")
    with open(os.path.join(partial, "tiles.bmp"), "wb") as spoilt:
        spoilt.write(b"PK not a bitmap")
    expect_error(partial, os.path.join(partial, "tiles.bmp"))
    os.remove(os.path.join(partial, "tiles.bmp"))
    expect_error(partial, "tiles.bmp")

    output = os.path.join(scratch, "no-such-folder", "frame.png")
    result = exporter.run("--data", world, "-o", output)
    check(result.returncode == 1 and output in result.stderr, f"output: {result.stderr!r}")


def test_sheet_claiming_too_much(exporter, world, scratch):
    """A 1,178-byte tiles.bmp that claims 60000 x 60000 pixels: the viewer shows no tiles, and
    the export must not let a loader allocate the claim (3.5 GB) to find that out."""
    folder = os.path.join(scratch, "claiming")
    shutil.copytree(world, folder)
    header = struct.pack("<IiiHHIIiiII", 40, 60000, 60000, 1, 8, 0, 0, 0, 0, 256, 0)
    with open(os.path.join(folder, "tiles.bmp"), "wb") as sheet:
        sheet.write(b"BM" + struct.pack("<IHHI", 1178, 0, 0, 1078) + header + bytes(1124))
    output = os.path.join(scratch, "claiming.png")
    process = subprocess.Popen([exporter.program, "--data", folder, "-o", output],
                               env=without_display(), stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    process.stderr.close()
    check(os.waitstatus_to_exitcode(status) == 0, f"exit status {status}")
    check(usage.ru_maxrss < 1024 * 1024, f"the export used {usage.ru_maxrss} KB")


def test_frames(exporter, world):
    colours = sheet_palette(world)
    for mode, (width, height) in MODES.items():
        first, path, _ = exporter.picture(world, "--mode", mode)
        w, h, depth, colour, png_palette = png_header(first)
        check((w, h, depth, colour) == (width, height, 8, 3),
              f"{mode}: {w} x {h}, depth {depth}, colour type {colour}")
        check(png_palette == colours, f"{mode}: the PNG's palette is not the display palette")
        check(len(set(picture_rgb(path)[::3 * 101])) > 20, f"{mode}: no map in the picture")

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
    first = {}
    for kind, level, *fields in terrain_records(world):
        first.setdefault((kind, level), fields)
    grid = open(os.path.join(world, SEGMENT_FILES[segment]), "rb").read()
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
        width, height, _, _, colours = png_header(data)
        check((width, height) == (right - left, bottom - top),
              f"poster {segment}: {width} x {height}, expected {right - left} x {bottom - top}")
        check(colours == sheet_palette(world), f"poster {segment}: palette")
        check(f"poster of {SEGMENT_FILES[segment]}, 145 x 86 cells: {width} x {height} pixels"
              in result.stderr and "wrote" in result.stderr, f"no progress: {result.stderr!r}")

        # Away from the frame's edges (where the frame leaves out tiles that cross them), the
        # 1024 x 768 frame at the segment's start is the poster's part at the grid's origin.
        frame_path = exporter.picture(world, "--segment", str(segment))[1]
        frame, poster = picture_rgb(frame_path), picture_rgb(path)
        band = 2 * PITCH + max(-top, 0) + max(-left, 0)
        x0, x1, y0, y1 = band, 1024 - band, max(band, 60), 768 - band
        for y in range(y0, y1):
            a = frame[(y * 1024 + x0) * 3:(y * 1024 + x1) * 3]
            py, px = y - top, x0 - left
            b = poster[(py * width + px) * 3:(py * width + px + x1 - x0) * 3]
            check(a == b, f"poster {segment}: row {y} differs from the frame's")


def run(args):
    world = os.path.join(fresh_folder(args.scratch), "world")
    subprocess.run([args.mkworld, world], check=True)
    exporter = Exporter(args.export, args.scratch)
    test_usage(exporter)
    test_file_errors(exporter, world, args.scratch)
    test_sheet_claiming_too_much(exporter, world, args.scratch)
    test_frames(exporter, world)
    test_poster(exporter, world)
    shutil.rmtree(args.scratch, ignore_errors=True)
    print("tileview-export: all command-line cases pass")


def command():
    parser = argparse.ArgumentParser()
    for option in ("--export", "--mkworld", "--scratch"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
