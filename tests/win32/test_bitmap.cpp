#include "tests/win32/test_bitmap.h"

#include "display/draw.h"

#include <fstream>

namespace {

void PutU16(Bytes &bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void PutU32(Bytes &bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

} // namespace

TestColour SheetColour(int index) {
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
    Bytes file(14 + 40 + colourBytes.size(), 0);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(file, 10, 14 + 40 + 1024); // where the pixels start
    PutU32(file, 14, infoSize);
    PutU32(file, 18, TILE_SHEET_WIDTH);
    PutU32(file, 22, TILE_SHEET_HEIGHT);
    PutU16(file, 26, 1);
    PutU16(file, 28, bitCount);
    PutU32(file, 46, coloursUsed);
    for (std::size_t i = 0; i < colourBytes.size(); ++i) {
        file[14 + 40 + i] = colourBytes[i];
    }
    PutU32(file, 2, static_cast<std::uint32_t>(file.size()));
    return file;
}

Bytes MakeSheetBitmap() {
    Bytes table(1024);
    for (int i = 0; i < 256; ++i) {
        const TestColour c = SheetColour(i);
        table[i * 4] = c.blue;
        table[i * 4 + 1] = c.green;
        table[i * 4 + 2] = c.red;
        table[i * 4 + 3] = 0;
    }
    Bytes file = MakeBitmapHeader(40, 8, 0, table);
    const std::size_t stride = (TILE_SHEET_WIDTH + 3) / 4 * 4;
    const std::size_t start = file.size();
    file.resize(start + stride * TILE_SHEET_HEIGHT, 0);
    for (int y = 0; y < TILE_SHEET_HEIGHT; ++y) {
        unsigned char *row = file.data() + start + (TILE_SHEET_HEIGHT - 1 - y) * stride;
        for (int x = 0; x < TILE_SHEET_WIDTH; ++x) {
            row[x] = static_cast<unsigned char>(SheetIndex(x, y));
        }
    }
    PutU32(file, 2, static_cast<std::uint32_t>(file.size()));
    PutU32(file, 34, static_cast<std::uint32_t>(stride * TILE_SHEET_HEIGHT));
    return file;
}

void WriteBytes(const std::string &path, const Bytes &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}
