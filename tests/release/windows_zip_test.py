#!/usr/bin/env python3
"""The Windows zip as a person gets it: it holds the four programs, the demo world, README.txt
and LICENSE.txt (CRLF) and nothing else; unzipped into a fresh folder, tileview-640.exe started
there under 32-bit Wine shows the first frame tileview-export composes for the world beside it,
and Alt+F4 ends it with exit code 0."""

import os
import subprocess
import sys

from harness.core import check
from harness.release import command, unzip
from harness.wine import TITLE, WINE_RUN, WineDesktop, close_with_alt_f4, wait_first_frame
from harness.world import DATA_FILES, MODES, Exporter
from harness.xserver import XServer

MODE = "640"


def unpacked(args):
    """The zip's folder, unzipped afresh, after what it holds is checked."""
    top = f"dravik-{args.version}-windows-x86"
    folder, names = unzip(args, top)
    wanted = sorted([*(f"tileview-{mode}.exe" for mode in MODES), *DATA_FILES, "README.txt",
                     "LICENSE.txt"])
    check(names == wanted, f"the zip holds {names}, not {wanted}")
    for name in ("README.txt", "LICENSE.txt"):
        with open(os.path.join(folder, name), "rb") as file:
            text = file.read()
        check(text.count(b"\n") > 5 and text.count(b"\r\n") == text.count(b"\n"),
              f"{name} does not have CRLF line endings throughout")
        check(name != "README.txt" or args.version.encode() in text,
              "README.txt does not name the version")
    return folder


def run(args):
    folder = unpacked(args)
    width, height = MODES[MODE]
    os.environ.update(DRAVIK_WINEPREFIX=os.path.join(args.out, "wineprefix"),
                      DRAVIK_WINEARCH="win32")
    subprocess.run([WINE_RUN, "--setup"], check=True, stdin=subprocess.DEVNULL)
    try:
        with XServer(width, height, args.out) as server:
            expected = Exporter(args.export, folder, MODE, os.path.join(args.out, "expected"))
            desktop = WineDesktop(server)
            exe = desktop.program(os.path.join(folder, f"tileview-{MODE}.exe"), folder)
            viewer = desktop.start(exe, folder, os.path.join(args.out, "program.log"))
            window = server.wait_window(TITLE, viewer, width)
            first = wait_first_frame(server, expected.frame(), "the first frame of the zip's world")
            server.save(first, "the-first-frame")
            close_with_alt_f4(server, window, viewer, "the zip's program")
    finally:
        subprocess.run([WINE_RUN, "--shutdown"], stdin=subprocess.DEVNULL)
    print(f"ok the Windows zip's tileview-{MODE}.exe shows its world (screens in {args.out})")


if __name__ == "__main__":
    sys.exit(command(__doc__, run))
