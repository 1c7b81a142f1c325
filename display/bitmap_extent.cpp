#include "display/bitmap_extent.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Only then do the size fields mean what the completeness check takes them to mean.
bool ShapeKnown(const BitmapHeader &header) {
    const bool knownHeader =
        header.infoSize == BMP_CORE_HEADER_SIZE || header.infoSize >= BMP_INFO_HEADER_SIZE;
    return knownHeader && header.width > 0 && header.height != 0 && header.bitCount != 0 &&
           header.bitCount <= 32;
}

std::uint64_t ColourTableBytes(const BitmapHeader &header) {
    const std::uint64_t entrySize = header.infoSize == BMP_CORE_HEADER_SIZE ? 3 : 4;
    if (header.bitCount > 8) {
        const bool masksFollow =
            header.compression == BMP_BIT_FIELDS && header.infoSize == BMP_INFO_HEADER_SIZE;
        return masksFollow ? 12 : 0;
    }
    const std::uint64_t full = std::uint64_t{1} << header.bitCount;
    const std::uint64_t used =
        header.coloursUsed != 0 && header.coloursUsed < full ? header.coloursUsed : full;
    return used * entrySize;
}

} // namespace

bool BitmapFileComplete(const unsigned char header[BITMAP_HEADERS_SIZE], std::uint64_t fileSize) {
    const BitmapHeader fields = ReadBitmapHeader(header);
    if (!ShapeKnown(fields)) {
        return false;
    }
    const std::uint64_t tableEnd =
        BMP_FILE_HEADER_SIZE + std::uint64_t{fields.infoSize} + ColourTableBytes(fields);
    const bool rowsAsIs =
        fields.compression == BMP_UNCOMPRESSED || fields.compression == BMP_BIT_FIELDS;
    const std::uint64_t pixelBytes = rowsAsIs ? BitmapPixelBytes(fields) : fields.imageSize;
    const std::uint64_t pixelStart = fields.pixelOffset != 0 ? fields.pixelOffset : tableEnd;
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

bool PictureSizeAcceptable(const unsigned char header[BITMAP_HEADERS_SIZE], std::size_t got) {
    constexpr std::size_t SIZES_END = BMP_FILE_HEADER_SIZE + BMP_CORE_HEADER_SIZE;
    const BitmapHeader read = ReadBitmapHeader(header);
    const std::int64_t claimed =
        std::llabs(std::int64_t{read.width}) * std::llabs(std::int64_t{read.height});
    return got >= SIZES_END && claimed <= MAX_PICTURE_PIXELS;
}
