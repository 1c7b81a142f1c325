#!/usr/bin/env python3
"""docs/tiled-loop.png: Tiled's editor and the native viewer side by side on one desktop, just
after a map was saved into the segment both show. The save is Tiled's own (headless, through
the segment extension, as Ctrl+S saves it); the editor then reloads the map and the viewer,
following its files, shows the frame tileview-export composes from the saved data.

Usage: PYTHONPATH=tests:BUILD/python scripts/tiled_screenshot.py [--build BUILD] [--out PNG]
(BUILD a native build with the viewer, the tools and the demo world: build/native)"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

from harness.core import check, main, run_program, wait_until
from harness.tiled import TiledHome
from harness.world import Exporter, require_world
from harness.xserver import XServer

DESKTOP = (2048, 800)
MODE, SEGMENT, COLUMNS = "1024", "seg000.db", 255
# The cells the edit empties: a band across the whole segment, near its top, so that the change
# is plain both in the viewer (at the segment's top left) and in the editor, which opens the map
# small and scrolled to the middle of its width.
EMPTIED = [(row, column) for row in range(3, 7) for column in range(COLUMNS)]
# The editor's grey where no tile is (Fusion's), and how the emptied band looks at the zoom the
# editor opens the map at: wider than this, and no taller than twice SPAN.
CANVAS, BAND, SPAN = bytes((137, 137, 137)), 100, 8
EDITOR_PLACE = (1030, 0, 1014, 772)  # x, y, width, height of the editor's window


def edited_map(tools, world, maps):
    """The segment's map from tileview-tiled export, with the EMPTIED cells emptied."""
    result = run_program([os.path.join(tools, "tileview-tiled"), "export", world, maps])
    check(result.returncode == 0, f"tileview-tiled export: {result.stderr}")
    tmx = os.path.join(maps, SEGMENT.replace(".db", ".tmx"))
    tree = ElementTree.parse(tmx)
    for data in tree.getroot().iter("data"):
        cells = data.text.split(",")
        for row, column in EMPTIED:
            at = row * COLUMNS + column
            cells[at] = cells[at].replace(cells[at].strip(), "0")
        data.text = ",".join(cells)
    tree.write(tmx, encoding="UTF-8", xml_declaration=True)
    return tmx


def editor_window(server, editor):
    """The id of Tiled's main window once it is shown with the segment open."""
    def probe():
        check(editor.poll() is None, f"Tiled ended (exit code {editor.poll()})")
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", SEGMENT],
                               env=server.env, capture_output=True, text=True).stdout.split()
        return found[0] if found else None
    return wait_until("Tiled's window with the segment", probe)


def coloured(pixel):
    return len(set(pixel)) > 1


def band_in_editor():
    """Whether a screen shows, in the editor's window, the emptied band across the map: a run of
    the canvas's grey, as wide as BAND, with the map's coloured pixels just above and below it
    (Tiled's own widgets are all grey)."""
    def holds(shot, w):
        for y in range(max(w.y, SPAN), min(w.y + w.height, shot.height - SPAN)):
            row = shot.row(y, w.x, w.x + w.width)
            at = row.find(CANVAS * BAND)
            while at >= 0 and at % 3:
                at = row.find(CANVAS * BAND, at + 1)
            middle = w.x + at // 3 + BAND // 2
            around = (shot.at(middle, y - SPAN), shot.at(middle, y + SPAN))
            if at >= 0 and all(map(coloured, around)):
                return True
        return False
    return holds


def shows(frame):
    """Whether a screen shows frame in the viewer's window w."""
    def holds(shot, w):
        return shot.region((w.x, w.y, w.x + frame.width, w.y + frame.height)) == frame.rgb
    return holds


def run(args, temp):
    build = os.path.abspath(args.build)
    tools = os.path.join(build, "tools")
    world = os.path.join(temp, "world")
    require_world(os.path.join(build, "world"))
    shutil.copytree(os.path.join(build, "world"), world)
    tiled = TiledHome(os.path.join(temp, "home"), os.path.join(tools, "tileview-tiled"))
    tiled.install()
    exporter = os.path.join(tools, "tileview-export")
    before = Exporter(exporter, world, MODE, os.path.join(temp, "before")).frame("")
    check(before is not None, "tileview-export refused the demo world")

    def size(w):
        return (w.width, w.height) == (before.width, before.height)
    with XServer(*DESKTOP, temp) as server:
        server.start_window_manager()
        viewer = server.start_program([os.path.join(build, "app", "sdl", "tileview-" + MODE)],
                                      world, log=os.path.join(temp, "viewer.log"))
        server.wait_window("Dravik", viewer, min_width=DESKTOP[0])
        server.keys("F11")
        # Moved before it is looked at: the window comes centred, and lower than the desktop.
        window = wait_until("the viewer in a window", lambda: next(
            (w for w in server.windows("Dravik") if size(w)), None))
        server.xdotool("windowmove", "--sync", window.id, 0, 0)
        server.wait_window_showing("Dravik", "the viewer in a window", size, shows(before),
                                   viewer)
        env = {name: value for name, value in tiled.env.items() if name != "QT_QPA_PLATFORM"}
        editor = server.start_program(["tiled", os.path.join(world, SEGMENT)], temp,
                                      log=os.path.join(temp, "tiled.log"),
                                      env=dict(env, DISPLAY=server.display))
        ident = editor_window(server, editor)
        x, y, width, height = EDITOR_PLACE
        server.xdotool("windowsize", "--sync", ident, width, height)
        server.xdotool("windowmove", "--sync", ident, x, y)
        # The zoom Tiled opens a map at fits the map into its view as it is at that moment, which
        # may be before or after the resize: a zoom of our own, 100 % and seven steps out (3 %).
        server.xdotool("windowactivate", "--sync", ident)
        server.keys("ctrl+0", *["ctrl+minus"] * 7, delay=100)

        tmx = edited_map(tools, world, os.path.join(temp, "maps"))
        code, errors = tiled.export_map(tmx, os.path.join(world, SEGMENT))
        check(code == 0, f"Tiled's save of the edited map: exit code {code}: {errors}")
        after = Exporter(exporter, world, MODE, os.path.join(temp, "after")).frame("")
        check(after is not None and after != before, "the edit does not show in the viewer")
        _, shot = server.wait_window_showing("Dravik", "the viewer showing the saved map", size,
                                             shows(after), viewer)
        title = subprocess.run(["xdotool", "getwindowname", ident], env=server.env,
                               capture_output=True, text=True, check=True).stdout.strip()
        # Tiled reloads the map it has open, unmodified, when its file changes.
        _, shot = server.wait_window_showing(title, "the editor showing the saved map",
                                             lambda w: True, band_in_editor(), editor)
        check(shows(after)(shot, server.windows("Dravik")[0]), "the viewer changed")
        full = shot.save(os.path.join(temp, "desktop.png"))
    subprocess.run(["convert", full, "-resize", "1600x", "+dither", "-colors", "128", args.out],
                   check=True)
    print(args.out)


def command():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build/native")
    parser.add_argument("--out", default="docs/tiled-loop.png")
    parser.add_argument("--work", help="a folder to keep the world, logs and screens in")
    args = parser.parse_args()
    args.out = os.path.abspath(args.out)
    if args.work:
        shutil.rmtree(args.work, ignore_errors=True)
        os.makedirs(args.work)
        return main(lambda: run(args, os.path.abspath(args.work)))
    with tempfile.TemporaryDirectory(prefix="tiled-shot-") as temp:
        return main(lambda: run(args, temp))


if __name__ == "__main__":
    sys.exit(command())
