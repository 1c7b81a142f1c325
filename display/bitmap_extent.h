#pragma once
// Whether a bitmap file holds every byte its headers point at. Wine's loader reads a short
// file's missing pixels from past the end of its mapping and faults, so a picture is handed to
// the platform's loader only when it is whole.

#include "display/bitmap_header.h"

#include <cstdint>

// header: the first BITMAP_HEADERS_SIZE bytes of the file (zero where the file ends sooner);
// fileSize: the whole file's length. True only when the information header is a known kind
// (12 bytes, or 40 or more), the picture has a size, and the colour table and the pixel data
// (rows padded to four bytes, or the stated size of compressed data) end within the file.
bool BitmapFileComplete(const unsigned char header[BITMAP_HEADERS_SIZE], std::uint64_t fileSize);

// The same for a file on disk, read with stdio; false when it cannot be opened.
bool BitmapFileOnDiskComplete(const char *path);
