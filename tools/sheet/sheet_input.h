#pragma once
// The picture a tile sheet is made from: a PNG, or any bitmap the native viewer's loader reads,
// of exactly the sheet's size.

#include "tools/sheet/sheet_palette.h"

#include <cstdint>
#include <string>

// Reads path into picture, its fully transparent pixels as the key colour. Answers false with
// error set to the reason (a picture of another size is refused, naming its size).
bool ReadSheetPicture(const char *path, std::uint32_t key, SheetPicture &picture,
                      std::string &error);
