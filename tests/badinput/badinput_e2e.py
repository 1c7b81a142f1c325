#!/usr/bin/env python3
"""Bad input, end to end: tileview-640 in each bad-input folder, under strace, on its own Xvfb.

For each folder of harness.bad_inputs (and the unspoilt demo world as the control), the viewer
runs under `strace -f` and is driven: a hundred scroll steps each way in every direction and a
click, then a burst of key presses and a click, then a close request. After each click the
screen must become the frame tileview-export composes for the folder and every key so far
(where the export refuses the folder: the click's column shows in the overlay, and after the
round trip the map is the first frame's again). The close waits behind every key: exit code 0.
The trace must show no file opened for writing, no file created, renamed or deleted, no program
started (SDL's X11 message box forks the viewer itself, which execs nothing), and no file of the
working folder read but the viewer's own data files.

Each case has its own Xvfb and processes; cases run side by side. One display mode is enough:
the files are read the same way by all four programs.
"""

import argparse
import os
import random
import re
import shutil
import sys
import zlib

from harness import bad_inputs
from harness.core import Failure, check, main, run_cases
from harness.world import DATA_FILES, MODES, PITCH, Exporter, require_world
from harness.xserver import XServer

MODE = "640"
WIDTH, HEIGHT = MODES[MODE]
CONTROL = "demo"
# The one case that never shows the map: its message box is closed like a window.
MESSAGE_BOX = {"terrain-missing"}
# Spoilt files whose first frame is still the demo's own, pixel for pixel: bytes past the end
# of a block are not read, the cells on screen lie in the first half of a segment, a colour count
# is held to 256, a file needed later is not missing yet, and SDL reads the picture in these
# other forms alike.
SAME_AS_DEMO = {"terrain-long", "seg000-long", "seg000-truncated-260101", "tiles-long",
                "seg001-missing", "tiles-colours-0", "tiles-colours-300", "tiles-colours-max",
                "tiles-top-down", "tiles-rle8"}
STEPS = 100  # scroll steps each way in each direction
BURST = 200  # key presses in the burst
BURST_KEYS = "adwseqADWSEQ zx19"
COLUMN_BOX = (0, 20, 8, 36)  # the first character of the column number
OVERLAY = (0, 0, 88, 60)  # both numbers, whatever their length
ROUND_TRIP_CLICK = (5 * PITCH + 20, 3 * PITCH + 10)  # column 5

