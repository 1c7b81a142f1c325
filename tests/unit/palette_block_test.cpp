// The display palette from the bitmap header's colour table.

#include "display/palette_block.h"
#include "tests/unit/fixtures.h"
#include "tools/common/bitmap_writer.h"

#include <array>

namespace {

using PaletteBlockTest = CoreTest;
using Block = std::array<unsigned char, PALETTE_BLOCK_SIZE>;

// A header with the given fields; colour entry i holds (i, i + 1, i + 2, flag i ^ 0x55), always
// where the block has its colours, whatever header precedes them.
Block MakeBlock(std::uint32_t infoSize, std::uint16_t bitCount, std::uint32_t coloursUsed) {
    Block block{};
    const Bytes headers = MakeBitmapFile(
        {.infoSize = infoSize, .bitCount = bitCount, .coloursUsed = coloursUsed}, {}, {});
    std::copy(headers.begin(), headers.end(), block.begin());
    unsigned char *colours = block.data() + PALETTE_BLOCK_SIZE - PALETTE_COLOUR_BLOCK_SIZE;
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        unsigned char *entry = colours + 4 * i;
        entry[0] = static_cast<unsigned char>(i);
        entry[1] = static_cast<unsigned char>(i + 1);
        entry[2] = static_cast<unsigned char>(i + 2);
        entry[3] = static_cast<unsigned char>(i ^ 0x55);
    }
    return block;
}

// How many leading entries came out turned around; checks every entry on the way.
int SwappedEntries(const Block &block) {
    PaletteEntry entries[PALETTE_ENTRIES];
    BuildPaletteEntries(block.data(), entries);
    int swapped = 0;
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const PaletteEntry &e = entries[i];
        const bool turned = e.red == static_cast<std::uint8_t>(i + 2) && e.blue == i;
        const bool asRead = e.red == i && e.blue == static_cast<std::uint8_t>(i + 2);
        EXPECT_TRUE(turned || asRead) << "entry " << i;
        EXPECT_EQ(e.green, static_cast<std::uint8_t>(i + 1));
        EXPECT_EQ(e.flags, i ^ 0x55);
        if (turned) {
            EXPECT_EQ(swapped, i) << "only a leading run is turned";
            ++swapped;
        }
    }
    return swapped;
}

TEST_F(PaletteBlockTest, ColourCountDecidesHowManyEntriesAreTurned) {
    EXPECT_EQ(SwappedEntries(MakeBlock(40, 8, 0)), 256);
    EXPECT_EQ(SwappedEntries(MakeBlock(40, 8, 16)), 16);
    EXPECT_EQ(SwappedEntries(MakeBlock(40, 4, 0)), 16);
    EXPECT_EQ(SwappedEntries(MakeBlock(40, 1, 0)), 2);
    EXPECT_EQ(SwappedEntries(MakeBlock(40, 0, 0)), 1);
    EXPECT_EQ(SwappedEntries(MakeBlock(40, 24, 0)), 0);
    EXPECT_EQ(SwappedEntries(MakeBlock(40, 24, 16)), 0);
    EXPECT_EQ(SwappedEntries(MakeBlock(12, 8, 0)), 0);
    EXPECT_EQ(SwappedEntries(MakeBlock(124, 8, 0)), 0);
    EXPECT_EQ(SwappedEntries(MakeBlock(0, 0, 0)), 0);
    // More colours than the block holds never reach past it.
    EXPECT_EQ(SwappedEntries(MakeBlock(40, 8, 300)), 256);
    EXPECT_EQ(SwappedEntries(MakeBlock(40, 8, 0xFFFFFFFFU)), 256);
}

TEST_F(PaletteBlockTest, ReadFillsWhatTheFileReaches) {
    unsigned char block[PALETTE_BLOCK_SIZE];
    EXPECT_FALSE(ReadPaletteBlock("tiles.bmp", block));
    EXPECT_EQ(std::count(block, block + PALETTE_BLOCK_SIZE, 0), PALETTE_BLOCK_SIZE);

    const Block full = MakeBlock(40, 8, 0);
    WriteFile("tiles.bmp", Bytes(full.begin(), full.begin() + 60));
    EXPECT_TRUE(ReadPaletteBlock("tiles.bmp", block));
    EXPECT_EQ(block[14], 40);
    EXPECT_EQ(block[59], full[59]);
    EXPECT_EQ(std::count(block + 60, block + PALETTE_BLOCK_SIZE, 0), PALETTE_BLOCK_SIZE - 60);

    Bytes longer(5000, 0xEE);
    std::copy(full.begin(), full.end(), longer.begin());
    WriteFile("tiles.bmp", longer);
    EXPECT_TRUE(ReadPaletteBlock("tiles.bmp", block));
    EXPECT_TRUE(std::equal(full.begin(), full.end(), block));
}

} // namespace
