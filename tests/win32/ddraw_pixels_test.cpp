// The DirectDraw layer on real surfaces: set-up, palette, sheet, the four drawing operations,
// restore and release. Runs in a virtual desktop of the build's mode.

#include "display/display_mode.h"
#include "display/draw.h"
#include "display/palette_block.h"
#include "display/win32/ddraw_display.h"
#include "tests/win32/surface_pixels.h"
#include "tests/win32/test_bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t CLEAR_INDEX = 170;

using Pixels = std::vector<std::uint8_t>;

int CountMismatches(const Pixels &actual, const Pixels &expected, std::string &first) {
    int count = 0;
    for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        if (actual[i] != expected[i]) {
            if (count == 0) {
                first = "pixel " + std::to_string(i) + ": " + std::to_string(actual[i]) +
                        " instead of " + std::to_string(expected[i]);
            }
            ++count;
        }
    }
    return count;
}

#define EXPECT_PIXELS(actual, expected)                                                            \
    do {                                                                                           \
        ASSERT_EQ((actual).size(), (expected).size());                                             \
        std::string first_;                                                                        \
        EXPECT_EQ(CountMismatches((actual), (expected), first_), 0) << first_;                     \
    } while (false)

// The back buffer after a clear and a keyed copy of source to destination, as it must be.
Pixels ExpectedCopy(const DrawRect &source, const DrawRect &destination) {
    Pixels expected(static_cast<std::size_t>(W) * H, CLEAR_INDEX);
    for (int y = 0; y < destination.bottom - destination.top; ++y) {
        for (int x = 0; x < destination.right - destination.left; ++x) {
            const int index = SheetIndex(source.left + x, source.top + y);
            if (index != TRANSPARENT_INDEX) {
                expected[static_cast<std::size_t>(destination.top + y) * W + destination.left + x] =
                    static_cast<std::uint8_t>(index);
            }
        }
    }
    return expected;
}

Pixels ExpectedSheet() {
    Pixels expected(static_cast<std::size_t>(TILE_SHEET_WIDTH) * TILE_SHEET_HEIGHT);
    for (int y = 0; y < TILE_SHEET_HEIGHT; ++y) {
        for (int x = 0; x < TILE_SHEET_WIDTH; ++x) {
            expected[static_cast<std::size_t>(y) * TILE_SHEET_WIDTH + x] =
                static_cast<std::uint8_t>(SheetIndex(x, y));
        }
    }
    return expected;
}

Pixels BackBufferPixels() {
    return ReadPixels(BackBuffer, W, H);
}
Pixels SheetPixels() {
    return ReadPixels(TileSheetSurface, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT);
}

std::vector<PALETTEENTRY> PaletteEntries(IDirectDrawPalette *palette) {
    std::vector<PALETTEENTRY> entries(PALETTE_ENTRIES);
    EXPECT_EQ(palette->GetEntries(0, 0, PALETTE_ENTRIES, entries.data()), DD_OK);
    return entries;
}

class DirectDrawDisplay : public ::testing::Test {
  public:
    static void SetUpTestSuite() {
        WriteBytes(TILE_SHEET_FILE, MakeSheetBitmap());
        // An activation before any surface exists has nothing to restore.
        RestoreLostSurfaces();
        window_ = CreateTestWindow();
        setupCode_ = InitDirectDraw(window_);
    }

    static void TearDownTestSuite() {
        ReleaseDirectDraw();
        EXPECT_EQ(DisplayObject, nullptr);
        EXPECT_EQ(TileSheetSurface, nullptr);
        EXPECT_EQ(BackBuffer, nullptr);
        EXPECT_EQ(PrimarySurface, nullptr);
        (void)DestroyWindow(window_);
    }

  protected:
    void SetUp() override { ASSERT_GE(setupCode_, 0) << "InitDirectDraw failed"; }

    static HWND window_;
    static HRESULT setupCode_;
};

HWND DirectDrawDisplay::window_ = nullptr;
HRESULT DirectDrawDisplay::setupCode_ = -1;

TEST_F(DirectDrawDisplay, SetUpFillsTheSlotsWithSurfacesOfTheModeAndTheSheet) {
    ASSERT_NE(DisplayObject, nullptr);
    ASSERT_NE(PrimarySurface, nullptr);
    ASSERT_NE(BackBuffer, nullptr);
    ASSERT_NE(TileSheetSurface, nullptr);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(BackBuffer->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, static_cast<DWORD>(W));
    EXPECT_EQ(desc.dwHeight, static_cast<DWORD>(H));
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 8U);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_BACKBUFFER);
    desc = DDSURFACEDESC2{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(TileSheetSurface->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, static_cast<DWORD>(TILE_SHEET_WIDTH));
    EXPECT_EQ(desc.dwHeight, static_cast<DWORD>(TILE_SHEET_HEIGHT));
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 8U);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN);
}

