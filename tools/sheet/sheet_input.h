#pragma once
// The picture a tile sheet is made from: a PNG, or any bitmap the native viewer's loader reads,
// of exactly the sheet's size (or, for a file's bytes, of the size asked for).

#include "tools/sheet/sheet_palette.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Reads the size bytes at data into picture when they are a picture of width x height pixels,
// its fully transparent pixels as the key colour. Answers false with error set to the reason (a
// picture of another size is refused, naming its size).
bool ReadSheetPictureBytes(const std::uint8_t *data, std::size_t size, int width, int height,
                           std::uint32_t key, SheetPicture &picture, std::string &error);

// ReadSheetPictureBytes on the file at path, for a picture of the sheet's size.
bool ReadSheetPicture(const char *path, std::uint32_t key, SheetPicture &picture,
                      std::string &error);
