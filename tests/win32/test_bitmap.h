#pragma once
// Bitmap files for the display tests: a full 1300 x 3900 tile sheet whose pixel indices and
// colours are known, and bare headers for the palette rule.

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// The colour of entry i of the test sheet's colour table, as red, green, blue. All 256 colours
// are distinct; entry 0 is black and entry 255 white, as the system keeps them.
struct TestColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};
TestColour SheetColour(int index);

// The palette index of the test sheet's pixel at (x, y), top-left origin. Every index occurs,
// the transparent index 142 included.
int SheetIndex(int x, int y);

// An 8-bit, bottom-up, 1300 x 3900 bitmap with SheetColour's table and SheetIndex's pixels.
Bytes MakeSheetBitmap();

// The 14 + 40 byte header followed by colourBytes (the colour table and whatever follows it).
Bytes MakeBitmapHeader(std::uint32_t infoSize, std::uint16_t bitCount, std::uint32_t coloursUsed,
                       const Bytes &colourBytes);

void WriteBytes(const std::string &path, const Bytes &bytes);
