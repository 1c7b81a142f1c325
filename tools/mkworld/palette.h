#pragma once
// The demo world's 256 colours: ramps of shades for each material, a few single accents, and the
// fixed entries (black, white, the transparent key, the clear colour).

#include <cstdint>

enum Ramp {
    RAMP_DEEP_WATER,
    RAMP_SHALLOW,
    RAMP_FOAM,
    RAMP_BEACH,
    RAMP_GRASS,
    RAMP_FOREST_FLOOR,
    RAMP_LEAVES,
    RAMP_CONIFER,
    RAMP_WHEAT,
    RAMP_DIRT,
    RAMP_WOOD,
    RAMP_ROCK,
    RAMP_SNOW,
    RAMP_ICE,
    RAMP_DESERT,
    RAMP_ROOF,
    RAMP_SLATE,
    RAMP_PLASTER,
    RAMP_AUTUMN,
    RAMP_CACTUS,
    RAMP_STONE,
    RAMP_GREY,
    RAMP_COUNT
};

enum Accent {
    ACCENT_FLOWER_RED,
    ACCENT_FLOWER_YELLOW,
    ACCENT_FLOWER_VIOLET,
    ACCENT_FLOWER_WHITE,
    ACCENT_WINDOW,
    ACCENT_WINDOW_LIT,
    ACCENT_LAMP,
    ACCENT_WARNING,
    ACCENT_COUNT
};

inline constexpr int PALETTE_BLACK = 0;
inline constexpr int PALETTE_WHITE = 255;
inline constexpr int PALETTE_CLEAR = 170; // shows wherever no tile was drawn

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

extern Rgb Palette[256];

// Fills Palette; every entry ends up a distinct colour.
void BuildPalette();

// The shade of ramp at t (0 darkest, 1 lightest), clamped.
int Shade(Ramp ramp, double t);

// As Shade, with a little ordered dither at (x, y) between neighbouring shades.
int ShadeAt(Ramp ramp, double t, int x, int y);

int AccentIndex(Accent accent);

// The ramp an index belongs to, or -1 for the fixed entries and accents.
int RampOfIndex(int index);
