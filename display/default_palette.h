#pragma once
// The palette a display uses when tiles.bmp cannot be opened and so gives none.

#include "display/palette_block.h"

// 3 bits of red, 3 of green and 2 of blue: index = red << 5 | green << 2 | blue, each channel
// spread evenly over 0 to 255 (index 0 black, 255 white, the clear index 170 a muted purple).
void BuildDefaultPaletteEntries(PaletteEntry entries[PALETTE_ENTRIES]);
