#pragma once
// The colour table and pixel indices of a tile sheet made from any picture: the colours the
// viewer gives a meaning to on their fixed entries, every other colour on an entry of its own,
// and the entries of a picture that already had a palette kept wherever that is allowed.

#include "display/draw.h"
#include "display/palette_block.h"

#include <cstdint>
#include <vector>

inline constexpr std::uint32_t RGB_BLACK = 0x000000;
inline constexpr std::uint32_t RGB_WHITE = 0xFFFFFF;
inline constexpr std::uint32_t DEFAULT_KEY_RGB = 0xFF00FF;
inline constexpr int SHEET_BLACK_INDEX = 0;
inline constexpr int SHEET_WHITE_INDEX = 255;
inline constexpr int SHEET_CLEAR_INDEX = CLEAR_FILL_VALUE & 0xFF;
inline constexpr int SHEET_FIXED_ENTRIES = 4; // black, white, transparent, clear
inline constexpr int SHEET_FREE_ENTRIES = PALETTE_ENTRIES - SHEET_FIXED_ENTRIES;

// A picture as colours 0xRRGGBB, top row first; transparent pixels already hold the key colour.
// A picture that had a palette also gives each pixel's entry in it and the palette's colours
// (transparent entries as the key colour), so that its entries can be kept.
struct SheetPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> colours;
    std::vector<std::uint8_t> sourceIndices; // empty when the picture had no palette
    std::vector<std::uint32_t> sourcePalette;
};

struct SheetColours {
    std::uint32_t key = DEFAULT_KEY_RGB;
    std::uint32_t clear = CLEAR_FILL_VALUE; // the fill value read as a colour
};

struct SheetPalette {
    std::uint32_t entries[PALETTE_ENTRIES]; // 0xRRGGBB
    std::vector<std::uint8_t> indices;      // one per pixel, top row first
    int otherColours; // distinct colours of the picture other than black, white, key and clear
};

// Makes the sheet's palette and indices. False, with otherColours set, when the picture has
// more other colours than SHEET_FREE_ENTRIES.
bool MakeSheetPalette(const SheetPicture &picture, const SheetColours &fixed, SheetPalette &out);
