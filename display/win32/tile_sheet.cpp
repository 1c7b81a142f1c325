#include "display/bitmap_extent.h"
#include "display/draw.h"
#include "display/palette_block.h"
#include "display/win32/ddraw_display.h"

namespace {

constexpr UINT LOAD_PICTURE_FLAGS = LR_LOADFROMFILE | LR_CREATEDIBSECTION; // 0x2010

// The header and colour table in three reads; whatever the file does not reach stays zero.
void ReadPaletteBlockWithKernel(const char *path, unsigned char block[PALETTE_BLOCK_SIZE]) {
    HFILE file = _lopen(path, OF_READ);
    if (file == HFILE_ERROR) {
        return;
    }
    (void)_lread(file, block, BMP_FILE_HEADER_SIZE);
    (void)_lread(file, block + BMP_FILE_HEADER_SIZE, BMP_INFO_HEADER_SIZE);
    (void)_lread(file, block + BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE,
                 PALETTE_COLOUR_BLOCK_SIZE);
    (void)_lclose(file);
}

// Without a picture the sheet is all transparent, so no tile shows (as on every platform), rather
// than whatever the surface's memory held.
void ClearTileSheet() {
    RECT whole{0, 0, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT};
    DDBLTFX effects{};
    effects.dwSize = sizeof(effects);
    effects.dwFillColor = TRANSPARENT_INDEX;
    (void)TileSheetSurface->Blt(&whole, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &effects);
}

} // namespace

IDirectDrawPalette *LoadTilePalette(IDirectDraw7 *displayObject, const char *path) {
    unsigned char block[PALETTE_BLOCK_SIZE] = {};
    if (path != nullptr) {
        ReadPaletteBlockWithKernel(path, block);
    }
    PaletteEntry entries[PALETTE_ENTRIES];
    BuildPaletteEntries(block, entries);
    PALETTEENTRY colours[PALETTE_ENTRIES];
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        colours[i] =
            PALETTEENTRY{entries[i].red, entries[i].green, entries[i].blue, entries[i].flags};
    }
    IDirectDrawPalette *palette = nullptr;
    if (displayObject->CreatePalette(DDPCAPS_8BIT, colours, &palette, nullptr) != DD_OK) {
        return nullptr;
    }
    return palette;
}

void LoadTileSheet() {
    HDC sheetContext = nullptr;
    (void)TileSheetSurface->GetDC(&sheetContext);
    HDC pictureContext = CreateCompatibleDC(sheetContext);
    // A file cut short is treated as one that does not load: Wine's loader would read past it.
    HANDLE picture =
        BitmapFileOnDiskComplete(TILE_SHEET_FILE)
            ? LoadImageA(nullptr, TILE_SHEET_FILE, IMAGE_BITMAP, 0, 0, LOAD_PICTURE_FLAGS)
            : nullptr;
    HGDIOBJ previous = SelectObject(pictureContext, picture);
    // GDI carries colours, not indices: each pixel lands on the display palette entry of its
    // colour, which is its own index when the colour table's entries are distinct.
    (void)BitBlt(sheetContext, 0, 0, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT, pictureContext, 0, 0,
                 SRCCOPY);
    (void)SelectObject(pictureContext, previous);
    (void)DeleteObject(picture);
    (void)DeleteDC(pictureContext);
    (void)TileSheetSurface->ReleaseDC(sheetContext);
    if (picture == nullptr) {
        ClearTileSheet();
    }
}
