#!/usr/bin/env python3
"""End to end: one native viewer in the demo world on its own Xvfb.

Every step waits for the frame tileview-export composes for the same input, pixel for pixel,
overlay included: the first frame, each key (a d w s scroll by one cell and back; A does
nothing; e shows another segment, q the first again), a click (only the overlay changes). Each
scroll must also move the picture by one cell. A close request ends the viewer with exit code 0.
With --missing-terrain: no terrain.db, a message on stderr without a display and a message box
with one.
"""

import argparse
import os
import shutil
import sys
import tempfile

from harness.core import check, main, run_program, without_display
from harness.frame import OVERLAY_BOX, shifted_alike
from harness.world import MODES, PITCH, Exporter, clear_colour, require_world, tile_reach
from harness.xserver import XServer

MOVES = {"a": (PITCH, 0), "d": (-PITCH, 0), "w": (0, PITCH), "s": (0, -PITCH)}
UNDO = {"a": "d", "d": "a", "w": "s", "s": "w"}
CLICK = (5 * PITCH + 20, 3 * PITCH + 10)  # column 5; row 3, shown as 39


def overlay_box(frame, x0, y0, characters):
    """A box of black ink on white paper, 8 x 16 pixels per character."""
    ink = paper = 0
    for y in range(y0, y0 + 16):
        for x in range(x0, x0 + 8 * characters):
            colour = frame.at(x, y)
            if colour == b"\0\0\0":
                ink += 1
            elif colour == b"\xff\xff\xff":
                paper += 1
            else:
                return False
    return ink > 10 and paper > ink


def expect_map(frame, clear, what):
    colours = frame.colours()
    not_clear = sum(frame.at(x, y) != clear for y in range(0, frame.height, 7)
                    for x in range(0, frame.width, 7))
    check(len(colours) > 20 and not_clear > frame.width * frame.height // 49 // 4,
          f"{what}: no map shown")
    check(clear in colours, f"{what}: the clear colour (palette entry 170) is nowhere")
    check(overlay_box(frame, 0, 20, 1) and overlay_box(frame, 0, 40, 1),
          f"{what}: no overlay boxes at (0, 20) and (0, 40)")


def tour(args):
    require_world(args.world)
    reach, clear = tile_reach(args.world), clear_colour(args.world)
    width, height = MODES[args.mode]
    expected = Exporter(args.export, args.world, args.mode, args.out)
    with XServer(width, height, args.out) as server:
        viewer = server.start_program([args.program], args.world)
        window = server.wait_window("Dravik", viewer)

        def step(keys, what):
            frame = server.wait_frame(expected.frame(keys), what)
            server.save(frame, what)
            return frame

        first = step("", "first frame")
        expect_map(first, clear, "first frame")
        for key, (dx, dy) in MOVES.items():
            server.type(key)
            moved = step(key, f"key {key}")
            alike, compared = shifted_alike(first, moved, dx, dy, reach, OVERLAY_BOX)
            check(alike and compared >= width * height // 20,
                  f"key {key}: the map did not move by ({dx}, {dy}) ({compared} pixels compared)")
            server.type(UNDO[key])
            check(step(key + UNDO[key], f"key {UNDO[key]} after {key}") == first,
                  f"key {UNDO[key]} after {key}: not the first frame")
        # Upper case does nothing: the e after it shows the next segment as if A were not typed.
        server.type("Ae")
        segment = step("Ae", "keys A e")
        check(len(first.differing(segment, OVERLAY_BOX)) > width * height // 4,
              "key e: the segment did not change")
        expect_map(segment, clear, "segment 1")
        server.type("q")
        check(step("Aeq", "key q") == first, "key q: the first segment is not back")

        server.click(*CLICK)
        clicked = server.wait_frame(expected.frame("Aeq", CLICK), "the click's column and row")
        server.save(clicked, "click")
        check(not first.differing(clicked, OVERLAY_BOX), "click: the map changed")
        check(overlay_box(clicked, 0, 20, 1) and overlay_box(clicked, 0, 40, 2),
              "click: no boxes for 5 and 39")

        server.close_window(args.send_close, window, viewer)


def missing_terrain(args):
    """Started where there is no terrain.db: the message, then exit code 0."""
    folder = tempfile.mkdtemp(prefix="dravik-e2e-")
    try:
        # No display at all: the text goes to stderr.
        quiet = run_program([args.program], cwd=folder,
                            env=dict(without_display(), SDL_VIDEODRIVER="dummy"))
        check(quiet.returncode == 0, f"exit code {quiet.returncode} without terrain.db")
        check("Cannot open terrain.db." in quiet.stderr, "no message on stderr: " + quiet.stderr)

        # With a display: a message box titled Dravik, closed like any window.
        width, height = MODES[args.mode]
        with XServer(width, height, args.out) as server:
            viewer = server.start_program([args.program], folder)
            box = server.wait_window("Dravik", viewer)
            check(box.height < height, f"{box} is not a message box")
            server.save(server.screenshot(), "missing-terrain")
            check(viewer.poll() is None, "the viewer did not wait for the message to be read")
            server.close_window(args.send_close, box, viewer,
                                "the close request to the message box")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def command():
    parser = argparse.ArgumentParser(description=__doc__)
    for name in ("--program", "--world", "--send-close"):
        parser.add_argument(name, type=os.path.abspath, required=True)
    parser.add_argument("--export", help="tileview-export (not needed with --missing-terrain)")
    parser.add_argument("--mode", choices=MODES, required=True, help="the program's mode")
    parser.add_argument("--out", type=os.path.abspath, required=True,
                        help="folder for the screenshots")
    parser.add_argument("--missing-terrain", action="store_true")
    args = parser.parse_args()
    shutil.rmtree(args.out, ignore_errors=True)
    return main(lambda: (missing_terrain if args.missing_terrain else tour)(args))


if __name__ == "__main__":
    sys.exit(command())
