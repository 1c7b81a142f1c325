// mkworld DIR: writes the demo world (terrain.db, the six segment files and tiles.bmp) into DIR.
// The output is the same, byte for byte, on every run and every machine.

#include "display/draw.h"
#include "display/palette_block.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "tools/mkworld/landscape.h"
#include "tools/mkworld/palette.h"
#include "tools/mkworld/sheet.h"
#include "tools/mkworld/tiles.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr int BMP_PIXEL_BYTES = TILE_SHEET_WIDTH * TILE_SHEET_HEIGHT; // rows need no padding
static_assert(TILE_SHEET_WIDTH % 4 == 0, "bitmap rows are padded to four bytes");

unsigned char SegmentBytes[MAP_GRID_SIZE];
unsigned char BitmapHeader[PALETTE_BLOCK_SIZE];

void PutLE(unsigned char *at, std::uint32_t value, int bytes) {
    for (int byte = 0; byte < bytes; ++byte) {
        at[byte] = static_cast<unsigned char>(value >> (8 * byte));
    }
}

void BuildBitmapHeader() {
    unsigned char *file = BitmapHeader;
    unsigned char *info = BitmapHeader + BMP_FILE_HEADER_SIZE;
    unsigned char *colours = info + BMP_INFO_HEADER_SIZE;
    file[0] = 'B';
    file[1] = 'M';
    PutLE(file + 2, PALETTE_BLOCK_SIZE + BMP_PIXEL_BYTES, 4); // file size
    PutLE(file + 6, 0, 4);                                    // reserved
    PutLE(file + 10, PALETTE_BLOCK_SIZE, 4);                  // pixel data offset
    PutLE(info + 0, BMP_INFO_HEADER_SIZE, 4);
    PutLE(info + 4, TILE_SHEET_WIDTH, 4);
    PutLE(info + 8, TILE_SHEET_HEIGHT, 4); // positive: bottom row first
    PutLE(info + 12, 1, 2);                // planes
    PutLE(info + 14, 8, 2);                // bits per pixel
    PutLE(info + 16, 0, 4);                // uncompressed
    PutLE(info + 20, BMP_PIXEL_BYTES, 4);
    PutLE(info + 24, 2835, 4); // 72 dots per inch
    PutLE(info + 28, 2835, 4);
    PutLE(info + 32, PALETTE_ENTRIES, 4); // colours used
    PutLE(info + 36, 0, 4);
    for (int entry = 0; entry < PALETTE_ENTRIES; ++entry) {
        unsigned char *quad = colours + 4 * entry; // blue, green, red, reserved
        quad[0] = Palette[entry].blue;
        quad[1] = Palette[entry].green;
        quad[2] = Palette[entry].red;
        quad[3] = 0;
    }
}

bool WriteFile(const std::filesystem::path &path, const void *data, std::size_t size,
               std::FILE *&file) {
    file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "mkworld: cannot write %s\n", path.string().c_str());
        return false;
    }
    return std::fwrite(data, 1, size, file) == size;
}

bool WriteWhole(const std::filesystem::path &path, const void *data, std::size_t size) {
    std::FILE *file = nullptr;
    const bool written = WriteFile(path, data, size, file);
    return file != nullptr && std::fclose(file) == 0 && written;
}

bool WriteTileSheet(const std::filesystem::path &path) {
    BuildBitmapHeader();
    std::FILE *file = nullptr;
    bool written = WriteFile(path, BitmapHeader, sizeof BitmapHeader, file);
    for (int row = TILE_SHEET_HEIGHT - 1; written && row >= 0; --row) {
        written = std::fwrite(SheetPixels[row], 1, TILE_SHEET_WIDTH, file) == TILE_SHEET_WIDTH;
    }
    return file != nullptr && std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkworld DIR\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "mkworld: cannot create %s\n", argv[1]);
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
        std::fprintf(stderr, "mkworld: writing %s failed\n", argv[1]);
        return 1;
    }
    return 0;
}
