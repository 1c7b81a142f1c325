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

from harness.core import Failure, check, main, wait_exit
from harness.frame import OVERLAY_BOX
from harness.xserver import XServer

WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "cmake",
                        "wine-run")
_serial = itertools.count(1)

# The viewer's windows, full-screen or a message box, are all titled so.
TITLE = "Dravik"

# A message box in Wine's look: a caption bar this high, an icon reaching this far from the left
# edge; right of the icon and below the caption lies only the text and the button. INK: a pixel
# whose channels all lie below it is text (black, or its smoothed edge); PAPER: one whose
# channels all reach it is the box's light face.
BOX_CAPTION, BOX_ICON, INK, PAPER = 24, 56, 80, 200
# More rows than one line of text takes: the box's message is drawn, not only its OK button.
BOX_TEXT_ROWS = 16

# The overlay of the Windows build: the GDI writes each number black on white in a box of its
# own, the column number's box in these rows at the left edge, one fixed width per character.
COLUMN_ROWS = (20, 36)
INK_AND_PAPER = (b"\0\0\0", b"\xff\xff\xff")
# The overlay box above the numbers, where both builds show the frame itself.
ABOVE_NUMBERS = (0, 0, OVERLAY_BOX[2], COLUMN_ROWS[0])


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


def box_text(frame, window):
    """Whether window's text part (right of the icon, below the caption) shows text: ink in
    BOX_TEXT_ROWS rows at least, on light paper over most of it (a box not yet painted may be
    one dark colour)."""
    right = min(window.x + window.width, frame.width)
    left = min(window.x + BOX_ICON, right)
    rows = range(window.y + BOX_CAPTION, min(window.y + window.height, frame.height))
    inked_rows = paper = 0
    for y in rows:
        row = frame.row(y, left, right)
        pixels = [row[i:i + 3] for i in range(0, len(row), 3)]
        inked = sum(max(pixel) < INK for pixel in pixels)
        inked_rows += inked > 0
        paper += sum(min(pixel) >= PAPER for pixel in pixels)
    return inked_rows >= BOX_TEXT_ROWS and 2 * paper > len(rows) * (right - left)


def wait_first_frame(server, composed, what):
    """The program's first frame: composed outside the overlay box and above its numbers.

    Under Wine a screenshot may catch the screen while a frame is being copied to it: up to some
    pixel, or from some pixel on, it still shows what was there before. Such a screen differs
    from the composed frame where the copy begins or ends, above the numbers or outside the box;
    so the frame awaited here is whole, and later frames may be held against it."""
    above = composed.region(ABOVE_NUMBERS)
    return server.wait_for(f"{what} outside the overlay box and above the numbers",
                           lambda f: f.same_outside(composed) and f.region(ABOVE_NUMBERS) == above)


def column_box(frame, left, right):
    """The pixels of the column number's rows from left to right."""
    return frame.region((left, COLUMN_ROWS[0], right, COLUMN_ROWS[1]))


def column_ink_and_paper(frame, right):
    """Whether the column number's rows hold only ink and paper from the left edge to right: a
    box of that width at least, where the background is neither."""
    box = column_box(frame, 0, right)
    return all(box[i:i + 3] in INK_AND_PAPER for i in range(0, len(box), 3))


def character_width(frame, limit=50):
    """The width of the column number's box in frame, which must show a number of one character
    on a background of neither ink nor paper."""
    width = 0
    while width < limit and column_ink_and_paper(frame, width + 1):
        width += 1
    check(3 < width < limit, f"no column number of one character in the overlay (a box "
          f"{width} pixels wide)")
    return width


def wait_message_box(server, program, what):
    """The viewer's message box, once its text is drawn (it paints its text after it maps), and
    that screen. what: why a box is awaited."""
    def box(window):
        return 100 <= window.width < server.width or 100 <= window.height < server.height
    # The program's own window bears the same title and may be there too, covering the screen.
    box, frame = server.wait_window_showing(TITLE, f"the text of the message box ({what})",
                                            box, box_text, program)
    return box, frame


def answer_message_box(server, box, program, what):
    """Return on the box's default button: the viewer must end then, with exit code 0."""
    check(program.poll() is None, f"{what}: the program did not wait for the box to be answered")
    server.focus(box)
    server.keys("Return")
    code = wait_exit(program, f"its message box was answered ({what})")
    check(code == 0, f"{what}: exit code {code} after the message box, not 0")


def close_with_alt_f4(server, window, program, what):
    """The system's close command, which the window's default processing turns into WM_CLOSE;
    it waits behind any input sent before it. The program must end with exit code 0."""
    server.focus(window)
    server.keys("alt+F4")
    code = wait_exit(program, f"Alt+F4 ({what})")
    check(code == 0, f"{what}: exit code {code} after Alt+F4, not 0")


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
