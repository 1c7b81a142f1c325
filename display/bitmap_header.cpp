#include "display/bitmap_header.h"

#include "mapdata/bytes.h"

namespace {

constexpr int SIZE_FIELD = 2;
constexpr int PIXEL_OFFSET_FIELD = 10;

// Where the fields that both kinds of information header have lie, from the header's start, and
// how many bytes the width and height take.
struct SharedFields {
    int width;
    int height;
    int planes;
    int bitCount;
    int sizeBytes;
};
constexpr SharedFields CORE_FIELDS = {4, 6, 8, 10, 2};
constexpr SharedFields INFO_FIELDS = {4, 8, 12, 14, 4};

// Fields only the longer headers have.
constexpr int INFO_COMPRESSION = 16;
constexpr int INFO_IMAGE_SIZE = 20;
constexpr int INFO_COLOURS_USED = 32;

std::int32_t ReadSize(const unsigned char *at, int bytes) {
    return bytes == 2 ? ReadU16LE(at) : ReadI32LE(at);
}

} // namespace

BitmapHeader ReadBitmapHeader(const unsigned char bytes[BITMAP_HEADERS_SIZE]) {
    BitmapHeader header{};
    header.signature = bytes[0] == 'B' && bytes[1] == 'M';
    header.fileSize = ReadU32LE(bytes + SIZE_FIELD);
    header.pixelOffset = ReadU32LE(bytes + PIXEL_OFFSET_FIELD);
    const unsigned char *info = bytes + BMP_FILE_HEADER_SIZE;
    header.infoSize = ReadU32LE(info);
    const bool core = header.infoSize == BMP_CORE_HEADER_SIZE;
    const SharedFields &at = core ? CORE_FIELDS : INFO_FIELDS;
    header.width = ReadSize(info + at.width, at.sizeBytes);
    header.height = ReadSize(info + at.height, at.sizeBytes);
    header.planes = ReadU16LE(info + at.planes);
    header.bitCount = ReadU16LE(info + at.bitCount);
    if (!core) {
        header.compression = ReadU32LE(info + INFO_COMPRESSION);
        header.imageSize = ReadU32LE(info + INFO_IMAGE_SIZE);
        header.coloursUsed = ReadU32LE(info + INFO_COLOURS_USED);
    }
    return header;
}

std::uint64_t BitmapRowBytes(const BitmapHeader &header) {
    const std::uint64_t width = header.width > 0 ? static_cast<std::uint64_t>(header.width) : 0;
    return (width * header.bitCount + 31) / 32 * 4;
}

std::uint64_t BitmapPixelBytes(const BitmapHeader &header) {
    const std::int64_t height = header.height;
    return BitmapRowBytes(header) * static_cast<std::uint64_t>(height < 0 ? -height : height);
}
