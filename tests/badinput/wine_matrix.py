#!/usr/bin/env python3
"""Bad data folders end to end on tileview-640.exe under Wine.

For each folder of harness.bad_inputs (and the untouched demo world, the control), the program
is started in a 640 x 480 virtual desktop on an Xvfb of its own and driven: a square tour of
scroll steps, a click, a burst of random keys that leaves the view where it started, a walk off
the map, a second click, then Alt+F4. It must keep handling input (each click shows in the
overlay, once every key before it was handled; the close is taken after all of them), end with
exit code 0 and leave the folder as it was. Without terrain.db the message box is answered
instead. Cases run in lanes, side by side.

The frame after the first click is held against the native one: the frame tileview-export
composes from the same folder, outside the overlay box; where the export refuses the folder (a
picture SDL cannot load, a segment that cannot be opened), the native viewer shows the map
without tiles, one colour outside the overlay, and so must Windows. NOT_AS_NATIVE names the
folders whose pictures differ, and why.

Prints one line per case: its name, what the user sees, the time taken.
"""

import argparse
import hashlib
import os
import random
import shutil
import sys
import threading
import time

from harness.bad_inputs import all_cases, write_case
from harness.core import Failure, check, main, run_cases
from harness.frame import OVERLAY_BOX
from harness.wine import (TITLE, WineDesktop, answer_message_box, character_width,
                          close_with_alt_f4, column_box, column_ink_and_paper, wait_first_frame,
                          wait_message_box)
from harness.world import MODES, PITCH, Exporter, clear_colour, require_world
from harness.xserver import XServer

MODE = "640"
WIDTH, HEIGHT = MODES[MODE]
CONTROL = "demo"
LANES = 2
OFF_MAP = 30            # steps left after which no cell of the map can reach the screen
# Three clicks in one row: the column number reads 10 (two characters), then 5 (one), then, off
# the map, a negative number.
FIRST_CLICK = (10 * PITCH + 20, 3 * PITCH + 10)
TOUR_CLICK = (5 * PITCH + 20, 3 * PITCH + 10)
SECOND_CLICK = (300, 200)
DIGIT_BOX = (0, 20, 8, 36)  # the first character of the column number, whatever its width
PAPER = b"\xff\xff\xff"
NOISE_KEYS = ["A", "D", "W", "S", "E", "Q", "x", "1", "minus", "space", "Return", "BackSpace"]
# The folders where Windows and the native build show different pictures, and why: mostly one of
# the two bitmap loaders reads the picture otherwise.
NOT_AS_NATIVE = {
    "tiles-top-down": "Wine's loader leaves a top-down picture black",
    "tiles-colours-16": "SDL's loader refuses pixels past the colours used, which Windows draws",
    # Found, not explained: 9 pixels of one tile show another palette entry under Wine's GDI
    # than the nearest colour gives natively; every other folder's colours match.
    "tiles-header-12": "one colour of the picture lands on another entry under Wine's GDI",
}
# An empty box: one colour outside it is one colour over the whole screen, as the desktop shows
# before the first frame.
WHOLE_SCREEN = (0, 0, 0, 0)


class Taught:
    """What the control's run shows of the overlay, the same in every folder: the first character
    of the column number after the first click and after the tour's click."""

    def __init__(self, after_first, after_tour):
        self.after_first, self.after_tour = after_first, after_tour


def folder_state(folder):
    """Every file's name and SHA-256."""
    state = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as file:
            state[name] = hashlib.sha256(file.read()).hexdigest()
    return state


