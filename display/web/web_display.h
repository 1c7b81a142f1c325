#pragma once
// The web display: presents the memory module's frame (display/memory) as RGBA pixels, which the
// page puts on its canvas, and maps the picture the browser decoded onto the memory sheet.

#include "display/display_mode.h"

#include <cstddef>
#include <cstdint>

// The presented frame: four bytes per pixel, red, green, blue, alpha, as a canvas takes them.
extern std::uint32_t PresentPixels[W * H];

// Makes the palette from the header of tiles.bmp by the portable rule, chooses the overlay
// colours, and fills the sheet with the transparent index until a picture is mapped onto it.
void InitDisplay();

// Whether tiles.bmp passes the native loader's own checks beyond the format: it holds the
// picture's sizes, claims no more pixels than four sheets, and no pixel names a colour past its
// colour table. The page hands the picture to the browser's decoder only then, so that both
// builds show a sheet for the same files.
bool TilePictureLoadable();
bool TilePictureLoadable(const std::uint8_t *bytes, std::size_t size);

// Maps tiles.bmp onto the sheet straight from the file when it is the kind the data comes as
// (mkworld's too): 8 bits per pixel, uncompressed, a 40-byte header, every row in the file. Each
// pixel lands where the browser's decoded colour would, through MapPictureRows, at a small part
// of the cost of decoding to RGBA and reading that back. False, with the sheet untouched, for
// any other file: the browser decodes those. Only for a picture TilePictureLoadable takes.
bool MapIndexedPicture();
bool MapIndexedPicture(const std::uint8_t *bytes, std::size_t size);

// Rows of the picture the browser decoded, as red, green, blue, alpha bytes of width pixels
// each, mapped by colour onto the palette into the sheet from row top. Whatever lies right of
// or below the sheet is not used.
void MapPictureRows(const std::uint8_t *rgba, int width, int top, int rows);
