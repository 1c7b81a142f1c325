#!/usr/bin/env python3
"""tileview-sheet from the command line, on the demo world's sheet: back unchanged from itself,
through a PNG (with and without alpha) to the same frames, back from a palette a picture tool
sorted (which tileview-check must flag first), and its refusals, which leave any old file as it
was."""

import argparse
import json
import os
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import zlib

from harness import bad_inputs
from harness.core import check, main, run_program
from harness.frame import picture_rgb
from harness.world import CLEAR_INDEX, palette

WIDTH, HEIGHT = 1300, 3900
HEADERS = 14 + 40
TABLE_END = HEADERS + 1024
KEY = b"\xff\0\xff"
# Frames the round trips must keep, colour for colour: (mode, keys).
FRAMES = [("1024", ""), ("1024", "ddsse"), ("640", "eeqqsssddd"), ("1600", "eeeaaww")]


def read_sheet(path):
    """An 8-bit uncompressed bitmap's palette as RGB bytes and its rows of indices, top first."""
    return palette(path), bad_inputs.read_sheet(path)[1]


def write_png(path, width, height, channels, pixels):
    """A truecolour PNG (3 channels RGB, 4 RGBA) of 8-bit samples, rows top first."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body))

    stride = width * channels
    raw = b"".join(b"\0" + pixels[y * stride:(y + 1) * stride] for y in range(height))
    colour_type = 2 if channels == 3 else 6
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n"
                  + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
                  + chunk(b"IDAT", zlib.compress(raw, 1)) + chunk(b"IEND", b""))


def channels_of(colours, indices, alpha_of=None):
    """The pixels' colours as interleaved bytes: RGB, or RGBA with alpha_of(entry)."""
    planes = [indices.translate(bytes(c[k] for c in colours)) for k in range(3)]
    if alpha_of is not None:
        planes.append(indices.translate(bytes(alpha_of(i) for i in range(256))))
    out = bytearray(len(indices) * len(planes))
    for k, plane in enumerate(planes):
        out[k::len(planes)] = plane
    return bytes(out)


class Tools:
    def __init__(self, args, scratch):
        self.sheet, self.check, self.export = args.sheet, args.check, args.export
        self.scratch = scratch
        self.world = os.path.join(scratch, "world")
        subprocess.run([args.mkworld, self.world], check=True)
        self.palette, self.rows = read_sheet(os.path.join(self.world, "tiles.bmp"))
        self.indices = b"".join(self.rows)
        self.clear = self.palette[CLEAR_INDEX].hex().upper()

    def make_sheet(self, picture, output, *extra, **kwargs):
        return run_program([self.sheet, picture, "-o", output, *extra], **kwargs)

    def world_with(self, name, sheet):
        """A copy of the demo world with another tiles.bmp."""
        folder = os.path.join(self.scratch, name)
        shutil.copytree(self.world, folder)
        shutil.copyfile(sheet, os.path.join(folder, "tiles.bmp"))
        return folder

    def frame(self, folder, mode, keys):
        path = os.path.join(self.scratch, "frame.png")
        result = run_program([self.export, "--data", folder, "--mode", mode, "--keys", keys,
                              "-o", path])
        check(result.returncode == 0, f"export in {folder}: {result.stderr}")
        return picture_rgb(path)

    def check_same_frames(self, folder, what):
        for mode, keys in FRAMES:
            check(self.frame(folder, mode, keys) == self.frame(self.world, mode, keys),
                  f"{what}: the {mode} frame after '{keys}' differs from the demo world's")

    def check_report(self, folder):
        result = run_program([self.check, "--json", folder])
        return result.returncode, json.loads(result.stdout)


def test_identity(tools):
    out = os.path.join(tools.scratch, "same.bmp")
    result = tools.make_sheet(os.path.join(tools.world, "tiles.bmp"), out, "--clear", tools.clear)
    check(result.returncode == 0, f"demo sheet: exit code {result.returncode}: {result.stderr}")
    colours, rows = read_sheet(out)
    check(colours == tools.palette, "demo sheet: the palette changed")
    check(rows == tools.rows, "demo sheet: the pixel indices changed")


