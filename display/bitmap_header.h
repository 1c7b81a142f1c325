#pragma once
// The fields of a bitmap file's 14-byte file header and its information header, as every part
// of the programs and tools reads them. The palette rule, the completeness check, the native
// loader's size limit and the data checker all decide from this one reading.

#include <cstdint>

inline constexpr int BMP_FILE_HEADER_SIZE = 14;
inline constexpr int BMP_CORE_HEADER_SIZE = 12; // the oldest information header: 16-bit sizes
inline constexpr int BMP_INFO_HEADER_SIZE = 40;
inline constexpr int BITMAP_HEADERS_SIZE = BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE;

inline constexpr std::uint32_t BMP_UNCOMPRESSED = 0;
inline constexpr std::uint32_t BMP_BIT_FIELDS = 3;

struct BitmapHeader {
    bool signature;            // the file starts with "BM"
    std::uint32_t fileSize;    // as the file header states it
    std::uint32_t pixelOffset; // where the file header says the pixels start; 0 when it does not
    std::uint32_t infoSize;    // the information header's own size field
    std::int32_t width;
    std::int32_t height; // negative for rows stored top-down
    std::uint16_t planes;
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::uint32_t imageSize; // the stated size of the pixel data; 0 is allowed when uncompressed
    std::uint32_t coloursUsed;
};

// Reads the headers from the file's first BITMAP_HEADERS_SIZE bytes (zero where the file ends
// sooner). A 12-byte core header gives its 16-bit width and height, planes and bit count, and
// zero for the fields it does not have; any other size is read at the 40-byte header's field
// positions, whether or not the header really is that long.
BitmapHeader ReadBitmapHeader(const unsigned char bytes[BITMAP_HEADERS_SIZE]);

// The bytes of one row of pixels, padded to four, and of all rows (width and bit count are taken
// as stated; a negative width counts as zero).
std::uint64_t BitmapRowBytes(const BitmapHeader &header);
std::uint64_t BitmapPixelBytes(const BitmapHeader &header);
