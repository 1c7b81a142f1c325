#include "display/palette_block.h"

#include "mapdata/bytes.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int INFO_SIZE_OFFSET = 0;
constexpr int INFO_BIT_COUNT_OFFSET = 14;
constexpr int INFO_COLOURS_USED_OFFSET = 32;

} // namespace

int PaletteColourCount(const unsigned char block[PALETTE_BLOCK_SIZE]) {
    const unsigned char *info = block + BMP_FILE_HEADER_SIZE;
    if (ReadU32LE(info + INFO_SIZE_OFFSET) != BMP_INFO_HEADER_SIZE) {
        return 0;
    }
    const std::uint16_t bitCount = ReadU16LE(info + INFO_BIT_COUNT_OFFSET);
    if (bitCount > 8) {
        return 0;
    }
    const std::uint32_t coloursUsed = ReadU32LE(info + INFO_COLOURS_USED_OFFSET);
    const std::uint32_t count = coloursUsed != 0 ? coloursUsed : 1U << bitCount;
    // The block holds 256 entries; a larger count must not reach past it.
    return count > PALETTE_ENTRIES ? PALETTE_ENTRIES : static_cast<int>(count);
}

void BuildPaletteEntries(const unsigned char block[PALETTE_BLOCK_SIZE],
                         PaletteEntry entries[PALETTE_ENTRIES]) {
    const int swapped = PaletteColourCount(block);
    const unsigned char *colours = block + BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE;
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const unsigned char *c = colours + i * 4;
        entries[i] = i < swapped ? PaletteEntry{c[2], c[1], c[0], c[3]}
                                 : PaletteEntry{c[0], c[1], c[2], c[3]};
    }
}

bool ReadPaletteBlock(const char *path, unsigned char block[PALETTE_BLOCK_SIZE]) {
    std::memset(block, 0, PALETTE_BLOCK_SIZE);
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    (void)std::fread(block, 1, PALETTE_BLOCK_SIZE, file);
    std::fclose(file);
    return true;
}
