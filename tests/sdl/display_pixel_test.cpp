// The SDL display on the memory module's frame and sheet: the clear, the keyed copy and its
// refusals, the sheet's indices from 8-bit and 24-bit pictures SDL loads, entries 0 and 255, the
// overlay box, the palette without tiles.bmp, presentation.

#include "display/display_mode.h"
#include "display/draw.h"
#include "display/memory/memory_display.h"
#include "display/memory/memory_draw.h"
#include "display/memory/overlay_font.h"
#include "display/palette_block.h"
#include "display/sdl/sdl_display.h"
#include "tools/common/bitmap_writer.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int SHEET_W = TILE_SHEET_WIDTH;
constexpr int SHEET_H = TILE_SHEET_HEIGHT;

// Every entry distinct (red = index); 0 black and 255 white as the demo world keeps them.
BitmapColour TestColour(int i) {
    if (i == 0) {
        return {0, 0, 0};
    }
    if (i == 255) {
        return {255, 255, 255};
    }
    return {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 77};
}

std::uint8_t SheetPattern(int x, int y) {
    return static_cast<std::uint8_t>((x + 3 * y) % 256);
}

// An 8-bit picture with a full 256-entry colour table; pixel(x, y) gives the index at (x, y), y
// counted from the top.
bool WriteBmp8(const char *path, int width, int height, const BitmapColour table[256],
               const std::function<std::uint8_t(int, int)> &pixel, bool topDown = false) {
    BitmapLayout layout{
        .width = width, .height = topDown ? -height : height, .pixelsPerMetre = 2835};
    const Bytes rows = BitmapRows(layout, [&](int y, unsigned char *row) {
        for (int x = 0; x < width; ++x) {
            row[x] = pixel(x, y);
        }
    });
    layout.imageSize = static_cast<std::uint32_t>(rows.size());
    return WriteBitmapFile(path, layout,
                           BitmapColourTable(layout, 256, [&](int i) { return table[i]; }), rows);
}

// A 24-bit picture (no colour table); pixel(x, y) gives the colour at (x, y) from the top.
bool WriteBmp24(const char *path, int width, int height,
                const std::function<BitmapColour(int, int)> &pixel) {
    BitmapLayout layout{
        .width = width, .height = height, .bitCount = 24, .pixelsPerMetre = 2835, .coloursUsed = 0};
    const Bytes rows = BitmapRows(layout, [&](int y, unsigned char *row) {
        for (int x = 0; x < width; ++x) {
            const BitmapColour c = pixel(x, y);
            row[3 * x] = c.blue;
            row[3 * x + 1] = c.green;
            row[3 * x + 2] = c.red;
        }
    });
    layout.imageSize = static_cast<std::uint32_t>(rows.size());
    return WriteBitmapFile(path, layout, {}, rows);
}

// The back buffer and the sheet, each with its width.
struct Pixels {
    const std::uint8_t *pixels;
    int width;
    int height;
};
const Pixels BACK{BackBufferPixels, W, H};
const Pixels SHEET{TileSheetPixels, SHEET_W, SHEET_H};

std::uint8_t Pixel(const Pixels &surface, int x, int y) {
    return surface.pixels[y * surface.width + x];
}

int CountPixels(const Pixels &surface, std::uint8_t index) {
    return static_cast<int>(std::count(
        surface.pixels, surface.pixels + static_cast<long>(surface.width) * surface.height, index));
}

