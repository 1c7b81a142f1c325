#!/usr/bin/env python3
"""The Debian package as a person gets it: lintian finds no error in it, and unpacked, each of
its tools answers --version with the package's version, it carries the Tiled extension and
suggests tiled, and its tileview-export (which finds
its composers relative to itself) writes in its demo world the pictures the build writes."""

import os
import subprocess
import sys
import tempfile

from harness.core import check, run_program, without_display
from harness.release import command, released
from harness.world import MODES

TOOLS = ("mkworld", "tileview-check", "tileview-export", "tileview-sheet", "tileview-tiled")
EXTENSION = "usr/share/dravik/tiled/dravik-segment.js"
VIEWERS = tuple(f"tileview-{mode}" for mode in MODES)
# Frames of every mode (each its own composer) after keys and a click, and a whole segment.
EXPORTS = (["--mode", "1024", "--keys", "ddsse", "--click", "300,200"],
           ["--mode", "1600", "--segment", "3", "--scroll", "-550,-275"],
           ["--mode", "1280", "--keys", "q", "--click", "10,700"],
           ["--mode", "640", "--segment", "5", "--keys", "aaw"],
           ["--poster", "--segment", "2"])


def test_lintian(deb):
    result = run_program(["lintian", "--info", deb], timeout=600)
    report = result.stdout + result.stderr
    print(report, end="")
    errors = [line for line in report.splitlines() if line.startswith("E: ")]
    check(not errors and result.returncode == 0,
          f"lintian: exit code {result.returncode}, {len(errors)} errors")


def test_contents(deb, root, version):
    check(run_program(["dpkg-deb", "-f", deb, "Version"]).stdout.strip() == version,
          "the package's Version field is not the project's version")
    check(run_program(["dpkg-deb", "-f", deb, "Suggests"]).stdout.strip() == "tiled",
          "the package does not suggest tiled")
    check(os.path.isfile(os.path.join(root, EXTENSION)), f"the package has no {EXTENSION}")
    programs = set(os.listdir(os.path.join(root, "usr", "bin")))
    check(programs == set(TOOLS) | set(VIEWERS), f"usr/bin holds {sorted(programs)}")
    for tool in TOOLS:
        result = run_program([os.path.join(root, "usr", "bin", tool), "--version"])
        check(result.returncode == 0 and result.stdout == f"{tool} {version}\n",
              f"{tool} --version: exit code {result.returncode}, {result.stdout!r}")


def test_export(root, built_export, scratch):
    world = os.path.join(root, "usr", "share", "dravik", "world")
    unpacked = os.path.join(root, "usr", "bin", "tileview-export")
    for number, args in enumerate(EXPORTS):
        pictures = []
        for name, program in (("unpacked", unpacked), ("built", built_export)):
            picture = os.path.join(scratch, f"{name}-{number}.png")
            result = run_program([program, *args, "-o", picture], cwd=world,
                                 env=without_display())
            check(result.returncode == 0, f"{name} {args}: exit code {result.returncode}: "
                  f"{result.stderr}")
            with open(picture, "rb") as file:
                pictures.append(file.read())
        check(pictures[0] == pictures[1], f"{args}: the unpacked export's picture differs")


def test_package(args):
    deb = released(args, f"dravik_{args.version}_amd64.deb")
    test_lintian(deb)
    with tempfile.TemporaryDirectory(prefix="dravik-deb-") as root:
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        test_contents(deb, root, args.version)
        test_export(root, args.export, args.out)
    print(f"{os.path.basename(deb)}: lintian, the tools' versions and the exports pass")


if __name__ == "__main__":
    sys.exit(command(__doc__, test_package))
