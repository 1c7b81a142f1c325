// Whether a bitmap file is whole before it goes to the platform's loader.

#include "display/bitmap_extent.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Header = std::array<unsigned char, BITMAP_HEADERS_SIZE>;

void Put32(unsigned char *p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// The demo sheet's shape: 1300 x 3900, 8 bits, 256 colours, pixels at 1078.
Header Sheet(std::int32_t height = 3900, std::uint16_t bits = 8, std::uint32_t compression = 0,
             std::uint32_t imageSize = 0) {
    Header h{};
    h[0] = 'B';
    h[1] = 'M';
    Put32(&h[10], 1078);
    Put32(&h[14], 40);
    Put32(&h[18], 1300);
    Put32(&h[22], static_cast<std::uint32_t>(height));
    h[28] = static_cast<unsigned char>(bits);
    Put32(&h[30], compression);
    Put32(&h[34], imageSize);
    return h;
}

constexpr std::uint64_t SHEET_FILE_SIZE = 1078 + 1300 * 3900; // rows of 1300 need no padding

TEST(BitmapExtentTest, WholeSheetAndLongerFilesAreComplete) {
    EXPECT_TRUE(BitmapFileComplete(Sheet().data(), SHEET_FILE_SIZE));
    EXPECT_TRUE(BitmapFileComplete(Sheet().data(), SHEET_FILE_SIZE + 4097));
    EXPECT_TRUE(BitmapFileComplete(Sheet(-3900).data(), SHEET_FILE_SIZE)); // top-down rows
}

TEST(BitmapExtentTest, FilesCutShortAreNot) {
    for (std::uint64_t size : {std::uint64_t{0}, std::uint64_t{100}, std::uint64_t{1077},
                               std::uint64_t{2'500'001}, SHEET_FILE_SIZE - 1}) {
        EXPECT_FALSE(BitmapFileComplete(Sheet().data(), size)) << size;
    }
}

TEST(BitmapExtentTest, RowsArePaddedToFourBytes) {
    // 1300 pixels of 1 bit are 163 bytes, padded to 164; of 4 bits 650, padded to 652.
    const std::uint64_t oneBit = 14 + 40 + 2 * 4 + 164 * 3900;
    Header h = Sheet(3900, 1);
    Put32(&h[10], 14 + 40 + 8);
    EXPECT_TRUE(BitmapFileComplete(h.data(), oneBit));
    EXPECT_FALSE(BitmapFileComplete(h.data(), oneBit - 1));
    h = Sheet(3900, 4);
    Put32(&h[10], 14 + 40 + 64);
    EXPECT_TRUE(BitmapFileComplete(h.data(), 14 + 40 + 64 + 652 * 3900));
    EXPECT_FALSE(BitmapFileComplete(h.data(), 14 + 40 + 64 + 652 * 3900 - 1));
}

TEST(BitmapExtentTest, CompressedPixelsTakeTheirStatedSize) {
    const Header h = Sheet(3900, 8, 1, 5000);
    EXPECT_TRUE(BitmapFileComplete(h.data(), 1078 + 5000));
    EXPECT_FALSE(BitmapFileComplete(h.data(), 1078 + 4999));
}

TEST(BitmapExtentTest, TheColourTableMustBeThereEvenWhenPixelsSayOtherwise) {
    Header h = Sheet(1, 8);
    Put32(&h[18], 4);
    Put32(&h[10], 60); // pixels said to start inside the colour table
    EXPECT_FALSE(BitmapFileComplete(h.data(), 64));
    EXPECT_TRUE(BitmapFileComplete(h.data(), 1078));
}

TEST(BitmapExtentTest, CoreHeaderIsReadWithItsOwnFields) {
    Header h{};
    Put32(&h[10], 14 + 12 + 256 * 3);
    Put32(&h[14], 12);
    h[18] = 1300 & 0xFF;
    h[19] = 1300 >> 8;
    h[20] = 3900 & 0xFF;
    h[21] = 3900 >> 8;
    h[24] = 8;
    const std::uint64_t whole = 14 + 12 + 256 * 3 + 1300 * 3900;
    EXPECT_TRUE(BitmapFileComplete(h.data(), whole));
    EXPECT_FALSE(BitmapFileComplete(h.data(), whole - 1));
}

TEST(BitmapExtentTest, UnusableHeadersAreNeverComplete) {
    Header zero{};
    EXPECT_FALSE(BitmapFileComplete(zero.data(), 1 << 30));
    Header h = Sheet();
    Put32(&h[14], 24); // neither a core nor an information header
    EXPECT_FALSE(BitmapFileComplete(h.data(), 1 << 30));
    h = Sheet(0);
    EXPECT_FALSE(BitmapFileComplete(h.data(), 1 << 30));
    h = Sheet();
    Put32(&h[18], 0x80000000U); // negative width
    EXPECT_FALSE(BitmapFileComplete(h.data(), 1 << 30));
    h = Sheet();
    Put32(&h[18], 0x7FFFFFFF); // rows too long for any file, without overflow
    h[28] = 32;
    EXPECT_FALSE(BitmapFileComplete(h.data(), std::uint64_t{1} << 40));
}

TEST(BitmapExtentTest, OnDiskMeasuresTheWholeFile) {
    const std::string path = ::testing::TempDir() + "bitmap_extent_test.bmp";
    std::vector<unsigned char> bytes(1078 + 1300 * 2, 0);
    const Header h = Sheet(2);
    std::copy(h.begin(), h.end(), bytes.begin());
    std::FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size() - 1, file), bytes.size() - 1);
    std::fclose(file);
    EXPECT_FALSE(BitmapFileOnDiskComplete(path.c_str()));
    file = std::fopen(path.c_str(), "ab");
    ASSERT_NE(file, nullptr);
    std::fputc(0, file);
    std::fclose(file);
    EXPECT_TRUE(BitmapFileOnDiskComplete(path.c_str()));
    std::remove(path.c_str());
    EXPECT_FALSE(BitmapFileOnDiskComplete(path.c_str()));
}

} // namespace