WRITE_FLAGS = re.compile(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND|O_TMPFILE")
CHANGES_FILES = {"creat", "rename", "renameat", "renameat2", "unlink", "unlinkat", "rmdir", "mkdir",
                 "mkdirat", "link", "linkat", "symlink", "symlinkat", "truncate", "ftruncate",
                 "chmod", "fchmodat", "chown", "lchown", "fchownat", "utime", "utimes",
                 "utimensat", "futimesat", "mknod", "mknodat", "setxattr", "lsetxattr",
                 "removexattr", "lremovexattr", "memfd_create"}
SYSCALL = re.compile(r"^(\d+)\s+(\w+)\((.*)$")


class StartRefused(Failure):
    """The viewer showed a start-up box instead of its window: SDL's video start was refused
    by the display. The case is started once more."""


def truncated_cell(position, scroll):
    """The viewer's pick: C++ division, truncating towards zero."""
    offset = position - scroll
    cell = abs(offset) // PITCH
    return -cell if offset < 0 else cell


def check_trace(path):
    """What the trace shows against the viewer's promise; returns the data files it read."""
    problems, read = [], set()
    first_exec = True
    with open(path, errors="replace") as trace:
        lines = trace.readlines()
    for line in lines:
        match = SYSCALL.match(line)
        if not match:
            continue
        name, args = match.group(2), match.group(3)
        if name == "execve":
            if not first_exec:
                problems.append(line.strip())
            first_exec = False
        elif name in CHANGES_FILES:
            problems.append(line.strip())
        elif name in ("open", "openat", "openat2", "open_by_handle_at"):
            if WRITE_FLAGS.search(args):
                problems.append(line.strip())
            local = re.match(r'(?:AT_FDCWD, )?"([^"/][^"]*)"', args)
            if local and not args.startswith("AT_FDCWD, \"/") and " = -1 " not in line:
                if local.group(1) not in DATA_FILES:
                    problems.append(line.strip())
                read.add(local.group(1))
    check(not problems, "the trace shows writing or starting:\n  " + "\n  ".join(problems[:10]))
    return read


class Case:
    """One folder's run: its server, the traced viewer, and what the screen must show."""

    def __init__(self, args, name, folder, server):
        self.args, self.name, self.folder, self.server = args, name, folder, server
        self.expected = Exporter(args.export, folder, MODE,
                                 os.path.join(args.out, "expected", name))
        self.result = {"case": name}
        self.typed = ""

    def start(self, attempt):
        self.log = os.path.join(self.args.logs, f"{self.name}{attempt}.strace")
        calls = "trace=%file,%process,memfd_create,socket,connect"
        self.tracer = self.server.start_program(
            ["strace", "-f", "-qq", "-e", calls, "-o", self.log, self.args.program], self.folder)
        self.window = self.server.wait_window("Dravik", self.tracer)

    def close(self):
        self.server.close_window(self.args.send_close, self.window, self.tracer,
                                 "the close request, queued behind every key")

    def message_box(self):
        def inked(frame, w):
            return len({frame.at(x, y) for y in range(w.y, w.y + w.height, 2)
                        for x in range(w.x, w.x + w.width, 2)}) > 2
        self.window, shown = self.server.wait_window_showing(
            "Dravik", "the message box's text",
            lambda w: (w.width, w.height) != (WIDTH, HEIGHT), inked, self.tracer)
        self.server.save(shown, "message-box")
        self.result.update(first=shown, message_box=True)
        self.close()

    def step(self, keys, click, what, fallback):
        """Types keys, clicks, and waits for the frame the export composes for all typed so
        far; where the export refuses the folder, for fallback(frame) to hold."""
        self.server.type(keys)
        self.server.click(*click)
        self.typed += keys
        frame = self.expected.frame(self.typed, click)
        if frame is not None:
            shown = self.server.wait_frame(frame, f"the exported frame {what}")
        else:
            shown = self.server.wait_for(f"the click's column in the overlay {what}", fallback)
        self.server.save(shown, what.replace(" ", "-"))
        return shown

    def drive(self):
        expected_first = self.expected.frame()
        if expected_first is not None:
            first = self.server.wait_frame(expected_first, "the exported first frame")
        else:
            first = self.server.wait_for(
                "the overlay's first digit", lambda f: len(set(f.region(COLUMN_BOX))) > 1)
        self.server.save(first, "first")
        self.result.update(first=first, colours=len(first.colours()))
        column = first.region(COLUMN_BOX)

        trip = "d" * STEPS + "s" * STEPS + "a" * STEPS + "w" * STEPS
        back = self.step(trip, ROUND_TRIP_CLICK, "after the round trip",
                         lambda f: f.region(COLUMN_BOX) != column)
        check(back.same_outside(first, OVERLAY),
              "after a hundred steps each way the first frame is not back")
        column = back.region(COLUMN_BOX)

        # The burst, then a click whose column starts with another character than 5.
        keys = "".join(random.Random(zlib.crc32(self.name.encode())).choices(BURST_KEYS, k=BURST))
        scroll_x = PITCH * (keys.count("a") - keys.count("d"))
        x = next(x for x in (300, 100, 600, 20)
                 if not str(truncated_cell(x, scroll_x)).startswith("5"))
        self.step(keys, (x, 200), "after the burst", lambda f: f.region(COLUMN_BOX) != column)
        self.close()

    def run(self):
        for attempt in ("", "-again"):
            self.start(attempt)
            try:
                if self.name in MESSAGE_BOX:
                    self.message_box()
                elif (self.window.width, self.window.height) != (WIDTH, HEIGHT):
                    raise StartRefused(f"the viewer's window is {self.window}")
                else:
                    self.drive()
                break
            except StartRefused as refused:
                if attempt:
                    raise
                print(f"{self.name}: {refused}; started once more", flush=True)
                self.server.stop()
                self.server.start()
        self.result["read"] = sorted(check_trace(self.log))
        return self.result


def run_case(args, name, folder):
    with XServer(WIDTH, HEIGHT, os.path.join(args.out, "shots", name)) as server:
        return Case(args, name, folder, server).run()


def describe(result, control):
    if result.get("message_box"):
        return "message box"
    if control is not None and result["first"] == control["first"]:
        return "the demo map, as is"
    if result["colours"] <= 1:
        return "one colour, no overlay"
    return f"another picture ({result['colours']} colours)"


def run(args):
    require_world(args.world)
    index, count = (int(n) for n in args.shard.split("/"))
    args.logs = os.path.join(args.out, f"logs-{index}")
    shutil.rmtree(args.logs, ignore_errors=True)
    os.makedirs(args.logs)

    # This shard's share of the folders, written afresh from the demo world.
    every = bad_inputs.all_cases(args.world)
    names = sorted(name for name in every if not args.cases or name in args.cases)
    names = names[index - 1::count]
    for name in names:
        bad_inputs.write_case(args.world, os.path.join(args.out, name), every[name][1])
    control_name = f"{CONTROL}-{index}"  # each shard has its own control
    cases = [(control_name, args.world)] + [(name, os.path.join(args.out, name)) for name in names]

    results, failures = run_cases(cases, lambda name, folder: run_case(args, name, folder),
                                  args.lanes)
    control = results.get(control_name)
    for case in SAME_AS_DEMO & set(results):
        if control is None or results[case]["first"] != control["first"]:
            failures[case] = "the first frame is not the demo's"

    print(f"{'case':24} first frame; data files read")
    for case, _ in cases:
        if case in results:
            result = results[case]
            print(f"{case:24} {describe(result, control)}; {' '.join(result['read'])}")
        if case in failures:
            print(f"{case:24} FAIL: {failures[case]}")
    print(f"screenshots in {args.out}/shots, traces in {args.logs}")
    check(not failures, f"{len(failures)} of {len(cases)} cases failed")


def command():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    for name in ("--program", "--export", "--world", "--send-close"):
        parser.add_argument(name, type=os.path.abspath, required=True)
    parser.add_argument("--out", type=os.path.abspath, required=True,
                        help="folder for the bad-input folders")
    parser.add_argument("--lanes", type=int, default=4, help="cases run side by side")
    parser.add_argument("--shard", default="1/1", help="which share of the cases, e.g. 2/3")
    parser.add_argument("cases", nargs="*", help="only these cases (all when none are named)")
    args = parser.parse_args()
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
