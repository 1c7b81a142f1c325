// The keyed copy of our own against SDL's colour-keyed INDEX8 blit, on random data.

#include "display/draw.h"
#include "display/memory/pixel_rows.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int SURFACE_WIDTH = 128;
constexpr int SURFACE_HEIGHT = 5;

using CopyFunction = void (*)(const std::uint8_t *, int, std::uint8_t *, int, int, int,
                              std::uint8_t);

struct Surfaces {
    SDL_Palette *palette;
    SDL_Surface *source;
    SDL_Surface *destination;
};

Surfaces MakeSurfaces() {
    Surfaces s{};
    s.palette = SDL_AllocPalette(256);
    s.source =
        SDL_CreateRGBSurfaceWithFormat(0, SURFACE_WIDTH, SURFACE_HEIGHT, 8, SDL_PIXELFORMAT_INDEX8);
    s.destination =
        SDL_CreateRGBSurfaceWithFormat(0, SURFACE_WIDTH, SURFACE_HEIGHT, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_SetSurfacePalette(s.source, s.palette);
    SDL_SetSurfacePalette(s.destination, s.palette);
    SDL_SetColorKey(s.source, SDL_TRUE, TRANSPARENT_INDEX);
    return s;
}

void FreeSurfaces(Surfaces &s) {
    SDL_FreeSurface(s.source);
    SDL_FreeSurface(s.destination);
    SDL_FreePalette(s.palette);
}

// keyShare out of 4: how many source pixels are the key, on average.
void FillRandom(SDL_Surface *surface, std::mt19937 &random, int keyShare) {
    auto *pixels = static_cast<std::uint8_t *>(surface->pixels);
    for (int i = 0; i < surface->pitch * surface->h; ++i) {
        pixels[i] = static_cast<int>(random() % 4) < keyShare
                        ? TRANSPARENT_INDEX
                        : static_cast<std::uint8_t>(random() % 256);
    }
}

// Copies a width x height block from (sx, 1) to (dx, 1) both ways and compares every byte of the
// destination, so that a write outside the block shows too.
void ExpectSameAsSdl(CopyFunction copy, Surfaces &s, std::mt19937 &random, int keyShare, int width,
                     int sx, int dx) {
    const int height = SURFACE_HEIGHT - 2;
    FillRandom(s.source, random, keyShare);
    FillRandom(s.destination, random, 0);
    const int size = s.destination->pitch * SURFACE_HEIGHT;
    std::vector<std::uint8_t> ours(static_cast<std::size_t>(size));
    std::memcpy(ours.data(), s.destination->pixels, ours.size());

    SDL_Rect from{sx, 1, width, height};
    SDL_Rect to{dx, 1, width, height};
    ASSERT_EQ(SDL_BlitSurface(s.source, &from, s.destination, &to), 0);
    const auto *source = static_cast<const std::uint8_t *>(s.source->pixels);
    copy(source + s.source->pitch + sx, s.source->pitch, ours.data() + s.destination->pitch + dx,
         s.destination->pitch, width, height, TRANSPARENT_INDEX);
    ASSERT_EQ(std::memcmp(ours.data(), s.destination->pixels, ours.size()), 0)
        << "width " << width << " source x " << sx << " destination x " << dx << " keys "
        << keyShare << "/4";
}

void ExpectSameAsSdlEverywhere(CopyFunction copy) {
    Surfaces s = MakeSurfaces();
    std::mt19937 random(1234);
    for (int keyShare = 0; keyShare <= 4; ++keyShare) {
        for (int width = 1; width <= 100; ++width) {
            // Unaligned starts on both sides, different for source and destination.
            for (int offset = 0; offset < 16; offset += 3) {
                ExpectSameAsSdl(copy, s, random, keyShare, width, offset, (offset * 7 + 5) % 17);
                if (testing::Test::HasFatalFailure()) {
                    FreeSurfaces(s);
                    return;
                }
            }
        }
    }
    FreeSurfaces(s);
}

// The path this processor takes, and each path on its own where the processor has it.
TEST(KeyedCopy, ChosenPathEqualsSdlBlit) {
    ExpectSameAsSdlEverywhere(KeyedCopyRows);
}

TEST(KeyedCopy, BaselinePathEqualsSdlBlit) {
    ExpectSameAsSdlEverywhere(KeyedCopyRowsBaseline);
}

#if defined(__x86_64__) && defined(__GNUC__)
TEST(KeyedCopy, Avx2PathEqualsSdlBlit) {
    if (!ProcessorHasAvx2()) {
        GTEST_SKIP() << "no AVX2 on this processor";
    }
    ExpectSameAsSdlEverywhere(KeyedCopyRowsAvx2);
}

TEST(KeyedCopy, Avx512PathEqualsSdlBlit) {
    if (!ProcessorHasAvx512()) {
        GTEST_SKIP() << "no AVX-512BW on this processor";
    }
    ExpectSameAsSdlEverywhere(KeyedCopyRowsAvx512);
}
#endif

TEST(KeyedCopy, ScalarPathEqualsSdlBlit) {
    ExpectSameAsSdlEverywhere(KeyedCopyRowsScalar);
}

TEST(KeyedCopy, RowsFollowTheirOwnPitches) {
    // Source rows 40 apart, destination rows 24 apart: row n must land on row n.
    std::vector<std::uint8_t> source(40 * 3);
    std::vector<std::uint8_t> destination(24 * 3, 7);
    for (int y = 0; y < 3; ++y) {
        std::memset(source.data() + y * 40, 10 + y, 40);
    }
    KeyedCopyRows(source.data(), 40, destination.data(), 24, 20, 3, TRANSPARENT_INDEX);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 24; ++x) {
            EXPECT_EQ(destination[y * 24 + x], x < 20 ? 10 + y : 7) << x << "," << y;
        }
    }
}

TEST(ExpandIndexedRows, EachIndexBecomesItsColour) {
    std::uint32_t colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = 0xFF000000U | static_cast<std::uint32_t>(i * 0x010203);
    }
    // Rows of 4 bytes of which 2 are pixels.
    const std::uint8_t source[2 * 4] = {0, 1, 255, 142, 9, 9, 3, 200};
    std::uint32_t destination[2 * 3] = {};
    // Width 2, source pitch 4 bytes, destination pitch 12 bytes (3 pixels).
    ExpandIndexedRows(source, 4, colours, destination, 12, 2, 2);
    EXPECT_EQ(destination[0], colours[0]);
    EXPECT_EQ(destination[1], colours[1]);
    EXPECT_EQ(destination[2], 0U); // past the width: untouched
    EXPECT_EQ(destination[3], colours[9]);
    EXPECT_EQ(destination[4], colours[9]);
}

} // namespace
