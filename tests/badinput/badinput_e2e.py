#!/usr/bin/env python3
"""Bad input, end to end: tileview-640 in each bad-input folder, under strace and Xvfb.

For each folder of make_bad_inputs.py (and the unspoilt demo world as the control), the viewer
runs under `strace -f` while xdotool drives it: a hundred scroll steps each way in every
direction (which must bring the first frame back exactly), a burst of key presses, and clicks
(the overlay must change: the viewer keeps drawing). A close request must end it with exit code
0. The trace must show no file opened for writing, no file created, renamed or deleted, no
program started (SDL's X11 message box forks the viewer itself, which execs nothing), and no
file of the working folder read but the viewer's own data files.

Cases run side by side, one Xvfb per display given; every process is ended by its id. One
display mode is enough: the files are read the same way by all four programs.
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import threading
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e-native"))
from viewer_e2e import OVERLAY_BOX, PITCH, Failure, Session, check  # noqa: E402

import make_bad_inputs as bad  # noqa: E402  (this folder)

WIDTH, HEIGHT = 640, 480
CONTROL = "demo"
DATA_FILES = {"terrain.db", "tiles.bmp", "seg000.db", "seg001.db", "seg005.db", "seg006.db",
              "seg007.db", "seg009.db"}
# The one case that never shows the map: its message box is closed like a window.
MESSAGE_BOX = {"terrain-missing"}
# Spoilt files whose first frame is still the demo's own, pixel for pixel: bytes past the end
# of a block are not read, the cells on screen lie in the first half of a segment, a colour count
# is held to 256, a file needed later is not missing yet, and SDL reads the picture in these
# other forms alike.
SAME_AS_DEMO = {"terrain-long", "seg000-long", "seg000-truncated-260101", "tiles-long",
                "seg001-missing", "tiles-colours-0", "tiles-colours-300", "tiles-colours-max",
                "tiles-top-down", "tiles-rle8"}
STEPS = 100  # scroll steps each way in each direction
BURST = 200  # key presses in the burst
BURST_KEYS = "adwseqADWSEQ zx19"
COLUMN_BOX = (0, 20, 8, 36)  # the first character of the column number
PATIENCE = 180  # seconds for the viewer to work through everything queued

WRITE_FLAGS = re.compile(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND|O_TMPFILE")
CHANGES_FILES = {"creat", "rename", "renameat", "renameat2", "unlink", "unlinkat", "rmdir", "mkdir",
                 "mkdirat", "link", "linkat", "symlink", "symlinkat", "truncate", "ftruncate",
                 "chmod", "fchmodat", "chown", "lchown", "fchownat", "utime", "utimes",
                 "utimensat", "futimesat", "mknod", "mknodat", "setxattr", "lsetxattr",
                 "removexattr", "lremovexattr", "memfd_create"}
SYSCALL = re.compile(r"^(\d+)\s+(\w+)\((.*)$")


class StartRefused(Failure):
    """The viewer showed a start-up box instead of its window. On a loaded machine Xvfb now and
    then refuses a connection; SDL's video start then fails and the viewer says so, as it
    should. The case is tried once more."""


def region(frame, box):
    x0, y0, x1, y1 = box
    return b"".join(frame[(y * WIDTH + x0) * 3:(y * WIDTH + x1) * 3] for y in range(y0, y1))


def shows_overlay(frame):
    """Ink and paper differ in the first digit's box (not so where every entry is one colour)."""
    box = region(frame, COLUMN_BOX)
    return len({box[i:i + 3] for i in range(0, len(box), 3)}) > 1


def outside_overlay(frame):
    """The frame with the overlay corner blanked, for comparing the map alone."""
    out = bytearray(frame)
    x0, y0, x1, y1 = OVERLAY_BOX
    for y in range(y0, y1):
        out[(y * WIDTH + x0) * 3:(y * WIDTH + x1) * 3] = bytes((x1 - x0) * 3)
    return bytes(out)


def colour_count(frame):
    return len({frame[i:i + 3] for i in range(0, len(frame), 3 * 7)})


def truncated_cell(position, scroll):
    """The viewer's pick: C++ division, truncating towards zero."""
    offset = position - scroll
    cell = abs(offset) // PITCH
    return -cell if offset < 0 else cell


def check_trace(path):
    """What the trace shows against the viewer's promise; returns the data files it read."""
    problems, read = [], set()
    first_exec = True
    for line in open(path, errors="replace"):
        match = SYSCALL.match(line)
        if not match:
            continue
        name, args = match.group(2), match.group(3)
        if name == "execve":
            if not first_exec:
                problems.append(line.strip())
            first_exec = False
        elif name in CHANGES_FILES:
            problems.append(line.strip())
        elif name in ("open", "openat", "openat2", "open_by_handle_at"):
            if WRITE_FLAGS.search(args):
                problems.append(line.strip())
            local = re.match(r'(?:AT_FDCWD, )?"([^"/][^"]*)"', args)
            if local and not args.startswith("AT_FDCWD, \"/") and " = -1 " not in line:
                if local.group(1) not in DATA_FILES:
                    problems.append(line.strip())
                read.add(local.group(1))
    check(not problems, "the trace shows writing or starting:\n  " + "\n  ".join(problems[:10]))
    return read


