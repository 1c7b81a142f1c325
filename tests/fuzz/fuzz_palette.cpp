// Any tiles.bmp header: the palette is built inside its block, the turned entries are a leading
// run of at most 256, and the others pass through as read.

#include "display/palette_block.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    EnterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    WriteScratchFile(TILE_SHEET_FILE, data, size);
    unsigned char block[PALETTE_BLOCK_SIZE];
    Require(ReadPaletteBlock(TILE_SHEET_FILE, block), "an existing tiles.bmp opens");
    const int count = PaletteColourCount(block);
    Require(count >= 0 && count <= PALETTE_ENTRIES, "the colour count fits the block");
    PaletteEntry entries[PALETTE_ENTRIES];
    BuildPaletteEntries(block, entries);
    const unsigned char *colours = block + BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE;
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const unsigned char *c = colours + 4 * i;
        const int red = i < count ? c[2] : c[0];
        Require(entries[i].red == red && entries[i].green == c[1] && entries[i].flags == c[3],
                "each entry comes from its own four bytes");
    }
    return 0;
}