bool SameColour(const PaletteEntry &a, const BitmapColour &b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// Each test runs in a folder of its own, where it writes the tiles.bmp it needs.
class SdlDisplay : public testing::Test {
  protected:
    void SetUp() override {
        previous_ = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "dravik-pixel-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        fs::current_path(folder_);
    }

    void TearDown() override {
        ReleaseDisplay();
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }

    void WriteTestSheet(bool topDown = false) {
        BitmapColour table[256];
        for (int i = 0; i < 256; ++i) {
            table[i] = TestColour(i);
        }
        ASSERT_TRUE(WriteBmp8("tiles.bmp", SHEET_W, SHEET_H, table, SheetPattern, topDown));
    }

    void InitWithTestSheet() {
        WriteTestSheet();
        ASSERT_EQ(InitDisplay(nullptr, nullptr), 0);
    }

    void ClearAll() { ClearBackBuffer(DrawRect{0, 0, W, H}, CLEAR_FILL_VALUE); }

    fs::path previous_;
    fs::path folder_;
};

TEST_F(SdlDisplay, ClearWritesTheFillValuesLowByte) {
    InitWithTestSheet();
    ClearAll();
    EXPECT_EQ(CountPixels(BACK, 170), W * H);
    ClearBackBuffer(DrawRect{0, 0, W, H}, 0x123456);
    EXPECT_EQ(CountPixels(BACK, 0x56), W * H);
}

TEST_F(SdlDisplay, CopySkipsTheKeyAndCopiesEverythingElseOneToOne) {
    InitWithTestSheet();
    ClearAll();
    // Rows 0 to 2 of the sheet, columns 0 to 199: the pattern holds 142 in every row.
    CopyTile(DrawRect{0, 0, 200, 3}, DrawRect{10, 5, 210, 8});
    int kept = 0;
    int copiedClear = 0; // source pixels that happen to be 170
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 200; ++x) {
            const std::uint8_t source = SheetPattern(x, y);
            const std::uint8_t shown = Pixel(BACK, 10 + x, 5 + y);
            if (source == TRANSPARENT_INDEX) {
                EXPECT_EQ(shown, 170) << x << "," << y;
                ++kept;
            } else {
                EXPECT_EQ(shown, source) << x << "," << y;
                copiedClear += source == 170 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(kept, 0);
    // Nothing else touched.
    EXPECT_EQ(CountPixels(BACK, 170), W * H - 600 + kept + copiedClear);
}

TEST_F(SdlDisplay, CopyLeavingEitherSurfaceAtAnyEdgeIsRefusedWhole) {
    InitWithTestSheet();
    const DrawRect refused[][2] = {
        // Source past each edge of the sheet; the destination would fit.
        {{-1, 0, 9, 10}, {100, 100, 110, 110}},
        {{0, -1, 10, 9}, {100, 100, 110, 110}},
        {{SHEET_W - 9, 0, SHEET_W + 1, 10}, {100, 100, 110, 110}},
        {{0, SHEET_H - 9, 10, SHEET_H + 1}, {100, 100, 110, 110}},
        // Destination past each edge of the back buffer; the source would fit.
        {{1, 1, 11, 11}, {-1, 100, 9, 110}},
        {{1, 1, 11, 11}, {100, -1, 110, 9}},
        {{1, 1, 11, 11}, {W - 9, 100, W + 1, 110}},
        {{1, 1, 11, 11}, {100, H - 9, 110, H + 1}},
        // Empty and inverted rectangles.
        {{5, 5, 5, 15}, {100, 100, 100, 110}},
        {{15, 5, 5, 15}, {110, 100, 100, 110}},
    };
    for (const auto &copy : refused) {
        ClearAll();
        CopyTile(copy[0], copy[1]);
        EXPECT_EQ(CountPixels(BACK, 170), W * H)
            << "source " << copy[0].left << "," << copy[0].top << "," << copy[0].right << ","
            << copy[0].bottom << " destination " << copy[1].left << "," << copy[1].top << ","
            << copy[1].right << "," << copy[1].bottom;
    }
}

TEST_F(SdlDisplay, CopyTouchingTheFarEdgesIsDrawn) {
    InitWithTestSheet();
    ClearAll();
    CopyTile(DrawRect{SHEET_W - 4, SHEET_H - 4, SHEET_W, SHEET_H}, DrawRect{W - 4, H - 4, W, H});
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const std::uint8_t source = SheetPattern(SHEET_W - 4 + x, SHEET_H - 4 + y);
            EXPECT_EQ(Pixel(BACK, W - 4 + x, H - 4 + y),
                      source == TRANSPARENT_INDEX ? 170 : source);
        }
    }
}

