#!/usr/bin/env python3
"""tileview-tiled from the command line. round-trip: export then import gives every segment file
back byte for byte (the demo world, and a crafted one with every oddity a segment can hold), and
a hand-edited map in every form Tiled saves is read as meant. render: Tiled's own renderer draws
the exported map as the viewer's poster shows it. refusals: each fault of a map is refused in one
line naming its place, and leaves WORLD as it was. extension: Tiled itself, with the extension
that install-extension puts in place, opens each segment file as export's map and saves a map as
import does, refusing as import does."""

import argparse
import base64
import gzip
import hashlib
import itertools
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import zlib

from harness.core import Failure, check, run_program
from harness.tiled import TiledHome
from harness.world import SEGMENT_FILES

# The segments the crafted worlds fill, by their places in the list of segment files.
SEG_A, SEG_B, SEG_C, SEG_D, SEG_F = (SEGMENT_FILES[i] for i in (0, 1, 2, 3, 5))
MAP_A, MAP_B, MAP_C, MAP_F = (name.replace(".db", ".tmx") for name in (SEG_A, SEG_B, SEG_C, SEG_F))
SIDE = 255
CELLS = SIDE * SIDE


def run(args, **kwargs):
    return run_program(args, timeout=300, **kwargs)


def terrain(records):
    """terrain.db of (kind, level, (left, top, right, bottom), (anchorX, anchorY)) records."""
    data = bytearray(466 * 88)
    for i, (kind, level, rect, anchor) in enumerate(records):
        struct.pack_into("<BB2x6i", data, i * 88 + 4, kind, level, *rect, *anchor)
    return bytes(data)


def segment(cells, size=CELLS * 8):
    """A segment's first size bytes; cells maps (row, column) to four (kind, level) layers."""
    data = bytearray(CELLS * 8)
    for (row, column), layers in cells.items():
        for layer, (kind, level) in enumerate(layers):
            at = (row * SIDE + column) * 8 + 6 - 2 * layer
            data[at:at + 2] = bytes((level, kind))
    return bytes(data[:size])


def write_world(folder, sheet, records, segments):
    os.makedirs(folder)
    shutil.copyfile(sheet, os.path.join(folder, "tiles.bmp"))
    open(os.path.join(folder, "terrain.db"), "wb").write(terrain(records))
    for name, data in segments.items():
        open(os.path.join(folder, name), "wb").write(data)
    return folder


def snapshot(folder):
    """Every file of folder: its name, mode and bytes' digest."""
    return {name: (os.stat(os.path.join(folder, name)).st_mode,
                   hashlib.sha256(open(os.path.join(folder, name), "rb").read()).hexdigest())
            for name in sorted(os.listdir(folder))}


class Tools:
    def __init__(self, args, scratch):
        self.tiled, self.export, self.compare = args.tiled, args.export, args.compare
        self.scratch = scratch
        self.demo = os.path.join(scratch, "demo")
        subprocess.run([args.mkworld, self.demo], check=True, capture_output=True)
        self.sheet = os.path.join(self.demo, "tiles.bmp")

    def path(self, *names):
        return os.path.join(self.scratch, *names)

    def call(self, *args, **kwargs):
        return run([self.tiled, *args], **kwargs)

    def export_maps(self, world, out):
        result = self.call("export", world, out)
        check(result.returncode == 0, f"export of {world}: {result.stderr}")
        return out


