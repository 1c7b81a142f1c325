// tileview-sheet's palette rules and command line.

#include "tools/sheet/sheet_options.h"
#include "tools/sheet/sheet_palette.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t KEY = DEFAULT_KEY_RGB;
constexpr std::uint32_t CLEAR = 0x161820;

// A small picture of the given colours, one pixel each.
SheetPicture Picture(std::vector<std::uint32_t> colours) {
    SheetPicture picture;
    picture.width = static_cast<int>(colours.size());
    picture.height = 1;
    picture.colours = std::move(colours);
    return picture;
}

// A picture with a palette: each pixel's entry, the palette holding the colours.
SheetPicture Palettised(const std::vector<std::uint8_t> &indices,
                        std::vector<std::uint32_t> palette) {
    SheetPicture picture;
    for (const std::uint8_t index : indices) {
        picture.colours.push_back(palette[index]);
    }
    picture.width = static_cast<int>(indices.size());
    picture.height = 1;
    picture.sourceIndices = indices;
    picture.sourcePalette = std::move(palette);
    return picture;
}

// What every sheet must hold: the fixed entries, every pixel's colour through its entry, and
// the key colour on entry 142 alone.
void ExpectSound(const SheetPicture &picture, const SheetColours &fixed, const SheetPalette &out) {
    EXPECT_EQ(out.entries[0], RGB_BLACK);
    EXPECT_EQ(out.entries[255], RGB_WHITE);
    EXPECT_EQ(out.entries[142], fixed.key);
    EXPECT_EQ(out.entries[170], fixed.clear);
    ASSERT_EQ(out.indices.size(), picture.colours.size());
    for (std::size_t i = 0; i < picture.colours.size(); ++i) {
        EXPECT_EQ(out.entries[out.indices[i]], picture.colours[i]) << "pixel " << i;
    }
    for (int entry = 0; entry < PALETTE_ENTRIES; ++entry) {
        EXPECT_TRUE(entry == 142 || out.entries[entry] != fixed.key) << "entry " << entry;
    }
}

TEST(SheetPalette, ColoursOfAPictureWithoutPaletteTakeFreeEntriesInTheirOrder) {
    const SheetColours fixed{KEY, CLEAR};
    const SheetPicture picture =
        Picture({0x102030, KEY, RGB_WHITE, 0x102030, 0x405060, RGB_BLACK, CLEAR, 0x708090});
    SheetPalette out{};
    ASSERT_TRUE(MakeSheetPalette(picture, fixed, out));
    ExpectSound(picture, fixed, out);
    EXPECT_EQ(out.otherColours, 3);
    EXPECT_EQ(out.indices, (std::vector<std::uint8_t>{1, 142, 255, 1, 2, 0, 170, 3}));
}

TEST(SheetPalette, APaletteKeepsItsEntriesWhereTheRulesAllow) {
    // As a picture tool that sorts its palette leaves it: the key colour at 29, a dark green at
    // 142, a colour at 170, white at 0, black at 255, two entries of one colour, an unused one.
    std::vector<std::uint32_t> palette(PALETTE_ENTRIES, 0x010101);
    palette[0] = RGB_WHITE;
    palette[5] = 0x0C2B21 + 1;
    palette[6] = 0x0C2B21 + 1; // the same colour again
    palette[29] = KEY;
    palette[40] = 0x223344;
    palette[142] = 0x0C2B21;
    palette[170] = 0x998877;
    palette[200] = KEY; // unused: must not stay the key colour beside entry 142
    palette[255] = RGB_BLACK;
    const std::vector<std::uint8_t> indices = {29, 142, 40, 5, 6, 170, 0, 255, 29};
    const SheetPicture picture = Palettised(indices, palette);
    const SheetColours fixed{KEY, CLEAR};
    SheetPalette out{};
    ASSERT_TRUE(MakeSheetPalette(picture, fixed, out));
    ExpectSound(picture, fixed, out);
    EXPECT_EQ(out.indices[2], 40); // kept
    EXPECT_EQ(out.indices[3], 5);  // kept, and the second entry of its colour joins it
    EXPECT_EQ(out.indices[4], 5);
    EXPECT_EQ(out.indices[0], 142);
    EXPECT_EQ(out.otherColours, 4);
    // The colours that lost their entries take the lowest free ones: 29, the key's old entry,
    // is free again; 1 to 4 were unused.
    EXPECT_EQ(out.indices[1], 1);
    EXPECT_EQ(out.indices[5], 2);
    // Unused entries keep the picture's colour unless it is the key's or repeats another entry.
    EXPECT_EQ(out.entries[3], 0x010101u);
    EXPECT_EQ(out.entries[4], RGB_BLACK);
    EXPECT_EQ(out.entries[29], RGB_BLACK);
    EXPECT_EQ(out.entries[200], RGB_BLACK);
}

