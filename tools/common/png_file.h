#pragma once
// PNG files: an 8-bit indexed picture written with its 256-colour palette, so that the file
// holds the very indices of the surface and shows them in the palette's colours; and any PNG
// read back as indices or as colours.

#include "display/palette_block.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Writes width x height pixels, rows pitch bytes apart, to path. Answers false with error set.
// A transparentIndex of 0 to 255 marks that entry fully transparent (a tile's surroundings for
// programs that know no colour key); any other value keeps every entry opaque.
bool WriteIndexedPng(const char *path, const std::uint8_t *pixels, int pitch, int width, int height,
                     const PaletteEntry colours[PALETTE_ENTRIES], std::string &error,
                     int transparentIndex = -1);

// A PNG as read: a picture with a palette as one index per pixel and the palette's red, green,
// blue and alpha; any other as red, green, blue and alpha bytes per pixel (8 bits each, opaque
// where the file has no alpha). Rows top first.
struct PngPicture {
    int width = 0;
    int height = 0;
    bool indexed = false;
    std::vector<std::uint8_t> pixels;
    std::vector<std::array<std::uint8_t, 4>> palette;
};

// Reads the size bytes at data when they are a PNG of width x height pixels. Answers false with
// error set; a picture of another size is refused, naming its size, before its pixels are read.
bool ReadPngBytes(const std::uint8_t *data, std::size_t size, int width, int height,
                  PngPicture &picture, std::string &error);

// ReadPngBytes on the file at path.
bool ReadPng(const char *path, int width, int height, PngPicture &picture, std::string &error);
