#!/usr/bin/env python3
"""End-to-end tests of a Windows program under Wine: a virtual desktop of the program's own size
on a private Xvfb, keys and clicks through XTEST, checks on screenshots, the exit code.

  view              the demo world: first frame, a d w s e q, a click, the close
  terrain-missing   no terrain.db: the message box, then exit code 0 once it is answered
  display-failure   a desktop smaller than the mode: set-up fails, the program ends by itself
"""

import argparse
import os
import shutil
import signal
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
from wine_desktop import WineDesktop  # noqa: E402

WORLD_FILES = ["terrain.db", "seg000.db", "seg001.db", "seg005.db", "seg006.db", "seg007.db",
               "seg009.db", "tiles.bmp"]
STEP = 55           # one key press moves the map this far
OVERLAY_ZONE = 80   # the overlay's numbers lie within this square at the top-left
LIVENESS = 120      # seconds allowed for anything to show up before a check gives up


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Frames:
    """Screenshots of one desktop, kept as PNG files in the output folder for inspection."""

    def __init__(self, desk, out):
        self.desk = desk
        self.out = out
        self.count = 0

    def save(self, rgb, name):
        self.count += 1
        path = os.path.join(self.out, "%02d-%s.png" % (self.count, name))
        self.desk.save_png(rgb, path)
        return path

    def settled(self, until, name):
        """The first steady screen (two screenshots in a row alike) for which until() holds;
        the last one seen if none does within LIVENESS seconds."""
        deadline = time.monotonic() + LIVENESS
        last = None
        while time.monotonic() < deadline:
            first = self.desk.screenshot()
            time.sleep(0.25)
            second = self.desk.screenshot()
            if first is not None and first == second:
                last = second
                if until(second):
                    break
        check(last is not None, "no steady screen to take for %s" % name)
        self.save(last, name)
        return last


class Screen:
    """Pixels of an RGB screenshot of width x height, compared a row segment at a time."""

    def __init__(self, rgb, width, height):
        self.rgb = rgb
        self.width = width
        self.height = height

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return self.rgb[i:i + 3]

    def segment(self, y, left, right):
        start = (y * self.width + left) * 3
        return self.rgb[start:start + (right - left) * 3]

    def count(self, colour, left=0, top=0, right=None, bottom=None):
        right = self.width if right is None else right
        bottom = self.height if bottom is None else bottom
        total = 0
        for y in range(top, bottom):
            row = self.segment(y, left, right)
            at = row.find(colour)
            while at >= 0:
                if at % 3 == 0:
                    total += 1
                    at = row.find(colour, at + 3)
                else:
                    at = row.find(colour, at + 1)
        return total

    def same_outside_overlay(self, other):
        for y in range(self.height):
            left = OVERLAY_ZONE if y < OVERLAY_ZONE else 0
            if self.segment(y, left, self.width) != other.segment(y, left, self.width):
                return False
        return True


def read_world(world):
    missing = [name for name in WORLD_FILES if not os.path.isfile(os.path.join(world, name))]
    if missing:
        raise Failure("the demo world is not in %s (missing %s); build the native preset first, "
                      "which writes it" % (world, ", ".join(missing)))
    with open(os.path.join(world, "tiles.bmp"), "rb") as f:
        header = f.read(14 + 40 + 1024)
    table = header[54:]
    # The background is palette index 170, turned from the file's blue, green, red order.
    background = bytes([table[170 * 4 + 2], table[170 * 4 + 1], table[170 * 4]])
    with open(os.path.join(world, "terrain.db"), "rb") as f:
        terrain = f.read(41008)
    # How far a tile reaches from its cell's origin: left, right, up and down.
    reach = [0, 0, 0, 0]
    for offset in range(0, len(terrain) - 87, 88):
        kind, level = terrain[offset + 4], terrain[offset + 5]
        if kind == 0 and level == 0:
            continue
        left, top, right, bottom, ax, ay = struct.unpack_from("<6i", terrain, offset + 8)
        extents = (ax, right - left - ax, ay, bottom - top - ay)
        reach = [max(r, e) for r, e in zip(reach, extents)]
    return background, reach


