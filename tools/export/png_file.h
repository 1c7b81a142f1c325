#pragma once
// Writes an 8-bit indexed picture as a PNG with its 256-colour palette, so that the file holds
// the very indices of the surface and shows them in the palette's colours.

#include "display/palette_block.h"

#include <cstdint>
#include <string>

// Writes width x height pixels, rows pitch bytes apart, to path. Answers false with error set.
bool WriteIndexedPng(const char *path, const std::uint8_t *pixels, int pitch, int width, int height,
                     const PaletteEntry colours[PALETTE_ENTRIES], std::string &error);
