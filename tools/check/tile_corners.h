#pragma once
// The colour at the corners of the tiles in the sheet. A tile's rectangle is its drawing and
// the transparent surroundings that fill it out, so most corners should be the colour of entry
// 142; a picture tool that sorted the palette leaves that colour on another entry.

#include "display/palette_block.h"

#include <cstdint>
#include <vector>

struct TileCorners {
    bool read;         // false: the sheet's pixels cannot be read as indices
    int pixels;        // corner pixels looked at: four per record in use inside the sheet
    PaletteEntry most; // the commonest of their colours (entry 142's on a tie)
    int mostCount;
    int mostEntry; // the first entry of that colour
};

// Reads the pixels of tiles.bmp, given whole as file's bytes (1300 x 3900 with a 40-byte header:
// uncompressed at 1, 2, 4 or 8 bits per pixel, or run-length encoded at 8, as picture tools save
// a palette picture) at the corners of every record in use of the loaded terrain table whose
// source lies in the sheet. entries is the palette as the display takes it.
TileCorners ReadTileCorners(const std::vector<unsigned char> &file,
                            const PaletteEntry entries[PALETTE_ENTRIES]);

// Whether the corners say entry 142 is not the sheet's transparent colour: their commonest
// colour, found at a quarter of them or more, is another.
bool CornersDisownEntry142(const TileCorners &corners, const PaletteEntry &entry142);
