#!/usr/bin/env python3
"""A Windows program under Wine in a virtual desktop of a given size, on a private Xvfb.

Used by the DirectDraw pixel tests (as a command: run) and the Wine end-to-end tests (as a
module). The program gets the desktop through the registry rather than `explorer /desktop`, so
that its own exit code comes back. Every process started here is ended by its id.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.environ.get("DRAVIK_WINE_RUN", os.path.join(HERE, "..", "..", "cmake", "wine-run"))


class WineDesktop:
    """An Xvfb display of width x height with a Wine virtual desktop of the same size."""

    def __init__(self, display, width, height):
        self.display = display
        self.width = width
        self.height = height
        self.desktop = "Dravik%d" % display
        self.env = dict(os.environ, DISPLAY=":%d" % display)
        self.xvfb = None
        self.programs = []

    def __enter__(self):
        self.start_x()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start_x(self):
        lock = "/tmp/.X%d-lock" % self.display
        if os.path.exists(lock):
            raise RuntimeError("display :%d is taken (%s)" % (self.display, lock))
        self.xvfb = subprocess.Popen(
            ["Xvfb", ":%d" % self.display, "-screen", "0",
             "%dx%dx24" % (self.width, self.height), "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if self.xvfb.poll() is not None:
                raise RuntimeError("Xvfb :%d ended at start" % self.display)
            if subprocess.run(["xdpyinfo"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return
            time.sleep(0.1)
        raise RuntimeError("Xvfb :%d did not come up" % self.display)

    def assign_desktop(self, exe_name, width=None, height=None):
        """Makes exe_name open in this display's virtual desktop, width x height (the display's
        size unless given)."""
        size = "%dx%d" % (width or self.width, height or self.height)
        reg = ("REGEDIT4\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"
               "\"%s\"=\"%s\"\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\Explorer]\r\n"
               "\"Desktop\"=\"%s\"\r\n") % (self.desktop, size, exe_name, self.desktop)
        with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as f:
            f.write(reg)
        try:
            subprocess.run([WINE_RUN, "regedit", "/S", f.name], env=self.env, check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        finally:
            os.unlink(f.name)

    def start(self, exe, cwd, log):
        """Starts exe in cwd, its output going to the file log: the processes Wine starts for
        it (the desktop's explorer among them) inherit that output and may outlive it."""
        with open(log, "wb") as output:
            program = subprocess.Popen([WINE_RUN, exe], cwd=cwd, env=self.env,
                                       stdin=subprocess.DEVNULL, stdout=output,
                                       stderr=subprocess.STDOUT)
        self.programs.append(program)
        return program

    def run(self, exe, cwd, timeout):
        log = os.path.join(cwd, "output.log")
        program = self.start(exe, cwd, log)
        try:
            code = program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            print("%s did not end within %d s" % (exe, timeout))
            code = 124
        with open(log, "rb") as output:
            sys.stdout.write(output.read().decode("utf-8", "replace"))
        return code

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True,
                              stdout=subprocess.PIPE, text=True).stdout

    def windows_named(self, name):
        """Ids and geometry (x, y, width, height) on the screen of X windows whose title is
        exactly name. xwininfo gives the position on the screen; Wine's windows inside a virtual
        desktop are children of the desktop's window."""
        found = []
        result = subprocess.run(["xdotool", "search", "--name", "^%s$" % name], env=self.env,
                                stdout=subprocess.PIPE, text=True)
        for window in result.stdout.split():
            info = subprocess.run(["xwininfo", "-id", window], env=self.env,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            if info.returncode != 0:
                continue
            values = {}
            for line in info.stdout.splitlines():
                key, _, value = line.strip().partition(":")
                values[key] = value.strip()
            try:
                found.append((int(window), int(values["Absolute upper-left X"]),
                              int(values["Absolute upper-left Y"]), int(values["Width"]),
                              int(values["Height"])))
            except (KeyError, ValueError):
                continue
        return found

    def screenshot(self):
        """The root window as width x height RGB bytes, in one XGetImage."""
        result = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                                env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        expected = self.width * self.height * 3
        if result.returncode != 0 or len(result.stdout) != expected:
            return None
        return result.stdout

    def save_png(self, rgb, path):
        subprocess.run(["convert", "-size", "%dx%d" % (self.width, self.height), "-depth", "8",
                        "rgb:-", path], input=rgb, check=True)

    def stop(self):
        for program in self.programs:
            if program.poll() is None:
                program.kill()
                program.wait()
        if self.xvfb is not None and self.xvfb.poll() is None:
            self.xvfb.send_signal(signal.SIGTERM)
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()


def main():
    # A stopped test still ends what it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser(description=__doc__)
    sub = parser.add_subparsers(dest="command", required=True)
    run = sub.add_parser("run", help="run a program in a fresh desktop, answer its exit code")
    run.add_argument("--display", type=int, required=True)
    run.add_argument("--size", required=True, help="WIDTHxHEIGHT of the display and desktop")
    run.add_argument("--workdir", required=True, help="emptied, then the working directory")
    run.add_argument("--timeout", type=int, default=600)
    run.add_argument("exe")
    args = parser.parse_args()

    width, height = (int(v) for v in args.size.split("x"))
    shutil.rmtree(args.workdir, ignore_errors=True)
    os.makedirs(args.workdir)
    with WineDesktop(args.display, width, height) as desk:
        desk.assign_desktop(os.path.basename(args.exe))
        return desk.run(args.exe, args.workdir, args.timeout)


if __name__ == "__main__":
    sys.exit(main())