TEST_F(SdlDisplay, EightBitSheetKeepsEveryIndexAndThePaletteIsTheColourTable) {
    for (const bool topDown : {false, true}) {
        WriteTestSheet(topDown);
        ASSERT_EQ(InitDisplay(nullptr, nullptr), 0);
        for (int i = 0; i < 256; ++i) {
            EXPECT_TRUE(SameColour(DisplayPalette[i], TestColour(i))) << i;
        }
        int wrong = 0;
        for (int y = 0; y < SHEET_H; ++y) {
            for (int x = 0; x < SHEET_W; ++x) {
                wrong += Pixel(SHEET, x, y) != SheetPattern(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0) << (topDown ? "top-down" : "bottom-up");
        ReleaseDisplay();
    }
}

TEST_F(SdlDisplay, EqualColoursLandOnTheFirstEntryOfThatColour) {
    BitmapColour table[256];
    for (int i = 0; i < 256; ++i) {
        table[i] = TestColour(i);
    }
    table[20] = table[10];
    ASSERT_TRUE(WriteBmp8("tiles.bmp", SHEET_W, SHEET_H, table, SheetPattern));
    ASSERT_EQ(InitDisplay(nullptr, nullptr), 0);
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t expected = SheetPattern(x, 0) == 20 ? 10 : SheetPattern(x, 0);
        EXPECT_EQ(Pixel(SHEET, x, 0), expected) << x;
    }
}

// A 24-bit tiles.bmp has no colour table: by the palette rule its 256 entries are the first 1,024
// bytes after the header as they are, which are the bottom row's pixel bytes. The bottom row
// is written to carry palette entry k = (k, 255 - k, 77), but entries 0 and 255 show black and
// white; the rows above use those colours, so each must land on its own entry, the colours of 0
// and 255 on their nearest neighbours 1 and 254, and a colour near entry 10 on entry 10.
TEST_F(SdlDisplay, TwentyFourBitSheetMapsEachColourToItsPaletteEntry) {
    std::vector<std::uint8_t> carrier(static_cast<std::size_t>(SHEET_W) * 3, 0);
    for (int k = 0; k < 256; ++k) {
        carrier[4 * k] = static_cast<std::uint8_t>(k);
        carrier[4 * k + 1] = static_cast<std::uint8_t>(255 - k);
        carrier[4 * k + 2] = 77;
    }
    auto colourOf = [&](int x, int y) -> BitmapColour {
        if (y == SHEET_H - 1) {
            return {carrier[3 * x + 2], carrier[3 * x + 1], carrier[3 * x]};
        }
        if (y == 0 && x < 8) {
            return {10, 245, 80};
        }
        const int k = (x + y) % 256;
        return {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(255 - k), 77};
    };
    ASSERT_TRUE(WriteBmp24("tiles.bmp", SHEET_W, SHEET_H, colourOf));
    ASSERT_EQ(InitDisplay(nullptr, nullptr), 0);
    ASSERT_TRUE(SameColour(DisplayPalette[0], BitmapColour{0, 0, 0}));
    ASSERT_TRUE(SameColour(DisplayPalette[255], BitmapColour{255, 255, 255}));
    for (int k = 1; k < 255; ++k) {
        ASSERT_TRUE(
            SameColour(DisplayPalette[k], BitmapColour{static_cast<std::uint8_t>(k),
                                                       static_cast<std::uint8_t>(255 - k), 77}))
            << k;
    }
    int wrong = 0;
    for (int y = 0; y < SHEET_H - 1; ++y) {
        for (int x = 0; x < SHEET_W; ++x) {
            const int k = (x + y) % 256;
            const int expected = (y == 0 && x < 8) ? 10 : k == 0 ? 1 : k == 255 ? 254 : k;
            wrong += Pixel(SHEET, x, y) != expected ? 1 : 0;
        }
    }
    EXPECT_EQ(wrong, 0);
}

// What a Windows palette made without "allow 256" shows: entries 0 and 255 black and white
// whatever the file says, and pixels of the file's own colours there on the nearest entry, black
// and white included. Entry 0's file colour lies next to entry 60, entry 255's next to black.
TEST_F(SdlDisplay, EntriesZeroAndTwoFiftyFiveShowBlackAndWhiteAndTheirColoursMoveToTheNearest) {
    BitmapColour table[256];
    for (int i = 0; i < 256; ++i) {
        table[i] = TestColour(i);
    }
    table[0] = {60, 195, 80};
    table[255] = {5, 5, 5};
    ASSERT_TRUE(WriteBmp8("tiles.bmp", SHEET_W, SHEET_H, table, SheetPattern));
    ASSERT_EQ(InitDisplay(nullptr, nullptr), 0);
    EXPECT_TRUE(SameColour(DisplayPalette[0], BitmapColour{0, 0, 0}));
    EXPECT_TRUE(SameColour(DisplayPalette[255], BitmapColour{255, 255, 255}));
    EXPECT_TRUE(SameColour(DisplayPalette[60], TestColour(60)));
    int wrong = 0;
    for (int y = 0; y < SHEET_H; ++y) {
        for (int x = 0; x < SHEET_W; ++x) {
            const std::uint8_t k = SheetPattern(x, y);
            const int expected = k == 0 ? 60 : k == 255 ? 0 : k;
            wrong += Pixel(SHEET, x, y) != expected ? 1 : 0;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(SdlDisplay, UnreadablePictureLeavesTheSheetTransparentButKeepsItsPalette) {
    // The header and colour table alone: a palette can be made, a picture cannot be loaded.
    BitmapColour table[256];
    for (int i = 0; i < 256; ++i) {
        table[i] = TestColour(i);
    }
    ASSERT_TRUE(WriteBmp8("full.bmp", 4, 4, table, SheetPattern));
    fs::copy_file("full.bmp", "tiles.bmp");
    fs::resize_file("tiles.bmp", PALETTE_BLOCK_SIZE);
    ASSERT_EQ(InitDisplay(nullptr, nullptr), 0);
    EXPECT_TRUE(SameColour(DisplayPalette[142], TestColour(142)));
    EXPECT_EQ(CountPixels(SHEET, TRANSPARENT_INDEX), SHEET_W * SHEET_H);
}

// A bitmap that claims width x height 8-bit pixels, RLE-compressed, whose data is only the end
// of picture: a few bytes that SDL's loader takes for a whole picture of that size. core picks
// the oldest, 12-byte information header (16-bit sizes, 3-byte table entries).
void WriteClaimedPicture(const char *path, std::int32_t width, std::int32_t height,
                         bool core = false) {
    const BitmapLayout layout{.infoSize = core ? 12U : 40U,
                              .width = width,
                              .height = height,
                              .compression = 1, // RLE8
                              .imageSize = 2,
                              .coloursUsed = 0};
    const Bytes endOfPicture{0, 1};
    ASSERT_TRUE(
        WriteBitmapFile(path, layout, BitmapColourTable(layout, 256, TestColour), endOfPicture));
}

TEST_F(SdlDisplay, PictureClaimingMoreThanFourSheetsIsNotLoaded) {
    // The limit itself loads: twice the sheet each way.
    WriteClaimedPicture("limit.bmp", 2 * SHEET_W, 2 * SHEET_H);
    SDL_Surface *limit = LoadTilePicture("limit.bmp");
    ASSERT_NE(limit, nullptr) << SDL_GetError();
    EXPECT_EQ(limit->w, 2 * SHEET_W);
    EXPECT_EQ(limit->h, 2 * SHEET_H);
    SDL_FreeSurface(limit);

    // One row more, giant claims in every header form, and a height of the wrong sign.
    WriteClaimedPicture("row-more.bmp", 2 * SHEET_W, 2 * SHEET_H + 1);
    WriteClaimedPicture("giant.bmp", 60000, 60000);
    WriteClaimedPicture("giant-top-down.bmp", 60000, -60000);
    WriteClaimedPicture("giant-core.bmp", 65535, 65535, true);
    WriteClaimedPicture("extreme.bmp", INT32_MAX, INT32_MIN);
    for (const char *name :
         {"row-more.bmp", "giant.bmp", "giant-top-down.bmp", "giant-core.bmp", "extreme.bmp"}) {
        EXPECT_EQ(LoadTilePicture(name), nullptr) << name;
    }

    // As tiles.bmp: the palette still comes from the header, and no tile shows.
    fs::copy_file("giant.bmp", "tiles.bmp");
    ASSERT_EQ(InitDisplay(nullptr, nullptr), 0);
    EXPECT_TRUE(SameColour(DisplayPalette[142], TestColour(142)));
    EXPECT_EQ(CountPixels(SHEET, TRANSPARENT_INDEX), SHEET_W * SHEET_H);
}

// As on Windows: the palette of a block that nothing filled, all black but for entry 255.
TEST_F(SdlDisplay, WithoutTilesBmpThePaletteOfZeroBytesAndAnEmptySheet) {
    ASSERT_EQ(InitDisplay(nullptr, nullptr), 0);
    for (int i = 0; i < 255; ++i) {
        EXPECT_TRUE(SameColour(DisplayPalette[i], BitmapColour{0, 0, 0})) << i;
    }
    EXPECT_TRUE(SameColour(DisplayPalette[255], BitmapColour{255, 255, 255}));
    EXPECT_EQ(OverlayInkIndex, 0);
    EXPECT_EQ(OverlayPaperIndex, 255);
    EXPECT_EQ(CountPixels(SHEET, TRANSPARENT_INDEX), SHEET_W * SHEET_H);
    ClearAll();
    CopyTile(DrawRect{0, 0, 55, 55}, DrawRect{0, 0, 55, 55});
    EXPECT_EQ(CountPixels(BACK, 170), W * H);
}

TEST_F(SdlDisplay, OverlayIsInkOnAnOpaqueBoxInTheNearestBlackAndWhite) {
    BitmapColour table[256];
    for (int i = 0; i < 256; ++i) {
        table[i] = TestColour(i);
    }
    // Near-misses at 0 and 255, which show black and white all the same; exact black and white
    // elsewhere too: the first entry of the colour is taken.
    table[0] = {3, 3, 3};
    table[255] = {250, 250, 250};
    table[7] = {0, 0, 0};
    table[200] = {255, 255, 255};
    ASSERT_TRUE(WriteBmp8("tiles.bmp", SHEET_W, SHEET_H, table, SheetPattern));
    ASSERT_EQ(InitDisplay(nullptr, nullptr), 0);
    ClearAll();
    ASSERT_TRUE(BeginOverlayText());
    DrawOverlayText(0, 20, "-1234567890");
    DrawOverlayText(0, 40, "42");
    EndOverlayText();

    const int boxWidth = 11 * OVERLAY_CELL_WIDTH;
    int ink = 0;
    for (int y = 20; y < 20 + OVERLAY_CELL_HEIGHT; ++y) {
        for (int x = 0; x < boxWidth; ++x) {
            const std::uint8_t p = Pixel(BACK, x, y);
            ASSERT_TRUE(p == 0 || p == 200) << x << "," << y << " is " << int{p};
            ink += p == 0 ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 11 * 10);
    // The minus sign is one horizontal bar.
    for (int y = 20; y < 20 + OVERLAY_CELL_HEIGHT; ++y) {
        int rowInk = 0;
        for (int x = 0; x < OVERLAY_CELL_WIDTH; ++x) {
            rowInk += Pixel(BACK, x, y) == 0 ? 1 : 0;
        }
        EXPECT_TRUE(rowInk == 0 || rowInk >= 5) << y;
    }
    // Every glyph differs from every other, so the numbers can be read.
    for (int a = 1; a < 11; ++a) {
        for (int b = a + 1; b < 11; ++b) {
            bool differ = false;
            for (int y = 20; y < 36 && !differ; ++y) {
                for (int x = 0; x < OVERLAY_CELL_WIDTH && !differ; ++x) {
                    differ = Pixel(BACK, a * 8 + x, y) != Pixel(BACK, b * 8 + x, y);
                }
            }
            EXPECT_TRUE(differ) << a << " " << b;
        }
    }
    // "42" is the same two glyphs as in the first line.
    for (int y = 0; y < OVERLAY_CELL_HEIGHT; ++y) {
        for (int x = 0; x < OVERLAY_CELL_WIDTH; ++x) {
            EXPECT_EQ(Pixel(BACK, x, 40 + y), Pixel(BACK, 32 + x, 20 + y));
            EXPECT_EQ(Pixel(BACK, 8 + x, 40 + y), Pixel(BACK, 16 + x, 20 + y));
        }
    }
    // Outside the two boxes nothing changed.
    const int boxes = boxWidth * OVERLAY_CELL_HEIGHT + 2 * OVERLAY_CELL_WIDTH * OVERLAY_CELL_HEIGHT;
    EXPECT_EQ(CountPixels(BACK, 170), W * H - boxes);
}

TEST_F(SdlDisplay, OverlayNearTheEdgeIsCutNotWrapped) {
    InitWithTestSheet();
    ClearAll();
    DrawOverlayText(W - 4, H - 8, "88");
    int changed = W * H - CountPixels(BACK, 170);
    EXPECT_EQ(changed, 4 * 8);
}

// Presentation under SDL's dummy video driver and software renderer: each pixel reaches the
// screen in its palette colour.
TEST_F(SdlDisplay, PresentShowsTheBackBufferInThePalettesColours) {
    InitWithTestSheet();
    ReleaseDisplay();
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window *window = SDL_CreateWindow("Dravik", 0, 0, W, H, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    SDL_Renderer *renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    ASSERT_NE(renderer, nullptr) << SDL_GetError();
    ASSERT_EQ(InitDisplay(window, renderer), 0);

    for (int pass = 0; pass < 2; ++pass) {
        ClearAll();
        CopyTile(DrawRect{0, 0, 256, 3}, DrawRect{pass, 7, 256 + pass, 10});
        if (pass == 1) {
            // A reported reset and the next activation give a new texture that still works.
            NoteRenderingLost();
            RestoreLostSurfaces();
            ASSERT_NE(PresentTexture, nullptr);
        }
        PresentBackBuffer();
        std::vector<Uint32> shown(static_cast<std::size_t>(W) * H);
        ASSERT_EQ(
            SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shown.data(), W * 4),
            0)
            << SDL_GetError();
        int wrong = 0;
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const PaletteEntry c = DisplayPalette[Pixel(BACK, x, y)];
                const Uint32 expected = (Uint32{c.red} << 16) | (Uint32{c.green} << 8) | c.blue;
                wrong += (shown[static_cast<std::size_t>(y) * W + x] & 0xFFFFFFU) != expected;
            }
        }
        EXPECT_EQ(wrong, 0) << "pass " << pass;
    }
    ReleaseDisplay();
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

} // namespace
