"""A private Xvfb: started on a display number it chooses itself, looked at through XGetImage,
typed and clicked at through XTEST (xdotool), and ended with everything started on it."""

import ctypes
import os
import re
import select
import subprocess
import threading
import time

from harness.core import PATIENCE, Failure, Processes, check, wait_exit, wait_until
from harness.frame import Frame

X11 = ctypes.CDLL("libX11.so.6")
X11.XOpenDisplay.restype = ctypes.c_void_p
X11.XOpenDisplay.argtypes = [ctypes.c_char_p]
X11.XDefaultRootWindow.restype = ctypes.c_ulong
X11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
X11.XGetImage.restype = ctypes.c_void_p
X11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                          ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
X11.XDestroyImage.argtypes = [ctypes.c_void_p]
X11.XCloseDisplay.argtypes = [ctypes.c_void_p]
Z_PIXMAP = 2
ALL_PLANES = 0xFFFFFFFF


class XImage(ctypes.Structure):
    """The leading fields of Xlib's XImage."""
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class Window:
    def __init__(self, ident, x, y, width, height):
        self.id, self.x, self.y, self.width, self.height = ident, x, y, width, height

    def __repr__(self):
        return f"window {self.id} {self.width}x{self.height}+{self.x}+{self.y}"


class PresentLog:
    """The presents a viewer reports on stderr when started with DRAVIK_TRACE_PRESENTS, read as
    they come: the pass of each, when each was read and when the first came (time.monotonic())."""

    def __init__(self, stream):
        self.passes, self.times, self.first_at = [], [], None
        threading.Thread(target=self.read, args=(stream,), daemon=True).start()

    def read(self, stream):
        for line in stream:
            if line.startswith(b"present "):
                now = time.monotonic()
                self.first_at = self.first_at or now
                self.times.append(now)
                self.passes.append(int(line.split()[1]))

    def since(self, mark):
        return self.passes[mark:]


TREE_LINE = re.compile(r'^\s*(0x[0-9a-f]+) "(.*)":.*?\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+'
                       r'\+(-?\d+)\+(-?\d+)\s*$')


