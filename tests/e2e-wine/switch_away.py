#!/usr/bin/env python3
"""Switching away and back under Wine: the frames after it are drawn whole.

tileview-1024.exe runs in its 1024 x 768 virtual desktop. Another program then takes the focus
in the same desktop and is closed, and a click gives the viewer the focus back; the screen must
be the first frame again outside the overlay box, every tile in place. Two interlopers:

  focus   Wine's notepad: the viewer is only deactivated
  mode    tileview-640.exe: takes the display in exclusive mode and sets 640 x 480 meanwhile
"""

import argparse
import os
import shutil
import signal
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_wine import Failure, Frames, Screen, check, find_window, read_world, wait_exit  # noqa
from wine_desktop import WineDesktop  # noqa: E402

WIDTH, HEIGHT = 1024, 768


def window_of(desk, title, program, other_than):
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline:
        check(program.poll() is None, "%s ended before its window appeared" % title)
        for window in desk.windows_named(title):
            if window[0] != other_than and window[3] > 100:
                return window[0]
        time.sleep(0.25)
    raise Failure("no window titled %r appeared" % title)


def switch(desk, frames, viewer, window, first, interloper, cwd, name):
    """Lets interloper take the focus, closes it and clicks the viewer."""
    other = desk.start(interloper, cwd, os.path.join(frames.out, name + ".log"))
    title = "Untitled - Notepad" if interloper == "notepad.exe" else "Dravik"
    desk.xdotool("windowfocus", window_of(desk, title, other, window))
    away = frames.settled(lambda s: not Screen(s, WIDTH, HEIGHT).same_outside_overlay(first),
                          name + "-away")
    check(not Screen(away, WIDTH, HEIGHT).same_outside_overlay(first),
          "%s did not show over the viewer" % name)
    desk.xdotool("key", "alt+F4")
    wait_exit(other, "%s was closed" % name)
    check(viewer.poll() is None, "the viewer ended while %s had the focus" % name)
    # Back to the viewer: a click on it, away from the overlay, activates it.
    desk.xdotool("mousemove", WIDTH // 2, HEIGHT // 2)
    time.sleep(0.3)
    desk.xdotool("click", "1")
    back = Screen(frames.settled(lambda s: Screen(s, WIDTH, HEIGHT).same_outside_overlay(first),
                                 name + "-back"), WIDTH, HEIGHT)
    check(back.same_outside_overlay(first),
          "after %s the viewer's frame is not the first one outside the overlay" % name)


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("interloper", choices=["focus", "mode"])
    parser.add_argument("--exe", required=True, help="tileview-1024.exe")
    parser.add_argument("--other", help="tileview-640.exe, for the mode change")
    parser.add_argument("--world", required=True)
    parser.add_argument("--display", type=int, required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    try:
        read_world(args.world)
        with WineDesktop(args.display, WIDTH, HEIGHT) as desk:
            frames = Frames(desk, args.out)
            interloper = "notepad.exe" if args.interloper == "focus" else os.path.abspath(args.other)
            desk.assign_desktop(os.path.basename(args.exe))
            desk.assign_desktop(os.path.basename(interloper))
            viewer = desk.start(os.path.abspath(args.exe), args.world,
                                os.path.join(args.out, "viewer.log"))
            window = find_window(desk, "Dravik", WIDTH, viewer)
            first = Screen(frames.settled(lambda s: len(set(s[::3 * 101])) > 8, "first"),
                           WIDTH, HEIGHT)
            check(len(set(first.rgb[::3 * 101])) > 8, "no first frame")
            desk.xdotool("windowfocus", window[0])
            for round_ in (1, 2):
                switch(desk, frames, viewer, window[0], first, interloper, args.world,
                       "%s-%d" % (args.interloper, round_))
            desk.xdotool("key", "alt+F4")
            code = wait_exit(viewer, "the close")
            check(code == 0, "exit code %d after the close, not 0" % code)
    except Failure as failure:
        print("FAIL %s: %s (screenshots in %s)" % (args.interloper, failure, args.out))
        return 1
    print("ok %s (screenshots in %s)" % (args.interloper, args.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
