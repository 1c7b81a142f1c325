#!/usr/bin/env python3
"""The native viewer on a desktop, end to end, tileview-640 in the demo world.

--case rest (on a screen of its own size): the viewer reports each present on stderr
(DRAVIK_TRACE_PRESENTS). Between two frames that are seen on the screen, keys that change
nothing (capitals, other letters, space, a right click) and every idle pass present nothing:
each key, click and segment step brings exactly one present, and it shows the expected frame.

--case window (under a window manager, on a 1600 x 1200 desktop): full screen shows the frame
at twice its size, centred; F11 makes a 640 x 480 window showing it at its own size; Alt+Enter
makes it full screen again. At each size a click lands on the expected column and row. The
window's close request (its close button) ends the viewer with exit code 0.

--case no-display: started with no reachable display, the viewer says so on stderr.
"""

import argparse
import os
import subprocess
import sys

from harness.core import Failure, check, main, run_program, wait_until, without_display
from harness.world import MODES, PITCH, Exporter, require_world
from harness.xserver import XServer

MODE = "640"
WIDTH, HEIGHT = MODES[MODE]
DESKTOP = (1600, 1200)


def rest(args, expected):
    with XServer(WIDTH, HEIGHT, args.out) as server:
        viewer, log = server.start_traced(args.program, args.world)
        window = server.wait_window("Dravik", viewer)
        server.wait_frame(expected.frame(""), "the first frame")
        # The start's own events (shown, exposed, focus) are all handled before this key.
        server.type("d")
        server.wait_frame(expected.frame("d"), "the frame after d")
        keys, mark = "d", len(log.passes)

        def one_present(typed, click, what):
            server.wait_frame(expected.frame(keys, click), what)
            presents = log.since(mark)
            check(len(presents) == 1, f"{what}: presents in passes {presents}, not one")
            return len(log.passes)

        server.type("AxZ ")
        server.xdotool("click", "3")
        server.type("a")
        keys += "AxZ a"
        mark = one_present(keys, None, "keys that change nothing, then a")
        click = (3 * PITCH + 7, 2 * PITCH + 30)
        server.click(*click)
        mark = one_present(keys, click, "a click")
        server.type("e")
        keys += "e"
        mark = one_present(keys, click, "a segment step")
        check(log.passes[-1] - log.passes[0] > 2 * len(log.passes),
              f"passes {log.passes}: the viewer presented in most of its passes")
        server.close_window(args.send_close, window, viewer)


def in_window(server, frame, what):
    """Waits for a window of the mode's size showing frame; the window, whose place is read
    again for every screen, as the window manager may still be moving it."""
    def shows(shot, w):
        return shot.region((w.x, w.y, w.x + frame.width, w.y + frame.height)) == frame.rgb
    return server.wait_window_showing(
        "Dravik", what, lambda w: (w.width, w.height) == (WIDTH, HEIGHT), shows)[0]


def on_screen(server, frame, place, what):
    """Waits for frame at place (x, y) on the screen."""
    x, y = place
    box = (x, y, x + frame.width, y + frame.height)
    return server.wait_for(what, lambda shot: shot.region(box) == frame.rgb)


def window(args, expected):
    with XServer(*DESKTOP, args.out) as server:
        server.start_window_manager()
        viewer = server.start_program([args.program], args.world,
                                      log=os.path.join(args.out, "window-viewer.log"))
        server.wait_window("Dravik", viewer)

        def filled():
            shown = server.windows("Dravik")
            return next((w for w in shown if w.width == DESKTOP[0]), None)
        try:
            full = wait_until("the window to fill the desktop", filled, timeout=60)
        except Failure:
            for shown in server.windows("Dravik"):
                print(shown, subprocess.run(["xprop", "-id", shown.id], env=server.env,
                                            capture_output=True, text=True).stdout)
            server.save(server.screenshot(), "not-full-screen")
            raise
        # Twice the mode fits the desktop whole: 1280 x 960, centred.
        corner = ((DESKTOP[0] - 2 * WIDTH) // 2, (DESKTOP[1] - 2 * HEIGHT) // 2)
        on_screen(server, expected.frame("").scaled(2), corner, "full screen at twice the size")
        cell = (4 * PITCH + 9, 6 * PITCH + 11)
        server.click(corner[0] + 2 * cell[0] + 1, corner[1] + 2 * cell[1] + 1)
        on_screen(server, expected.frame("", cell).scaled(2), corner, "a click in full screen")

        server.keys("F11")
        small = in_window(server, expected.frame("", cell), "a window of 640 x 480")
        cell = (7 * PITCH + 3, 1 * PITCH + 50)
        server.click(small.x + cell[0], small.y + cell[1])
        in_window(server, expected.frame("", cell), "a click in the window")

        server.keys("alt+Return")
        wait_until("full screen again", lambda: next(
            (w for w in server.windows("Dravik") if w.width == DESKTOP[0]), None))
        on_screen(server, expected.frame("", cell).scaled(2), corner, "full screen again")
        server.close_window(args.send_close, full, viewer)


def no_display(args):
    result = run_program([args.program], cwd=args.world, env=without_display("SDL_VIDEODRIVER"))
    check(result.returncode == 0, f"exit code {result.returncode} without a display")
    check("Cannot open the display: no X11 or Wayland display could be reached (DISPLAY is "
          "not set)" in result.stderr, "no reason on stderr: " + result.stderr)


def command():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--case", choices=("rest", "window", "no-display"), required=True)
    for name in ("--program", "--export", "--world", "--send-close"):
        parser.add_argument(name, type=os.path.abspath, required=True)
    parser.add_argument("--out", type=os.path.abspath, required=True,
                        help="folder for the screenshots")
    args = parser.parse_args()
    require_world(args.world)
    expected = Exporter(args.export, args.world, MODE, args.out)
    cases = {"rest": lambda: rest(args, expected), "window": lambda: window(args, expected),
             "no-display": lambda: no_display(args)}
    return main(cases[args.case])


if __name__ == "__main__":
    sys.exit(command())
