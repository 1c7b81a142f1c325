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
#include <vector>

std::uint32_t PresentPixels[W * H];

namespace {

// One band of picture rows at a time, turned to the 0x00RRGGBB pixels colour matching takes.
constexpr int BAND_ROWS = 64;
std::uint32_t BandColours[TILE_SHEET_WIDTH * BAND_ROWS];

// Whether any pixel of an uncompressed picture of 1, 2, 4 or 8 bits names an entry past the
// colour count its header states. The native loader refuses such a picture whole; a browser
// draws it. Other bit counts split no byte into whole pixels, and no loader reads them.
bool PixelPastColourTable(const std::uint8_t *bytes, std::size_t size, const BitmapHeader &header) {
    const std::int64_t colours = StatedColourCount(header);
    if (header.compression != BMP_UNCOMPRESSED || header.bitCount == 0 ||
        8 % header.bitCount != 0 || colours <= 0 ||
        colours >= (std::int64_t{1} << header.bitCount) || header.pixelOffset > size) {
        return false;
    }
    const std::uint64_t rowBytes = BitmapRowBytes(header);
    const std::uint64_t usedBits = static_cast<std::uint64_t>(header.width) * header.bitCount;
    const unsigned mask = (1U << header.bitCount) - 1U;
    for (std::size_t at = header.pixelOffset; at < size; ++at) {
        const std::uint64_t bitInRow = (at - header.pixelOffset) % rowBytes * 8;
        for (unsigned bit = 0; bit < 8 && bitInRow + bit < usedBits; bit += header.bitCount) {
            if (((bytes[at] >> (8U - header.bitCount - bit)) & mask) >= colours) {
                return true;
            }
        }
    }
    return false;
}

// The kind of picture MapIndexedPicture reads itself: 8 bits per pixel, uncompressed, a 40-byte
// header, a colour table of at most 256 entries before the pixels, and every row in the file.
bool PlainIndexedPicture(const BitmapHeader &header, std::size_t fileSize) {
    const std::int64_t colours = StatedColourCount(header);
    const std::int64_t rows = std::llabs(std::int64_t{header.height});
    const auto pixelBytes = static_cast<std::int64_t>(BitmapRowBytes(header)) * rows;
    return fileSize >= BITMAP_HEADERS_SIZE && header.signature &&
           header.infoSize == BMP_INFO_HEADER_SIZE && header.planes == 1 && header.bitCount == 8 &&
           header.compression == BMP_UNCOMPRESSED && header.width > 0 && rows > 0 && colours > 0 &&
           colours <= PALETTE_ENTRIES && BITMAP_HEADERS_SIZE + colours * 4 <= header.pixelOffset &&
           header.pixelOffset + pixelBytes <= static_cast<std::int64_t>(fileSize);
}

// The headers as much of them as the file holds, zero past its end.
BitmapHeader ReadHeaders(const std::uint8_t *bytes, std::size_t size,
                         unsigned char (&headers)[BITMAP_HEADERS_SIZE]) {
    const std::size_t got = std::min<std::size_t>(size, sizeof headers);
    std::memset(headers, 0, sizeof headers);
    if (got > 0) {
        std::memcpy(headers, bytes, got);
    }
    return ReadBitmapHeader(headers);
}

// The whole of tiles.bmp, or false when it cannot be opened. Read straight into the vector: the
// module's stack is too small for a buffer of any size.
bool ReadSheetFile(std::vector<std::uint8_t> &bytes) {
    std::FILE *file = std::fopen(TILE_SHEET_FILE, "rb");
    if (file == nullptr) {
        return false;
    }
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        size = std::ftell(file);
    }
    if (size > 0 && std::fseek(file, 0, SEEK_SET) == 0) {
        bytes.resize(static_cast<std::size_t>(size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    }
    std::fclose(file);
    return true;
}

// The colour table mapped by the rule that maps the browser's decoded pixels: each pixel then
// lands where its colour would have.
void MapTableToPalette(const std::uint8_t *table, std::int64_t colours,
                       std::uint8_t (&toPalette)[PALETTE_ENTRIES]) {
    std::uint32_t tableColours[PALETTE_ENTRIES] = {};
    for (std::int64_t i = 0; i < colours; ++i) {
        const std::uint8_t *entry = table + i * 4; // blue, green, red, unused
        tableColours[i] =
            (std::uint32_t{entry[2]} << 16) | (std::uint32_t{entry[1]} << 8) | entry[0];
    }
    MapColourRows(tableColours, sizeof tableColours, DisplayPalette, toPalette, PALETTE_ENTRIES,
                  PALETTE_ENTRIES, 1);
}

} // namespace

void InitDisplay() {
    LoadDisplayPalette(TILE_SHEET_FILE);
    ClearTileSheet();
}

bool TilePictureLoadable() {
    std::vector<std::uint8_t> bytes;
    return ReadSheetFile(bytes) && TilePictureLoadable(bytes.data(), bytes.size());
}

bool TilePictureLoadable(const std::uint8_t *bytes, std::size_t size) {
    unsigned char headers[BITMAP_HEADERS_SIZE];
    const BitmapHeader header = ReadHeaders(bytes, size, headers);
    return PictureSizeAcceptable(headers, std::min<std::size_t>(size, sizeof headers)) &&
           header.width > 0 && !PixelPastColourTable(bytes, size, header);
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
    std::vector<std::uint8_t> bytes;
    return ReadSheetFile(bytes) && MapIndexedPicture(bytes.data(), bytes.size());
}

bool MapIndexedPicture(const std::uint8_t *bytes, std::size_t size) {
    unsigned char headers[BITMAP_HEADERS_SIZE];
    const BitmapHeader header = ReadHeaders(bytes, size, headers);
    if (!PlainIndexedPicture(header, size)) {
        return false;
    }
    std::uint8_t toPalette[PALETTE_ENTRIES];
    MapTableToPalette(bytes + BITMAP_HEADERS_SIZE, StatedColourCount(header), toPalette);
    const std::int64_t rows = std::llabs(std::int64_t{header.height});
    const auto rowBytes = static_cast<std::int64_t>(BitmapRowBytes(header));
    const int width = std::min(header.width, TILE_SHEET_WIDTH);
    const int height = static_cast<int>(std::min<std::int64_t>(rows, TILE_SHEET_HEIGHT));
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up, unless the height is negative.
        const std::int64_t stored = header.height > 0 ? rows - 1 - y : y;
        const std::uint8_t *in = bytes + header.pixelOffset + stored * rowBytes;
        std::uint8_t *out = TileSheetPixels + static_cast<std::int64_t>(y) * TILE_SHEET_WIDTH;
        for (int x = 0; x < width; ++x) {
            out[x] = toPalette[in[x]];
        }
    }
    return true;
}
