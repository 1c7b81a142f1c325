#include "display/memory/memory_display.h"

#include "display/memory/palette_match.h"

#include <algorithm>
#include <cstring>

PaletteEntry DisplayPalette[PALETTE_ENTRIES];
std::uint8_t TileSheetPixels[TILE_SHEET_WIDTH * TILE_SHEET_HEIGHT];
std::uint8_t OverlayInkIndex = 0;
std::uint8_t OverlayPaperIndex = 0;

void LoadDisplayPalette(const char *path) {
    // Without a file the block stays zero, and the palette is what that block makes.
    unsigned char block[PALETTE_BLOCK_SIZE];
    (void)ReadPaletteBlock(path, block);
    MakeDisplayPalette(block);
}

void MakeDisplayPalette(const unsigned char block[PALETTE_BLOCK_SIZE]) {
    BuildShownPalette(block, DisplayPalette);
    OverlayInkIndex = NearestPaletteIndex(DisplayPalette, 0, 0, 0);
    OverlayPaperIndex = NearestPaletteIndex(DisplayPalette, 255, 255, 255);
}

void ClearTileSheet() {
    std::memset(TileSheetPixels, TRANSPARENT_INDEX, sizeof TileSheetPixels);
}

void MapIndexedPicture(const std::uint8_t *pixels, int pitch, int width, int height,
                       const PaletteEntry *table, int count) {
    std::uint8_t map[PALETTE_ENTRIES];
    MapColourTable(table, std::min(count, PALETTE_ENTRIES), DisplayPalette, map);
    const int used = std::min(width, TILE_SHEET_WIDTH);
    for (int y = 0; y < std::min(height, TILE_SHEET_HEIGHT); ++y) {
        const std::uint8_t *in = pixels + static_cast<long>(y) * pitch;
        std::uint8_t *out = TileSheetPixels + static_cast<long>(y) * TILE_SHEET_WIDTH;
        for (int x = 0; x < used; ++x) {
            out[x] = map[in[x]];
        }
    }
}

void MapColourPictureRows(const std::uint32_t *pixels, int pitch, int width, int top, int rows) {
    if (top < 0 || top >= TILE_SHEET_HEIGHT) {
        return;
    }
    MapColourRows(pixels, pitch, DisplayPalette,
                  TileSheetPixels + static_cast<long>(top) * TILE_SHEET_WIDTH, TILE_SHEET_WIDTH,
                  std::min(width, TILE_SHEET_WIDTH), std::min(rows, TILE_SHEET_HEIGHT - top));
}
