#!/usr/bin/env python3
"""Every tool's --help and --version: the answers a person and help2man (the package's manual
pages) read, on stdout with exit code 0, before anything else is done."""

import argparse
import os
import sys
import tempfile

from harness.core import check, main, run_program


def run(args):
    with tempfile.TemporaryDirectory(prefix="dravik-about-") as scratch:
        for tool in args.tools:
            name = os.path.basename(tool)
            for asked in (["--version"], ["--help", "--version"], ["-h"]):
                result = run_program([tool, *asked], cwd=scratch)
                check(result.returncode == 0 and result.stderr == "",
                      f"{name} {asked}: exit code {result.returncode}, {result.stderr!r}")
                lines = result.stdout.splitlines()
                if asked == ["--version"]:
                    check(lines == [f"{name} {args.version}"], f"{name}: version {lines}")
                    continue
                check(lines[0].startswith(f"Usage: {name} "), f"{name}: first line {lines[0]!r}")
                description = next(line for line in lines[1:] if not line.startswith("  or: "))
                check(description.endswith(".") and not description.startswith(" "),
                      f"{name}: no one-line description after the usage: {description!r}")
                for part in ("Options:", "  -h, --help ", "      --version ", "Exit status:"):
                    check(any(line.startswith(part) for line in lines), f"{name}: no {part!r}")
                check(all(len(line) < 80 for line in lines), f"{name}: a line over 79 columns")
            # Asked about, a tool writes nothing (mkworld would otherwise make a folder).
            check(os.listdir(scratch) == [], f"{name}: wrote {os.listdir(scratch)}")
    print(f"--help and --version: {len(args.tools)} tools answer")


def command():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("tools", nargs="+")
    args = parser.parse_args()
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
