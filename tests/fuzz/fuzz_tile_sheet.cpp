// Any tiles.bmp taken by the SDL display: the palette and the tile sheet are made from it whatever
// it holds, the palette follows the header rule, and what the picture does not cover holds the
// transparent index. Nothing is presented, so no video driver is needed.

#include "display/draw.h"
#include "display/memory/memory_display.h"
#include "display/palette_block.h"
#include "display/sdl/sdl_display.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstring>

namespace {

// The palette is the header rule applied to the first 1,078 bytes, zero past the file's end,
// with entries 0 and 255 shown black and white.
void RequirePaletteFromHeader(const std::uint8_t *data, std::size_t size) {
    unsigned char block[PALETTE_BLOCK_SIZE] = {};
    std::memcpy(block, data, std::min<std::size_t>(size, PALETTE_BLOCK_SIZE));
    PaletteEntry entries[PALETTE_ENTRIES];
    BuildShownPalette(block, entries);
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const PaletteEntry c = DisplayPalette[i];
        Require(c.red == entries[i].red && c.green == entries[i].green && c.blue == entries[i].blue,
                "each palette entry follows the header rule");
    }
}

// Outside the part of the sheet that the picture loaded from the file can fill, every pixel is
// the transparent index.
void RequireUncoveredTransparent() {
    SDL_Surface *picture = LoadTilePicture(TILE_SHEET_FILE);
    const int width = picture != nullptr ? std::min(picture->w, TILE_SHEET_WIDTH) : 0;
    const int height = picture != nullptr ? std::min(picture->h, TILE_SHEET_HEIGHT) : 0;
    SDL_FreeSurface(picture);
    // One comparison per row: a byte loop here would cost the fuzzer more than the loader.
    static std::uint8_t transparentRow[TILE_SHEET_WIDTH];
    std::memset(transparentRow, TRANSPARENT_INDEX, sizeof transparentRow);
    for (int y = 0; y < TILE_SHEET_HEIGHT; ++y) {
        const std::uint8_t *row = TileSheetPixels + y * TILE_SHEET_WIDTH;
        const int from = y < height ? width : 0;
        Require(std::memcmp(row + from, transparentRow,
                            static_cast<std::size_t>(TILE_SHEET_WIDTH - from)) == 0,
                "the sheet outside the picture is transparent");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    EnterScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    WriteScratchFile(TILE_SHEET_FILE, data, size);
    Require(InitDisplay(nullptr, nullptr) == 0, "the display is made from any tiles.bmp");
    RequirePaletteFromHeader(data, size);
    RequireUncoveredTransparent();
    ReleaseDisplay();
    return 0;
}
