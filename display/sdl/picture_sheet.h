#pragma once
// The tile sheet from a picture SDL decoded, mapped onto the display palette.

#include <SDL.h>

#include "display/palette_block.h"

// The display palette as the portable colour matching takes it.
void ReadPaletteEntries(const SDL_Palette *palette, PaletteEntry entries[PALETTE_ENTRIES]);

// Fills the INDEX8 sheet from picture (any format SDL can convert), each pixel mapped by its
// colour to palette. The picture's top-left pixel lands at (0, 0); what the picture does not
// cover holds the transparent index. Returns false when the picture could not be read.
bool FillSheetFromPicture(SDL_Surface *picture, const SDL_Palette *palette, SDL_Surface *sheet);
