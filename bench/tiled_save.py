#!/usr/bin/env python3
"""A segment saved and opened through Tiled and the Dravik segment extension, as Ctrl+S and
File › Open do, timed from the outside (wall clock, and the CPU time of the programs run):
`tiled --export-map IN.tmx WORLD/seg000.db` and `tiled --export-map WORLD/seg000.db OUT.tmx`
(headless), each run many times in the demo world, beside the tileview-tiled step alone that
each runs and Tiled alone (TMX to TMX). The first open writes the tileset into the cache; it
is reported apart."""

import argparse
import os
import resource
import statistics
import subprocess
import tempfile
import time

from harness.core import check, run_program
from harness.tiled import TiledHome


def cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(call):
    """The wall-clock time of call and the CPU time of the processes it ran (which a busy
    machine does not stretch)."""
    start, start_cpu = time.monotonic(), cpu()
    call()
    return time.monotonic() - start, cpu() - start_cpu


def report(what, runs):
    wall, used = (sorted(t * 1000 for t in times) for times in zip(*runs))
    print(f"{what:47} median {statistics.median(wall):5.0f} ms (min {wall[0]:5.0f}, max "
          f"{wall[-1]:5.0f}), CPU {statistics.median(used):4.0f} ms   {len(wall)} runs")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True)
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()
    program = os.path.join(args.build, "tools", "tileview-tiled")
    with tempfile.TemporaryDirectory(prefix="dravik-bench-tiled-") as scratch:
        world, maps = os.path.join(scratch, "world"), os.path.join(scratch, "maps")
        subprocess.run([os.path.join(args.build, "tools", "mkworld"), world], check=True,
                       capture_output=True)
        subprocess.run([program, "export", world, maps], check=True, capture_output=True)
        home = TiledHome(os.path.join(scratch, "home"), program)
        home.install()
        segment, edited, opened = (os.path.join(world, "seg000.db"),
                                   os.path.join(maps, "seg000.tmx"),
                                   os.path.join(scratch, "opened.tmx"))

        def tiled(source, target):
            code, stderr = home.export_map(source, target)
            check(code == 0, f"tiled --export-map {source} {target}: {stderr}")

        def alone(*words):
            result = run_program([program, *words], env=home.env)
            check(result.returncode == 0, f"tileview-tiled {words}: {result.stderr}")

        report("open, first (tileset into the cache)", [timed(lambda: tiled(segment, opened))])
        report("open: tiled --export-map seg000.db out.tmx",
               [timed(lambda: tiled(segment, opened)) for _ in range(args.runs)])
        report("save: tiled --export-map in.tmx seg000.db",
               [timed(lambda: tiled(edited, segment)) for _ in range(args.runs)])
        report("Tiled alone: tiled --export-map in.tmx out.tmx",
               [timed(lambda: tiled(edited, opened)) for _ in range(args.runs)])
        report("tileview-tiled map alone",
               [timed(lambda: alone("map", segment, opened)) for _ in range(args.runs)])
        report("tileview-tiled segment alone",
               [timed(lambda: alone("segment", edited, segment)) for _ in range(args.runs)])


if __name__ == "__main__":
    main()