class XServer:
    """One Xvfb of width x height and the processes of one case on it. out: the folder where
    screenshots are kept, numbered in the order taken."""

    def __init__(self, width, height, out, processes=None):
        self.width, self.height, self.out = width, height, out
        self.processes = processes or Processes()
        self.display = None
        self.env = None
        self.connection = None
        self.saved = 0
        self.last = None
        os.makedirs(out, exist_ok=True)

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        """Xvfb picks a free display itself (-displayfd), so cases never share one; it keeps
        its state when the last client goes (-noreset), so that a program starting just then
        is not refused. One more try when it does not come up."""
        for attempt in (1, 2):
            try:
                return self.start_once()
            except Failure as failure:
                if attempt == 2:
                    raise
                print(f"Xvfb did not come up ({failure}); once more", flush=True)

    def start_once(self):
        read_end, write_end = os.pipe()
        try:
            xvfb = self.processes.start(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 f"{self.width}x{self.height}x24", "-nolisten", "tcp", "-noreset"],
                gentle=True, pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_end)
            write_end = None
            number = b""
            deadline = time.monotonic() + 60
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                ready, _, _ = select.select([read_end], [], [], max(0, left))
                chunk = os.read(read_end, 16) if ready else b""
                if not chunk:
                    code = xvfb.poll()
                    raise Failure("Xvfb ended at start" if code is not None
                                  else "Xvfb named no display within 60 s")
                number += chunk
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        for name in ("SDL_VIDEODRIVER", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)
        self.connection = X11.XOpenDisplay(self.display.encode())
        check(self.connection, f"cannot connect to Xvfb on {self.display}")
        self.xvfb = xvfb

    def stop(self):
        if self.connection:
            X11.XCloseDisplay(self.connection)
            self.connection = None
        self.processes.stop_all()

    def start_window_manager(self):
        """Openbox, awaited until it names itself on the root window: a window mapped before
        that is not managed, and without a manager X has no full screen."""
        self.processes.start(["openbox", "--sm-disable"], env=self.env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def ready():
            prop = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                                  capture_output=True, text=True).stdout
            return True if "window id" in prop else None
        wait_until("the window manager", ready)

    def start_program(self, args, cwd, log=None, env=None):
        """A program on this display; its output goes to the file log (or nowhere)."""
        output = open(log, "wb") if log else subprocess.DEVNULL
        try:
            return self.processes.start(args, cwd=cwd, env=env or self.env,
                                        stdin=subprocess.DEVNULL, stdout=output,
                                        stderr=subprocess.STDOUT)
        finally:
            if log:
                output.close()

    def start_traced(self, program, cwd):
        """A viewer on this display reporting its presents: the process and its PresentLog."""
        env = dict(self.env, DRAVIK_TRACE_PRESENTS="1")
        viewer = self.processes.start([program], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return viewer, PresentLog(viewer.stderr)

    def close_window(self, send_close, window, program, what="the close request"):
        """The close request a window manager sends (by send_close, dravik-send-close) to
        window: program must end, with exit code 0."""
        subprocess.run([send_close, window.id], env=self.env, check=True)
        code = wait_exit(program, what)
        check(code == 0, f"exit code {code} after {what}")

    # --- looking -----------------------------------------------------------------------------

    def screenshot(self):
        """The whole screen in one XGetImage: the server answers it between two requests, so
        a frame is never half drawn."""
        check(self.xvfb.poll() is None, f"Xvfb on {self.display} ended")
        root = X11.XDefaultRootWindow(self.connection)
        pointer = X11.XGetImage(self.connection, root, 0, 0, self.width, self.height, ALL_PLANES,
                                Z_PIXMAP)
        check(pointer, "XGetImage failed")
        try:
            image = XImage.from_address(pointer)
            check(image.bits_per_pixel == 32 and image.bytes_per_line == 4 * self.width,
                  "the screen has an unexpected layout")
            pixels = ctypes.string_at(image.data, image.bytes_per_line * self.height)
        finally:
            X11.XDestroyImage(pointer)
        rgb = bytearray(self.width * self.height * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = pixels[2::4], pixels[1::4], pixels[0::4]
        self.last = Frame(bytes(rgb), self.width, self.height)
        return self.last

    def save(self, frame, name):
        self.saved += 1
        return frame.save(os.path.join(self.out, f"{self.saved:02d}-{name}.png"))

    def wait_for(self, what, holds, timeout=PATIENCE):
        """The first screen for which holds(frame) is true. On the deadline the last screen is
        kept and the failure names the state awaited."""
        def probe():
            frame = self.screenshot()
            return frame if holds(frame) else None
        try:
            return wait_until(what, probe, timeout)
        except Failure as failure:
            if self.last is not None:
                path = self.save(self.last, "timeout")
                raise Failure(f"{failure}; the last screen is {path}") from None
            raise

    def wait_frame(self, expected, what, outside=None, timeout=PATIENCE):
        """Waits for the expected frame, whole or (given a box) outside that box."""
        if outside is None:
            return self.wait_for(what, lambda f: f == expected, timeout)
        return self.wait_for(what, lambda f: f.same_outside(expected, outside), timeout)

    def windows(self, name):
        """The viewable windows titled exactly name, with their places on the screen (a Wine
        program's windows lie inside its virtual desktop's window)."""
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env, capture_output=True,
                              text=True).stdout
        found = []
        for line in tree.splitlines():
            match = TREE_LINE.match(line)
            if not match or match.group(2) != name:
                continue
            state = subprocess.run(["xwininfo", "-id", match.group(1)], env=self.env,
                                   capture_output=True, text=True).stdout
            if "IsViewable" in state:
                width, height, x, y = map(int, match.group(3, 4, 5, 6))
                found.append(Window(match.group(1), x, y, width, height))
        return found

    def wait_window(self, name, program=None, min_width=1, timeout=PATIENCE):
        """A viewable window titled name, at least min_width wide. The wait ends early with a
        failure when program ends first."""
        def probe():
            if program is not None and program.poll() is not None:
                raise Failure(f"the program ended (exit code {program.poll()}) before a window "
                              f"named {name} appeared")
            return next((w for w in self.windows(name) if w.width >= min_width), None)
        return wait_until(f"a window named {name}", probe, timeout, interval=0.1)

    def wait_no_window(self, name, timeout=PATIENCE):
        wait_until(f"no window named {name}", lambda: True if not self.windows(name) else None,
                   timeout, interval=0.1)

    # --- input -------------------------------------------------------------------------------

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True,
                              capture_output=True, text=True).stdout

    def type(self, text, delay=2):
        """Types text into the focused window, each character as its key (shifted as needed)."""
        for start in range(0, len(text), 100):
            self.xdotool("type", "--delay", delay, text[start:start + 100])

    def keys(self, *names, delay=2):
        for start in range(0, len(names), 100):
            self.xdotool("key", "--delay", delay, *names[start:start + 100])

    def click(self, x, y):
        """A left click at (x, y): the pointer is there (--sync waits for it) before the button
        goes down. --sync waits for motion, which never comes when the pointer is there already."""
        where = dict(line.split("=") for line in
                     self.xdotool("getmouselocation", "--shell").split())
        if (int(where["X"]), int(where["Y"])) != (x, y):
            self.xdotool("mousemove", "--sync", x, y)
        self.xdotool("click", "1")

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", window.id)

    def focused(self):
        return int(self.xdotool("getwindowfocus").strip())
