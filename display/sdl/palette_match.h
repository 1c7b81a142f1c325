#pragma once
// Colours to display palette indices, the way a palettised device context maps them: the
// nearest entry, the first of equals winning, so that an exact colour lands on its own index.

#include <SDL.h>

#include <cstdint>

// The index of the entry of palette nearest to (red, green, blue).
std::uint8_t NearestPaletteIndex(const SDL_Palette *palette, std::uint8_t red, std::uint8_t green,
                                 std::uint8_t blue);

// Fills the INDEX8 sheet from picture (any format SDL can convert), each pixel mapped by its
// colour to palette. The picture's top-left pixel lands at (0, 0); what the picture does not
// cover holds the transparent index. Returns false when the picture could not be read.
bool FillSheetFromPicture(SDL_Surface *picture, const SDL_Palette *palette, SDL_Surface *sheet);
