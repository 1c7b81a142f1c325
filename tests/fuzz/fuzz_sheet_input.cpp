// tileview-sheet's input: any bytes read as a PNG or bitmap, then given the sheet's palette. The
// first byte picks a small picture size and the fixed colours; the sheet's own 1300 x 3900 would
// cost seconds an input, so the readers are asked for these sizes instead.

#include "tests/fuzz/fuzz_support.h"
#include "tools/sheet/sheet_input.h"

#include <string>

namespace {

struct Size {
    int width;
    int height;
};

// Odd widths pad bitmap rows and split packed PNG bytes; 17 x 16 holds more colours than a
// sheet has free entries.
constexpr Size SIZES[] = {{16, 8}, {5, 3}, {1, 1}, {17, 16}};

void RequirePicture(const SheetPicture &picture, Size size) {
    const std::size_t pixels = static_cast<std::size_t>(size.width) * size.height;
    Require(picture.width == size.width && picture.height == size.height &&
                picture.colours.size() == pixels,
            "a picture read has the size asked for and a colour a pixel");
    if (picture.sourceIndices.empty()) {
        return;
    }
    Require(picture.sourceIndices.size() == pixels && picture.sourcePalette.size() == 256,
            "a palette picture keeps an index a pixel and a whole palette");
    for (std::size_t i = 0; i < pixels; ++i) {
        Require(picture.colours[i] == picture.sourcePalette[picture.sourceIndices[i]],
                "a palette pixel's colour is its entry's");
    }
}

// The key colour is on no entry but its own, or the viewer would see holes.
void RequirePalette(const SheetPicture &picture, const SheetColours &fixed) {
    SheetPalette palette{};
    if (!MakeSheetPalette(picture, fixed, palette)) {
        Require(palette.otherColours > SHEET_FREE_ENTRIES, "a palette is refused only when full");
        return;
    }
    Require(palette.indices.size() == picture.colours.size(), "one index a pixel");
    for (int entry = 0; entry < PALETTE_ENTRIES; ++entry) {
        Require((palette.entries[entry] == fixed.key) == (entry == TRANSPARENT_INDEX),
                "the key colour is on the transparent entry alone");
    }
    for (std::size_t i = 0; i < picture.colours.size(); ++i) {
        const std::uint32_t colour = picture.colours[i];
        const int entry = palette.indices[i];
        const int fixedEntry = colour == fixed.key     ? TRANSPARENT_INDEX
                               : colour == RGB_BLACK   ? SHEET_BLACK_INDEX
                               : colour == RGB_WHITE   ? SHEET_WHITE_INDEX
                               : colour == fixed.clear ? SHEET_CLEAR_INDEX
                                                       : entry;
        Require(palette.entries[entry] == colour && entry == fixedEntry,
                "a pixel's entry holds its colour, a fixed colour's its fixed entry");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const Size picked = SIZES[data[0] & 3];
    SheetColours fixed;
    constexpr std::uint32_t CLEARS[] = {CLEAR_FILL_VALUE, RGB_BLACK, RGB_WHITE, 0x336699};
    fixed.clear = CLEARS[data[0] >> 2 & 3];
    fixed.key = (data[0] & 16) != 0 ? 0x00FF00 : DEFAULT_KEY_RGB;
    SheetPicture picture;
    std::string error;
    if (!ReadSheetPictureBytes(data + 1, size - 1, picked.width, picked.height, fixed.key, picture,
                               error)) {
        Require(!error.empty(), "a picture refused says why");
        return 0;
    }
    RequirePicture(picture, picked);
    RequirePalette(picture, fixed);
    return 0;
}
