// Any tiles.bmp taken by the SDL display: the palette and the tile sheet are made from it whatever
// it holds, the sheet keeps its size, format and shared palette, the palette follows the header
// rule, and what the picture does not cover holds the transparent index. Nothing is presented,
// so no video driver is needed.

#include "display/draw.h"
#include "display/palette_block.h"
#include "display/sdl/sdl_display.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstring>

namespace {

void RequireSheetShape() {
    const SDL_Surface *sheet = TileSheetSurface;
    Require(sheet->w == TILE_SHEET_WIDTH && sheet->h == TILE_SHEET_HEIGHT,
            "the sheet keeps its size");
    Require(sheet->format->format == SDL_PIXELFORMAT_INDEX8, "the sheet stays indexed");
    Require(sheet->format->palette == DisplayPalette &&
                BackBufferSurface->format->palette == DisplayPalette,
            "both surfaces share the display palette");
}

// The palette is the header rule applied to the first 1,078 bytes, zero past the file's end,
// with entries 0 and 255 shown black and white.
void RequirePaletteFromHeader(const std::uint8_t *data, std::size_t size) {
    unsigned char block[PALETTE_BLOCK_SIZE] = {};
    std::memcpy(block, data, std::min<std::size_t>(size, PALETTE_BLOCK_SIZE));
    PaletteEntry entries[PALETTE_ENTRIES];
    BuildShownPalette(block, entries);
    Require(DisplayPalette->ncolors == PALETTE_ENTRIES, "the palette has 256 entries");
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const SDL_Color c = DisplayPalette->colors[i];
        Require(c.r == entries[i].red && c.g == entries[i].green && c.b == entries[i].blue,
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
    const SDL_Surface *sheet = TileSheetSurface;
    for (int y = 0; y < TILE_SHEET_HEIGHT; ++y) {
        const auto *row = static_cast<const std::uint8_t *>(sheet->pixels) + y * sheet->pitch;
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
    RequireSheetShape();
    RequirePaletteFromHeader(data, size);
    RequireUncoveredTransparent();
    ReleaseDisplay();
    Require(TileSheetSurface == nullptr && BackBufferSurface == nullptr &&
                DisplayPalette == nullptr,
            "releasing empties every slot");
    return 0;
}
