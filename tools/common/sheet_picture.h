#pragma once
// The tile sheet as the native viewer shows it, for the tools that draw or cut its tiles without a
// display: tiles.bmp read by SDL's loader onto display/memory's sheet, in its palette's indices.

#include <cstddef>
#include <string>

// Reads the picture at path onto TileSheetPixels, each pixel on the index of DisplayPalette that
// the viewer maps its colour to (so LoadDisplayPalette comes first). A picture that claims more
// pixels than the viewer loads leaves the sheet transparent, as the viewer shows it. Answers
// false, with SDL's reason in error, when the picture cannot be read.
bool LoadSheetPicture(const char *path, std::string &error);

// The same for the file's bytes held in memory.
bool LoadSheetPictureBytes(const unsigned char *bytes, std::size_t size, std::string &error);
