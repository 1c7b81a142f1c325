#pragma once
// Whether a bitmap file holds every byte its headers point at. Wine's loader reads a short
// file's missing pixels from past the end of its mapping and faults, so a picture is handed to
// the platform's loader only when it is whole.

#include "display/bitmap_header.h"
#include "display/draw.h"

#include <cstddef>
#include <cstdint>

// Pictures of more pixels than four sheets are not loaded. Only the sheet's top-left 1300 x 3900
// can ever show, and a loader allocates and clears the whole picture its header claims, even
// when the file holds a few bytes: 60000 x 60000 would cost gigabytes and most of a minute.
inline constexpr std::int64_t MAX_PICTURE_PIXELS =
    std::int64_t{4} * TILE_SHEET_WIDTH * TILE_SHEET_HEIGHT;

// Whether a file whose first bytes are header (got of them read, zero past them) may be handed
// to a picture loader: it reaches the sizes of either kind of information header, and claims
// at most MAX_PICTURE_PIXELS (the height's sign only gives the row order).
bool PictureSizeAcceptable(const unsigned char header[BITMAP_HEADERS_SIZE], std::size_t got);

// header: the first BITMAP_HEADERS_SIZE bytes of the file (zero where the file ends sooner);
// fileSize: the whole file's length. True only when the information header is a known kind
// (12 bytes, or 40 or more), the picture has a size, and the colour table and the pixel data
// (rows padded to four bytes, or the stated size of compressed data) end within the file.
bool BitmapFileComplete(const unsigned char header[BITMAP_HEADERS_SIZE], std::uint64_t fileSize);

// The same for a file on disk, read with stdio; false when it cannot be opened.
bool BitmapFileOnDiskComplete(const char *path);
