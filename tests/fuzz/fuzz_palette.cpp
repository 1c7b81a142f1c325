// Any tiles.bmp: the palette is built inside its header block, the turned entries are a leading
// run of at most 256, the shown palette keeps black and white at its ends with the overlay's
// colours on them, and the header's size rules agree with the file's length.

#include "display/bitmap_extent.h"
#include "display/memory/memory_display.h"
#include "display/palette_block.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void RequireEntriesFromBlock(const unsigned char block[PALETTE_BLOCK_SIZE]) {
    const int count = PaletteColourCount(block);
    Require(count >= 0 && count <= PALETTE_ENTRIES, "the colour count fits the block");
    PaletteEntry entries[PALETTE_ENTRIES];
    BuildPaletteEntries(block, entries);
    const unsigned char *colours = block + BITMAP_HEADERS_SIZE;
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const unsigned char *c = colours + 4 * i;
        const int red = i < count ? c[2] : c[0];
        Require(entries[i].red == red && entries[i].green == c[1] && entries[i].flags == c[3],
                "each entry comes from its own four bytes");
    }
}

void RequireOverlayOnBlackAndWhite(const unsigned char block[PALETTE_BLOCK_SIZE]) {
    MakeDisplayPalette(block);
    const PaletteEntry ink = DisplayPalette[OverlayInkIndex];
    const PaletteEntry paper = DisplayPalette[OverlayPaperIndex];
    Require(ink.red == 0 && ink.green == 0 && ink.blue == 0, "the overlay's ink is black");
    Require(paper.red == 255 && paper.green == 255 && paper.blue == 255,
            "the overlay's paper is white");
}

// A file that holds all its headers point at still does with a byte more, and holds at least
// its own headers.
void RequireCompletenessConsistent(const unsigned char block[PALETTE_BLOCK_SIZE],
                                   std::size_t size) {
    if (!BitmapFileComplete(block, size)) {
        return;
    }
    const BitmapHeader header = ReadBitmapHeader(block);
    Require(BMP_FILE_HEADER_SIZE + std::uint64_t{header.infoSize} <= size,
            "a complete file holds its headers");
    Require(BitmapFileComplete(block, size + 1), "a longer file stays complete");
    Require(PictureSizeAcceptable(block, size) ||
                std::int64_t{header.width} * header.height > MAX_PICTURE_PIXELS ||
                std::int64_t{header.width} * header.height < -MAX_PICTURE_PIXELS,
            "a complete file of an allowed size may be loaded");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    unsigned char block[PALETTE_BLOCK_SIZE];
    PaletteBlockFromBytes(data, size, block);
    RequireEntriesFromBlock(block);
    RequireOverlayOnBlackAndWhite(block);
    RequireCompletenessConsistent(block, size);
    return 0;
}
