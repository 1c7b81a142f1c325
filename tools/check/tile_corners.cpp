#include "tools/check/tile_corners.h"

#include "display/bitmap_header.h"
#include "display/draw.h"
#include "mapdata/terrain.h"

#include <map>
#include <vector>

namespace {

std::uint32_t Packed(const PaletteEntry &e) {
    return static_cast<std::uint32_t>(e.red) << 16 | static_cast<std::uint32_t>(e.green) << 8 |
           e.blue;
}

constexpr std::uint32_t BMP_RLE8 = 1;

using SheetIndices = std::vector<std::uint8_t>; // 1300 x 3900, top row first

bool SheetShaped(const BitmapHeader &h) {
    return h.signature && h.infoSize == BMP_INFO_HEADER_SIZE && h.width == TILE_SHEET_WIDTH &&
           (h.height == TILE_SHEET_HEIGHT || h.height == -TILE_SHEET_HEIGHT);
}

std::size_t At(int x, int y) {
    return static_cast<std::size_t>(y) * TILE_SHEET_WIDTH + static_cast<std::size_t>(x);
}

// Rows of 1, 2, 4 or 8 bits per pixel, padded to four bytes.
bool UnpackRows(const std::vector<unsigned char> &file, const BitmapHeader &h,
                SheetIndices &indices) {
    const bool depth = h.bitCount == 1 || h.bitCount == 2 || h.bitCount == 4 || h.bitCount == 8;
    if (!depth || h.pixelOffset + BitmapPixelBytes(h) > file.size()) {
        return false;
    }
    const int mask = (1 << h.bitCount) - 1;
    for (int y = 0; y < TILE_SHEET_HEIGHT; ++y) {
        const std::uint64_t row = h.height > 0 ? TILE_SHEET_HEIGHT - 1 - y : y;
        const unsigned char *bytes = &file[h.pixelOffset + row * BitmapRowBytes(h)];
        for (int x = 0; x < TILE_SHEET_WIDTH; ++x) {
            const int bit = x * h.bitCount;
            indices[At(x, y)] =
                static_cast<std::uint8_t>(bytes[bit / 8] >> (8 - h.bitCount - bit % 8) & mask);
        }
    }
    return true;
}

// Run-length encoded rows, bottom row first: runs, ends of rows, jumps and literal strings.
// Pixels the data never reaches stay 0, as the native loader leaves them.
void UnpackRle8(const std::vector<unsigned char> &file, std::size_t at, SheetIndices &indices) {
    int x = 0;
    int y = TILE_SHEET_HEIGHT - 1;
    const auto put = [&](unsigned char index) {
        if (x < TILE_SHEET_WIDTH && y >= 0) {
            indices[At(x, y)] = index;
        }
        ++x;
    };
    while (at + 1 < file.size() && y >= 0) {
        const int count = file[at];
        const unsigned char value = file[at + 1];
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                put(value);
            }
        } else if (value == 0) {
            x = 0;
            --y;
        } else if (value == 1) {
            return;
        } else if (value == 2 && at + 1 < file.size()) {
            x += file[at];
            y -= file[at + 1];
            at += 2;
        } else {
            for (int i = 0; i < value && at + i < file.size(); ++i) {
                put(file[at + i]);
            }
            at += (value + 1) & ~1U;
        }
    }
}

// The sheet's pixels as indices, for an uncompressed sheet of at most 8 bits per pixel or one
// of 8 bits run-length encoded; false for any other.
bool ReadSheetIndices(const std::vector<unsigned char> &file, SheetIndices &indices) {
    if (file.size() < BITMAP_HEADERS_SIZE) {
        return false;
    }
    const BitmapHeader h = ReadBitmapHeader(file.data());
    if (!SheetShaped(h)) {
        return false;
    }
    indices.assign(At(0, TILE_SHEET_HEIGHT), 0);
    if (h.compression == BMP_RLE8 && h.bitCount == 8 && h.height > 0) {
        UnpackRle8(file, h.pixelOffset, indices);
        return true;
    }
    return h.compression == BMP_UNCOMPRESSED && UnpackRows(file, h, indices);
}

} // namespace

TileCorners ReadTileCorners(const std::vector<unsigned char> &file,
                            const PaletteEntry entries[PALETTE_ENTRIES]) {
    TileCorners corners{};
    SheetIndices indices;
    if (!ReadSheetIndices(file, indices)) {
        return corners;
    }
    corners.read = true;
    std::map<std::uint32_t, int> counts;
    std::map<std::uint32_t, int> firstEntry;
    for (int index = PALETTE_ENTRIES - 1; index >= 0; --index) {
        firstEntry[Packed(entries[index])] = index;
    }
    for (int record = 0; record < TERRAIN_RECORD_COUNT; ++record) {
        const unsigned char *bytes = TerrainTable + record * TERRAIN_RECORD_SIZE;
        const TerrainPlacement p = ReadTerrainPlacement(record);
        const DrawRect source{p.srcLeft, p.srcTop, p.srcRight, p.srcBottom};
        if ((bytes[TERRAIN_KIND_OFFSET] == 0 && bytes[TERRAIN_LEVEL_OFFSET] == 0) ||
            !RectInsideSurface(source, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT)) {
            continue;
        }
        for (const int x : {source.left, source.right - 1}) {
            for (const int y : {source.top, source.bottom - 1}) {
                ++counts[Packed(entries[indices[At(x, y)]])];
                ++corners.pixels;
            }
        }
    }
    std::uint32_t most = Packed(entries[TRANSPARENT_INDEX]);
    corners.mostCount = counts[most];
    for (const auto &[colour, count] : counts) {
        if (count > corners.mostCount) {
            most = colour;
            corners.mostCount = count;
        }
    }
    corners.mostEntry = firstEntry[most];
    corners.most = entries[corners.mostEntry];
    return corners;
}

bool CornersDisownEntry142(const TileCorners &corners, const PaletteEntry &entry142) {
    return corners.read && corners.pixels > 0 && Packed(corners.most) != Packed(entry142) &&
           corners.mostCount * 4 >= corners.pixels;
}
