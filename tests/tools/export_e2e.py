#!/usr/bin/env python3
"""End to end: tileview-export gives the frame the native viewer shows, pixel for pixel.

tileview-1024 runs in the demo world under its own Xvfb and is typed at with xdotool; after each
group of keys the screen is taken and tileview-export composes the same keys; the two pictures
must be equal outside the overlay box (and, as both draw it with the same code, inside it too).
The Xvfb session helpers are those of the native viewer's end-to-end tests.
"""

import argparse
import os
import subprocess
import sys

# Groups of keys typed one after the other; each changes the frame, so each can be waited for.
KEY_GROUPS = ["", "dds", "e", "sssdd", "q", "Xaw", "ee", "wwwwaaaa"]


def picture_rgb(path, width, height, fail):
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                         check=True).stdout
    if len(raw) != width * height * 3:
        fail(f"{path} is not {width} x {height}")
    return raw


def differing(a, b, width, height, box, inside):
    """Pixels that differ, counted outside the overlay box (or inside it)."""
    count = 0
    for y in range(height):
        row = y * width * 3
        if a[row:row + width * 3] == b[row:row + width * 3]:
            continue
        for x in range(width):
            in_box = x < box[2] and y < box[3]
            i = row + x * 3
            if in_box == inside and a[i:i + 3] != b[i:i + 3]:
                count += 1
    return count


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--viewer", required=True)
    parser.add_argument("--export", required=True)
    parser.add_argument("--width", type=int, required=True)
    parser.add_argument("--height", type=int, required=True)
    parser.add_argument("--display", required=True)
    parser.add_argument("--world", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--e2e-helpers", required=True)
    args = parser.parse_args()
    sys.path.insert(0, os.path.abspath(args.e2e_helpers))
    import viewer_e2e as e2e  # noqa: E402 (found only through the path above)

    os.makedirs(args.shots, exist_ok=True)
    width, height = args.width, args.height
    mode = str(width)
    session = e2e.Session(args.display, width, height, os.path.abspath(args.shots))

    def fail(message):
        raise e2e.Failure(message)

    try:
        session.start_xvfb()
        session.start([os.path.abspath(args.viewer)], cwd=args.world)
        session.find_window("Dravik")
        shown = session.settled(until=lambda f: e2e.expect_overlay_box(f, width, 0, 20, 1))
        typed = ""
        for number, keys in enumerate(KEY_GROUPS):
            if keys:
                session.xdotool("type", "--delay", "30", keys)
                shown = session.settled(differs_from=shown)
                typed += keys
            screen = session.save(shown, f"screen-{number}")
            exported = os.path.join(session.shots, f"export-{number}.png")
            result = subprocess.run([args.export, "--mode", mode, "--keys", typed, "--data",
                                     args.world, "-o", exported], capture_output=True, text=True)
            e2e.check(result.returncode == 0, f"keys '{typed}': export failed: {result.stderr}")
            picture = picture_rgb(exported, width, height, fail)
            e2e.check(len(set(shown[i:i + 3] for i in range(0, len(shown), 3 * 997))) > 8,
                      f"keys '{typed}': the screen shows no map")
            outside = differing(shown, picture, width, height, e2e.OVERLAY_BOX, False)
            e2e.check(outside == 0, f"keys '{typed}': {outside} pixels outside the overlay box "
                                    f"differ ({screen} against {exported})")
            inside = differing(shown, picture, width, height, e2e.OVERLAY_BOX, True)
            e2e.check(inside == 0, f"keys '{typed}': {inside} pixels of the overlay box differ")
            print(f"keys '{typed}': export equals the screen")
    except e2e.Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    finally:
        session.stop_all()
    return 0


if __name__ == "__main__":
    sys.exit(main())
