// tileview-tiled export WORLD OUT | import MAPS WORLD: a world folder as maps for the Tiled map
// editor, and those maps, painted and saved in Tiled, back as segment files.

#include "tools/common/option_values.h"
#include "tools/tiled/tiled_command.h"
#include "tools/tiled/tiled_export.h"
#include "tools/tiled/tiled_import.h"

#include <cstdio>
#include <string>

namespace {

const char USAGE[] =
    "Usage: tileview-tiled export WORLD OUT\n"
    "  or:  tileview-tiled import MAPS WORLD\n"
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
    return command.action == TiledAction::Export ? ExportWorld(command.from, command.to)
                                                 : ImportMaps(command.from, command.to);
}