def viewer_pid(tracer):
    """The traced viewer's own process id: strace's child."""
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        try:
            children = open(f"/proc/{tracer.pid}/task/{tracer.pid}/children").read().split()
        except OSError:
            children = []
        if children:
            return int(children[0])
        check(tracer.poll() is None, "strace ended before the viewer started")
        time.sleep(0.05)
    raise Failure("strace started no viewer")


def descendants(pid):
    """Every process below pid, by the kernel's own lists."""
    found = []
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return found
    for task in tasks:
        try:
            children = open(f"/proc/{pid}/task/{task}/children").read().split()
        except OSError:
            continue
        for child in map(int, children):
            found += [child, *descendants(child)]
    return found


def window_size(session, window):
    info = subprocess.run(["xwininfo", "-id", window], env=session.env, capture_output=True,
                          text=True).stdout
    width = int(re.search(r"Width: (\d+)", info).group(1))
    height = int(re.search(r"Height: (\d+)", info).group(1))
    return width, height


def wait_for(session, condition, what, timeout=PATIENCE):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        frame = session.screenshot()
        if condition(frame):
            return frame
        time.sleep(0.1)
    raise Failure(f"{what}: not within {timeout} s")


def click(session, x, y):
    session.xdotool("mousemove", str(x), str(y), "click", "1")


def close_viewer(session, args, window, tracer, timeout):
    subprocess.run([args.send_close, window], env=session.env, check=True)
    try:
        code = tracer.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure(f"no exit within {timeout} s of the close request")
    check(code == 0, f"exit code {code} after the close request")


def drive(session, args, case, window, tracer, result):
    """The viewer's first frame, the round trip, the burst and the clicks; then the close."""
    # The first frame: the overlay's first digit shows once ink and paper differ; a palette
    # whose every entry is one colour shows nothing to wait for.
    first = None
    deadline = time.monotonic() + 40
    while time.monotonic() < deadline and first is None:
        frame = session.screenshot()
        if shows_overlay(frame):
            first = frame
        time.sleep(0.1)
    first = session.settled(timeout=10)
    visible = shows_overlay(first)
    session.save(first, f"{case}-first")
    result.update(first=first, colours=colour_count(first), overlay=visible)

    # Out and back in every direction: the same frame again, outside the overlay.
    session.xdotool("type", "--delay", "2", "d" * STEPS + "s" * STEPS + "a" * STEPS + "w" * STEPS)
    click(session, 5 * PITCH + 20, 3 * PITCH + 10)  # column 5: the overlay's first digit changes
    if visible:
        picked = wait_for(session, lambda f: region(f, COLUMN_BOX) != region(first, COLUMN_BOX),
                          "the click after the round trip")
        back = session.settled(timeout=30)
        session.save(back, f"{case}-round-trip")
        check(region(back, COLUMN_BOX) == region(picked, COLUMN_BOX), "the overlay moved on")
        check(outside_overlay(back) == outside_overlay(first),
              "after a hundred steps each way the first frame is not back")

    # The burst, then a click whose column starts with another character than 5.
    keys = random.Random(zlib.crc32(case.encode())).choices(BURST_KEYS, k=BURST)
    scroll_x = PITCH * (keys.count("a") - keys.count("d"))
    x = next(x for x in (300, 100, 600, 20) if not str(truncated_cell(x, scroll_x)).startswith("5"))
    before = session.screenshot()
    session.xdotool("type", "--delay", "2", "".join(keys))
    click(session, x, 200)
    if visible:
        last = wait_for(session, lambda f: region(f, COLUMN_BOX) != region(before, COLUMN_BOX),
                        "the click after the burst")
        last = session.settled(timeout=30)
        session.save(last, f"{case}-after-burst")
    # The close request is queued behind every key: its exit proves they were all taken.
    close_viewer(session, args, window, tracer, PATIENCE)


