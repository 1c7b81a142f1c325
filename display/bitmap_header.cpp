#include "display/bitmap_header.h"

#include "mapdata/bytes.h"

namespace {

constexpr int SIZE_FIELD = 2;
constexpr int PIXEL_OFFSET_FIELD = 10;

// Offsets within the information header.
constexpr int CORE_WIDTH = 4;
constexpr int CORE_HEIGHT = 6;
constexpr int CORE_PLANES = 8;
constexpr int CORE_BIT_COUNT = 10;
constexpr int INFO_WIDTH = 4;
constexpr int INFO_HEIGHT = 8;
constexpr int INFO_PLANES = 12;
constexpr int INFO_BIT_COUNT = 14;
constexpr int INFO_COMPRESSION = 16;
constexpr int INFO_IMAGE_SIZE = 20;
constexpr int INFO_COLOURS_USED = 32;

void ReadCoreFields(const unsigned char *info, BitmapHeader &header) {
    header.width = ReadU16LE(info + CORE_WIDTH);
    header.height = ReadU16LE(info + CORE_HEIGHT);
    header.planes = ReadU16LE(info + CORE_PLANES);
    header.bitCount = ReadU16LE(info + CORE_BIT_COUNT);
}

void ReadInfoFields(const unsigned char *info, BitmapHeader &header) {
    header.width = ReadI32LE(info + INFO_WIDTH);
    header.height = ReadI32LE(info + INFO_HEIGHT);
    header.planes = ReadU16LE(info + INFO_PLANES);
    header.bitCount = ReadU16LE(info + INFO_BIT_COUNT);
    header.compression = ReadU32LE(info + INFO_COMPRESSION);
    header.imageSize = ReadU32LE(info + INFO_IMAGE_SIZE);
    header.coloursUsed = ReadU32LE(info + INFO_COLOURS_USED);
}

} // namespace

BitmapHeader ReadBitmapHeader(const unsigned char bytes[BITMAP_HEADERS_SIZE]) {
    BitmapHeader header{};
    header.signature = bytes[0] == 'B' && bytes[1] == 'M';
    header.fileSize = ReadU32LE(bytes + SIZE_FIELD);
    header.pixelOffset = ReadU32LE(bytes + PIXEL_OFFSET_FIELD);
    const unsigned char *info = bytes + BMP_FILE_HEADER_SIZE;
    header.infoSize = ReadU32LE(info);
    if (header.infoSize == BMP_CORE_HEADER_SIZE) {
        ReadCoreFields(info, header);
    } else {
        ReadInfoFields(info, header);
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
