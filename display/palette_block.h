#pragma once
// The display palette from the header of tiles.bmp: the 14-byte file header, the 40-byte
// information header and the 1024 bytes after it, read as one block.

#include "display/bitmap_header.h"

#include <cstddef>
#include <cstdint>

inline constexpr const char *TILE_SHEET_FILE = "tiles.bmp";
inline constexpr int PALETTE_ENTRIES = 256;
inline constexpr int PALETTE_COLOUR_BLOCK_SIZE = PALETTE_ENTRIES * 4;
inline constexpr int PALETTE_BLOCK_SIZE =
    BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE + PALETTE_COLOUR_BLOCK_SIZE; // 1,078

// How many times the native viewer's loader has read tiles.bmp into the shown palette and the
// sheet: a reload may bring other colours and other tiles. The page reads the file once, before
// its first frame, and leaves this at 0.
extern std::uint32_t TileSheetLoads;

// As the display takes it: red, green, blue, flags.
struct PaletteEntry {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    std::uint8_t flags;
};

// How many leading entries of the colour block the header says are colours in use (the colours
// used field, or 1 << bit count when it is 0): 0 unless the information header is 40 bytes and at
// most 8 bits per pixel.
std::int64_t StatedColourCount(const BitmapHeader &header);

// The same for the block, at most 256.
int PaletteColourCount(const unsigned char block[PALETTE_BLOCK_SIZE]);

// The 256 entries: the first PaletteColourCount entries turned from the file's blue, green, red
// order, the rest passed on as read.
void BuildPaletteEntries(const unsigned char block[PALETTE_BLOCK_SIZE],
                         PaletteEntry entries[PALETTE_ENTRIES]);

// The colours a palette made from the block shows on every platform. It is made without "allow
// 256", so entries 0 and 255 are the system's black and white whatever the file says; the rest
// are BuildPaletteEntries's. A picture colour the palette then lacks (the file's own entry 0 or
// 255) lands on the nearest entry when the picture is mapped onto it, as GDI maps it on Windows.
void BuildShownPalette(const unsigned char block[PALETTE_BLOCK_SIZE],
                       PaletteEntry entries[PALETTE_ENTRIES]);

// Reads the block from path with stdio; what the file does not reach stays zero. Returns false
// when the file cannot be opened (the block is then all zero).
bool ReadPaletteBlock(const char *path, unsigned char block[PALETTE_BLOCK_SIZE]);

// The block from the first bytes of a file held in memory, zero where they end sooner.
void PaletteBlockFromBytes(const unsigned char *bytes, std::size_t size,
                           unsigned char block[PALETTE_BLOCK_SIZE]);
