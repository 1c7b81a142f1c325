#pragma once
// Colours to display palette indices, the way a palettised device context maps them: the
// nearest entry, the first of equals winning, so that an exact colour lands on its own index.
// Every platform maps its decoded tile picture through these, so that one picture gives one
// sheet everywhere.

#include "display/palette_block.h"

#include <cstdint>

// The index of the entry of palette nearest to (red, green, blue).
std::uint8_t NearestPaletteIndex(const PaletteEntry palette[PALETTE_ENTRIES], std::uint8_t red,
                                 std::uint8_t green, std::uint8_t blue);

// For each entry of a picture's own colour table (count entries; the rest count as black), the
// palette index its colour maps to.
void MapColourTable(const PaletteEntry *table, int count,
                    const PaletteEntry palette[PALETTE_ENTRIES], std::uint8_t map[PALETTE_ENTRIES]);

// Maps width x height pixels of 0x??RRGGBB (the top byte is ignored) onto palette indices.
// Pitches are in bytes.
void MapColourRows(const std::uint32_t *source, int sourcePitch,
                   const PaletteEntry palette[PALETTE_ENTRIES], std::uint8_t *destination,
                   int destinationPitch, int width, int height);