def shifted_alike(before, after, dx, dy, reach):
    """Whether after shows before moved by (dx, dy) wherever it must: at the pixels that only
    tiles of cells on the screen in both frames, lying wholly inside it in both, can cover, away
    from the overlay. Also how many pixels were compared."""
    w, h = before.width, before.height
    across, down = reach[0] + reach[1], reach[2] + reach[3]
    left, right = across + max(0, dx), w - across + min(0, dx)
    compared = 0
    for y in range(down + max(0, dy), h - down + min(0, dy)):
        start = max(left, OVERLAY_ZONE + abs(dx)) if y < OVERLAY_ZONE + abs(dy) else left
        if start >= right:
            continue
        if after.segment(y, start, right) != before.segment(y - dy, start - dx, right - dx):
            return False, compared
        compared += right - start
    return True, compared


def differs_only_in_overlay(a, b):
    return a.rgb != b.rgb and a.same_outside_overlay(b)


def find_window(desk, title, min_width, program):
    """The (id, x, y, width, height) of a window titled title at least min_width wide."""
    deadline = time.monotonic() + LIVENESS
    while time.monotonic() < deadline:
        check(program.poll() is None,
              "the program ended (code %s) before its window appeared" % program.poll())
        for window in desk.windows_named(title):
            if window[3] >= min_width:
                return window
        time.sleep(0.25)
    raise Failure("no window titled %r appeared" % title)


def wait_exit(program, what):
    try:
        return program.wait(timeout=LIVENESS)
    except Exception:
        raise Failure("the program did not end after %s" % what)