def test_png_round_trip(tools):
    png = os.path.join(tools.scratch, "sheet-rgb.png")
    write_png(png, WIDTH, HEIGHT, 3, channels_of(tools.palette, tools.indices))
    out = os.path.join(tools.scratch, "from-rgb.bmp")
    result = tools.make_sheet(png, out, "--clear", tools.clear)
    check(result.returncode == 0, f"RGB PNG: exit code {result.returncode}: {result.stderr}")
    data = open(out, "rb").read()
    fields = struct.unpack_from("<IiiHHII", data, 14)
    check(fields[:6] == (40, WIDTH, HEIGHT, 1, 8, 0) and len(data) == TABLE_END + WIDTH * HEIGHT,
          f"RGB PNG: not a 40-byte-header, bottom-up, 8-bit sheet: {fields}")
    colours, _ = read_sheet(out)
    check((colours[0], colours[142], colours[CLEAR_INDEX], colours[255])
          == (b"\0\0\0", KEY, tools.palette[CLEAR_INDEX], b"\xff\xff\xff"), "fixed entries")
    tools.check_same_frames(tools.world_with("rgb-world", out), "through an RGB PNG")

    # The same picture with its transparent parts as alpha 0 (on a colour of their own) gives
    # the same sheet.
    rgba = os.path.join(tools.scratch, "sheet-rgba.png")
    spare = [b"\1\2\3" if i == 142 else c for i, c in enumerate(tools.palette)]
    write_png(rgba, WIDTH, HEIGHT, 4,
              channels_of(spare, tools.indices, lambda i: 0 if i == 142 else 255))
    out_alpha = os.path.join(tools.scratch, "from-rgba.bmp")
    result = tools.make_sheet(rgba, out_alpha, "--clear", tools.clear)
    check(result.returncode == 0, f"RGBA PNG: exit code {result.returncode}: {result.stderr}")
    check(open(out_alpha, "rb").read() == data, "RGBA PNG: another sheet than from the RGB one")


def test_sorted_palette(tools):
    """The palette sorted by brightness, as a picture tool saves it: checker flags it, the
    sheet tool puts it right again."""
    order = sorted(range(256), key=lambda i: (sum(tools.palette[i]), tools.palette[i]))
    new_index = {old: new for new, old in enumerate(order)}
    check(new_index[142] != 142, "the sort left the key where it was: no test")
    renumber = bytes(new_index[i] for i in range(256))
    pixels = bad_inputs.rle8([row.translate(renumber) for row in tools.rows])
    table = b"".join(bytes((tools.palette[i][2], tools.palette[i][1], tools.palette[i][0], 0))
                     for i in order)
    sorted_sheet = os.path.join(tools.scratch, "sorted.bmp")
    open(sorted_sheet, "wb").write(bad_inputs.bmp(
        bad_inputs.info40(WIDTH, HEIGHT, 8, 256, 1, len(pixels)), table, None, 8, pixels))

    code, report = tools.check_report(tools.world_with("sorted-world", sorted_sheet))
    corner = [p["text"] for p in report["problems"] if "corners are mostly" in p["text"]]
    check(code == 1 and len(corner) == 1, f"sorted palette not flagged: {report['problems']}")
    check(f"(255, 0, 255), entry {new_index[142]} (" in corner[0] and "tileview-sheet" in
          corner[0], f"sorted palette: {corner[0]}")
    _, demo = tools.check_report(tools.world)
    check(not [p for p in demo["problems"] if "corners" in p["text"]], "demo world flagged")

    fixed = os.path.join(tools.scratch, "fixed.bmp")
    result = tools.make_sheet(sorted_sheet, fixed, "--clear", tools.clear)
    check(result.returncode == 0, f"sorted sheet: exit code {result.returncode}: {result.stderr}")
    folder = tools.world_with("fixed-world", fixed)
    _, report = tools.check_report(folder)
    check(report["problems"] == demo["problems"], f"fixed sheet: {report['problems']}")
    tools.check_same_frames(folder, "from the sorted palette")


