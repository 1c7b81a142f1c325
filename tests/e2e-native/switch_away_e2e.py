#!/usr/bin/env python3
"""Switching away, natively: tileview-640 in the demo world loses the input focus to another X
client's window mapped over it, gets it back, and has its window resized away and back (SDL's
software renderer then makes a new window surface). Each time the next frames must be the
first frame again, pixel for pixel.

A renderer reset (SDL_RENDER_TARGETS_RESET or SDL_RENDER_DEVICE_RESET) cannot be provoked here:
the software renderer never reports one. The pixel tests report one by hand.
"""

import argparse
import os
import shutil
import sys

from harness.core import check, main, wait_until
from harness.world import MODES, Exporter, require_world
from harness.xserver import XServer

MODE = "640"
WIDTH, HEIGHT = MODES[MODE]


def run(args):
    require_world(args.world)
    first = Exporter(args.export, args.world, MODE, args.out).frame()
    with XServer(WIDTH, HEIGHT, args.out) as server:
        viewer = server.start_program([args.program], args.world)
        window = server.wait_window("Dravik", viewer)
        server.save(server.wait_frame(first, "the first frame"), "first")
        server.focus(window)

        # Another client's window over the whole screen takes the focus.
        other = server.start_program(["xlogo", "-geometry", f"{WIDTH}x{HEIGHT}+0+0"], args.world)
        logo = server.wait_window("xlogo", other)
        server.xdotool("windowraise", logo.id)
        server.focus(logo)
        check(server.focused() == int(logo.id, 0), "the other window did not take the focus")
        server.save(server.wait_for("the other window over the viewer", lambda f: f != first),
                    "covered")

        # It goes away; the viewer is focused again and draws its frame as before.
        other.kill()
        other.wait()
        server.focus(window)
        check(server.focused() == int(window.id, 0), "the viewer did not get the focus back")
        server.save(server.wait_frame(first, "the first frame after the focus came back"), "back")
        check(viewer.poll() is None, "the viewer ended")

        # The window made smaller and whole again: a new window surface, the same frame.
        server.xdotool("windowsize", window.id, WIDTH // 2, HEIGHT // 2)
        wait_until("the window at half size",
                   lambda: True if any(w.width == WIDTH // 2 for w in server.windows("Dravik"))
                   else None)
        server.wait_for("the smaller window on the screen", lambda f: f != first)
        server.xdotool("windowsize", window.id, WIDTH, HEIGHT)
        wait_until("the window at full size",
                   lambda: True if any(w.width == WIDTH for w in server.windows("Dravik"))
                   else None)
        server.save(server.wait_frame(first, "the first frame after a resize and back"),
                    "resized")

        server.close_window(args.send_close, window, viewer)


def command():
    parser = argparse.ArgumentParser(description=__doc__)
    for name in ("--program", "--export", "--world", "--send-close", "--out"):
        parser.add_argument(name, type=os.path.abspath, required=True)
    args = parser.parse_args()
    shutil.rmtree(args.out, ignore_errors=True)
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
