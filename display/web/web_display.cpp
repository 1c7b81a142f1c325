#include "display/web/web_display.h"

#include "display/bitmap_extent.h"
#include "display/bitmap_header.h"
#include "display/memory/memory_display.h"
#include "display/memory/palette_match.h"
#include "display/palette_block.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// The kind of picture MapIndexedPicture reads itself: 8 bits per pixel, uncompressed, a 40-byte
// header, a colour table of at most 256 entries before the pixels, and every row in the file.
bool PlainIndexedPicture(const BitmapHeader &header, std::int64_t fileSize) {
    const std::int64_t colours = StatedColourCount(header);
    const std::int64_t rows = std::llabs(std::int64_t{header.height});
    const auto pixelBytes = static_cast<std::int64_t>(BitmapRowBytes(header)) * rows;
    return header.signature && header.infoSize == BMP_INFO_HEADER_SIZE && header.planes == 1 &&
           header.bitCount == 8 && header.compression == BMP_UNCOMPRESSED && header.width > 0 &&
           rows > 0 && colours > 0 && colours <= PALETTE_ENTRIES &&
           BITMAP_HEADERS_SIZE + colours * 4 <= header.pixelOffset &&
           header.pixelOffset + pixelBytes <= fileSize;
}

// tiles.bmp opened, with as much of its headers read into bytes as it holds (got); null when it
// cannot be opened.
std::FILE *OpenSheetHeaders(unsigned char (&bytes)[BITMAP_HEADERS_SIZE], std::size_t &got) {
    std::FILE *file = std::fopen(TILE_SHEET_FILE, "rb");
    if (file != nullptr) {
        got = std::fread(bytes, 1, sizeof bytes, file);
    }
    return file;
}

} // namespace

void InitDisplay() {
    LoadDisplayPalette(TILE_SHEET_FILE);
    ClearTileSheet();
}

bool TilePictureLoadable() {
    unsigned char bytes[BITMAP_HEADERS_SIZE] = {};
    std::size_t got = 0;
    std::FILE *file = OpenSheetHeaders(bytes, got);
    if (file == nullptr) {
        return false;
    }
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

bool MapIndexedPicture() {
    unsigned char bytes[BITMAP_HEADERS_SIZE] = {};
    std::size_t got = 0;
    std::FILE *file = OpenSheetHeaders(bytes, got);
    if (file == nullptr) {
        return false;
    }
    const BitmapHeader header = ReadBitmapHeader(bytes);
    long fileSize = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        fileSize = std::ftell(file);
    }
    unsigned char table[PALETTE_ENTRIES * 4] = {};
    const std::int64_t colours = StatedColourCount(header);
    if (got != sizeof bytes || !PlainIndexedPicture(header, fileSize) ||
        std::fseek(file, BITMAP_HEADERS_SIZE, SEEK_SET) != 0 ||
        std::fread(table, 4, static_cast<std::size_t>(colours), file) !=
            static_cast<std::size_t>(colours)) {
        std::fclose(file);
        return false;
    }
    // The colour table mapped by the rule that maps the browser's decoded pixels: each pixel
    // then lands where its colour would have.
    std::uint32_t tableColours[PALETTE_ENTRIES] = {};
    for (int i = 0; i < colours; ++i) {
        const unsigned char *entry = table + i * 4; // blue, green, red, unused
        tableColours[i] =
            (std::uint32_t{entry[2]} << 16) | (std::uint32_t{entry[1]} << 8) | entry[0];
    }
    std::uint8_t toPalette[PALETTE_ENTRIES];
    MapColourRows(tableColours, sizeof tableColours, DisplayPalette, toPalette, PALETTE_ENTRIES,
                  PALETTE_ENTRIES, 1);
    const std::int64_t rows = std::llabs(std::int64_t{header.height});
    const auto rowBytes = static_cast<std::int64_t>(BitmapRowBytes(header));
    const auto width = static_cast<std::size_t>(std::min(header.width, TILE_SHEET_WIDTH));
    const int height = static_cast<int>(std::min<std::int64_t>(rows, TILE_SHEET_HEIGHT));
    std::uint8_t row[TILE_SHEET_WIDTH];
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up, unless the height is negative.
        const std::int64_t stored = header.height > 0 ? rows - 1 - y : y;
        const auto at = static_cast<long>(header.pixelOffset + stored * rowBytes);
        if (std::fseek(file, at, SEEK_SET) != 0 || std::fread(row, 1, width, file) != width) {
            break; // not for a file of the size checked above
        }
        std::uint8_t *out = TileSheetPixels + static_cast<std::int64_t>(y) * TILE_SHEET_WIDTH;
        for (std::size_t x = 0; x < width; ++x) {
            out[x] = toPalette[row[x]];
        }
    }
    std::fclose(file);
    return true;
}
