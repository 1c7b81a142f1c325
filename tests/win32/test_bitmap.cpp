#include "tests/win32/test_bitmap.h"

#include "display/draw.h"
#include "display/palette_block.h"

#include <fstream>

BitmapColour SheetColour(int index) {
    if (index == 0) {
        return {0, 0, 0};
    }
    if (index == 255) {
        return {255, 255, 255};
    }
    // Red alone is distinct for every index; green and blue vary so that the byte order shows.
    return {static_cast<std::uint8_t>(index), static_cast<std::uint8_t>((index * 37 + 11) % 256),
            static_cast<std::uint8_t>((index * 91 + 5) % 256)};
}

int SheetIndex(int x, int y) {
    // Bands of 7 pixels across and 3 down, so a tile-sized block holds many indices, and the
    // corner of every 20 x 20 block is transparent.
    if (x % 20 < 4 && y % 20 < 4) {
        return TRANSPARENT_INDEX;
    }
    return (x / 7 + y / 3 * 5) % 256;
}

Bytes MakeBitmapHeader(std::uint32_t infoSize, std::uint16_t bitCount, std::uint32_t coloursUsed,
                       const Bytes &colourBytes) {
    const BitmapLayout layout{.infoSize = infoSize,
                              .bitCount = bitCount,
                              .coloursUsed = coloursUsed,
                              .pixelOffset = PALETTE_BLOCK_SIZE};
    return MakeBitmapFile(layout, colourBytes, {});
}

Bytes MakeSheetBitmap() {
    BitmapLayout layout{.coloursUsed = 0};
    const Bytes rows = BitmapRows(layout, [](int y, unsigned char *row) {
        for (int x = 0; x < TILE_SHEET_WIDTH; ++x) {
            row[x] = static_cast<unsigned char>(SheetIndex(x, y));
        }
    });
    layout.imageSize = static_cast<std::uint32_t>(rows.size());
    return MakeBitmapFile(layout, BitmapColourTable(layout, 256, SheetColour), rows);
}

void WriteBytes(const std::string &path, const Bytes &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}
