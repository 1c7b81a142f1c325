#!/usr/bin/env python3
"""Bad data folders end to end on tileview-640.exe under Wine.

For each folder of make_bad_inputs.py (and the untouched demo world, the control), the program is
started in its own 640 x 480 virtual desktop and driven: a square tour of scroll steps, a click,
a burst of random keys that leaves the view where it started, a walk off the map, a second click,
then Alt+F4. It must keep handling input (each click shows in the overlay, once every key before
it was handled; the close is taken after all of them), end with exit code 0 and leave the folder
as it was. Without terrain.db the message box is answered instead. Cases run in lanes: one Xvfb,
one desktop and one copy of the program each, side by side.

Prints one line per case: its name, what the user sees, the time taken.
"""

import argparse
import concurrent.futures
import hashlib
import os
import random
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "wine"))
sys.path.insert(0, os.path.join(HERE, "..", "e2e-wine"))
from e2e_wine import Failure, Frames, Screen, check, find_window, read_world  # noqa: E402
from wine_desktop import WineDesktop  # noqa: E402

WIDTH, HEIGHT = 640, 480
PITCH = 55
CONTROL = "demo"
OFF_MAP = 30            # steps left after which no cell of the map can reach the screen
FIRST_CLICK = (5 * PITCH + 20, 3 * PITCH + 10)
SECOND_CLICK = (300, 200)
DIGIT_BOX = (0, 20, 8, 36)  # the first character of the column number, whatever its width
NOISE_KEYS = ["A", "D", "W", "S", "E", "Q", "x", "1", "minus", "space", "Return", "BackSpace"]


def folder_state(folder):
    """Every file's name and SHA-256."""
    state = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            state[name] = hashlib.sha256(f.read()).hexdigest()
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


def box(screen):
    left, top, right, bottom = DIGIT_BOX
    return b"".join(screen.segment(y, left, right) for y in range(top, bottom))


