// mkworld DIR: writes the demo world (terrain.db, the six segment files and tiles.bmp) into DIR.
// The output is the same, byte for byte, on every run and every machine.

#include "display/draw.h"
#include "display/palette_block.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "tools/common/bitmap_writer.h"
#include "tools/common/option_values.h"
#include "tools/mkworld/landscape.h"
#include "tools/mkworld/mkworld_command.h"
#include "tools/mkworld/palette.h"
#include "tools/mkworld/sheet.h"
#include "tools/mkworld/tiles.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

const char USAGE[] = "Usage: mkworld DIR\n"
                     "Write the demo world of the Dravik viewers into DIR.\n"
                     "\n"
                     "DIR receives terrain.db, the six segment files seg*.db and the tile sheet\n"
                     "tiles.bmp, and is made when missing; files of the same names in it are\n"
                     "replaced. The files are the same, byte for byte, on every run and every\n"
                     "machine.\n"
                     "\n"
                     "Options:\n"
                     "  -h, --help     show this help and exit\n"
                     "      --version  show the version and exit\n"
                     "\n"
                     "Exit status:\n"
                     "  0  the world was written\n"
                     "  1  the folder cannot be made or a file cannot be written\n"
                     "  2  the command line is wrong\n";

unsigned char SegmentBytes[MAP_GRID_SIZE];

bool WriteWhole(const std::filesystem::path &path, const void *data, std::size_t size) {
    std::FILE *file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "mkworld: cannot write %s\n", path.string().c_str());
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

BitmapColour PaletteColour(int index) {
    return BitmapColour{Palette[index].red, Palette[index].green, Palette[index].blue};
}

void CopySheetRow(int y, unsigned char *row) {
    std::memcpy(row, SheetPixels[y], TILE_SHEET_WIDTH);
}

bool WriteTileSheet(const std::filesystem::path &path) {
    BitmapLayout layout{.pixelsPerMetre = 2835}; // 72 dots per inch
    const Bytes rows = BitmapRows(layout, CopySheetRow);
    layout.imageSize = static_cast<std::uint32_t>(rows.size());
    const Bytes file =
        MakeBitmapFile(layout, BitmapColourTable(layout, PALETTE_ENTRIES, PaletteColour), rows);
    return WriteWhole(path, file.data(), file.size());
}

} // namespace

int main(int argc, char **argv) {
    MkworldCommand command;
    std::string problem;
    if (!ParseMkworldCommand(argc, argv, command, problem)) {
        std::fprintf(stderr, "mkworld: %s\n%s", problem.c_str(), USAGE);
        return 2;
    }
    if (command.about != AboutRequest::None) {
        PrintAbout(command.about, "mkworld", USAGE);
        return 0;
    }
    const std::filesystem::path folder = command.folder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "mkworld: cannot create %s\n", command.folder.c_str());
        return 1;
    }
    BuildPalette();
    PaintAllTiles();
    bool written = WriteWhole(folder / TERRAIN_FILE, TerrainBytes, sizeof TerrainBytes) &&
                   WriteTileSheet(folder / TILE_SHEET_FILE);
    for (int segment = 0; written && segment < SEGMENT_COUNT; ++segment) {
        BuildSegment(segment, SegmentBytes);
        written = WriteWhole(folder / SegmentFiles[segment], SegmentBytes, sizeof SegmentBytes);
    }
    if (!written) {
        std::fprintf(stderr, "mkworld: writing %s failed\n", command.folder.c_str());
        return 1;
    }
    return 0;
}
