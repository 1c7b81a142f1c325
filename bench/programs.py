#!/usr/bin/env python3
"""The running programs as a user meets them, per mode, each on its own Xvfb with a window
manager (so that full screen fills the desktop, as on a real one):

- time to the first frame: from the start of the process to its first present, as the viewer
  reports it on stderr (DRAVIK_TRACE_PRESENTS), then checked on the screen;
- CPU at rest: the process's CPU time over a few seconds with no input, as a share of a core;
- present cost: CPU time per presented frame while 200 keys scroll the map, on a desktop of the
  mode's own size and on a 3840 x 2160 one, and their ratio;
- peak memory (VmHWM) at the end.
"""

import argparse
import os
import time

from harness.core import wait_until
from harness.world import MODES
from harness.xserver import XServer

BIG = (3840, 2160)
TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def peak_memory_mb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return 0.0


def measure(program, world, size, rest_seconds):
    with XServer(*size, "/tmp/dravik-bench") as server:
        server.start_window_manager()
        started = time.monotonic()
        viewer, presents = server.start_traced(program, world)
        presents.wait_first()
        wait_until("the window at the desktop's size", lambda: next(
            (w for w in server.windows("Dravik") if w.width == size[0]), None))
        time.sleep(1)  # the start's own events settle before the quiet is measured
        before = cpu_seconds(viewer.pid)
        time.sleep(rest_seconds)
        rest = (cpu_seconds(viewer.pid) - before) / rest_seconds
        count, before = len(presents.passes), cpu_seconds(viewer.pid)
        server.type("da" * 100, delay=12)
        wait_until("200 presents", lambda: True if len(presents.passes) >= count + 200 else None)
        per_present = (cpu_seconds(viewer.pid) - before) / (len(presents.passes) - count)
        return presents.first_at - started, rest, per_present, peak_memory_mb(viewer.pid)


def run():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True)
    parser.add_argument("--rest-seconds", type=float, default=5)
    parser.add_argument("--modes", default=",".join(MODES))
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    world = os.path.join(args.build, "world")
    print("| program | desktop | first frame | CPU at rest | CPU per present | "
          "present vs own size | peak memory |")
    print("|---|---|---|---|---|---|---|")
    for mode in args.modes.split(","):
        size = MODES[mode]
        program = os.path.join(args.build, "app", "sdl", f"tileview-{mode}")
        own = None
        for desktop in (size, BIG):
            first, rest, per_present, peak = measure(program, world, desktop, args.rest_seconds)
            own = own or per_present
            print(f"| tileview-{mode} | {desktop[0]} × {desktop[1]} | {first * 1000:.0f} ms | "
                  f"{rest * 100:.1f} % | {per_present * 1000:.2f} ms | "
                  f"{per_present / own:.1f}× | {peak:.0f} MB |", flush=True)


if __name__ == "__main__":
    run()
