#pragma once
// Bitmap files for the display tests: a full 1300 x 3900 tile sheet whose pixel indices and
// colours are known, and bare headers for the palette rule.

#include "tools/common/bitmap_writer.h"

#include <cstdint>
#include <string>

// The colour of entry i of the test sheet's colour table. All 256 colours are distinct; entry 0
// is black and entry 255 white, as the system keeps them.
BitmapColour SheetColour(int index);

// The palette index of the test sheet's pixel at (x, y), top-left origin. Every index occurs,
// the transparent index 142 included.
int SheetIndex(int x, int y);

// An 8-bit, bottom-up, 1300 x 3900 bitmap with SheetColour's table and SheetIndex's pixels.
Bytes MakeSheetBitmap();

// The 14 + 40 byte header of the sheet's shape, pixels said to start at 1078, followed by
// colourBytes (the colour table and whatever follows it).
Bytes MakeBitmapHeader(std::uint32_t infoSize, std::uint16_t bitCount, std::uint32_t coloursUsed,
                       const Bytes &colourBytes);

void WriteBytes(const std::string &path, const Bytes &bytes);
