#pragma once
// The overlay's text: a small built-in bitmap font for the digits and the minus sign, written
// as dark glyphs on an opaque light box, one fixed-size cell per character.

#include <cstdint>

inline constexpr int OVERLAY_CELL_WIDTH = 8;
inline constexpr int OVERLAY_CELL_HEIGHT = 16;

// Writes text with its box's top-left corner at (x, y) on an 8-bit surface of width x height
// pixels: every pixel of the box is paper except the glyphs' pixels, which are ink. Characters
// without a glyph leave a blank cell. Whatever falls outside the surface is cut off.
void DrawOverlayGlyphs(std::uint8_t *pixels, int pitch, int width, int height, int x, int y,
                       const char *text, std::uint8_t ink, std::uint8_t paper);

// Whether the glyph of character c has ink at (column, row) of its cell.
bool OverlayGlyphInk(char c, int column, int row);
