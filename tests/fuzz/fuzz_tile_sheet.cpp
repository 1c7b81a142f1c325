// Any tiles.bmp taken by the platforms that draw on memory: SDL's loader, the page's own reader
// of plain 8-bit pictures, and the tools' reader, whose frames stand for the viewer's. The sheet
// is made whatever the file holds, what the picture does not cover holds the transparent index,
// and where the page or a tool maps a picture it lands on the very indices the viewer gives it.

#include "display/bitmap_header.h"
#include "display/draw.h"
#include "display/memory/memory_display.h"
#include "display/palette_block.h"
#include "display/sdl/picture_sheet.h"
#include "display/sdl/sdl_display.h"
#include "display/web/web_display.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/common/sheet_picture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Bigger pictures are refused before mapping: the sheet's clipping at either edge is reached by
// a thin picture (1,301 x 3 or 1 x 3,901), while a sheet-sized one costs a twentieth of a second
// a run, mostly in matching each colour to the palette.
constexpr std::int64_t MOST_PIXELS = 1 << 12;
constexpr std::uint8_t UNMAPPED = TRANSPARENT_INDEX ^ 0xFF;

bool SmallPicture(const std::uint8_t *data, std::size_t size) {
    unsigned char headers[BITMAP_HEADERS_SIZE] = {};
    std::memcpy(headers, data, std::min<std::size_t>(size, sizeof headers));
    const BitmapHeader header = ReadBitmapHeader(headers);
    return std::llabs(std::int64_t{header.width}) * std::llabs(std::int64_t{header.height}) <=
           MOST_PIXELS;
}

// Beside the picture, in the row below it and in the sheet's last row, every pixel is the
// transparent index. The rows between would cost each run more than the loaders do.
void RequireUncoveredTransparent(int width, int height) {
    static std::uint8_t transparentRow[TILE_SHEET_WIDTH];
    std::memset(transparentRow, TRANSPARENT_INDEX, sizeof transparentRow);
    const auto requireRow = [](int y, int from) {
        const std::uint8_t *row = TileSheetPixels + y * TILE_SHEET_WIDTH;
        Require(std::memcmp(row + from, transparentRow,
                            static_cast<std::size_t>(TILE_SHEET_WIDTH - from)) == 0,
                "the sheet outside the picture is transparent");
    };
    for (int y = 0; y < height; ++y) {
        requireRow(y, width);
    }
    requireRow(std::min(height, TILE_SHEET_HEIGHT - 1), height < TILE_SHEET_HEIGHT ? 0 : width);
    requireRow(TILE_SHEET_HEIGHT - 1, height < TILE_SHEET_HEIGHT ? 0 : width);
}

// The covered corner of the sheet, row by row.
std::vector<std::uint8_t> CoveredPixels(int width, int height) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *row = TileSheetPixels + y * TILE_SHEET_WIDTH;
        pixels.insert(pixels.end(), row, row + width);
    }
    return pixels;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (!SmallPicture(data, size)) {
        return -1;
    }
    unsigned char block[PALETTE_BLOCK_SIZE];
    PaletteBlockFromBytes(data, size, block);
    MakeDisplayPalette(block);
    SDL_Surface *picture = DecodeTilePicture(data, size);
    const bool decoded = picture != nullptr;
    const int width = decoded ? std::min(picture->w, TILE_SHEET_WIDTH) : 0;
    const int height = decoded ? std::min(picture->h, TILE_SHEET_HEIGHT) : 0;
    Require(FillSheetFromPicture(picture) == decoded, "a decoded picture is mapped");
    SDL_FreeSurface(picture);
    RequireUncoveredTransparent(width, height);
    const std::vector<std::uint8_t> loaded = CoveredPixels(width, height);
    std::string error;
    if (LoadSheetPictureBytes(data, size, error) && decoded) {
        Require(CoveredPixels(width, height) == loaded, "a tool maps each pixel as the viewer");
    }
    if (!TilePictureLoadable(data, size)) {
        return 0;
    }
    // The page maps over the sheet SDL's picture left: mark the covered corner first, so that a
    // pixel the page leaves out shows.
    for (int y = 0; y < height; ++y) {
        std::memset(TileSheetPixels + y * TILE_SHEET_WIDTH, UNMAPPED, width);
    }
    if (MapIndexedPicture(data, size)) {
        Require(decoded, "a picture the page maps is one SDL reads");
        Require(CoveredPixels(width, height) == loaded, "the page maps each pixel as SDL does");
    }
    return 0;
}
