// Whether a bitmap file is whole before it goes to the platform's loader.

#include "display/bitmap_extent.h"
#include "tools/common/bitmap_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Header = std::array<unsigned char, BITMAP_HEADERS_SIZE>;

// The headers of a file whose 256-entry colour table comes before its pixels: by default the demo
// sheet's, 1300 x 3900, 8 bits, pixels at 1078.
Header Sheet(const BitmapLayout &layout = {}) {
    const Bytes file = MakeBitmapFile(layout, Bytes(256 * 4), {});
    Header h{};
    std::copy_n(file.begin(), h.size(), h.begin());
    return h;
}

constexpr std::uint64_t SHEET_FILE_SIZE = 1078 + 1300 * 3900; // rows of 1300 need no padding

TEST(BitmapExtentTest, WholeSheetAndLongerFilesAreComplete) {
    EXPECT_TRUE(BitmapFileComplete(Sheet().data(), SHEET_FILE_SIZE));
    EXPECT_TRUE(BitmapFileComplete(Sheet().data(), SHEET_FILE_SIZE + 4097));
    EXPECT_TRUE(BitmapFileComplete(Sheet({.height = -3900}).data(), SHEET_FILE_SIZE)); // top-down
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
    Header h = Sheet({.bitCount = 1, .pixelOffset = 14 + 40 + 8});
    EXPECT_TRUE(BitmapFileComplete(h.data(), oneBit));
    EXPECT_FALSE(BitmapFileComplete(h.data(), oneBit - 1));
    h = Sheet({.bitCount = 4, .pixelOffset = 14 + 40 + 64});
    EXPECT_TRUE(BitmapFileComplete(h.data(), 14 + 40 + 64 + 652 * 3900));
    EXPECT_FALSE(BitmapFileComplete(h.data(), 14 + 40 + 64 + 652 * 3900 - 1));
}

TEST(BitmapExtentTest, CompressedPixelsTakeTheirStatedSize) {
    const Header h = Sheet({.compression = 1, .imageSize = 5000});
    EXPECT_TRUE(BitmapFileComplete(h.data(), 1078 + 5000));
    EXPECT_FALSE(BitmapFileComplete(h.data(), 1078 + 4999));
}

TEST(BitmapExtentTest, TheColourTableMustBeThereEvenWhenPixelsSayOtherwise) {
    // Pixels said to start inside the colour table.
    const Header h = Sheet({.width = 4, .height = 1, .pixelOffset = 60});
    EXPECT_FALSE(BitmapFileComplete(h.data(), 64));
    EXPECT_TRUE(BitmapFileComplete(h.data(), 1078));
}

TEST(BitmapExtentTest, CoreHeaderIsReadWithItsOwnFields) {
    const Header h = Sheet({.infoSize = 12, .pixelOffset = 14 + 12 + 256 * 3});
    const std::uint64_t whole = 14 + 12 + 256 * 3 + 1300 * 3900;
    EXPECT_TRUE(BitmapFileComplete(h.data(), whole));
    EXPECT_FALSE(BitmapFileComplete(h.data(), whole - 1));
}

TEST(BitmapExtentTest, UnusableHeadersAreNeverComplete) {
    Header zero{};
    EXPECT_FALSE(BitmapFileComplete(zero.data(), 1 << 30));
    // Neither a core nor an information header.
    EXPECT_FALSE(BitmapFileComplete(Sheet({.infoSize = 24}).data(), 1 << 30));
    EXPECT_FALSE(BitmapFileComplete(Sheet({.height = 0}).data(), 1 << 30));
    EXPECT_FALSE(BitmapFileComplete(Sheet({.width = INT32_MIN}).data(), 1 << 30));
    // Rows too long for any file, without overflow.
    const Header h = Sheet({.width = INT32_MAX, .bitCount = 32});
    EXPECT_FALSE(BitmapFileComplete(h.data(), std::uint64_t{1} << 40));
}

TEST(BitmapExtentTest, OnDiskMeasuresTheWholeFile) {
    const std::string path = ::testing::TempDir() + "bitmap_extent_test.bmp";
    std::vector<unsigned char> bytes(1078 + 1300 * 2, 0);
    const Header h = Sheet({.height = 2});
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