def burst_keys(seed, count):
    """count keys in a random order: as many a as d and w as s, so that the view ends where it
    began; any number of e and q; and keys the viewer ignores."""
    rng = random.Random(seed)
    moves = [rng.choice("aw") for _ in range(count // 4)]
    others = [rng.choice(["e", "q"] + NOISE_KEYS) for _ in range(count - 2 * len(moves))]
    keys = moves + [{"a": "d", "w": "s"}[k] for k in moves] + others
    rng.shuffle(keys)
    return keys


def describe(first, control, clear):
    """What the user sees, told against the demo world's (control; None when there is none)."""
    if control is not None and first.same_outside(control):
        return "the demo map"
    if first.uniform_outside():
        colour = first.at(WIDTH - 1, HEIGHT - 1)
        if colour == clear:
            return "the cleared background, no tiles"
        return "all black outside the overlay" if colour == b"\0\0\0" else \
            f"one colour #{colour.hex()} outside the overlay"
    if control is None:
        return "a map"
    changed = len(first.differing(control, OVERLAY_BOX))
    return f"the map, changed ({100 * changed / (WIDTH * HEIGHT):.1f}% of pixels differ " \
           f"from the demo)"


def has_paper(frame):
    box = frame.region(DIGIT_BOX)
    return any(box[i:i + 3] == PAPER for i in range(0, len(box), 3))


def drive(server, window, case, args, taught, composer):
    """The clicks, the tour and the burst. Answers the frame after the first click and, for the
    control (taught None), what the overlay showed.

    Under Wine a screenshot may catch the screen while a frame is being copied to it, the rest
    still the frame before. Before the first frame the screen is black, and what a spoilt folder
    shows is not known in advance, so its first frame is not held against anything: the frame
    after a click is. A click changes the overlay alone, so once the overlay shows the click,
    the screen outside it is whole, whichever of the two frames each part comes from. Each
    screen awaited shows exactly the first character of a column number that only the click
    awaited can have put there; the control, whose frames are composed in advance, learns them
    where a box copied in part shows: the number widens, then narrows, over a background of
    neither ink nor paper."""
    if taught is None:
        start = wait_first_frame(server, composer.frame(""), "the composed first frame")
        width = character_width(start)
    else:
        # Paper in the column number's box: the viewer's overlay, not the desktop or the black
        # of a window not drawn yet.
        start = server.wait_for(
            "a frame of more than one colour, with the overlay's paper",
            lambda f: not f.uniform_outside(WHOLE_SCREEN) and has_paper(f))
    server.save(start, "start")
    server.focus(window)

    server.click(*FIRST_CLICK)
    if taught is None:
        clicked = composer.frame("", FIRST_CLICK)
        first = server.wait_for(
            "the composed frame after the first click, its column number two characters wide",
            lambda f: f.same_outside(clicked) and column_ink_and_paper(f, 2 * width))
    else:
        first = server.wait_for("the first click's column number",
                                lambda f: f.region(DIGIT_BOX) == taught.after_first)
    server.save(first, "first")

    s = args.steps
    tour = "a" * s + "w" * s + "d" * s + "s" * s
    server.keys(*tour)
    server.click(*TOUR_CLICK)
    if taught is None:
        toured_expected = composer.frame(tour, TOUR_CLICK)
        beyond = column_box(start, width, 2 * width)
        toured = server.wait_for(
            "the composed frame after the tour and a click, its column number one character",
            lambda f: f.same_outside(toured_expected) and column_ink_and_paper(f, width)
            and column_box(f, width, 2 * width) == beyond)
        check(toured.same_outside(first), "after the tour the frame is not the first one")
    else:
        # The view is back where it began: only the overlay may differ from the first frame.
        toured = server.wait_for(
            "the first frame, with the column number of the click after the tour",
            lambda f: f.region(DIGIT_BOX) == taught.after_tour and f.same_outside(first))
    server.save(toured, "toured")

    server.keys(*burst_keys(case, args.burst), *["a"] * OFF_MAP)
    server.click(*SECOND_CLICK)
    # Off the map only the clear remains; the new column number starts with a minus sign.
    off = server.wait_for(
        "one colour outside the overlay and another column number, after the burst, the walk "
        "off the map and a click",
        lambda f: f.uniform_outside() and f.region(DIGIT_BOX) != toured.region(DIGIT_BOX))
    server.save(off, "off-map")
    if taught is None:
        taught = Taught(first.region(DIGIT_BOX), toured.region(DIGIT_BOX))
    return first, taught


def check_as_native(case, first, composer):
    """Answers how the frame after the first click stands to the native one; a departure not
    named in NOT_AS_NATIVE, or a named one that is gone, fails the case."""
    native = composer.frame("", FIRST_CLICK)
    alike = first.same_outside(native) if native is not None else first.uniform_outside()
    if case in NOT_AS_NATIVE:
        check(not alike, f"the picture is the native one, although {NOT_AS_NATIVE[case]}")
        return "not as native"
    check(alike, "the picture is not the native one outside the overlay" if native is not None
          else "the native build shows no tiles here, Windows does")
    return "as native"


def run_case(case, folder, args, control, clear):
    """One case on an Xvfb and a desktop of its own. control: (the control's first frame, what
    it taught), or None for the control itself. Answers what the user sees, the frame after the
    first click (None for a message box) and what the overlay showed."""
    out = os.path.join(args.out, case)
    before = folder_state(folder)
    composer = Exporter(args.export, folder, MODE, os.path.join(out, "expected"))
    with XServer(WIDTH, HEIGHT, out) as server:
        desktop = WineDesktop(server)
        program = desktop.start(desktop.program(args.exe, out), folder,
                                os.path.join(out, "program.log"))
        if not os.path.exists(os.path.join(folder, "terrain.db")):
            box, screen = wait_message_box(server, program, case)
            server.save(screen, "message-box")
            check(box.width < WIDTH, "no message box, a window of the whole screen")
            answer_message_box(server, box, program, case)
            seen, first, taught = "message box", None, None
        else:
            window = server.wait_window(TITLE, program, WIDTH)
            first, taught = drive(server, window, case, args, control and control[1], composer)
            seen = "the demo map" if control is None else describe(first, control[0], clear)
            close_with_alt_f4(server, window, program, case)
            seen += f"; {check_as_native(case, first, composer)}"
    after = folder_state(folder)
    changed = sorted(set(after.items()) ^ set(before.items()))
    check(after == before, f"the data folder changed: {changed}")
    return seen, first, taught


def run(args):
    require_world(args.world)
    clear = clear_colour(args.world)
    shutil.rmtree(args.out, ignore_errors=True)
    data = os.path.join(args.out, "data")
    prefixes = tuple(p for p in args.only.split(",") if p)
    cases = {case: changes for case, (_, changes) in sorted(all_cases(args.world).items())
             if not prefixes or case.startswith(prefixes)}
    check(cases, f"no bad input starts with {args.only}")
    for case, changes in [(CONTROL, {}), *cases.items()]:
        write_case(args.world, os.path.join(data, case), changes)

    printing = threading.Lock()
    control = None

    def work(case, folder):
        begun = time.monotonic()
        try:
            seen, first, taught = run_case(case, folder, args, control, clear)
        except Failure as failure:
            with printing:
                print(f"{case:<26} FAIL {failure}", flush=True)
            raise
        with printing:
            print(f"{case:<26} {seen:<60} {time.monotonic() - begun:5.1f} s", flush=True)
        return first, taught

    started = time.monotonic()
    # The control first, alone: the other first frames are told against it, and its overlay is
    # what the others' must show.
    results, failures = run_cases([(CONTROL, os.path.join(data, CONTROL))], work, 1)
    check(not failures, f"the control (the demo world) failed: {failures.get(CONTROL)}")
    control = results[CONTROL]
    more, more_failures = run_cases([(case, os.path.join(data, case)) for case in cases], work,
                                    LANES)
    failures.update(more_failures)
    print(f"{len(cases) + 1} cases in {time.monotonic() - started:.0f} s", flush=True)
    for case, message in sorted(failures.items()):
        print(f"FAIL {case}: {message}", flush=True)
    check(not failures, f"{len(failures)} of {len(cases) + 1} cases failed: "
          f"{', '.join(sorted(failures))}")


def command():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", type=os.path.abspath, required=True, help="tileview-640.exe")
    parser.add_argument("--export", type=os.path.abspath, required=True,
                        help="the native tileview-export")
    parser.add_argument("--world", type=os.path.abspath, required=True, help="the demo world")
    parser.add_argument("--out", type=os.path.abspath, required=True,
                        help="folder for the data folders and screens")
    parser.add_argument("--only", default="", help="cases whose names start with these, a,b")
    parser.add_argument("--steps", type=int, default=40, help="scroll steps each way")
    parser.add_argument("--burst", type=int, default=160, help="keys in the random burst")
    args = parser.parse_args()
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
