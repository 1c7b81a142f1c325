#include "display/palette_block.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

std::uint32_t TileSheetLoads = 0;

std::int64_t StatedColourCount(const BitmapHeader &header) {
    if (header.infoSize != BMP_INFO_HEADER_SIZE || header.bitCount > 8) {
        return 0;
    }
    return header.coloursUsed != 0 ? header.coloursUsed : std::int64_t{1} << header.bitCount;
}

int PaletteColourCount(const unsigned char block[PALETTE_BLOCK_SIZE]) {
    const std::int64_t count = StatedColourCount(ReadBitmapHeader(block));
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

void BuildShownPalette(const unsigned char block[PALETTE_BLOCK_SIZE],
                       PaletteEntry entries[PALETTE_ENTRIES]) {
    BuildPaletteEntries(block, entries);
    entries[0] = PaletteEntry{0, 0, 0, 0};
    entries[PALETTE_ENTRIES - 1] = PaletteEntry{255, 255, 255, 0};
}

bool ReadPaletteBlock(const char *path, unsigned char block[PALETTE_BLOCK_SIZE]) {
    unsigned char bytes[PALETTE_BLOCK_SIZE];
    std::size_t got = 0;
    std::FILE *file = std::fopen(path, "rb");
    const bool opened = file != nullptr;
    if (opened) {
        got = std::fread(bytes, 1, sizeof bytes, file);
        std::fclose(file);
    }
    PaletteBlockFromBytes(bytes, got, block);
    return opened;
}

void PaletteBlockFromBytes(const unsigned char *bytes, std::size_t size,
                           unsigned char block[PALETTE_BLOCK_SIZE]) {
    const std::size_t used = std::min<std::size_t>(size, PALETTE_BLOCK_SIZE);
    if (used > 0) {
        std::memcpy(block, bytes, used);
    }
    std::memset(block + used, 0, PALETTE_BLOCK_SIZE - used);
}
