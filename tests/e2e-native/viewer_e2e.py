#!/usr/bin/env python3
"""End to end: one native viewer in the demo world under its own Xvfb, driven by xdotool.

Checks the first frame (the map and the overlay), each key (a, d, w, s scroll by one cell; e
shows another segment; q brings the first back), a click (only the overlay changes) and the exit
code after a close request. Every process started here is ended by its id.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

PITCH = 55
OVERLAY_BOX = (0, 0, 11 * 8, 60)  # x0, y0, x1, y1: both numbers' boxes, whatever their length


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def stop_process(process, gently):
    """Ends one process we started. Gently (SIGTERM) lets Xvfb remove its lock file, which a
    kill would leave behind; the rest are killed, since strace holds back SIGTERM and a kill
    also takes down the program it traces."""
    if gently:
        process.terminate()
        try:
            process.wait(timeout=5)
            return
        except subprocess.TimeoutExpired:
            pass
    process.kill()
    process.wait()


class Session:
    """One Xvfb and what runs on it. With fbdir, Xvfb keeps its screen as a live XWD file there
    and screenshots read that file: far cheaper than a screenshot program when many sessions
    poll at once."""

    def __init__(self, display, width, height, shots, fbdir=None):
        self.display = display
        self.width = width
        self.height = height
        self.shots = shots
        self.fbdir = fbdir
        self.env = dict(os.environ, DISPLAY=display)
        self.env.pop("SDL_VIDEODRIVER", None)
        self.processes = []

    def start(self, args, **kwargs):
        process = subprocess.Popen(args, env=self.env, **kwargs)
        self.processes.append(process)
        return process

    def start_xvfb(self):
        framebuffer = ["-fbdir", self.fbdir] if self.fbdir else []
        xvfb = self.start(["Xvfb", self.display, "-screen", "0", f"{self.width}x{self.height}x24",
                           "-nolisten", "tcp", *framebuffer],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            # A server already on this display would answer too; ours must still be running.
            check(xvfb.poll() is None, f"Xvfb could not take {self.display}")
            if subprocess.run(["xdpyinfo"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return
            time.sleep(0.1)
        raise Failure(f"Xvfb on {self.display} did not start")

    def stop_all(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                stop_process(process, gently=process.args[0] == "Xvfb")

    def find_window(self, name, timeout=20):
        """A mapped top-level window with this title. xwininfo rather than xdotool search:
        SDL titles its message box with a UTF8_STRING name, which xdotool does not match."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            tree = subprocess.run(["xwininfo", "-root", "-children"], env=self.env,
                                  capture_output=True, text=True).stdout
            for line in tree.splitlines():
                fields = line.split(None, 1)
                if len(fields) == 2 and fields[1].startswith(f'"{name}"'):
                    state = subprocess.run(["xwininfo", "-id", fields[0]], env=self.env,
                                           capture_output=True, text=True).stdout
                    if "IsViewable" in state:
                        return fields[0]
            time.sleep(0.1)
        raise Failure(f"no window named {name}")

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, check=True)

    def screenshot(self):
        if self.fbdir:
            return self.read_framebuffer()
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], env=self.env,
                             capture_output=True, check=True).stdout
        check(len(raw) == self.width * self.height * 3, "screenshot has the wrong size")
        return raw

    def read_framebuffer(self):
        """The screen from Xvfb's XWD file: 32 bits per pixel, blue in the lowest byte."""
        with open(os.path.join(self.fbdir, "Xvfb_screen0"), "rb") as file:
            data = file.read()
        header_size, = struct.unpack_from(">I", data, 0)
        width, height = struct.unpack_from(">II", data, 16)
        bits, line = struct.unpack_from(">II", data, 44)
        colours, = struct.unpack_from(">I", data, 76)
        check((width, height, bits, line) == (self.width, self.height, 32, 4 * self.width),
              "the framebuffer file has an unexpected layout")
        start = header_size + 12 * colours
        pixels = data[start:start + line * height]
        raw = bytearray(width * height * 3)
        raw[0::3], raw[1::3], raw[2::3] = pixels[2::4], pixels[1::4], pixels[0::4]
        return bytes(raw)

    def save(self, frame, name):
        path = os.path.join(self.shots, name + ".png")
        subprocess.run(["convert", "-size", f"{self.width}x{self.height}", "-depth", "8",
                        "rgb:-", path], input=frame, check=True)
        return path

    def settled(self, differs_from=None, equals=None, until=None, timeout=30):
        """The screen once it has stopped changing (two equal frames in a row), after it has
        left differs_from, reached equals, or satisfied until."""
        deadline = time.monotonic() + timeout
        last = self.screenshot()
        while time.monotonic() < deadline:
            time.sleep(0.1)
            frame = self.screenshot()
            if frame == last and (differs_from is None or frame != differs_from) and (
                    equals is None or frame == equals) and (until is None or until(frame)):
                return frame
            last = frame
        return last