def test_refusals(tools):
    out = os.path.join(tools.scratch, "refused.bmp")
    many = os.path.join(tools.scratch, "many.png")
    row = bytes(b for x in range(WIDTH) for b in (1, x % 253, 7))
    write_png(many, WIDTH, HEIGHT, 3, row * HEIGHT)
    short = os.path.join(tools.scratch, "short.png")
    write_png(short, WIDTH, HEIGHT - 1, 3, bytes(3 * WIDTH * (HEIGHT - 1)))
    narrow = os.path.join(tools.scratch, "narrow.bmp")
    info = struct.pack("<IiiHHIIiiII", 40, 1299, HEIGHT, 1, 24, 0, 0, 0, 0, 0, 0)
    open(narrow, "wb").write(struct.pack("<2sIHHI", b"BM", 0, 0, 0, HEADERS) + info)
    cases = [
        (many, "253 colours besides black, white, the transparent and the clear colour"),
        (short, "1300 x 3899 pixels, not 1300 x 3900"),
        (narrow, "1299 x 3900 pixels, not 1300 x 3900"),
        (os.path.join(tools.scratch, "none.png"), "No such file"),
    ]
    for picture, expected in cases:
        result = tools.make_sheet(picture, out)
        check(result.returncode == 1 and expected in result.stderr,
              f"{picture}: exit code {result.returncode}, {result.stderr!r}")
        check(not os.path.exists(out), f"{picture}: an output was written")

    for args in (["-o", out], [many], [many, "-o", out, "--key", "FFFFFF"], ["--x"]):
        result = run_program([tools.sheet, *args])
        check(result.returncode == 2 and "Usage: tileview-sheet" in result.stderr,
              f"{args}: exit code {result.returncode}")


def test_failed_write_keeps_old_file(tools):
    folder = os.path.join(tools.scratch, "out")
    os.makedirs(folder)
    old = os.path.join(folder, "tiles.bmp")
    open(old, "wb").write(b"the old sheet")
    picture = os.path.join(tools.world, "tiles.bmp")

    def small_files():
        # The write fails part way: a file may not grow past 1 MB, and the signal that would
        # end the program is ignored, so the write itself reports it.
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))

    result = tools.make_sheet(picture, old, preexec_fn=small_files)
    check(result.returncode == 1 and old in result.stderr,
          f"failed write: exit code {result.returncode}, {result.stderr!r}")
    check(os.path.isfile(old) and open(old, "rb").read() == b"the old sheet",
          "failed write: the old file is gone or changed")
    check(os.listdir(folder) == ["tiles.bmp"], f"failed write left {os.listdir(folder)}")
    result = tools.make_sheet(picture, os.path.join(folder, "no-such", "tiles.bmp"))
    check(result.returncode == 1, f"missing folder: exit code {result.returncode}")
    # And the same write without the limit replaces it whole.
    check(tools.make_sheet(picture, old).returncode == 0, "write after the failed one")
    check(os.listdir(folder) == ["tiles.bmp"]
          and os.path.getsize(old) == TABLE_END + WIDTH * HEIGHT,
          "the sheet did not replace the old file")


def run(args):
    with tempfile.TemporaryDirectory(prefix="dravik-sheet-cli-") as scratch:
        tools = Tools(args, scratch)
        test_identity(tools)
        test_png_round_trip(tools)
        test_sorted_palette(tools)
        test_refusals(tools)
        test_failed_write_keeps_old_file(tools)
    print("tileview-sheet: all command-line cases pass")


def command():
    parser = argparse.ArgumentParser()
    for name in ("--sheet", "--check", "--export", "--mkworld"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