TEST_F(DirectDrawDisplay, PaletteIsTheColourTableTurnedToRedGreenBlue) {
    IDirectDrawPalette *palette = nullptr;
    ASSERT_EQ(PrimarySurface->GetPalette(&palette), DD_OK);
    const std::vector<PALETTEENTRY> entries = PaletteEntries(palette);
    (void)palette->Release();
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const BitmapColour c = SheetColour(i);
        EXPECT_EQ(entries[i].peRed, c.red) << "entry " << i;
        EXPECT_EQ(entries[i].peGreen, c.green) << "entry " << i;
        EXPECT_EQ(entries[i].peBlue, c.blue) << "entry " << i;
    }
}

TEST_F(DirectDrawDisplay, SheetHoldsThePictureIndicesTopRowFirst) {
    EXPECT_PIXELS(SheetPixels(), ExpectedSheet());
}

TEST_F(DirectDrawDisplay, SheetKeysOutIndex142Alone) {
    DDCOLORKEY key{};
    ASSERT_EQ(TileSheetSurface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 142U);
    EXPECT_EQ(key.dwColorSpaceHighValue, 142U);
}

TEST_F(DirectDrawDisplay, ClearSetsEveryPixelToIndex170) {
    CopyTile(DrawRect{0, 0, 200, 100}, DrawRect{10, 10, 210, 110});
    ClearBackBuffer(DrawRect{0, 0, W, H}, CLEAR_FILL_VALUE);
    EXPECT_PIXELS(BackBufferPixels(), Pixels(static_cast<std::size_t>(W) * H, CLEAR_INDEX));
}

TEST_F(DirectDrawDisplay, KeyedCopyIsOneToOneAndSkipsIndex142) {
    const DrawRect source{13, 1207, 13 + 233, 1207 + 151};
    const DrawRect destination{301, 97, 301 + 233, 97 + 151};
    ClearBackBuffer(DrawRect{0, 0, W, H}, CLEAR_FILL_VALUE);
    CopyTile(source, destination);
    EXPECT_PIXELS(BackBufferPixels(), ExpectedCopy(source, destination));
}

TEST_F(DirectDrawDisplay, CopiesFlushWithAnEdgeAreDrawn) {
    const std::vector<std::pair<DrawRect, DrawRect>> copies = {
        {{0, 0, 55, 55}, {W - 55, H - 55, W, H}},
        {{TILE_SHEET_WIDTH - 55, TILE_SHEET_HEIGHT - 55, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT},
         {0, 0, 55, 55}},
    };
    for (const auto &[source, destination] : copies) {
        ClearBackBuffer(DrawRect{0, 0, W, H}, CLEAR_FILL_VALUE);
        CopyTile(source, destination);
        EXPECT_PIXELS(BackBufferPixels(), ExpectedCopy(source, destination));
    }
}

TEST_F(DirectDrawDisplay, CopyCrossingAnyEdgeIsLeftOutWhole) {
    const DrawRect tile{0, 0, 55, 55};
    const DrawRect inside{100, 100, 155, 155};
    const std::vector<std::pair<DrawRect, DrawRect>> copies = {
        {tile, {-1, 100, 54, 155}},               // back buffer's left edge
        {tile, {100, -1, 155, 54}},               // top
        {tile, {W - 54, 100, W + 1, 155}},        // right
        {tile, {100, H - 54, 155, H + 1}},        // bottom
        {tile, {W - 20, H - 20, W + 35, H + 35}}, // a corner
        {{-1, 0, 54, 55}, inside},                // the sheet's left edge
        {{0, -1, 55, 54}, inside},                // top
        {{1246, 0, 1301, 55}, inside},            // right
        {{0, 3846, 55, 3901}, inside},            // bottom
        {{10, 10, 10, 65}, {100, 100, 100, 155}}, // nothing to copy
    };
    for (const auto &[source, destination] : copies) {
        ClearBackBuffer(DrawRect{0, 0, W, H}, CLEAR_FILL_VALUE);
        CopyTile(source, destination);
        SCOPED_TRACE(std::to_string(destination.left) + "," + std::to_string(destination.top) +
                     " from " + std::to_string(source.left) + "," + std::to_string(source.top));
        EXPECT_PIXELS(BackBufferPixels(), Pixels(static_cast<std::size_t>(W) * H, CLEAR_INDEX));
    }
}

