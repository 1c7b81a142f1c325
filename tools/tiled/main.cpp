// tileview-tiled export WORLD OUT | import MAPS WORLD: a world folder as maps for the Tiled map
// editor, and those maps, painted and saved in Tiled, back as segment files. map, segment and
// install-extension serve the Tiled extension that opens and saves segment files themselves.

#include "tools/common/option_values.h"
#include "tools/tiled/extension_install.h"
#include "tools/tiled/tiled_command.h"
#include "tools/tiled/tiled_export.h"
#include "tools/tiled/tiled_import.h"

#include <cstdio>
#include <string>

namespace {

const char USAGE[] =
    "Usage: tileview-tiled export WORLD OUT\n"
    "  or:  tileview-tiled import MAPS WORLD\n"
    "  or:  tileview-tiled map SEGMENT OUT\n"
    "  or:  tileview-tiled segment MAP SEGMENT\n"
    "  or:  tileview-tiled install-extension\n"
    "Make maps of a Dravik world for the Tiled map editor, and read them back.\n"
    "\n"
    "export reads WORLD (terrain.db, the segments, tiles.bmp) and writes into OUT\n"
    "(made when missing): dravik.tsx, a tileset with a tile for every (kind, level)\n"
    "pair, each a PNG in OUT/tiles; one map per segment file, seg000.tmx to\n"
    "seg009.tmx; and dravik.world, which shows the maps side by side in Tiled.\n"
    "A pair that a segment uses and no record holds gets a marked stand-in tile.\n"
    "\n"
    "import reads every map seg000.tmx to seg009.tmx in MAPS, each with the tile\n"
    "layers 'layer 0' to 'layer 3' and tiles that carry the integer properties\n"
    "kind and level, and writes their segment files into WORLD: each replaced\n"
    "whole, and only when every map was read without fault. A segment whose map\n"
    "is absent keeps its file.\n"
    "\n"
    "install-extension puts the Tiled extension 'Dravik segment' into\n"
    "$XDG_CONFIG_HOME/tiled/extensions (~/.config/tiled/extensions), naming this\n"
    "program in it; a second run writes the same file. With it, Tiled opens a\n"
    "segment file (seg000.db and the others) of a world folder as a map, and saves\n"
    "the map back into it; also 'tiled --export-map WORLD/seg000.db OUT.tmx' and\n"
    "'tiled --export-map IN.tmx WORLD/seg000.db'. The extension runs these two:\n"
    "\n"
    "map writes the map of one segment file SEGMENT, as export would, to OUT; its\n"
    "tileset and tile pictures go to $XDG_CACHE_HOME/dravik/tiled (~/.cache/...),\n"
    "a folder per world, made afresh when terrain.db, tiles.bmp or the stand-ins\n"
    "change (the four used last are kept). Nothing is written into the world\n"
    "folder.\n"
    "\n"
    "segment reads one map MAP, as import does, and writes it as SEGMENT, which\n"
    "must be named after a segment and lie in a folder that holds terrain.db: the\n"
    "same bytes import writes, through a file renamed over the old one, whose\n"
    "permissions are kept. A refused map leaves SEGMENT as it was.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  the files were written\n"
    "  1  a file cannot be read, is refused (the message names it and, for a cell,\n"
    "     its row, column and layer) or cannot be written\n"
    "  2  the command line is wrong\n";

constexpr int EXIT_USAGE = 2;

int Usage(const std::string &error) {
    std::fprintf(stderr, "tileview-tiled: %s\n%s", error.c_str(), USAGE);
    return EXIT_USAGE;
}

} // namespace

int main(int argc, char **argv) {
    TiledCommand command;
    std::string error;
    if (!ParseTiledCommand(argc, argv, command, error)) {
        return Usage(error);
    }
    if (command.about != AboutRequest::None) {
        PrintAbout(command.about, "tileview-tiled", USAGE);
        return 0;
    }
    switch (command.action) {
    case TiledAction::Export:
        return ExportWorld(command.from, command.to);
    case TiledAction::Import:
        return ImportMaps(command.from, command.to);
    case TiledAction::Map:
        return ExportSegmentMap(command.from, command.to);
    case TiledAction::Segment:
        return ImportSegment(command.from, command.to);
    case TiledAction::InstallExtension:
    case TiledAction::None:
        break;
    }
    return InstallExtension();
}
