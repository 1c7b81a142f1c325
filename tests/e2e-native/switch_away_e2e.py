#!/usr/bin/env python3
"""Switching away, natively: tileview-640 in the demo world loses the input focus to another X
client's window mapped over it, gets it back, and has its window resized away and back (SDL's
software renderer then makes a new window surface). Each time the next frames must be the
first frame again, every tile present. Every process started here is ended by its id.

A renderer reset (SDL_RENDER_TARGETS_RESET or SDL_RENDER_DEVICE_RESET) cannot be provoked here:
the software renderer never reports one. The pixel tests report one by hand.
"""

import argparse
import os
import subprocess
import sys
import tempfile

from viewer_e2e import Failure, Session, check, expect_overlay_box

WIDTH, HEIGHT = 640, 480


def focused_window(session):
    out = subprocess.run(["xdotool", "getwindowfocus"], env=session.env, capture_output=True,
                         text=True, check=True).stdout
    return int(out.strip())


def run(args):
    fbdir = tempfile.mkdtemp(prefix="dravik-fb-")
    session = Session(args.display, WIDTH, HEIGHT, args.shots, fbdir=fbdir)
    try:
        session.start_xvfb()
        viewer = session.start([args.program], cwd=args.world)
        window = session.find_window("Dravik")
        first = session.settled(until=lambda f: expect_overlay_box(f, WIDTH, 0, 20, 1))
        check(expect_overlay_box(first, WIDTH, 0, 20, 1), "no first frame")
        session.save(first, "switch-first")
        session.xdotool("windowfocus", "--sync", window)

        # Another client's window over the whole screen takes the focus.
        other = session.start(["xlogo", "-geometry", f"{WIDTH}x{HEIGHT}+0+0"])
        logo = session.find_window("xlogo")
        session.xdotool("windowraise", logo)
        session.xdotool("windowfocus", "--sync", logo)
        check(focused_window(session) == int(logo, 0), "the other window did not take the focus")
        covered = session.settled(differs_from=first)
        session.save(covered, "switch-covered")
        check(covered != first, "the other window does not show")

        # It goes away; the viewer is focused again and draws its frame as before.
        other.kill()
        other.wait()
        session.xdotool("windowfocus", "--sync", window)
        check(focused_window(session) == int(window, 0), "the viewer did not get the focus back")
        back = session.settled(equals=first)
        session.save(back, "switch-back")
        check(back == first, "after regaining the focus the frame is not the first one")
        check(viewer.poll() is None, "the viewer ended")

        # The window made smaller and whole again: a new window surface, the same frame.
        session.xdotool("windowsize", window, str(WIDTH // 2), str(HEIGHT // 2))
        small = session.settled(differs_from=first)
        check(small != first, "the window did not become smaller")
        session.xdotool("windowsize", window, str(WIDTH), str(HEIGHT))
        resized = session.settled(equals=first)
        session.save(resized, "switch-resized")
        check(resized == first, "after a resize and back the frame is not the first one")

        subprocess.run([args.send_close, window], env=session.env, check=True)
        try:
            code = viewer.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise Failure("the viewer did not end after the close request")
        check(code == 0, f"exit code {code} after close")
    finally:
        session.stop_all()
        for name in os.listdir(fbdir):
            os.remove(os.path.join(fbdir, name))
        os.rmdir(fbdir)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--display", required=True)
    parser.add_argument("--world", required=True)
    parser.add_argument("--send-close", required=True)
    parser.add_argument("--shots", required=True)
    args = parser.parse_args()
    for name in ("program", "world", "send_close", "shots"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    os.makedirs(args.shots, exist_ok=True)
    try:
        run(args)
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    print(f"screenshots in {args.shots}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