// The column just right of the last white (index 255) pixel in rows [top, bottom), or 0.
int RightOfWhite(const Pixels &pixels, int top, int bottom) {
    int right = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < W; ++x) {
            if (pixels[static_cast<std::size_t>(y) * W + x] == 255 && x + 1 > right) {
                right = x + 1;
            }
        }
    }
    return right;
}

bool RowsHold(const Pixels &pixels, int top, int bottom, std::uint8_t value) {
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < W; ++x) {
            if (pixels[static_cast<std::size_t>(y) * W + x] == value) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(DirectDrawDisplay, OverlayWritesBlackTextOnWhiteAtItsPoints) {
    ClearBackBuffer(DrawRect{0, 0, W, H}, CLEAR_FILL_VALUE);
    ASSERT_TRUE(BeginOverlayText());
    DrawOverlayText(0, 20, "7");
    DrawOverlayText(0, 40, "-1234");
    EndOverlayText();
    const Pixels pixels = BackBufferPixels();
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(W) * H);
    // The system font's cells are 16 pixels high: each text sits in its own band.
    EXPECT_FALSE(RowsHold(pixels, 0, 20, 255));
    EXPECT_EQ(pixels[static_cast<std::size_t>(20) * W], 255) << "box's top-left corner";
    EXPECT_EQ(pixels[static_cast<std::size_t>(40) * W], 255) << "box's top-left corner";
    EXPECT_TRUE(RowsHold(pixels, 20, 36, 0)) << "no black text in the first line";
    EXPECT_TRUE(RowsHold(pixels, 40, 56, 0)) << "no black text in the second line";
    EXPECT_FALSE(RowsHold(pixels, 60, H, 255));
    EXPECT_FALSE(RowsHold(pixels, 60, H, 0));
    const int first = RightOfWhite(pixels, 20, 36);
    const int second = RightOfWhite(pixels, 40, 56);
    EXPECT_GT(first, 0);
    EXPECT_GT(second, 3 * first) << "five characters against one";
}

TEST_F(DirectDrawDisplay, PresentShowsTheBackBufferOnThePrimarySurface) {
    const DrawRect source{400, 800, 455, 855};
    const DrawRect destination{20, 30, 75, 85};
    ClearBackBuffer(DrawRect{0, 0, W, H}, CLEAR_FILL_VALUE);
    CopyTile(source, destination);
    PresentBackBuffer();
    EXPECT_PIXELS(ReadPixels(PrimarySurface, W, H), ExpectedCopy(source, destination));
}

TEST_F(DirectDrawDisplay, RestoreLeavesSurfacesThatAreNotLost) {
    ASSERT_EQ(TileSheetSurface->IsLost(), DD_OK);
    ASSERT_TRUE(FillRows(TileSheetSurface, 0, 10, 3));
    RestoreLostSurfaces();
    const Pixels sheet = SheetPixels();
    ASSERT_FALSE(sheet.empty());
    EXPECT_EQ(sheet[0], 3) << "an intact sheet was reloaded";
    LoadTileSheet();
    EXPECT_PIXELS(SheetPixels(), ExpectedSheet());
}

TEST_F(DirectDrawDisplay, SheetWithoutAPictureIsAllTransparent) {
    const Bytes whole = MakeSheetBitmap();
    const Pixels transparent(static_cast<std::size_t>(TILE_SHEET_WIDTH) * TILE_SHEET_HEIGHT,
                             TRANSPARENT_INDEX);
    for (const std::size_t size : {std::size_t{0}, whole.size() / 2}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(FillRows(TileSheetSurface, 0, TILE_SHEET_HEIGHT, 3));
        WriteBytes(TILE_SHEET_FILE, Bytes(whole.begin(), whole.begin() + size));
        LoadTileSheet();
        EXPECT_PIXELS(SheetPixels(), transparent);
    }
    WriteBytes(TILE_SHEET_FILE, whole);
    LoadTileSheet();
    EXPECT_PIXELS(SheetPixels(), ExpectedSheet());
}

TEST_F(DirectDrawDisplay, RestoreBringsBackLostSurfacesAndReloadsTheSheet) {
    ASSERT_TRUE(FillRows(TileSheetSurface, 0, TILE_SHEET_HEIGHT, 3));
    // Setting the mode again loses every surface of the display object.
    ASSERT_EQ(DisplayObject->SetDisplayMode(W, H, 8, 0, 0), DD_OK);
    ASSERT_NE(TileSheetSurface->IsLost(), DD_OK) << "the platform did not lose the surfaces";
    ASSERT_NE(PrimarySurface->IsLost(), DD_OK);
    RestoreLostSurfaces();
    EXPECT_EQ(PrimarySurface->IsLost(), DD_OK);
    EXPECT_EQ(BackBuffer->IsLost(), DD_OK);
    EXPECT_EQ(TileSheetSurface->IsLost(), DD_OK);
    EXPECT_PIXELS(SheetPixels(), ExpectedSheet());
    const DrawRect source{700, 2000, 755, 2055};
    const DrawRect destination{55, 110, 110, 165};
    ClearBackBuffer(DrawRect{0, 0, W, H}, CLEAR_FILL_VALUE);
    CopyTile(source, destination);
    EXPECT_PIXELS(BackBufferPixels(), ExpectedCopy(source, destination));
}

