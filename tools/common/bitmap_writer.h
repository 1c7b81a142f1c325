#pragma once
// Writes bitmap files: the demo world's tile sheet, the sheets tileview-sheet makes, and the
// pictures the tests feed the loaders, sound and broken alike. display/bitmap_header.h reads
// what this writes.

#include "display/bitmap_header.h"
#include "display/draw.h"

#include <cstdint>
#include <functional>
#include <vector>

using Bytes = std::vector<unsigned char>;

// The header fields a file is written with; unless told otherwise, those of the tile sheet. A
// 12-byte core header is written in its own layout (16-bit width and height, planes, bit
// count); any other size as the 40 bytes of the information header's fields, its size field
// saying whatever infoSize says, so that a test can state a header the file does not hold.
struct BitmapLayout {
    std::uint32_t infoSize = BMP_INFO_HEADER_SIZE;
    std::int32_t width = TILE_SHEET_WIDTH;
    std::int32_t height = TILE_SHEET_HEIGHT; // negative: rows stored top-down
    std::uint16_t bitCount = 8;
    std::uint32_t compression = BMP_UNCOMPRESSED;
    std::uint32_t imageSize = 0;
    std::int32_t pixelsPerMetre = 0;
    std::uint32_t coloursUsed = 256;
    std::uint32_t pixelOffset = 0; // 0: right after the colour table
};

struct BitmapColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// count entries in the file's blue, green, red order: four bytes each (the fourth zero), three
// after a core header.
Bytes BitmapColourTable(const BitmapLayout &layout, int count,
                        const std::function<BitmapColour(int)> &colourOf);

// The picture's rows as the file holds them: each padded to four bytes, the bottom row first
// unless the height is negative. fillRow(y, row) writes the pixels of row y, counted from the top.
Bytes BitmapRows(const BitmapLayout &layout,
                 const std::function<void(int, unsigned char *)> &fillRow);

// The whole file: the headers, then colourTable and pixels as given. The file header states the
// whole file's size.
Bytes MakeBitmapFile(const BitmapLayout &layout, const Bytes &colourTable, const Bytes &pixels);

// Writes that file at path; false when it cannot be written whole.
bool WriteBitmapFile(const char *path, const BitmapLayout &layout, const Bytes &colourTable,
                     const Bytes &pixels);
