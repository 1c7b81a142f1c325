"""What a test knows of a data folder in advance: its files, how far its tiles reach, its clear
colour, and the frame the viewer of a mode must show for given input (composed by
tileview-export). The segment files and the modes are the C++ sources' own, in the copy the
build writes (dravik_constants, on the PYTHONPATH the build gives the tests)."""

import os
import struct
import subprocess

from dravik_constants import SEGMENT_FILES, VIEWER_MODES
from harness.core import Failure
from harness.frame import load_picture

# Each viewer's mode by name ("1024", the program tileview-1024): its width and height.
MODES = {name: (width, height) for name, width, height in VIEWER_MODES}
DATA_FILES = ["terrain.db", "tiles.bmp", *SEGMENT_FILES]
RECORD_SIZE, RECORD_COUNT = 88, 466
PITCH = 55            # one key press moves the map this far
CLEAR_INDEX = 170


def require_world(world):
    missing = [name for name in DATA_FILES if not os.path.isfile(os.path.join(world, name))]
    if missing:
        raise Failure(f"the demo world is not in {world} (missing {', '.join(missing)})")


def terrain_records(world):
    """(kind, level, left, top, right, bottom, anchor x, anchor y) of each record in use."""
    with open(os.path.join(world, "terrain.db"), "rb") as table:
        data = table.read(RECORD_SIZE * RECORD_COUNT)
    for offset in range(0, len(data) - RECORD_SIZE + 1, RECORD_SIZE):
        kind, level = data[offset + 4], data[offset + 5]
        if kind or level:
            yield (kind, level, *struct.unpack_from("<6i", data, offset + 8))


def tile_reach(world):
    """How far a tile reaches from its cell's origin: left, right, up and down."""
    reach = [0, 0, 0, 0]
    for _, _, left, top, right, bottom, ax, ay in terrain_records(world):
        extents = (ax, right - left - ax, ay, bottom - top - ay)
        reach = [max(r, e) for r, e in zip(reach, extents)]
    return reach


def palette(sheet):
    """The colour table of a tile sheet (an 8-bit file with a 40-byte header) as RGB bytes."""
    with open(sheet, "rb") as file:
        table = file.read(14 + 40 + 1024)[54:]
    return [bytes((table[i + 2], table[i + 1], table[i])) for i in range(0, len(table), 4)]


def clear_colour(world):
    return palette(os.path.join(world, "tiles.bmp"))[CLEAR_INDEX]


class Exporter:
    """Expected frames: tileview-export composes, with the viewer's own code, the frame the
    viewer of mode shows after given keys and a click. Pictures are kept in out and reused."""

    def __init__(self, program, world, mode, out):
        self.program, self.world, self.mode, self.out = program, world, str(mode), out
        self.size = MODES[self.mode]
        self.known = {}
        os.makedirs(out, exist_ok=True)

    def frame(self, keys="", click=None):
        """The frame, or None when the export refuses the folder (its reason is printed)."""
        key = (keys, click)
        if key not in self.known:
            path = os.path.join(self.out, f"expected-{len(self.known):02d}.png")
            args = [self.program, "--mode", self.mode, "--keys", keys, "--data", self.world,
                    "-o", path]
            if click is not None:
                args += ["--click", "%d,%d" % click]
            result = subprocess.run(args, capture_output=True, text=True)
            if result.returncode != 0:
                print(f"no expected frame after {len(keys)} keys: {result.stderr.strip()}")
                self.known[key] = None
            else:
                self.known[key] = load_picture(path, *self.size)
        return self.known[key]