// The palette rule read through the kernel's file calls, for headers other than the sheet's.
class TilePaletteFile : public DirectDrawDisplay {
  protected:
    // Colour table bytes 4i..4i+3 = i, i+64, i+128, 0 (blue, green, red, reserved).
    static Bytes ColourTable() {
        Bytes table(1024);
        for (int i = 0; i < 256; ++i) {
            table[i * 4] = static_cast<unsigned char>(i);
            table[i * 4 + 1] = static_cast<unsigned char>(i + 64);
            table[i * 4 + 2] = static_cast<unsigned char>(i + 128);
            table[i * 4 + 3] = 0;
        }
        return table;
    }

    static std::vector<PALETTEENTRY> Load(const char *path) {
        IDirectDrawPalette *palette = LoadTilePalette(DisplayObject, path);
        EXPECT_NE(palette, nullptr);
        if (palette == nullptr) {
            return std::vector<PALETTEENTRY>(PALETTE_ENTRIES);
        }
        std::vector<PALETTEENTRY> entries = PaletteEntries(palette);
        (void)palette->Release();
        return entries;
    }

    // Entries [0, swapped) turned around, the rest as the file stores them, up to available.
    // A palette made without "allow 256" leaves entries 0 and 255 to the system (black and
    // white), so only the entries between them show what was passed.
    static void ExpectEntries(const std::vector<PALETTEENTRY> &entries, int swapped,
                              int available = PALETTE_ENTRIES) {
        for (int i = 1; i < PALETTE_ENTRIES - 1; ++i) {
            const auto b = static_cast<std::uint8_t>(i);
            const auto g = static_cast<std::uint8_t>(i + 64);
            const auto r = static_cast<std::uint8_t>(i + 128);
            PALETTEENTRY want = i < swapped ? PALETTEENTRY{r, g, b, 0} : PALETTEENTRY{b, g, r, 0};
            if (i >= available) {
                want = PALETTEENTRY{0, 0, 0, 0};
            }
            EXPECT_EQ(entries[i].peRed, want.peRed) << "entry " << i;
            EXPECT_EQ(entries[i].peGreen, want.peGreen) << "entry " << i;
            EXPECT_EQ(entries[i].peBlue, want.peBlue) << "entry " << i;
        }
    }
};

TEST_F(TilePaletteFile, ColoursUsedSixteenTurnsTheFirstSixteen) {
    WriteBytes("used16.bmp", MakeBitmapHeader(40, 8, 16, ColourTable()));
    ExpectEntries(Load("used16.bmp"), 16);
}

TEST_F(TilePaletteFile, FourBitsWithoutCountTurnsSixteen) {
    WriteBytes("four.bmp", MakeBitmapHeader(40, 4, 0, ColourTable()));
    ExpectEntries(Load("four.bmp"), 16);
}

TEST_F(TilePaletteFile, TableFollowsTheHeaderWhateverThePixelOffsetSays) {
    Bytes file = MakeBitmapHeader(40, 8, 0, ColourTable());
    file[10] = 0x00; // pixels said to start at 0x4000
    file[11] = 0x40;
    WriteBytes("offset.bmp", file);
    ExpectEntries(Load("offset.bmp"), 256);
}

TEST_F(TilePaletteFile, NoTableInTheHeaderTurnsNothing) {
    WriteBytes("deep.bmp", MakeBitmapHeader(40, 24, 0, ColourTable()));
    ExpectEntries(Load("deep.bmp"), 0);
    WriteBytes("v5.bmp", MakeBitmapHeader(124, 8, 0, ColourTable()));
    ExpectEntries(Load("v5.bmp"), 0);
}

TEST_F(TilePaletteFile, WhatTheFileDoesNotReachStaysZero) {
    Bytes table = ColourTable();
    table.resize(25 * 4);
    WriteBytes("short.bmp", MakeBitmapHeader(40, 8, 0, table));
    ExpectEntries(Load("short.bmp"), 256, 25);
}

TEST_F(TilePaletteFile, MissingFileStillGivesAPalette) {
    ExpectEntries(Load("absent.bmp"), 0, 0);
    ExpectEntries(Load(nullptr), 0, 0);
}

} // namespace
