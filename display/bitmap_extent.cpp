#include "display/bitmap_extent.h"

#include "mapdata/bytes.h"

#include <cstdio>

namespace {

constexpr std::uint32_t CORE_HEADER_SIZE = 12;
constexpr std::uint32_t INFO_HEADER_SIZE = 40;
constexpr std::uint32_t UNCOMPRESSED = 0;
constexpr std::uint32_t BIT_FIELDS = 3;

struct PictureShape {
    std::int64_t width;
    std::int64_t height; // negative for top-down rows
    std::uint32_t bitCount;
    std::uint32_t compression;
    std::uint32_t imageSize;
    std::uint32_t coloursUsed;
};

bool ReadShape(const unsigned char *info, std::uint32_t infoSize, PictureShape &shape) {
    if (infoSize == CORE_HEADER_SIZE) {
        shape = {
            ReadU16LE(info + 4), ReadU16LE(info + 6), ReadU16LE(info + 10), UNCOMPRESSED, 0, 0};
        return true;
    }
    if (infoSize < INFO_HEADER_SIZE) {
        return false;
    }
    shape = {ReadI32LE(info + 4),  ReadI32LE(info + 8),  ReadU16LE(info + 14),
             ReadU32LE(info + 16), ReadU32LE(info + 20), ReadU32LE(info + 32)};
    return true;
}

std::uint64_t ColourTableBytes(const PictureShape &shape, std::uint32_t infoSize) {
    const std::uint64_t entrySize = infoSize == CORE_HEADER_SIZE ? 3 : 4;
    if (shape.bitCount > 8) {
        const bool masksFollow = shape.compression == BIT_FIELDS && infoSize == INFO_HEADER_SIZE;
        return masksFollow ? 12 : 0;
    }
    const std::uint64_t full = std::uint64_t{1} << shape.bitCount;
    const std::uint64_t used =
        shape.coloursUsed != 0 && shape.coloursUsed < full ? shape.coloursUsed : full;
    return used * entrySize;
}

} // namespace

bool BitmapFileComplete(const unsigned char header[BITMAP_HEADERS_SIZE], std::uint64_t fileSize) {
    const std::uint32_t pixelOffset = ReadU32LE(header + 10);
    const std::uint32_t infoSize = ReadU32LE(header + 14);
    PictureShape shape{};
    if (!ReadShape(header + 14, infoSize, shape) || shape.width <= 0 || shape.height == 0 ||
        shape.bitCount == 0 || shape.bitCount > 32) {
        return false;
    }
    const std::uint64_t tableEnd = 14 + std::uint64_t{infoSize} + ColourTableBytes(shape, infoSize);
    const std::uint64_t rows = shape.height < 0 ? -shape.height : shape.height;
    const std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(shape.width) * shape.bitCount + 31) / 32 * 4;
    const bool rowsAsIs = shape.compression == UNCOMPRESSED || shape.compression == BIT_FIELDS;
    const std::uint64_t pixelBytes = rowsAsIs ? rowBytes * rows : shape.imageSize;
    const std::uint64_t pixelStart = pixelOffset != 0 ? pixelOffset : tableEnd;
    return tableEnd <= fileSize && pixelStart + pixelBytes <= fileSize;
}

bool BitmapFileOnDiskComplete(const char *path) {
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    unsigned char header[BITMAP_HEADERS_SIZE] = {};
    (void)std::fread(header, 1, sizeof header, file);
    const bool measured = std::fseek(file, 0, SEEK_END) == 0;
    const long size = measured ? std::ftell(file) : -1;
    std::fclose(file);
    return size >= 0 && BitmapFileComplete(header, static_cast<std::uint64_t>(size));
}
