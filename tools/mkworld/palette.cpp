#include "tools/mkworld/palette.h"

#include "display/draw.h"
#include "display/palette_block.h"
#include "tools/mkworld/noise.h"

#include <cmath>

namespace {

struct RampColours {
    Rgb dark;
    Rgb middle;
    Rgb light;
    int count; // 0: whatever entries are left over
};

// Dark to light through a middle colour, so that shades shift hue as real materials do.
constexpr RampColours RAMP_COLOURS[RAMP_COUNT] = {
    {{10, 28, 66}, {24, 66, 122}, {58, 112, 164}, 12},       // deep water
    {{34, 92, 140}, {58, 140, 170}, {120, 192, 200}, 10},    // shallow water
    {{168, 208, 214}, {204, 230, 232}, {238, 248, 246}, 4},  // foam
    {{150, 122, 76}, {214, 188, 128}, {246, 230, 176}, 10},  // beach sand
    {{34, 70, 24}, {86, 130, 44}, {170, 200, 84}, 18},       // grass
    {{22, 40, 18}, {48, 70, 30}, {94, 112, 54}, 10},         // forest floor
    {{16, 46, 20}, {52, 108, 36}, {150, 196, 70}, 16},       // leaves
    {{8, 34, 28}, {26, 74, 52}, {80, 130, 90}, 10},          // conifer needles
    {{136, 100, 34}, {206, 170, 70}, {246, 224, 132}, 10},   // wheat
    {{60, 40, 24}, {128, 96, 60}, {206, 178, 130}, 12},      // dirt and roads
    {{44, 26, 12}, {92, 58, 30}, {152, 108, 64}, 8},         // wood
    {{40, 40, 46}, {112, 110, 108}, {200, 198, 190}, 16},    // rock
    {{140, 156, 186}, {204, 214, 232}, {246, 248, 252}, 12}, // snow
    {{96, 150, 186}, {150, 196, 222}, {204, 232, 244}, 8},   // ice
    {{150, 96, 50}, {214, 160, 96}, {248, 214, 156}, 14},    // desert sand
    {{82, 18, 14}, {170, 50, 32}, {232, 110, 72}, 10},       // roof tiles
    {{36, 40, 54}, {74, 82, 104}, {136, 146, 168}, 8},       // slate
    {{140, 118, 90}, {206, 188, 152}, {246, 238, 214}, 8},   // plaster
    {{104, 40, 14}, {200, 100, 30}, {246, 180, 60}, 8},      // autumn leaves
    {{28, 62, 36}, {66, 112, 58}, {130, 168, 90}, 6},        // cactus
    {{76, 68, 60}, {140, 128, 112}, {208, 196, 176}, 8},     // dressed stone
    {{20, 20, 22}, {120, 120, 124}, {232, 232, 236}, 0},     // neutral grey
};

constexpr Rgb ACCENT_COLOURS[ACCENT_COUNT] = {
    {220, 40, 48}, {250, 216, 40}, {150, 86, 206},  {244, 240, 226},
    {28, 40, 64},  {255, 214, 96}, {255, 250, 190}, {255, 64, 0},
};

constexpr Rgb TRANSPARENT_COLOUR = {255, 0, 255};
constexpr Rgb CLEAR_COLOUR = {22, 24, 32};

int RampEntries[RAMP_COUNT][PALETTE_ENTRIES];
int RampCount[RAMP_COUNT];
int AccentSlot[ACCENT_COUNT];
int IndexRamp[PALETTE_ENTRIES];

bool IsFixedEntry(int index) {
    return index == PALETTE_BLACK || index == PALETTE_WHITE || index == TRANSPARENT_INDEX ||
           index == PALETTE_CLEAR;
}

std::uint8_t Mix(std::uint8_t a, std::uint8_t b, double t) {
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
}

Rgb RampColour(const RampColours &colours, int step, int count) {
    const double t = count > 1 ? static_cast<double>(step) / (count - 1) : 0.5;
    const Rgb &from = t < 0.5 ? colours.dark : colours.middle;
    const Rgb &to = t < 0.5 ? colours.middle : colours.light;
    const double local = t < 0.5 ? t * 2.0 : (t - 0.5) * 2.0;
    return Rgb{Mix(from.red, to.red, local), Mix(from.green, to.green, local),
               Mix(from.blue, to.blue, local)};
}

bool SameColour(const Rgb &a, const Rgb &b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// Nudges entry index until no other entry has its colour.
void MakeDistinct(int index) {
    for (;;) {
        bool clash = false;
        for (int other = 0; other < PALETTE_ENTRIES && !clash; ++other) {
            clash = other != index && SameColour(Palette[other], Palette[index]);
        }
        if (!clash) {
            return;
        }
        Rgb &c = Palette[index];
        c.blue = static_cast<std::uint8_t>(c.blue < 128 ? c.blue + 1 : c.blue - 1);
    }
}

int NextFreeEntry(int index) {
    while (IsFixedEntry(index)) {
        ++index;
    }
    return index;
}

} // namespace

Rgb Palette[PALETTE_ENTRIES];

void BuildPalette() {
    Palette[PALETTE_BLACK] = Rgb{0, 0, 0};
    Palette[PALETTE_WHITE] = Rgb{255, 255, 255};
    Palette[TRANSPARENT_INDEX] = TRANSPARENT_COLOUR;
    Palette[PALETTE_CLEAR] = CLEAR_COLOUR;
    for (int &ramp : IndexRamp) {
        ramp = -1;
    }
    int next = NextFreeEntry(1);
    for (int accent = 0; accent < ACCENT_COUNT; ++accent) {
        AccentSlot[accent] = next;
        Palette[next] = ACCENT_COLOURS[accent];
        next = NextFreeEntry(next + 1);
    }
    int fixedCount = 0;
    for (int ramp = 0; ramp < RAMP_COUNT; ++ramp) {
        fixedCount += RAMP_COLOURS[ramp].count;
    }
    const int freeEntries = PALETTE_ENTRIES - 4 - ACCENT_COUNT;
    for (int ramp = 0; ramp < RAMP_COUNT; ++ramp) {
        const RampColours &colours = RAMP_COLOURS[ramp];
        const int count = colours.count > 0 ? colours.count : freeEntries - fixedCount;
        RampCount[ramp] = count;
        for (int step = 0; step < count; ++step) {
            RampEntries[ramp][step] = next;
            Palette[next] = RampColour(colours, step, count);
            IndexRamp[next] = ramp;
            next = NextFreeEntry(next + 1);
        }
    }
    for (int index = 0; index < PALETTE_ENTRIES; ++index) {
        if (!IsFixedEntry(index)) {
            MakeDistinct(index);
        }
    }
}

int Shade(Ramp ramp, double t) {
    const int step = static_cast<int>(std::lround(Clamp01(t) * (RampCount[ramp] - 1)));
    return RampEntries[ramp][step];
}

int ShadeAt(Ramp ramp, double t, int x, int y) {
    // A 4 x 4 Bayer threshold, worth half a shade either way.
    static constexpr int BAYER[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const double dither = (BAYER[y & 3][x & 3] + 0.5) / 16.0 - 0.5;
    return Shade(ramp, t + dither / (RampCount[ramp] - 1));
}

int AccentIndex(Accent accent) {
    return AccentSlot[accent];
}

int RampOfIndex(int index) {
    return IndexRamp[index];
}
