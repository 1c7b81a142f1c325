// The one reading of a bitmap's headers, against bytes laid out by hand.

#include "display/bitmap_header.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

using Header = std::array<unsigned char, BITMAP_HEADERS_SIZE>;

void Put(Header &h, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        h[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// Every field of the file header and the 40-byte information header a distinct value.
Header InfoHeader(std::uint32_t infoSize) {
    Header h{};
    h[0] = 'B';
    h[1] = 'M';
    Put(h, 2, 5071078, 4);
    Put(h, 10, 1078, 4);
    Put(h, 14, infoSize, 4);
    Put(h, 18, 1300, 4);
    Put(h, 22, static_cast<std::uint32_t>(-3900), 4);
    Put(h, 26, 1, 2);
    Put(h, 28, 8, 2);
    Put(h, 30, 1, 4);
    Put(h, 34, 5000, 4);
    Put(h, 38, 2835, 4);
    Put(h, 42, 2835, 4);
    Put(h, 46, 200, 4);
    return h;
}

TEST(BitmapHeaderTest, InformationHeaderFieldsAtTheirPlaces) {
    for (const std::uint32_t size : {40U, 124U, 24U, 0U}) {
        const BitmapHeader h = ReadBitmapHeader(InfoHeader(size).data());
        EXPECT_TRUE(h.signature);
        EXPECT_EQ(h.fileSize, 5071078U);
        EXPECT_EQ(h.pixelOffset, 1078U);
        EXPECT_EQ(h.infoSize, size);
        EXPECT_EQ(h.width, 1300);
        EXPECT_EQ(h.height, -3900) << "top-down rows keep their sign";
        EXPECT_EQ(h.planes, 1);
        EXPECT_EQ(h.bitCount, 8);
        EXPECT_EQ(h.compression, 1U);
        EXPECT_EQ(h.imageSize, 5000U);
        EXPECT_EQ(h.coloursUsed, 200U);
    }
}

TEST(BitmapHeaderTest, CoreHeaderHasSixteenBitSizesAndNothingElse) {
    Header h = InfoHeader(12);
    Put(h, 18, 65535, 2);
    Put(h, 20, 40000, 2);
    Put(h, 22, 1, 2);
    Put(h, 24, 4, 2);
    const BitmapHeader core = ReadBitmapHeader(h.data());
    EXPECT_EQ(core.infoSize, 12U);
    EXPECT_EQ(core.width, 65535);
    EXPECT_EQ(core.height, 40000) << "a core header's height is unsigned";
    EXPECT_EQ(core.planes, 1);
    EXPECT_EQ(core.bitCount, 4);
    EXPECT_EQ(core.compression, 0U);
    EXPECT_EQ(core.imageSize, 0U);
    EXPECT_EQ(core.coloursUsed, 0U);
    EXPECT_EQ(core.pixelOffset, 1078U);
}

TEST(BitmapHeaderTest, SignatureIsTheTwoLettersOnly) {
    Header h = InfoHeader(40);
    h[1] = 'A';
    EXPECT_FALSE(ReadBitmapHeader(h.data()).signature);
    EXPECT_FALSE(ReadBitmapHeader(Header{}.data()).signature);
}

TEST(BitmapHeaderTest, RowsArePaddedToFourBytesAndCountedWithoutTheirSign) {
    BitmapHeader h{};
    h.width = 1300;
    h.height = -3900;
    h.bitCount = 8;
    EXPECT_EQ(BitmapRowBytes(h), 1300U);
    EXPECT_EQ(BitmapPixelBytes(h), 1300U * 3900U);
    h.bitCount = 1; // 163 bytes, padded
    EXPECT_EQ(BitmapRowBytes(h), 164U);
    h.bitCount = 24;
    h.width = 3;
    h.height = 2;
    EXPECT_EQ(BitmapRowBytes(h), 12U);
    EXPECT_EQ(BitmapPixelBytes(h), 24U);
    h.width = -5;
    EXPECT_EQ(BitmapPixelBytes(h), 0U);
    h.width = INT32_MAX;
    h.height = INT32_MIN;
    h.bitCount = 32;
    EXPECT_EQ(BitmapPixelBytes(h), std::uint64_t{INT32_MAX} * 4 * (std::uint64_t{1} << 31));
}

} // namespace
