#pragma once
// The palette, the overlay's colours and the tile sheet in plain memory, one of each for every
// platform that draws on memory (SDL, the page) and for the tools that compose its frames. The
// platform's own loader decodes tiles.bmp; its colours land on the sheet's indices here.

#include "display/draw.h"
#include "display/palette_block.h"

#include <cstdint>

// The palette every frame is shown in, and the sheet as indices into it.
extern PaletteEntry DisplayPalette[PALETTE_ENTRIES];
extern std::uint8_t TileSheetPixels[TILE_SHEET_WIDTH * TILE_SHEET_HEIGHT];

// Overlay colours: the palette entries nearest to black and to white.
extern std::uint8_t OverlayInkIndex;
extern std::uint8_t OverlayPaperIndex;

// Makes the palette shown for the header of path by the portable rule (BuildShownPalette) and
// chooses the overlay colours. A file that cannot be opened gives the palette of a block of zero
// bytes, as the Windows build makes it: black but for entry 255.
void LoadDisplayPalette(const char *path);

// The same from the block already read.
void MakeDisplayPalette(const unsigned char block[PALETTE_BLOCK_SIZE]);

// Fills the sheet with the transparent index: no tile shows until a picture is mapped onto it.
void ClearTileSheet();

// Maps width x height pixels of an 8-bit picture (indices into its own colour table of count
// entries; the rest count as black) onto the sheet from its top-left corner, each by its colour.
// Whatever lies right of or below the sheet is not used.
void MapIndexedPicture(const std::uint8_t *pixels, int pitch, int width, int height,
                       const PaletteEntry *table, int count);

// Maps rows of 0x??RRGGBB pixels (the top byte is ignored; pitch in bytes) onto the sheet from
// row top, each by its colour. Whatever lies right of or below the sheet is not used.
void MapColourPictureRows(const std::uint32_t *pixels, int pitch, int width, int top, int rows);