def pixel(frame, width, x, y):
    i = (y * width + x) * 3
    return frame[i:i + 3]


def read_world_geometry(world):
    """How far a tile can reach from its cell's origin, from terrain.db."""
    table = open(os.path.join(world, "terrain.db"), "rb").read(466 * 88)
    widths, heights, anchors_x, anchors_y = [0], [0], [0], [0]
    for i in range(len(table) // 88):
        record = table[i * 88:(i + 1) * 88]
        if record[4] == 0 and record[5] == 0:
            continue
        left, top, right, bottom, ax, ay = struct.unpack_from("<6i", record, 8)
        widths.append(right - left)
        heights.append(bottom - top)
        anchors_x.append(ax)
        anchors_y.append(ay)
    # Reach before the origin (anchor) and after it (size less anchor), and the size itself.
    reach_x = (max(max(anchors_x), 0), max(w - a for w, a in zip(widths, anchors_x)), max(widths))
    reach_y = (max(max(anchors_y), 0), max(h - a for h, a in zip(heights, anchors_y)), max(heights))
    return reach_x, reach_y


def clear_colour(world):
    """Palette entry 170 of tiles.bmp (an 8-bit file: its colour table, blue first)."""
    header = open(os.path.join(world, "tiles.bmp"), "rb").read(14 + 40 + 1024)
    entry = header[54 + 170 * 4:54 + 170 * 4 + 3]
    return bytes((entry[2], entry[1], entry[0]))


def expect_shifted(session, before, after, dx, dy, reach_x, reach_y, what):
    """after is before moved by (dx, dy), one cell, wherever no tile crosses an edge and no
    cell comes into or leaves the processed window; the overlay boxes are left out."""
    w, h = session.width, session.height
    before_x, after_x, size_x = reach_x
    before_y, after_y, size_y = reach_y
    # A tile that appears or disappears lies within one cell plus its reach of the edge that
    # the view moves away from or towards.
    low_x = max(size_x, after_x) if dx > 0 else max(size_x, before_x)
    high_x = max(size_x, before_x) if dx > 0 else max(size_x, after_x)
    low_y = max(size_y, after_y) if dy > 0 else max(size_y, before_y)
    high_y = max(size_y, before_y) if dy > 0 else max(size_y, after_y)
    # Region in the frame whose content moves right/down (src), compared with its image.
    src, dst = (before, after) if dx >= 0 and dy >= 0 else (after, before)
    sx, sy = abs(dx), abs(dy)
    x0, x1 = (low_x, w - sx - high_x) if sx else (0, w)
    y0, y1 = (low_y, h - sy - high_y) if sy else (0, h)
    check(x1 - x0 > 50 and y1 - y0 > 50, f"{what}: nothing left to compare")
    compared = 0
    colours = set()
    for y in range(y0, y1):
        for x in range(x0, x1):
            if x + sx < OVERLAY_BOX[2] and y + sy < OVERLAY_BOX[3]:
                continue
            if x < OVERLAY_BOX[2] and y < OVERLAY_BOX[3]:
                continue
            a = pixel(src, w, x, y)
            b = pixel(dst, w, x + sx, y + sy)
            if a != b:
                raise Failure(f"{what}: pixel ({x}, {y}) did not move by ({dx}, {dy})")
            compared += 1
            if compared % 97 == 0:
                colours.add(a)
    check(len(colours) > 8, f"{what}: the compared region shows no map")


def expect_map_and_overlay(session, frame, clear, what):
    w, h = session.width, session.height
    colours = set()
    not_clear = 0
    for y in range(0, h, 7):
        for x in range(0, w, 7):
            p = pixel(frame, w, x, y)
            colours.add(p)
            not_clear += p != clear
    check(len(colours) > 20 and not_clear > (w // 7) * (h // 7) // 4, f"{what}: no map shown")
    check(clear in colours, f"{what}: the clear colour (palette entry 170) is nowhere")
    check(expect_overlay_box(frame, w, 0, 20, 1), f"{what}: no overlay box at (0, 20)")
    check(expect_overlay_box(frame, w, 0, 40, 1), f"{what}: no overlay box at (0, 40)")


def expect_overlay_box(frame, width, x0, y0, characters):
    """A box of black ink on white paper, 8 x 16 pixels per character."""
    ink = paper = 0
    for y in range(y0, y0 + 16):
        for x in range(x0, x0 + 8 * characters):
            p = pixel(frame, width, x, y)
            if p == b"\x00\x00\x00":
                ink += 1
            elif p == b"\xff\xff\xff":
                paper += 1
            else:
                return False
    return ink > 10 and paper > ink


def run_viewer(args):
    session = Session(args.display, args.width, args.height, args.shots)
    reach_x, reach_y = read_world_geometry(args.world)
    clear = clear_colour(args.world)
    try:
        session.start_xvfb()
        viewer = session.start([args.program], cwd=args.world)
        window = session.find_window("Dravik")
        # The window is up before its first frame: wait for the overlay.
        first = session.settled(until=lambda f: expect_overlay_box(f, args.width, 0, 20, 1))
        session.save(first, "first")
        expect_map_and_overlay(session, first, clear, "first frame")

        def key(character, **expect):
            session.xdotool("type", "--delay", "30", character)
            return session.settled(**expect)

        moves = {"a": (PITCH, 0), "d": (-PITCH, 0), "w": (0, PITCH), "s": (0, -PITCH)}
        undo = {"a": "d", "d": "a", "w": "s", "s": "w"}
        for character, (dx, dy) in moves.items():
            moved = key(character, differs_from=first)
            session.save(moved, f"key-{character}")
            expect_shifted(session, first, moved, dx, dy, reach_x, reach_y, f"key {character}")
            back = key(undo[character], equals=first)
            check(back == first, f"key {undo[character]} after {character}: not back")

        upper = key("A")  # case-sensitive: nothing changes
        check(upper == first, "upper-case A changed the frame")

        segment = key("e", differs_from=first)
        session.save(segment, "key-e")
        changed = sum(segment[i] != first[i] for i in range(0, len(first), 301))
        check(changed > len(first) // 301 // 4, "key e: the segment did not change")
        expect_map_and_overlay(session, segment, clear, "segment 1")
        again = key("q", equals=first)
        check(again == first, "key q: the first segment is not back")

        x, y = 5 * PITCH + 20, 3 * PITCH + 10  # column 5; row 3, shown as 39
        session.xdotool("mousemove", str(x), str(y), "click", "1")
        clicked = session.settled(differs_from=first)
        session.save(clicked, "click")
        check(clicked != first, "click: the overlay did not change")
        for py in range(session.height):
            for px in range(session.width):
                if px < OVERLAY_BOX[2] and py < OVERLAY_BOX[3]:
                    continue
                if pixel(clicked, session.width, px, py) != pixel(first, session.width, px, py):
                    raise Failure(f"click: pixel ({px}, {py}) outside the overlay changed")
        check(expect_overlay_box(clicked, session.width, 0, 20, 1), "click: no box for 5")
        check(expect_overlay_box(clicked, session.width, 0, 40, 2), "click: no box for 39")

        subprocess.run([args.send_close, window], env=session.env, check=True)
        try:
            code = viewer.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise Failure("the viewer did not end after the close request")
        check(code == 0, f"exit code {code} after close")
    finally:
        session.stop_all()


def run_missing_terrain(args):
    """Started where there is no terrain.db: the message, then exit code 0."""
    folder = tempfile.mkdtemp(prefix="dravik-e2e-")
    session = Session(args.display, args.width, args.height, args.shots)
    try:
        # No display at all: the text goes to stderr.
        env = dict(os.environ, SDL_VIDEODRIVER="dummy")
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        quiet = subprocess.run([args.program], cwd=folder, env=env, capture_output=True,
                               text=True, timeout=30)
        check(quiet.returncode == 0, f"exit code {quiet.returncode} without terrain.db")
        check("Cannot open terrain.db." in quiet.stderr, "no message on stderr: " + quiet.stderr)

        # With a display: a message box titled Dravik, closed like any window.
        session.start_xvfb()
        viewer = session.start([args.program], cwd=folder)
        box = session.find_window("Dravik")
        session.save(session.screenshot(), "missing-terrain")
        check(viewer.poll() is None, "the viewer did not wait for the message to be read")
        subprocess.run([args.send_close, box], env=session.env, check=True)
        code = viewer.wait(timeout=10)
        check(code == 0, f"exit code {code} after the message")
    finally:
        session.stop_all()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--width", type=int, required=True)
    parser.add_argument("--height", type=int, required=True)
    parser.add_argument("--display", required=True)
    parser.add_argument("--world", required=True)
    parser.add_argument("--send-close", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--missing-terrain", action="store_true")
    args = parser.parse_args()
    for name in ("program", "world", "send_close", "shots"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    os.makedirs(args.shots, exist_ok=True)
    try:
        (run_missing_terrain if args.missing_terrain else run_viewer)(args)
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    print(f"screenshots in {args.shots}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
