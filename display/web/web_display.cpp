#include "display/web/web_display.h"

#include "display/bitmap_extent.h"
#include "display/bitmap_header.h"
#include "display/memory/memory_display.h"
#include "display/palette_block.h"

#include <algorithm>
#include <cstdio>

std::uint32_t PresentPixels[W * H];

namespace {

// One band of picture rows at a time, turned to the 0x00RRGGBB pixels colour matching takes.
constexpr int BAND_ROWS = 64;
std::uint32_t BandColours[TILE_SHEET_WIDTH * BAND_ROWS];

// Whether any pixel of an uncompressed picture of 1 to 8 bits names an entry past the colour
// count its header states. The native loader refuses such a picture whole; a browser draws it.
bool PixelPastColourTable(std::FILE *file, const BitmapHeader &header) {
    const std::int64_t colours = StatedColourCount(header);
    if (header.compression != BMP_UNCOMPRESSED || header.bitCount == 0 || header.bitCount > 8 ||
        colours <= 0 || colours >= (std::int64_t{1} << header.bitCount) ||
        std::fseek(file, static_cast<long>(header.pixelOffset), SEEK_SET) != 0) {
        return false;
    }
    const std::uint64_t rowBytes = BitmapRowBytes(header);
    const std::uint64_t usedBits = static_cast<std::uint64_t>(header.width) * header.bitCount;
    const unsigned mask = (1U << header.bitCount) - 1U;
    std::uint64_t position = 0;
    unsigned char chunk[4096];
    for (std::size_t got = 0; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        for (std::size_t i = 0; i < got; ++i, ++position) {
            const std::uint64_t bitInRow = position % rowBytes * 8;
            for (unsigned bit = 0; bit < 8 && bitInRow + bit < usedBits; bit += header.bitCount) {
                if (((chunk[i] >> (8U - header.bitCount - bit)) & mask) >= colours) {
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace

void InitDisplay() {
    LoadDisplayPalette(TILE_SHEET_FILE);
    ClearTileSheet();
}

bool TilePictureLoadable() {
    std::FILE *file = std::fopen(TILE_SHEET_FILE, "rb");
    if (file == nullptr) {
        return false;
    }
    unsigned char bytes[BITMAP_HEADERS_SIZE] = {};
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file);
    const BitmapHeader header = ReadBitmapHeader(bytes);
    const bool loadable = PictureSizeAcceptable(bytes, got) && header.width > 0 &&
                          !PixelPastColourTable(file, header);
    std::fclose(file);
    return loadable;
}

void MapPictureRows(const std::uint8_t *rgba, int width, int top, int rows) {
    const int used = std::min(width, TILE_SHEET_WIDTH);
    for (int done = 0; done < rows && top + done < TILE_SHEET_HEIGHT; done += BAND_ROWS) {
        const int band = std::min({BAND_ROWS, rows - done, TILE_SHEET_HEIGHT - top - done});
        for (int y = 0; y < band; ++y) {
            const std::uint8_t *in = rgba + (static_cast<long>(done + y) * width * 4);
            std::uint32_t *out = BandColours + static_cast<long>(y) * used;
            for (int x = 0; x < used; ++x, in += 4) {
                out[x] = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
            }
        }
        MapColourPictureRows(BandColours, used * 4, used, top + done, band);
    }
}