TEST(SheetPalette, AtMost252OtherColours) {
    const SheetColours fixed{KEY, CLEAR};
    std::vector<std::uint32_t> colours(SHEET_FREE_ENTRIES);
    std::iota(colours.begin(), colours.end(), 0x100000U);
    colours.push_back(KEY);
    colours.push_back(CLEAR);
    SheetPalette out{};
    const SheetPicture full = Picture(colours);
    ASSERT_TRUE(MakeSheetPalette(full, fixed, out));
    ExpectSound(full, fixed, out);
    colours.push_back(0x123456);
    EXPECT_FALSE(MakeSheetPalette(Picture(colours), fixed, out));
    EXPECT_EQ(out.otherColours, SHEET_FREE_ENTRIES + 1);
}

TEST(SheetPalette, AClearColourOfBlackLeavesBlackPixelsOnEntry0) {
    const SheetColours fixed{0x00FF00, RGB_BLACK};
    const SheetPicture picture = Picture({RGB_BLACK, 0x00FF00, 0xFF00FF});
    SheetPalette out{};
    ASSERT_TRUE(MakeSheetPalette(picture, fixed, out));
    ExpectSound(picture, fixed, out);
    EXPECT_EQ(out.indices, (std::vector<std::uint8_t>{0, 142, 1})); // magenta is an ordinary one
}

struct Parsed {
    bool ok;
    SheetOptions options;
    std::string error;
};

Parsed Parse(const std::vector<const char *> &args) {
    std::vector<const char *> argv = {"tileview-sheet"};
    argv.insert(argv.end(), args.begin(), args.end());
    Parsed parsed{false, {}, {}};
    parsed.ok =
        ParseSheetOptions(static_cast<int>(argv.size()), argv.data(), parsed.options, parsed.error);
    return parsed;
}

TEST(SheetOptions, EveryOptionAndWhatIsWrong) {
    const Parsed p = Parse({"in.png", "-o", "tiles.bmp", "--key=00ff00", "--clear", "#161820"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.input, "in.png");
    EXPECT_EQ(p.options.output, "tiles.bmp");
    EXPECT_EQ(p.options.colours.key, 0x00FF00u);
    EXPECT_EQ(p.options.colours.clear, 0x161820u);
    const Parsed defaults = Parse({"a=b.png", "-o", "t.bmp"});
    ASSERT_TRUE(defaults.ok) << defaults.error;
    EXPECT_EQ(defaults.options.input, "a=b.png");
    EXPECT_EQ(defaults.options.colours.key, 0xFF00FFu);
    EXPECT_EQ(defaults.options.colours.clear, 0xAAAAAAu);

    const std::vector<std::pair<std::vector<const char *>, std::string>> cases = {
        {{"-o", "t.bmp"}, "no picture given"},
        {{"in.png"}, "no output given"},
        {{"in.png", "-o"}, "-o needs a value"},
        {{"in.png", "-o", "t.bmp", "--key", "FF00F"}, "--key 'FF00F': not a colour RRGGBB"},
        {{"in.png", "-o", "t.bmp", "--clear", "GG0000"}, "--clear 'GG0000'"},
        {{"in.png", "-o", "t.bmp", "--key", "000000"}, "--key must differ"},
        {{"in.png", "-o", "t.bmp", "--key", "123456", "--clear", "123456"}, "--key must differ"},
        {{"in.png", "more.png", "-o", "t.bmp"}, "unexpected argument 'more.png'"},
        {{"in.png", "-o", "t.bmp", "--mode", "640"}, "unexpected argument '--mode'"},
    };
    for (const auto &[args, expected] : cases) {
        const Parsed bad = Parse(args);
        EXPECT_FALSE(bad.ok) << expected;
        EXPECT_EQ(bad.error.rfind(expected, 0), 0u) << "got: " << bad.error;
    }
}

} // namespace
