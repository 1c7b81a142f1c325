#!/usr/bin/env python3
"""Switching away and back under Wine: the frames after it are drawn whole.

tileview-1024.exe runs in its 1024 x 768 virtual desktop. Wine's notepad then takes the focus
in the same desktop and is closed, and a click gives the viewer the focus back; the screen must
be the composed frame again outside the overlay box, every tile in place. Twice.

A display-mode change meanwhile is not tried: another program that takes the display (say
tileview-640.exe) gets the viewer minimised by Wine, and a virtual desktop has neither a task bar
nor Alt+Tab to bring it back.
"""

import argparse
import os
import sys

from harness.core import check, fresh_folder, main, wait_exit
from harness.frame import OVERLAY_BOX
from harness.wine import (TITLE, WineDesktop, character_width, close_with_alt_f4, column_box,
                          column_ink_and_paper, wait_first_frame)
from harness.world import MODES, PITCH, Exporter, require_world
from harness.xserver import XServer

MODE = "1024"
WIDTH, HEIGHT = MODES[MODE]
NOTEPAD, NOTEPAD_TITLE = "notepad.exe", "Untitled - Notepad"
# Where the viewer is clicked to have the focus back, round by round, away from the overlay: in
# column 10, then in column 5 of the same row. The column number's box widens to two characters,
# then narrows to one: each shows whole only once the frame after the click is on the screen.
BACK = [(10 * PITCH + 20, 3 * PITCH + 10), (5 * PITCH + 20, 3 * PITCH + 10)]


def switch(server, desktop, viewer, before, name, back_at, back_in):
    """Lets notepad take the focus over the viewer showing before, closes it and clicks the
    viewer at back_at; then waits for the frame back_in(frame) holds for."""
    other = desktop.start(NOTEPAD, server.out, os.path.join(server.out, f"{name}.log"))
    window = server.wait_window(NOTEPAD_TITLE, other, min_width=100)
    server.focus(window)
    away = server.wait_for(f"{name} over the viewer",
                           lambda f: not f.same_outside(before, OVERLAY_BOX))
    server.save(away, f"{name}-away")
    server.keys("alt+F4")
    code = wait_exit(other, f"Alt+F4 on {name}")
    check(code == 0, f"{name} ended with exit code {code}")
    check(viewer.poll() is None, f"the viewer ended while {name} had the focus")
    server.wait_no_window(NOTEPAD_TITLE)
    server.click(*back_at)
    back = server.wait_for(f"the viewer's frame, whole again after {name}, with the click's "
                           f"column number", back_in)
    server.save(back, f"{name}-back")
    return back


def run(args):
    require_world(args.world)
    expected = Exporter(args.export, args.world, MODE, os.path.join(args.out, "expected"))
    with XServer(WIDTH, HEIGHT, args.out) as server:
        desktop = WineDesktop(server)
        exe = desktop.program(args.exe, args.out)
        desktop.assign(NOTEPAD)
        viewer = desktop.start(exe, args.world, os.path.join(args.out, "viewer.log"))
        window = server.wait_window(TITLE, viewer, WIDTH)
        first = wait_first_frame(server, expected.frame(""), "the first frame")
        server.save(first, "first")
        width = character_width(first)
        background = column_box(first, width, 2 * width)
        server.focus(window)

        wide = expected.frame("", BACK[0])
        shown = switch(server, desktop, viewer, first, "notepad-1", BACK[0],
                       lambda f: f.same_outside(wide) and column_ink_and_paper(f, 2 * width))
        narrow = expected.frame("", BACK[1])
        switch(server, desktop, viewer, shown, "notepad-2", BACK[1],
               lambda f: f.same_outside(narrow) and column_ink_and_paper(f, width)
               and column_box(f, width, 2 * width) == background)
        close_with_alt_f4(server, window, viewer, "after switching away")
    print(f"ok (screens in {args.out})")


def command():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", type=os.path.abspath, required=True, help="tileview-1024.exe")
    parser.add_argument("--export", required=True, help="the native tileview-export")
    parser.add_argument("--world", type=os.path.abspath, required=True)
    parser.add_argument("--out", type=os.path.abspath, required=True)
    args = parser.parse_args()
    fresh_folder(args.out)
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
