#include "tools/check/tile_corners.h"

#include "display/bitmap_header.h"
#include "display/draw.h"
#include "mapdata/terrain.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

std::uint32_t Packed(const PaletteEntry &e) {
    return static_cast<std::uint32_t>(e.red) << 16 | static_cast<std::uint32_t>(e.green) << 8 |
           e.blue;
}

constexpr std::uint32_t BMP_RLE8 = 1;

// A pixel at a tile's corner: where it lies in the sheet (y from the top) and the index there,
// 0 where the picture gives none, as the native loader leaves it.
struct Corner {
    int x;
    int y;
    std::uint8_t index;
};

bool SheetShaped(const BitmapHeader &h) {
    return h.signature && h.infoSize == BMP_INFO_HEADER_SIZE && h.width == TILE_SHEET_WIDTH &&
           (h.height == TILE_SHEET_HEIGHT || h.height == -TILE_SHEET_HEIGHT);
}

// Rows of 1, 2, 4 or 8 bits per pixel, padded to four bytes: each corner read where it lies.
bool ReadRowCorners(const std::vector<unsigned char> &file, const BitmapHeader &h,
                    std::vector<Corner> &corners) {
    const bool depth = h.bitCount == 1 || h.bitCount == 2 || h.bitCount == 4 || h.bitCount == 8;
    if (!depth || h.pixelOffset + BitmapPixelBytes(h) > file.size()) {
        return false;
    }
    const int mask = (1 << h.bitCount) - 1;
    for (Corner &c : corners) {
        const std::uint64_t row = h.height > 0 ? TILE_SHEET_HEIGHT - 1 - c.y : c.y;
        const unsigned char *bytes = &file[h.pixelOffset + row * BitmapRowBytes(h)];
        const int bit = c.x * h.bitCount;
        c.index = static_cast<std::uint8_t>(bytes[bit / 8] >> (8 - h.bitCount - bit % 8) & mask);
    }
    return true;
}

// Whether a comes before b in the order the run-length data gives pixels: bottom row first,
// each left to right.
bool GivenBefore(const Corner &a, const Corner &b) {
    return a.y != b.y ? a.y > b.y : a.x < b.x;
}

// Run-length encoded rows, bottom row first: runs, ends of rows, jumps and literal strings. The
// data only moves on (right, or up a row), so the corners, sorted in that order, are met one
// after the other; a corner passed over keeps 0. Whole runs are taken at once, not pixel by
// pixel: the sheet is 5 million pixels and only its corners are wanted.
void ReadRle8Corners(const std::vector<unsigned char> &file, std::size_t at,
                     std::vector<Corner> &corners) {
    std::sort(corners.begin(), corners.end(), GivenBefore);
    std::size_t next = 0; // the first corner not met yet
    int x = 0;
    int y = TILE_SHEET_HEIGHT - 1;
    // The next count pixels of the row, the i-th of them pixel(i).
    const auto put = [&](int count, const auto &pixel) {
        while (next < corners.size() && GivenBefore(corners[next], Corner{x, y, 0})) {
            ++next;
        }
        for (; next < corners.size() && corners[next].y == y && corners[next].x < x + count;
             ++next) {
            corners[next].index = pixel(corners[next].x - x);
        }
        x += count;
    };
    while (at + 1 < file.size() && y >= 0) {
        const int count = file[at];
        const unsigned char value = file[at + 1];
        at += 2;
        if (count > 0) {
            put(count, [&](int) { return value; });
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
            const std::size_t given = at < file.size() ? file.size() - at : 0;
            const std::size_t from = at;
            put(static_cast<int>(std::min<std::size_t>(value, given)),
                [&](int i) { return file[from + static_cast<std::size_t>(i)]; });
            at += (value + 1) & ~1U;
        }
    }
}

// The index at each corner, for an uncompressed sheet of at most 8 bits per pixel or one of 8
// bits run-length encoded; false for any other.
bool ReadCornerIndices(const std::vector<unsigned char> &file, std::vector<Corner> &corners) {
    if (file.size() < BITMAP_HEADERS_SIZE) {
        return false;
    }
    const BitmapHeader h = ReadBitmapHeader(file.data());
    if (!SheetShaped(h)) {
        return false;
    }
    if (h.compression == BMP_RLE8 && h.bitCount == 8 && h.height > 0) {
        ReadRle8Corners(file, h.pixelOffset, corners);
        return true;
    }
    return h.compression == BMP_UNCOMPRESSED && ReadRowCorners(file, h, corners);
}

} // namespace

TileCorners ReadTileCorners(const std::vector<unsigned char> &file,
                            const PaletteEntry entries[PALETTE_ENTRIES]) {
    TileCorners corners{};
    std::vector<Corner> pixels;
    for (int record = 0; record < TERRAIN_RECORD_COUNT; ++record) {
        const unsigned char *bytes = TerrainTable + record * TERRAIN_RECORD_SIZE;
        if (bytes[TERRAIN_KIND_OFFSET] == 0 && bytes[TERRAIN_LEVEL_OFFSET] == 0) {
            continue;
        }
        const TerrainPlacement p = ReadTerrainPlacement(record);
        const DrawRect source{p.srcLeft, p.srcTop, p.srcRight, p.srcBottom};
        if (!RectInsideSurface(source, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT)) {
            continue;
        }
        for (const int x : {source.left, source.right - 1}) {
            for (const int y : {source.top, source.bottom - 1}) {
                pixels.push_back(Corner{x, y, 0});
            }
        }
    }
    if (!ReadCornerIndices(file, pixels)) {
        return corners;
    }
    corners.read = true;
    std::map<std::uint32_t, int> counts;
    for (const Corner &c : pixels) {
        ++counts[Packed(entries[c.index])];
        ++corners.pixels;
    }
    std::uint32_t most = Packed(entries[TRANSPARENT_INDEX]);
    corners.mostCount = counts[most];
    for (const auto &[colour, count] : counts) {
        if (count > corners.mostCount) {
            most = colour;
            corners.mostCount = count;
        }
    }
    // The first entry of that colour (one exists: every counted colour is an entry's).
    corners.mostEntry = 0;
    while (Packed(entries[corners.mostEntry]) != most) {
        ++corners.mostEntry;
    }
    corners.most = entries[corners.mostEntry];
    return corners;
}

bool CornersDisownEntry142(const TileCorners &corners, const PaletteEntry &entry142) {
    return corners.read && corners.pixels > 0 && Packed(corners.most) != Packed(entry142) &&
           corners.mostCount * 4 >= corners.pixels;
}
