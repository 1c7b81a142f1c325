#pragma once
// The tile sheet from a picture SDL decoded, mapped onto the display palette.

#include <SDL.h>

// Fills the memory module's sheet from picture (any format SDL can convert), each pixel mapped
// by its colour to DisplayPalette. The picture's top-left pixel lands at (0, 0); what the
// picture does not cover holds the transparent index. Returns false when the picture could not
// be read.
bool FillSheetFromPicture(SDL_Surface *picture);
