#!/usr/bin/env python3
"""The Windows zip as a person gets it: it holds the four programs, the demo world, README.txt
and LICENSE.txt (CRLF) and nothing else; unzipped into a fresh folder, tileview-640.exe started
there under 32-bit Wine shows the first frame tileview-export composes for the world beside it,
and Alt+F4 ends it with exit code 0."""

import argparse
import os
import subprocess
import sys
import zipfile

from harness.core import check, fresh_folder, main
from harness.wine import TITLE, WINE_RUN, WineDesktop, close_with_alt_f4, wait_first_frame
from harness.world import DATA_FILES, MODES, Exporter
from harness.xserver import XServer

MODE = "640"


def unzip(args):
    """The zip's folder, unzipped afresh, after its list of names is checked."""
    top = f"dravik-{args.version}-windows-x86"
    path = os.path.join(args.dist, f"{top}.zip")
    with zipfile.ZipFile(path) as archive:
        names = sorted(archive.namelist())
        wanted = sorted(f"{top}/{name}" for name in [
            *(f"tileview-{mode}.exe" for mode in MODES), *DATA_FILES, "README.txt",
            "LICENSE.txt"])
        check(names == wanted, f"{path} holds {names}, not {wanted}")
        for name in ("README.txt", "LICENSE.txt"):
            text = archive.read(f"{top}/{name}")
            check(text.count(b"\n") > 5 and text.count(b"\r\n") == text.count(b"\n"),
                  f"{name} does not have CRLF line endings throughout")
        check(args.version.encode() in archive.read(f"{top}/README.txt"),
              "README.txt does not name the version")
        archive.extractall(args.out)
    return os.path.join(args.out, top)


def run(args):
    folder = unzip(args)
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


def command():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--dist", required=True, help="the folder scripts/release wrote")
    parser.add_argument("--version", required=True)
    parser.add_argument("--export", required=True, help="the native build's tileview-export")
    parser.add_argument("--out", type=os.path.abspath, required=True,
                        help="a folder of the test's own")
    args = parser.parse_args()
    fresh_folder(args.out)
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