def wait_no_window(session, name, timeout=20):
    """A window of the case before may outlive its killed client for a moment."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        tree = subprocess.run(["xwininfo", "-root", "-children"], env=session.env,
                              capture_output=True, text=True).stdout
        if f'"{name}"' not in tree:
            return
        time.sleep(0.1)
    raise Failure(f"a window named {name} is still there")


def run_case(session, args, case, folder, attempt=""):
    result = {"case": case}
    wait_no_window(session, "Dravik")
    started = time.monotonic()
    log = os.path.join(args.logs, f"{case}{attempt}.strace")
    calls = "trace=%file,%process,memfd_create,socket,connect"
    tracer = session.start(["strace", "-f", "-qq", "-e", calls, "-o", log, args.program],
                           cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    pid = viewer_pid(tracer)
    try:
        window = session.find_window("Dravik", timeout=30)
        size = window_size(session, window)
        if case in MESSAGE_BOX:
            check(size != (WIDTH, HEIGHT), "no message box but the viewer's window")
            time.sleep(1)  # let the box draw its text
            shown = session.screenshot()
            session.save(shown, f"{case}-first")
            result.update(first=shown, colours=colour_count(shown), overlay=False,
                          message_box=True)
            close_viewer(session, args, window, tracer, 30)
        else:
            if size != (WIDTH, HEIGHT):
                session.save(session.screenshot(), f"{case}-unexpected")
                close_viewer(session, args, window, tracer, 30)
                raise StartRefused(f"the viewer's window is {size}")
            drive(session, args, case, window, tracer, result)
        result["read"] = sorted(check_trace(log))
    finally:
        # Whatever went wrong, neither the viewer, its message box's process nor the tracer
        # outlives the case.
        for process_id in [*descendants(pid), pid, tracer.pid]:
            try:
                os.kill(process_id, 9)
            except ProcessLookupError:
                pass
        tracer.wait()
    result["seconds"] = time.monotonic() - started
    return result


def run_shard(args, cases):
    """Cases taken in turn by one worker per display."""
    pending = list(cases)
    results, failures = {}, {}
    lock = threading.Lock()

    def worker(display):
        fbdir = os.path.join(args.logs, f"fb{display[1:]}")
        os.makedirs(fbdir, exist_ok=True)
        session = Session(display, WIDTH, HEIGHT, args.shots, fbdir=fbdir)
        try:
            session.start_xvfb()
            while True:
                with lock:
                    if not pending:
                        return
                    case, folder = pending.pop(0)
                try:
                    try:
                        results[case] = run_case(session, args, case, folder)
                    except StartRefused as refused:
                        print(f"{case}: {refused}; once more", flush=True)
                        results[case] = run_case(session, args, case, folder, "-again")
                except (Failure, subprocess.CalledProcessError) as failure:
                    failures[case] = str(failure)
        except Failure as failure:
            with lock:
                for case, _ in pending:
                    failures[case] = f"{display}: {failure}"
                pending.clear()
        finally:
            session.stop_all()

    threads = [threading.Thread(target=worker, args=(d,)) for d in args.displays.split(",")]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return results, failures


def describe(result, control):
    if result.get("message_box"):
        return "message box"
    if control is not None and result["first"] == control["first"]:
        return "the demo map, as is"
    if result["colours"] <= 1:
        return "one colour, no overlay"
    return f"another picture ({result['colours']} colours)"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--world", required=True)
    parser.add_argument("--send-close", required=True)
    parser.add_argument("--out", required=True, help="folder for the bad-input folders")
    parser.add_argument("--displays", required=True, help="comma-separated, e.g. :91,:92")
    parser.add_argument("--shard", default="1/1", help="which share of the cases, e.g. 2/3")
    parser.add_argument("cases", nargs="*", help="only these cases (all when none are named)")
    args = parser.parse_args()
    for name in ("program", "world", "send_close", "out"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    index, count = (int(n) for n in args.shard.split("/"))
    args.shots = os.path.join(args.out, "shots")
    args.logs = os.path.join(args.out, f"logs-{index}")
    shutil.rmtree(args.logs, ignore_errors=True)
    os.makedirs(args.shots, exist_ok=True)
    os.makedirs(args.logs)

    # This shard's share of the folders, written afresh from the demo world.
    every = bad.all_cases(args.world)
    names = sorted(name for name in every if not args.cases or name in args.cases)
    names = names[index - 1::count]
    for name in names:
        bad.write_case(args.world, os.path.join(args.out, name), every[name][1])
    control_name = f"{CONTROL}-{index}"  # each shard has its own control
    cases = [(control_name, args.world)] + [(name, os.path.join(args.out, name)) for name in names]

    results, failures = run_shard(args, cases)
    control = results.get(control_name)
    for case in SAME_AS_DEMO & set(results):
        if control is None or results[case]["first"] != control["first"]:
            failures[case] = "the first frame is not the demo's"
    for case in MESSAGE_BOX & set(results):
        if not results[case].get("message_box"):
            failures[case] = "no message box"

    print(f"{'case':24} {'seconds':>7}  first frame; data files read")
    for case, _ in cases:
        if case in results:
            result = results[case]
            print(f"{case:24} {result['seconds']:7.1f}  {describe(result, control)};"
                  f" {' '.join(result['read'])}")
        if case in failures:
            print(f"{case:24} FAIL: {failures[case]}")
    print(f"screenshots in {args.shots}, traces in {args.logs}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