def run_view(desk, args, frames):
    background, reach = read_world(args.world)
    program = desk.start(args.exe, args.world, os.path.join(args.out, "program.log"))
    window = find_window(desk, "Dravik", 1, program)
    w, h = desk.width, desk.height

    def shot(rgb):
        return Screen(rgb, w, h)

    first = shot(frames.settled(lambda s: Screen(s, w, h).count(background) > 0, "first"))
    check(first.count(background) > 0, "the first frame shows no cleared background")
    map_pixels = w * h - first.count(background)
    check(map_pixels > w * h // 10, "the first frame shows hardly any map (%d px)" % map_pixels)
    white, black = b"\xff\xff\xff", b"\x00\x00\x00"
    for top in (20, 40):
        box = (0, top, OVERLAY_ZONE, top + 16)
        check(first.count(white, *box) > 0 and first.count(black, *box) > 0,
              "no black-on-white overlay number at (0, %d)" % top)

    desk.xdotool("windowfocus", window[0])

    def press(key, until, name):
        desk.xdotool("key", key)
        return shot(frames.settled(lambda s: until(shot(s)), name))

    def expect_shift(key, reference, dx, dy):
        after = press(key, lambda s: s.rgb != reference.rgb, "after-" + key)
        alike, compared = shifted_alike(reference, after, dx, dy, reach)
        check(after.rgb != reference.rgb, "%s changed nothing" % key)
        check(alike, "after %s the frame is not the earlier one moved by (%d, %d)" % (key, dx, dy))
        check(compared >= w * h // 20,
              "after %s only %d pixels were far enough from the edges to compare" % (key, compared))
        return after

    def expect_first(key):
        back = press(key, lambda s: s.rgb == first.rgb, "after-" + key)
        check(back.rgb == first.rgb, "%s did not bring the first frame back" % key)

    expect_shift("a", first, STEP, 0)
    expect_first("d")
    expect_shift("d", first, -STEP, 0)
    expect_first("a")
    expect_shift("w", first, 0, STEP)
    expect_first("s")
    expect_shift("s", first, 0, -STEP)
    expect_first("w")
    other = press("e", lambda s: s.rgb != first.rgb, "after-e")
    check(not other.same_outside_overlay(first), "e did not show another segment")
    expect_first("q")

    # A click away from the origin picks a column and row other than the start's 0 and 0.
    desk.xdotool("mousemove", w // 2 + 7, h // 2 + 3)
    time.sleep(0.5)  # the pointer is where the click lands before the button goes down
    desk.xdotool("click", "1")
    picked = shot(frames.settled(lambda s: s != first.rgb, "after-click"))
    check(differs_only_in_overlay(first, picked),
          "the click did not change the overlay alone")

    # The system's close command (alt+F4, handled by the window's default processing).
    desk.xdotool("key", "alt+F4")
    code = wait_exit(program, "the close")
    check(code == 0, "exit code %d after the close, not 0" % code)


def run_terrain_missing(desk, args, frames):
    background, _ = read_world(args.world)
    work = os.path.join(args.out, "world-without-terrain")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for name in WORLD_FILES:
        if name != "terrain.db":
            shutil.copy(os.path.join(args.world, name), work)
    program = desk.start(args.exe, work, os.path.join(args.out, "program.log"))
    box = find_window(desk, "Dravik", 100, program)
    _, x, y, bw, bh = box
    time.sleep(0.5)  # the box paints its text after it maps
    rgb = desk.screenshot()
    check(rgb is not None, "no screenshot of the message box")
    screen_png = frames.save(rgb, "message-box-screen")
    subprocess.run(["convert", screen_png, "-crop", "%dx%d+%d+%d" % (bw, bh, x, y), "+repage",
                    os.path.join(args.out, "message-box.png")], check=True)
    screen = Screen(rgb, desk.width, desk.height)
    check(bw < desk.width and bh < desk.height, "the window titled Dravik is not a message box")
    colours = {screen.at(px, py) for py in range(y, min(y + bh, desk.height))
               for px in range(x, min(x + bw, desk.width))}
    check(len(colours) > 2, "the message box shows nothing")
    check(screen.count(background) == 0, "the map was drawn although terrain.db is missing")
    check(program.poll() is None, "the program did not wait for the message box to be answered")
    desk.xdotool("windowfocus", box[0])
    desk.xdotool("key", "Return")
    code = wait_exit(program, "the message box was answered")
    check(code == 0, "exit code %d after the message box, not 0" % code)


def run_display_failure(desk, args, frames):
    read_world(args.world)
    program = desk.start(args.exe, args.world, os.path.join(args.out, "program.log"))
    # A message box would wait for an answer; ending unprompted means none was shown.
    code = wait_exit(program, "its display set-up failed")
    rgb = desk.screenshot()
    if rgb is not None:
        frames.save(rgb, "after-exit")
    check(code == 0, "exit code %d after a failed display set-up, not 0" % code)


SCENARIOS = {"view": run_view, "terrain-missing": run_terrain_missing,
             "display-failure": run_display_failure}


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--exe", required=True)
    parser.add_argument("--world", required=True, help="folder holding the demo world")
    parser.add_argument("--display", type=int, required=True)
    parser.add_argument("--size", required=True, help="WIDTHxHEIGHT of the display and desktop")
    parser.add_argument("--out", required=True, help="folder for the screenshots")
    args = parser.parse_args()
    args.exe = os.path.abspath(args.exe)
    args.world = os.path.abspath(args.world)
    width, height = (int(v) for v in args.size.split("x"))
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    started = time.monotonic()
    try:
        with WineDesktop(args.display, width, height) as desk:
            desk.assign_desktop(os.path.basename(args.exe))
            SCENARIOS[args.scenario](desk, args, Frames(desk, args.out))
    except Failure as failure:
        print("FAIL %s: %s (screenshots in %s)" % (args.scenario, failure, args.out))
        return 1
    print("ok %s %s in %.1f s (screenshots in %s)" % (
        args.scenario, os.path.basename(args.exe), time.monotonic() - started, args.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
