#!/usr/bin/env python3
"""tileview-check from the command line: exit codes, the text and JSON reports, bad arguments.

The demo world's JSON report must list exactly the oddities of tools/common/world_facts.h.
"""

import argparse
import json
import os
import re
import struct
import subprocess
import sys
import tempfile

from harness.bad_inputs import bmp, info40
from harness.core import check, main, run_program
from harness.world import SEGMENT_FILES


def write_clean_folder(folder):
    table = bytearray(466 * 88)
    table[4:6] = bytes((1, 1))
    struct.pack_into("<6i", table, 8, 0, 0, 55, 55, 0, 0)
    open(os.path.join(folder, "terrain.db"), "wb").write(table)
    segment = bytearray(255 * 255 * 8)
    segment[6:8] = bytes((1, 1))  # cell (0, 0), layer 0: (1, 1)
    for name in SEGMENT_FILES:
        open(os.path.join(folder, name), "wb").write(segment)
    colours = b"".join(bytes((i // 2, 255 - i, i, 0)) for i in range(256))
    with open(os.path.join(folder, "tiles.bmp"), "wb") as sheet:
        sheet.write(bmp(info40(1300, 3900, 8, 256), colours, [bytes((142,)) * 1300] * 3900, 8))


def world_facts(path):
    """The planted duplicates and missing references, read from the header's initialisers."""
    text = open(path).read()

    def block(name):
        return re.search(name + r"\[\] = \{(.*?)\};", text, re.S).group(1)

    duplicates = {tuple(map(int, pair)) for pair in re.findall(r"\{(\d+), (\d+)\}",
                                                               block("WORLD_DUPLICATES"))}
    missing = {tuple(map(int, m)) for m in re.findall(
        r"\{\{(\d+), (\d+), (\d+), (\d+)\}, (\d+), (\d+)\}", block("WORLD_MISSING_REFS"))}
    check(len(duplicates) >= 1 and len(missing) >= 1, "world_facts.h could not be read")
    return duplicates, missing


def test_clean_folder(tool, scratch):
    folder = os.path.join(scratch, "clean")
    os.makedirs(folder)
    write_clean_folder(folder)
    result = run_program([tool, folder])
    check(result.returncode == 0, f"clean folder: exit code {result.returncode}\n{result.stdout}")
    check("nothing wrong" in result.stdout, "clean folder: no 'nothing wrong' line")
    # Without DIR the working directory is checked.
    here = run_program([tool, "--json"], cwd=folder)
    check(here.returncode == 0, f"working directory: exit code {here.returncode}")
    report = json.loads(here.stdout)
    check(report["ok"] is True and report["problems"] == [], "clean folder: JSON not ok")
    check(os.path.samefile(report["folder"], folder), "JSON names another folder")
    check([s["uses"] for s in report["segments"]] == [[{"record": 0, "cells": 1}]] * 6,
          "clean folder: uses per segment")


def test_demo_world(tool, mkworld, facts, scratch):
    folder = os.path.join(scratch, "world")
    subprocess.run([mkworld, folder], check=True)
    text = run_program([tool, folder])
    check(text.returncode == 1, f"demo world: exit code {text.returncode}")
    result = run_program([tool, "--json", folder])
    check(result.returncode == 1, f"demo world --json: exit code {result.returncode}")
    report = json.loads(result.stdout)
    duplicates, missing = world_facts(facts)
    found = {(d["first"], later) for d in report["records"]["duplicates"] for later in d["later"]}
    check(found == duplicates, f"duplicates {sorted(found)} != planted {sorted(duplicates)}")
    found_missing = {(s["index"], m["row"], m["column"], m["layer"], m["kind"], m["level"])
                     for s in report["segments"] for m in s["missing"]}
    check(found_missing == missing, f"missing {sorted(found_missing)} != {sorted(missing)}")
    check(report["records"]["bad_sources"] == [], "demo world: bad sources reported")
    check(all(f["size"] == f["expected"] for f in report["files"]), "demo world: file sizes")
    check(len(report["problems"]) == len(duplicates) + len(missing),
          "demo world: other problems: " + json.dumps(report["problems"], indent=1))
    # The text report says the same, one marked line per problem.
    marked = [line for line in text.stdout.splitlines() if line.startswith("  ! ")]
    check(sorted(line[4:] for line in marked) == sorted(p["text"] for p in report["problems"]),
          "text and JSON reports differ")
    check(f"{len(marked)} problems found" in text.stdout, "text report: no count")


def test_unreadable(tool, scratch):
    nowhere = os.path.join(scratch, "no-such-folder")
    result = run_program([tool, nowhere])
    check(result.returncode == 2, f"missing folder: exit code {result.returncode}")
    check(nowhere in result.stderr and result.stdout == "", "missing folder: no clear error")
    a_file = os.path.join(scratch, "a-file")
    open(a_file, "w").close()
    result = run_program([tool, a_file])
    check(result.returncode == 2 and "not a folder" in result.stderr,
          f"file as folder: {result.returncode} {result.stderr}")
    # An empty but readable folder is checked: every file is missing, which is a problem.
    empty = os.path.join(scratch, "empty")
    os.makedirs(empty)
    result = run_program([tool, empty])
    check(result.returncode == 1 and "terrain.db cannot be opened" in result.stdout,
          f"empty folder: {result.returncode}")
    # A folder named tiles.bmp opens and reads nothing, as the viewer finds it.
    os.makedirs(os.path.join(empty, "tiles.bmp"))
    result = run_program([tool, empty])
    sheet = [line for line in result.stdout.splitlines() if line.split()[:1] == ["tiles.bmp"]]
    check(result.returncode == 1 and len(sheet) == 1 and " 0 bytes" in sheet[0],
          f"tiles.bmp as a folder: {result.returncode}\n{result.stdout}")


def test_arguments(tool, scratch):
    for args in (["--jsn"], [scratch, scratch], ["-x"]):
        result = run_program([tool, *args])
        check(result.returncode == 2 and "Usage: tileview-check" in result.stderr,
              f"{args}: exit code {result.returncode}, stderr {result.stderr!r}")
    result = run_program([tool, "--help"])
    check(result.returncode == 0 and "Usage: tileview-check" in result.stdout, "--help")


def run(args):
    with tempfile.TemporaryDirectory(prefix="dravik-check-cli-") as scratch:
        test_clean_folder(args.check, scratch)
        test_demo_world(args.check, args.mkworld, args.facts, scratch)
        test_unreadable(args.check, scratch)
        test_arguments(args.check, scratch)
    print("tileview-check: all command-line cases pass")


def command():
    parser = argparse.ArgumentParser()
    for option in ("--check", "--mkworld", "--facts"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
