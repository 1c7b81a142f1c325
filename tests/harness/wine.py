"""Windows programs under Wine, each in a virtual desktop of its own on an XServer.

Wine gives a program a desktop through the registry, by the program's file name, rather than
through `explorer /desktop`, so that the program's own exit code comes back. A desktop belongs
to the prefix, not to an X display: two programs sharing a desktop's name would share its
window, so every program started here runs as a copy named after its own desktop.

As a command, runs one program in a fresh desktop and answers its exit code:
    python3 -m harness.wine --size 640x480 --workdir DIR [--timeout S] PROGRAM.exe
"""

import argparse
import itertools
import os
import shutil
import subprocess
import sys
import tempfile

from harness.core import Failure, check, main
from harness.xserver import XServer

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake",
                        "wine-run")
_serial = itertools.count(1)


class WineDesktop:
    """A Wine virtual desktop filling an XServer, for the programs started in it."""

    def __init__(self, server, name=None):
        self.server = server
        self.name = name or f"Dravik{os.getpid()}x{next(_serial)}"

    def program(self, exe, folder):
        """A copy of exe in folder, named so that it opens in this desktop (a hard link where
        the file system allows)."""
        os.makedirs(folder, exist_ok=True)
        copy = os.path.join(folder, f"{os.path.splitext(os.path.basename(exe))[0]}-"
                                    f"{self.name}.exe")
        if not os.path.exists(copy):
            try:
                os.link(exe, copy)
            except OSError:
                shutil.copyfile(exe, copy)
        self.assign(os.path.basename(copy))
        return copy

    def assign(self, *exe_names):
        """Opens the programs of these file names in this desktop, of the server's size."""
        size = f"{self.server.width}x{self.server.height}"
        reg = ("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"
               f"\"{self.name}\"=\"{size}\"\r\n")
        for exe_name in exe_names:
            reg += (f"\r\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\{exe_name}\\Explorer]"
                    f"\r\n\"Desktop\"=\"{self.name}\"\r\n")
        with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as file:
            file.write(reg)
        try:
            result = subprocess.run([WINE_RUN, "regedit", "/S", file.name], env=self.server.env,
                                    stdin=subprocess.DEVNULL, capture_output=True)
            check(result.returncode == 0, f"regedit refused the desktop: {result.stderr!r}")
        finally:
            os.unlink(file.name)

    def start(self, exe, cwd, log):
        """exe (a name assigned to this desktop, or one Wine finds, like notepad.exe) in cwd.
        Its output goes to the file log: processes Wine starts for it may outlive it and keep
        a pipe open."""
        return self.server.start_program([WINE_RUN, exe], cwd, log)


def run(args):
    width, height = (int(v) for v in args.size.split("x"))
    shutil.rmtree(args.workdir, ignore_errors=True)
    os.makedirs(args.workdir)
    with XServer(width, height, args.workdir) as server:
        desktop = WineDesktop(server)
        exe = desktop.program(os.path.abspath(args.exe), args.workdir)
        log = os.path.join(args.workdir, "output.log")
        program = desktop.start(exe, args.workdir, log)
        try:
            code = program.wait(timeout=args.timeout)
        except subprocess.TimeoutExpired:
            code = None
        with open(log, "rb") as output:
            sys.stdout.write(output.read().decode("utf-8", "replace"))
        if code is None:
            raise Failure(f"{args.exe} did not end within {args.timeout} s")
        check(code == 0, f"{args.exe} ended with exit code {code}")


def command():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--size", required=True, help="WIDTHxHEIGHT of the display and desktop")
    parser.add_argument("--workdir", required=True, help="emptied, then the working directory")
    parser.add_argument("--timeout", type=int, default=600)
    parser.add_argument("exe")
    args = parser.parse_args()
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
