#!/usr/bin/env python3
"""The same tour on both platforms gives the same screens outside the overlay box.

The native program (SDL2, under Xvfb) and the Windows program (under Wine, in a virtual desktop
of its size) are started in the demo world and taken through the same steps: the first frame,
three scrolls, the next segment, a click. After each step the two screens must be equal pixel for
pixel, except in the top-left box where the overlay's numbers are written in each platform's
own font. Differing screens are kept as PNG files, with a picture of where they differ.
"""

import argparse
import os
import signal
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "wine"))
sys.path.insert(0, os.path.join(HERE, "..", "e2e-wine"))
sys.path.insert(0, os.path.join(HERE, "..", "e2e-native"))
from e2e_wine import Failure, Frames, check, find_window, read_world  # noqa: E402
from viewer_e2e import Session  # noqa: E402
from wine_desktop import WineDesktop  # noqa: E402

OVERLAY = (100, 60)  # width and height of the top-left box left out of the comparison
TOUR = ["d", "s", "s", "e", "click"]


class Native:
    def __init__(self, program, world, display, width, height, out):
        self.session = Session(":%d" % display, width, height, out)
        self.program, self.world = program, world
        self.screen = None

    def start(self):
        self.session.start_xvfb()
        self.session.start([self.program], cwd=self.world)
        self.session.find_window("Dravik")
        self.screen = self.session.settled(until=lambda f: len(set(f[::3 * 101])) > 8)

    def step(self, action, click_at):
        if action == "click":
            self.session.xdotool("mousemove", *map(str, click_at), "click", "1")
        else:
            self.session.xdotool("type", "--delay", "30", action)
        self.screen = self.session.settled(differs_from=self.screen)

    def stop(self):
        self.session.stop_all()


class Wine:
    def __init__(self, exe, world, display, width, height, out):
        self.desk = WineDesktop(display, width, height)
        self.frames = Frames(self.desk, out)
        self.exe, self.world, self.out = exe, world, out
        self.screen = None
        self.program = None

    def start(self):
        self.desk.start_x()
        self.desk.assign_desktop(os.path.basename(self.exe))
        self.program = self.desk.start(self.exe, self.world, os.path.join(self.out, "wine.log"))
        self.window = find_window(self.desk, "Dravik", self.desk.width, self.program)
        self.screen = self.frames.settled(lambda s: len(set(s[::3 * 101])) > 8, "wine-first")
        self.desk.xdotool("windowfocus", self.window[0])

    def step(self, action, click_at):
        if action == "click":
            self.desk.xdotool("mousemove", *click_at)
            self.desk.xdotool("click", "1")
        else:
            self.desk.xdotool("key", action)
        before = self.screen
        self.screen = self.frames.settled(lambda s: s != before, "wine-" + action)

    def stop(self):
        if self.program is not None and self.program.poll() is None:
            self.desk.xdotool("key", "alt+F4")
            try:
                self.program.wait(timeout=60)
            except subprocess.TimeoutExpired:
                pass
        self.desk.stop()


def differing_pixels(a, b, width, height):
    """Pixels (x, y) outside the overlay box where the two RGB screens differ."""
    found = []
    for y in range(height):
        left = OVERLAY[0] if y < OVERLAY[1] else 0
        start, end = (y * width + left) * 3, (y + 1) * width * 3
        if a[start:end] == b[start:end]:
            continue
        found += [(x, y) for x in range(left, width)
                  if a[(y * width + x) * 3:(y * width + x) * 3 + 3]
                  != b[(y * width + x) * 3:(y * width + x) * 3 + 3]]
    return found


def compare(native, wine, name, width, height, out):
    native.session.save(native.screen, "native-" + name)
    diff = differing_pixels(native.screen, wine.screen, width, height)
    if not diff:
        return
    mask = bytearray(width * height * 3)
    for x, y in diff:
        mask[(y * width + x) * 3:(y * width + x) * 3 + 3] = b"\xff\xff\xff"
    native.session.save(bytes(mask), "diff-" + name)
    xs, ys = [x for x, _ in diff], [y for _, y in diff]
    x, y = diff[0]
    i = (y * width + x) * 3
    raise Failure("%s: %d pixels differ within (%d, %d)-(%d, %d); at (%d, %d) native #%s, "
                  "Windows #%s (screens in %s)" % (
                      name, len(diff), min(xs), min(ys), max(xs), max(ys), x, y,
                      native.screen[i:i + 3].hex(), wine.screen[i:i + 3].hex(), out))


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--native", required=True, help="the native program")
    parser.add_argument("--exe", required=True, help="the Windows program of the same mode")
    parser.add_argument("--world", required=True)
    parser.add_argument("--size", required=True, help="WIDTHxHEIGHT")
    parser.add_argument("--displays", required=True, help="two Xvfb numbers: native,wine")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    native_display, wine_display = (int(d) for d in args.displays.split(","))
    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    native = Native(os.path.abspath(args.native), os.path.abspath(args.world), native_display,
                    width, height, out)
    wine = Wine(os.path.abspath(args.exe), os.path.abspath(args.world), wine_display, width,
                height, out)
    click_at = (width // 2 + 7, height // 2 + 3)
    try:
        for path, what in ((args.native, "the native program"), (args.exe, "the Windows program")):
            check(os.path.isfile(path), "%s is not at %s; build the native and windows presets "
                  "first" % (what, path))
        read_world(args.world)
        native.start()
        wine.start()
        compare(native, wine, "first", width, height, out)
        for number, action in enumerate(TOUR, 1):
            native.step(action, click_at)
            wine.step(action, click_at)
            compare(native, wine, "%d-%s" % (number, action), width, height, out)
    except Failure as failure:
        print("FAIL %s: %s" % (args.size, failure))
        return 1
    finally:
        wine.stop()
        native.stop()
    print("ok %s: %d screens alike outside the overlay box" % (args.size, len(TOUR) + 1))
    return 0


if __name__ == "__main__":
    sys.exit(main())