def oddities_world(tools):
    """Duplicate records, pairs no record holds (kind 0 among them), a kind-0 record, a source
    off the sheet, a tile reaching far, every tie of levels, a short, an empty and a missing
    segment, and one of random references."""
    records = [(1, 1, (0, 0, 55, 55), (0, 0)), (1, 2, (55, 0, 110, 55), (0, 0)),
               (1, 1, (110, 0, 165, 55), (3, 3)), (0, 7, (0, 55, 55, 110), (0, 20)),
               (9, 9, (1290, 3890, 1345, 3945), (0, 0)), (8, 8, (0, 0, 55, 55), (5000, 0)),
               (255, 255, (0, 0, 55, 55), (-40, 0))]
    ties = {(i // 9, i % 9): [(1, level) if level else (0, 0) for level in levels]
            for i, levels in enumerate(itertools.product((0, 1, 2), repeat=4))}
    ties[(20, 0)] = [(3, 3), (0, 5), (200, 255), (0, 7)]
    ties[(254, 254)] = [(9, 9), (8, 8), (255, 255), (1, 2)]
    pairs = [(0, 0), (1, 1), (1, 2), (0, 7), (9, 9), (4, 4), (0, 1), (255, 255)]
    rng = random.Random(7)
    scattered = {(r, c): [rng.choice(pairs) for _ in range(4)]
                 for r in range(SIDE) for c in range(SIDE) if rng.random() < 0.2}
    return write_world(tools.path("oddities"), tools.sheet, records, {
        SEG_A: segment(ties), SEG_B: segment(ties, 1003), SEG_C: b"",
        SEG_D: segment({}), SEG_F: segment(scattered)})


def tileset_tiles(out):
    return {(int(t.find("properties/property[@name='kind']").get("value")),
             int(t.find("properties/property[@name='level']").get("value"))): t
            for t in ElementTree.parse(os.path.join(out, "dravik.tsx")).getroot().iter("tile")}


def check_round_trip(tools, world):
    out = tools.export_maps(world, tools.path(os.path.basename(world) + "-maps"))
    back = tools.path(os.path.basename(world) + "-back")
    os.makedirs(back)
    kept = os.path.join(back, SEG_A)
    open(kept, "wb").write(b"old")
    os.chmod(kept, 0o600)
    result = tools.call("import", out, back, preexec_fn=lambda: os.umask(0o077))
    check(result.returncode == 0, f"import of {out}: {result.stderr}")
    present = [name for name in SEGMENT_FILES if os.path.exists(os.path.join(world, name))]
    check(sorted(os.listdir(back)) == present, f"{back} holds {os.listdir(back)}")
    for name in present:
        check(open(os.path.join(back, name), "rb").read()
              == open(os.path.join(world, name), "rb").read(), f"{world}: {name} came back changed")
        mode = os.stat(os.path.join(back, name)).st_mode & 0o777
        check(mode == (0o600 if name == SEG_A else 0o644), f"{name}: mode {mode:o}")
    return out


def test_round_trip(tools):
    check_round_trip(tools, tools.demo)
    out = check_round_trip(tools, oddities_world(tools))
    tiles = tileset_tiles(out)
    check(tiles[(1, 1)].find("properties/property[@name='record']").get("value") == "0",
          "the pair held twice is not the first record's")
    for pair in [(3, 3), (0, 5), (200, 255), (4, 4), (0, 1), (9, 9), (8, 8)]:
        check(tiles[pair].find("properties/property[@name='placeholder']") is not None,
              f"{pair}: no marked stand-in")
    test_hand_edited(tools)


def layer(name, ids, form="csv", spoil=lambda packed: packed):
    """A tile layer in any of the forms Tiled saves; spoil changes the packed bytes."""
    raw = struct.pack(f"<{len(ids)}I", *ids)
    packed = {"csv": b"", "base64": raw, "zlib": zlib.compress(raw), "gzip": gzip.compress(raw)}
    text = ("\n " + ",\n ".join(map(str, ids)) + "\n" if form == "csv"
            else base64.b64encode(spoil(packed[form])).decode())
    data = ('encoding="csv"' if form == "csv" else 'encoding="base64"'
            + (f' compression="{form}"' if form in ("zlib", "gzip") else ""))
    return f'<layer name="{name}" width="255" height="255"><data {data}>{text}</data></layer>'


def tile(id, kind='type="int" value="9"', level='type="int" value="1"'):
    return (f'<tile id="{id}"><properties><property name="kind" {kind}/><property name="level" '
            f'{level}/></properties><image source="{id}.png"/></tile>')


# Tiles 0 and 1 sound, 2 absent, 3 to 5 unusable: no properties, level 256, kind a string.
NOTES_TSX = ('<?xml version="1.0"?><tileset name="notes" tilewidth="55" tileheight="55">'
             + tile(0, level='type="int" value="2"', kind='type="int" value="4"') + tile(1)
             + '<tile id="3"/>' + tile(4, level='type="int" value="256"')
             + tile(5, kind='value="4"') + "</tileset>")
INLINE = """<tileset firstgid="20" name="mine" tilewidth="55" tileheight="55" tilecount="1"
 columns="1"><image source="b.png" width="55" height="55"/><tile id="0"><properties>
 <property name="kind" type="int" value="200"/><property name="level" type="int" value="255"/>
 </properties></tile></tileset>"""
SHAPE = 'orientation="orthogonal" width="255" height="255" tilewidth="55" tileheight="55"'


def tmx(layers, shape=SHAPE, size=None, tilesets='<tileset firstgid="1" source="notes.tsx"/>'):
    prop = (f'<properties><property name="size" type="int" value="{size}"/></properties>'
            if size is not None else "")
    return (f'<?xml version="1.0"?><map version="1.8" {shape} infinite="0">{prop}{tilesets}'
            f'{INLINE}{"".join(layers)}</map>')


def ids_with(*placed):
    """Layer ids, all 0 but (index, gid) pairs."""
    ids = [0] * CELLS
    for index, gid in placed:
        ids[index] = gid
    return ids


def four_layers(bad_layer=None, bad_gid=None, form="csv", first=1):
    """Four sound layers (notes' tiles at firstgid first), or with bad_gid at row 7, column 12
    of bad_layer."""
    bad = [(7 * SIDE + 12, bad_gid)]
    return [layer(f"layer {n}", ids_with((3, first + n % 2), *(bad if n == bad_layer else [])),
                  form) for n in range(4)]


def test_hand_edited(tools):
    """Layers in any order and form, groups, notes, inline and external tilesets; only the map
    given is written, its short size kept."""
    maps = tools.path("edited")
    os.makedirs(maps)
    open(os.path.join(maps, "notes.tsx"), "w").write(NOTES_TSX)
    ids = [ids_with((i, 1), (i + 300, 2), (i + 60000, 20)) for i in range(4)]
    layers = [layer("layer 2", ids[2], "csv"), '<objectgroup name="notes"/>',
              layer("layer 0", ids[0], "zlib"),
              f'<group name="g">{layer("layer 3", ids[3], "gzip")}<imagelayer name="i"/></group>',
              layer("layer 1", ids[1], "base64")]
    open(os.path.join(maps, MAP_C), "w").write(tmx(layers, size=2700))
    world = write_world(tools.path("edited-world"), tools.sheet, [], {SEG_A: b"keep"})
    before = snapshot(world)
    result = tools.call("import", maps, world)
    check(result.returncode == 0, f"hand-edited map: {result.stderr}")
    refs = {0: (0, 0), 1: (4, 2), 2: (9, 1), 20: (200, 255)}
    cells = {(i // SIDE, i % SIDE): [refs[ids[n][i]] for n in range(4)]
             for i in range(CELLS) if any(ids[n][i] for n in range(4))}
    # Cells 60000 on lie past the size given: painted, they make the file whole.
    check(open(os.path.join(world, SEG_C), "rb").read() == segment(cells),
          "hand-edited map: other bytes than its cells")
    check({k: v for k, v in snapshot(world).items() if k != SEG_C} == before,
          "another file of WORLD changed")
    open(os.path.join(maps, MAP_C), "w").write(tmx(four_layers(), size=2700))
    check(tools.call("import", maps, world).returncode == 0
          and os.path.getsize(os.path.join(world, SEG_C)) == 2700, "short size not kept")


def test_render(tools):
    """Tiles of every size and anchor the demo sheet has, and more, none overlapping another,
    all inside the drawn window: Tiled's picture equals the viewer's poster."""
    demo = open(os.path.join(tools.demo, "terrain.db"), "rb").read()
    rects = {struct.unpack_from("<4i", demo, i * 88 + 8) for i in range(466) if demo[i * 88 + 4]}
    rects = sorted(rects)[::9] + [(100, 1000, 163, 1077), (7, 3, 19, 80)]
    anchors = [(-60, 0), (-17, 33), (0, 0), (23, -41), (60, 60), (-60, -60)]
    records = [(1 + i // 40, 1 + i % 40, rect, anchors[i % len(anchors)])
               for i, rect in enumerate(rects)]
    records.append((1, 1, (1000, 3000, 1055, 3055), (0, 0)))  # never found: the first is drawn
    cells = {}
    for i, (row, column) in enumerate(itertools.product(range(2, 83, 5), range(2, 138, 5))):
        kind, level = records[i % (len(records) - 1)][:2]
        cells[(row, column)] = [(kind, level) if n == i % 4 else (0, 0) for n in range(4)]
    world = write_world(tools.path("render"), tools.sheet, records,
                        {SEG_A: segment(cells)})
    out = tools.export_maps(world, tools.path("render-maps"))
    offscreen = {**os.environ, "QT_QPA_PLATFORM": "offscreen"}
    # Tiled's own save of the map, its tileset embedded, reads back as the segment.
    saved = tools.path("saved-by-tiled")
    os.makedirs(saved)
    result = run(["tiled", "--embed-tilesets", "--export-map", "tmx",
                  os.path.join(out, MAP_A), os.path.join(saved, MAP_A)],
                 env=offscreen)
    check(result.returncode == 0 and tools.call("import", saved, world).returncode == 0
          and snapshot(world)[SEG_A][1] == hashlib.sha256(segment(cells)).hexdigest(),
          f"Tiled's save of the map: {result.stderr}")
    picture = tools.path("tiled.png")
    result = run(["tmxrasterizer", "--no-smoothing", os.path.join(out, MAP_A), picture],
                 env=offscreen)
    check(result.returncode == 0, f"tmxrasterizer: {result.stderr}")
    poster = tools.path("poster.png")
    result = run([tools.export, "--data", world, "--poster", "-o", poster])
    check(result.returncode == 0 and "7975 x 4730 pixels" in result.stderr,
          f"the poster is not the bare window: {result.stderr}")
    result = run([tools.compare, picture, str(SIDE * 55), poster, "7975", "4730", "0"])
    check(result.returncode == 0, f"Tiled's picture differs from the poster: {result.stdout}")


def refusal_cases():
    """(what, {file: text} in MAPS, pieces the one line must hold)."""
    def one(text, name=MAP_A):
        return {name: text}

    cell = "row 7, column 12, layer 2"
    short = four_layers()[:3] + [layer("layer 3", [0] * (CELLS - 1))]
    long = four_layers()[:3] + [layer("layer 3", [0] * (CELLS + 1), "zlib")]
    broken = layer("layer 3", [0] * CELLS, "zlib", lambda packed: packed[:2] + b"\xff" + packed[3:])
    cut = layer("layer 3", [0] * CELLS, "gzip", lambda packed: packed[:40])
    return [
        ("isometric", one(tmx(four_layers(), SHAPE.replace("orthogonal", "isometric"))),
         [f"{MAP_A}: isometric map"]),
        ("254 rows", one(tmx(four_layers(), SHAPE.replace('height="255"', 'height="254"'))),
         ["255 x 254 cells"]),
        ("32-pixel cells", one(tmx(four_layers(), SHAPE.replace('tilewidth="55"',
                                                                'tilewidth="32"'))),
         ["cells of 32 x 55 pixels"]),
        ("infinite", one(tmx(four_layers()).replace('infinite="0"', 'infinite="1"')),
         [f"{MAP_A}: an infinite map"]),
        ("missing layer", one(tmx(four_layers()[:3])), ["no tile layer 'layer 3'"]),
        ("doubled in a group", one(tmx(four_layers() + [f"<group>{four_layers()[1]}</group>"])),
         ["two tile layers named 'layer 1'"]),
        ("extra layer", one(tmx(four_layers() + [layer("ground", [0] * CELLS)])),
         ["tile layer 'ground' is none of"]),
        ("flipped", one(tmx(four_layers(2, 0x80000001))), [f"{MAP_A}: {cell}: ", "flipped"]),
        ("rotated", one(tmx(four_layers(2, 0x20000002, "base64"))), [cell, "rotated"]),
        ("id in a gap", one(tmx(four_layers(2, 3))), [cell, "global id 3 names no tile"]),
        ("id past the last", one(tmx(four_layers(2, 21))), [cell, "global id 21 names no"]),
        ("id below firstgid", one(tmx(four_layers(2, 2, first=3), tilesets='<tileset '
                                      'firstgid="3" source="notes.tsx"/>')),
         [cell, "global id 2 names no"]),
        ("no kind", one(tmx(four_layers(2, 4))), ["notes.tsx: tileset 'notes', tile 3 has no",
                                                  f"{MAP_A} {cell}"]),
        ("level 256", one(tmx(four_layers(2, 5))), ["notes.tsx: ", "tile 4 has level 256, not"]),
        ("kind a string", one(tmx(four_layers(2, 6))), ["notes.tsx: ", "kind not of type int"]),
        ("map not a segment's", {"seg002.tmx": tmx(four_layers())},
         ["seg002.tmx: not named after a segment"]),
        ("malformed map", one(tmx(four_layers()).replace("</map>", "")), [f"{MAP_A}: malformed"]),
        ("malformed tileset", {MAP_A: tmx(four_layers()), "notes.tsx": "<tileset>"},
         ["notes.tsx: malformed XML"]),
        ("short data", one(tmx(short)), ["layer 3: CSV data short: 65024 ids"]),
        ("long data", one(tmx(long)), ["layer 3: compressed data: long"]),
        ("bad character", one(tmx(four_layers()[:3] + [layer("layer 3", [0] * CELLS)
                                                       .replace("0,", "0;", 1)])),
         ["layer 3: CSV data: ';'"]),
        ("bad base64", one(tmx(four_layers(form="base64")).replace("AAAA", "AA*A", 1)),
         ["layer 0: base64 data: '*'"]),
        ("broken zlib", one(tmx(four_layers()[:3] + [broken])), ["layer 3: ", "broken stream"]),
        ("cut gzip", one(tmx(four_layers()[:3] + [cut])), ["layer 3: ", "cut short"]),
        ("no maps", {}, ["no segment map in it"]),
        ("one bad among good", {MAP_B: tmx(four_layers()),
                                MAP_F: tmx(four_layers(2, 3))}, [f"{MAP_F}: {cell}"]),
    ]


def test_refusals(tools):
    world = write_world(tools.path("kept"), tools.sheet, [], {SEG_A: b"old", "x": b""})
    os.chmod(os.path.join(world, SEG_A), 0o640)
    before = snapshot(world)
    for what, files, pieces in refusal_cases():
        maps = tools.path("refused-" + what.replace(" ", "-"))
        os.makedirs(maps)
        files = {"notes.tsx": NOTES_TSX, **files}
        for name, text in files.items():
            open(os.path.join(maps, name), "w").write(text)
        result = tools.call("import", maps, world)
        lines = result.stderr.splitlines()
        check(result.returncode == 1 and len(lines) == 1 and all(p in lines[0] for p in pieces),
              f"{what}: exit code {result.returncode}, {result.stderr!r}, wanted {pieces}")
        check(snapshot(world) == before, f"{what}: WORLD changed")


def map_contents(path):
    """A map's properties, its tile layers' global ids by name, and its tileset element."""
    root = ElementTree.parse(path).getroot()
    properties = {p.get("name"): p.get("value") for p in root.iter("property")}
    layers = {node.get("name"): [int(n) for n in node.find("data").text.split(",")]
              for node in root.iter("layer")}
    return properties, layers, root.find("tileset")


def tileset_files(folder):
    """The tileset's .tsx and its pictures, by name: their bytes."""
    names = ["dravik.tsx"] + [os.path.join("tiles", n) for n in os.listdir(folder + "/tiles")]
    return {name: open(os.path.join(folder, name), "rb").read() for name in names}


def check_open(tools, home, world):
    """Tiled opens each segment file as export's map, its tileset external in the cache and
    equal to export's; the world is left as it was. Answers the maps Tiled wrote, by segment."""
    maps = tools.export_maps(world, tools.path(os.path.basename(world) + "-maps"))
    before, opened = snapshot(world), {}
    for name in (n for n in SEGMENT_FILES if os.path.exists(os.path.join(world, n))):
        out = opened[name] = tools.path(f"{os.path.basename(world)}-opened-{name[:-3]}.tmx")
        code, stderr = home.export_map(os.path.join(world, name), out)
        check(code == 0, f"{world}: Tiled did not open {name}: {stderr}")
        *contents, tileset = map_contents(out)
        check(contents == list(map_contents(os.path.join(maps, name[:-3] + ".tmx")))[:2],
              f"{world}: {name} opens with other properties, layers or cells than export's map")
        tsx = os.path.join(os.path.dirname(out), tileset.get("source"))
        check(os.path.realpath(tsx).startswith(home.cache) and len(tileset) == 0
              and tileset_files(os.path.dirname(tsx)) == tileset_files(maps),
              f"{world}: {name}'s tileset is not export's, kept outside in the cache")
    check(snapshot(world) == before, f"{world}: opening a segment wrote into it")
    return opened, os.path.dirname(tsx)


def refuse(home, world, source, target, piece):
    before = snapshot(world)
    code, stderr = home.export_map(source, target)
    check(code != 0 and piece in stderr and snapshot(world) == before,
          f"{source} into {target}: exit code {code}, {stderr!r}, wanted {piece!r}; files kept")


def edited_map(tools, maps, folder, tsx="dravik.tsx", width="255"):
    """export's map of segment A, some cells of layer 2 changed, its tileset at tsx."""
    tree = ElementTree.parse(os.path.join(maps, MAP_A))
    tree.getroot().set("width", width)
    tree.getroot().find("tileset").set("source", os.path.join(maps, tsx))
    data = tree.getroot().find("layer[@name='layer 2']/data")
    ids = [int(n) for n in data.text.split(",")]
    data.text = ",".join(map(str, [1] * 300 + [2] * 300 + ids[600:]))
    os.makedirs(folder, exist_ok=True)
    tree.write(os.path.join(folder, MAP_A))
    return os.path.join(folder, MAP_A)


def check_save(tools, home, world, opened):
    """What Tiled opened it saves back byte for byte, an edited map as import writes it, each
    file's mode kept; refused maps leave the files as they were."""
    saved = shutil.copytree(world, tools.path("saved"))
    for name, out in opened.items():
        open(os.path.join(saved, name), "wb").write(b"old")
        os.chmod(os.path.join(saved, name), 0o640)
        code, stderr = home.export_map(out, os.path.join(saved, name))
        check(code == 0, f"Tiled did not save {name}: {stderr}")
    check(snapshot(saved) == {name: ((0o100640 if name in opened else mode), digest)
                              for name, (mode, digest) in snapshot(world).items()},
          "saved through Tiled, the segments are not what was opened, with their modes")
    maps = tools.path(os.path.basename(world) + "-maps")
    imported = shutil.copytree(world, tools.path("imported"))
    check(tools.call("import", os.path.dirname(edited_map(tools, maps, tools.path("edited"))),
                     imported).returncode == 0, "import of the edited map")
    code, stderr = home.export_map(tools.path("edited", MAP_A), os.path.join(saved, SEG_A))
    check(code == 0 and snapshot(saved)[SEG_A] == (0o100640, snapshot(imported)[SEG_A][1])
          and snapshot(imported)[SEG_A] != snapshot(world)[SEG_A],
          f"the edited map saved through Tiled is not what import writes: {stderr}")
    nameless = open(os.path.join(maps, "dravik.tsx")).read().replace('"kind"', '"sort"')
    open(os.path.join(maps, "nameless.tsx"), "w").write(nameless)
    for what, piece in ((dict(width="100"), "255 x 255 cells"),
                        (dict(tsx="nameless.tsx"), "has no property kind")):
        refuse(home, saved, edited_map(tools, maps, tools.path("refused"), **what),
               os.path.join(saved, SEG_A), piece)
    lone = write_world(tools.path("lone"), tools.sheet, [], {})
    os.remove(os.path.join(lone, "terrain.db"))
    open(os.path.join(lone, SEG_A), "wb").write(b"kept")
    refuse(home, lone, os.path.join(lone, SEG_A), tools.path("lone.tmx"), "no terrain.db beside")
    refuse(home, lone, opened[SEG_A], os.path.join(lone, SEG_A), "no terrain.db beside")


def check_not_found(tools, home, world):
    """Installed from a package's layout whose program is gone, and none on PATH: the message
    says how to install it."""
    package = tools.path("package")
    shared = os.path.join(package, "share", "dravik", "tiled")
    os.makedirs(os.path.join(package, "bin"))
    shutil.copytree(os.path.join(os.path.dirname(os.path.dirname(tools.tiled)), "share", "dravik",
                                 "tiled"), shared)
    program = shutil.copy(tools.tiled, os.path.join(package, "bin"))
    check(program in home.install(program), "install-extension does not name its program")
    os.remove(program)
    home.env["PATH"] = os.pathsep.join(
        folder for folder in home.env["PATH"].split(os.pathsep)
        if not os.path.exists(os.path.join(folder, "tileview-tiled")))
    refuse(home, world, os.path.join(world, SEG_A), tools.path("nowhere.tmx"),
           "tileview-tiled was not found: install the dravik package")


def test_extension(tools):
    home = TiledHome(tools.path("home"), tools.tiled)
    installed = [(home.install(), open(home.extension).read()) for _ in range(2)]
    check(installed[0] == installed[1] and f'"{os.path.realpath(tools.tiled)}"' in installed[0][1],
          "install-extension twice: not the same file naming this program")
    check_open(tools, home, tools.demo)
    world = oddities_world(tools)
    opened, tileset = check_open(tools, home, world)
    check_save(tools, home, world, opened)
    # A record's tile cut smaller brings a tileset of its own: export's for the new table.
    table = bytearray(open(os.path.join(world, "terrain.db"), "rb").read())
    struct.pack_into("<2i", table, 16, 30, 20)
    open(os.path.join(world, "terrain.db"), "wb").write(table)
    shutil.rmtree(tools.path("oddities-maps"))
    check(check_open(tools, home, world)[1] != tileset, "the tileset was not made afresh")
    for right in range(31, 35):  # four more tilesets: the world keeps the last four used
        struct.pack_into("<i", table, 16, right)
        open(os.path.join(world, "terrain.db"), "wb").write(table)
        check(tools.call("map", os.path.join(world, SEG_A), tools.path("m.tmx"),
                         env=home.env).returncode == 0, "map after a change of terrain.db")
    kept = os.listdir(os.path.dirname(tileset))
    check(len(kept) == 4 and os.path.basename(tileset) not in kept, f"tilesets kept: {kept}")
    check(os.listdir(os.path.join(home.cache, "dravik", "tiled", "scratch")) == [],
          "the extension left its TMX files behind")
    check_not_found(tools, home, world)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("part", choices=["round-trip", "render", "refusals", "extension"])
    for name in ("--tiled", "--export", "--mkworld", "--compare"):
        parser.add_argument(name, required=True)
    args = parser.parse_args()
    scratch = tempfile.mkdtemp(prefix="dravik-tiled-")
    try:
        tools = Tools(args, scratch)
        {"round-trip": test_round_trip, "render": test_render,
         "refusals": test_refusals, "extension": test_extension}[args.part](tools)
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print(f"tileview-tiled {args.part}: all cases pass")
    return 0


if __name__ == "__main__":
    sys.exit(main())