def uniform_outside_overlay(screen):
    colour = screen.at(WIDTH - 1, HEIGHT - 1)
    rows = [screen.segment(y, 80 if y < 80 else 0, WIDTH) for y in range(HEIGHT)]
    return all(row == colour * (len(row) // 3) for row in rows)


def describe(first, control, background):
    """What the user sees in the first frame, told against the demo world's (None: this is
    the demo world)."""
    if control is None or first.rgb == control.rgb:
        return "the demo map"
    if uniform_outside_overlay(first):
        colour = first.at(WIDTH - 1, HEIGHT - 1)
        if colour == background:
            return "the cleared background, no tiles"
        return "all black" if colour == b"\0\0\0" else "all one colour #%s" % colour.hex()
    if first.same_outside_overlay(control):
        return "the demo map, another overlay"
    changed = sum(first.rgb[i:i + 3] != control.rgb[i:i + 3] for i in range(0, len(first.rgb), 3))
    return "the map, changed (%.1f%% of pixels differ from the demo)" % (
        100 * changed / (WIDTH * HEIGHT))


class Lane:
    """One Xvfb with a desktop, and a copy of the program whose file name gives it that
    desktop."""

    def __init__(self, index, display, exe, out):
        self.desk = WineDesktop(display, WIDTH, HEIGHT)
        folder = os.path.join(out, "lane%d" % index)
        os.makedirs(folder, exist_ok=True)
        self.exe = os.path.join(folder, "tileview-640-lane%d.exe" % index)
        shutil.copyfile(exe, self.exe)

    def __enter__(self):
        self.desk.start_x()
        self.desk.assign_desktop(os.path.basename(self.exe))
        return self

    def __exit__(self, *exc):
        self.desk.stop()


def drive(desk, window, first, frames, case, args):
    """The tour, the burst and the two clicks; answers whether the overlay could be seen."""
    desk.xdotool("windowfocus", window)
    visible = not uniform_outside_overlay(first) or first.at(WIDTH - 1, HEIGHT - 1) != first.at(
        2, 25)

    def keys(names):
        for start in range(0, len(names), 100):
            desk.xdotool("key", "--delay", "2", *names[start:start + 100])

    def click(position):
        desk.xdotool("mousemove", *position)
        time.sleep(0.3)
        desk.xdotool("click", "1")

    def settled(until, name):
        return Screen(frames.settled(lambda s: until(Screen(s, WIDTH, HEIGHT)), name), WIDTH,
                      HEIGHT)

    s = args.steps
    keys(["a"] * s + ["w"] * s + ["d"] * s + ["s"] * s)
    click(FIRST_CLICK)
    if visible:
        # The view is back where it began: only the overlay may differ from the first frame.
        toured = settled(lambda f: f.rgb != first.rgb and f.same_outside_overlay(first),
                         "toured")
        check(toured.rgb != first.rgb and toured.same_outside_overlay(first),
              "after the tour and a click the frame is not the first with another overlay")

    keys(burst_keys(case, args.burst) + ["a"] * OFF_MAP)
    click(SECOND_CLICK)
    if visible:
        # Off the map only the clear remains; the new column starts with a minus sign.
        off = settled(lambda f: uniform_outside_overlay(f) and box(f) != box(toured), "off-map")
        check(uniform_outside_overlay(off) and box(off) != box(toured),
              "after the burst, the walk off the map and a click the overlay did not change")
    return visible


def run_case(lane, case, folder, args, control):
    desk = lane.desk
    out = os.path.join(args.out, case)
    os.makedirs(out, exist_ok=True)
    frames = Frames(desk, out)
    before = folder_state(folder)
    background, _ = read_world(args.world)
    program = desk.start(lane.exe, folder, os.path.join(out, "program.log"))
    try:
        if not os.path.exists(os.path.join(folder, "terrain.db")):
            window = find_window(desk, "Dravik", 100, program)
            check(window[3] < WIDTH, "no message box, a window of the whole screen")
            return message_box(desk, window, program, frames), None
        window = find_window(desk, "Dravik", WIDTH, program)
        # Before the first frame the desktop shows one colour; so does a frame drawn with a
        # palette of one colour, which is taken once nothing else has come for a while.
        shown = time.monotonic()
        first = Screen(frames.settled(
            lambda s: len(set(s[::3 * 101])) > 1 or time.monotonic() > shown + 15, "first"),
            WIDTH, HEIGHT)
        seen = describe(first, control, background)
        if not drive(desk, window[0], first, frames, case, args):
            seen += " (the overlay cannot be seen)"
        desk.xdotool("key", "alt+F4")
        code = program.wait(timeout=120)
        check(code == 0, "exit code %d after the close, not 0" % code)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end after the close")
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
    after = folder_state(folder)
    check(after == before, "the data folder changed: %s" % sorted(
        set(after.items()) ^ set(before.items())))
    return seen, first


def message_box(desk, window, program, frames):
    time.sleep(0.5)  # the box paints its text after it maps
    rgb = desk.screenshot()
    check(rgb is not None, "no screenshot of the message box")
    frames.save(rgb, "message-box")
    check(program.poll() is None, "the program did not wait for the message box")
    desk.xdotool("windowfocus", window[0])
    desk.xdotool("key", "Return")
    code = program.wait(timeout=60)
    check(code == 0, "exit code %d after the message box, not 0" % code)
    return "message box"


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", required=True, help="tileview-640.exe")
    parser.add_argument("--world", required=True, help="the demo world")
    parser.add_argument("--out", required=True, help="folder for the data folders and screens")
    parser.add_argument("--displays", required=True, help="Xvfb numbers, one lane each: 101,102")
    parser.add_argument("--only", default="", help="cases whose names start with these, a,b")
    parser.add_argument("--steps", type=int, default=40, help="scroll steps each way")
    parser.add_argument("--burst", type=int, default=160, help="keys in the random burst")
    args = parser.parse_args()
    args.world = os.path.abspath(args.world)
    try:
        read_world(args.world)
    except Failure as failure:
        print("FAIL: %s" % failure)
        return 1
    shutil.rmtree(args.out, ignore_errors=True)
    data = os.path.join(args.out, "data")
    listing = subprocess.run([sys.executable, os.path.join(HERE, "make_bad_inputs.py"),
                              args.world, data], check=True, stdout=subprocess.PIPE, text=True)
    prefixes = tuple(p for p in args.only.split(",") if p)
    cases = [line.split("\t")[0] for line in listing.stdout.splitlines()]
    cases = [c for c in cases if not prefixes or c.startswith(prefixes)]
    shutil.copytree(args.world, os.path.join(data, CONTROL))

    started = time.monotonic()
    failures = []
    lanes = [Lane(i, int(d), args.exe, args.out) for i, d in enumerate(args.displays.split(","))]
    try:
        for lane in lanes:
            lane.__enter__()
        # The control first, alone: the other first frames are told against it.
        _, control = run_one(lanes[0], CONTROL, data, args, None, failures)
        queue = list(cases)

        def work(lane):
            while True:
                try:
                    case = queue.pop(0)
                except IndexError:
                    return
                run_one(lane, case, data, args, control, failures)

        with concurrent.futures.ThreadPoolExecutor(len(lanes)) as workers:
            list(workers.map(work, lanes))
    finally:
        for lane in lanes:
            lane.__exit__()
    print("%d cases in %.0f s" % (len(cases) + 1, time.monotonic() - started))
    for case, message in failures:
        print("FAIL %s: %s" % (case, message))
    return 1 if failures else 0


def run_one(lane, case, data, args, control, failures):
    begun = time.monotonic()
    try:
        seen, first = run_case(lane, case, os.path.join(data, case), args, control)
        print("%-26s %-60s %5.1f s" % (case, seen, time.monotonic() - begun), flush=True)
        return seen, first
    except Failure as failure:
        failures.append((case, str(failure)))
        print("%-26s FAIL %s" % (case, failure), flush=True)
        return None, None


if __name__ == "__main__":
    sys.exit(main())
