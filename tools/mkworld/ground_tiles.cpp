// Ground tiles, transition overlays, roads and rivers: everything that lies flat in its cell.

#include "tools/mkworld/art.h"
#include "tools/mkworld/noise.h"
#include "tools/mkworld/palette.h"

#include <cmath>

namespace {

// Fades a tile's own detail out towards its edges, so that neighbouring variants still meet
// seamlessly on the shared noise.
double EdgeWindow(int x, int y) {
    const double fromX = x + 0.5 < TILE - x - 0.5 ? x + 0.5 : TILE - x - 0.5;
    const double fromY = y + 0.5 < TILE - y - 0.5 ? y + 0.5 : TILE - y - 0.5;
    return Clamp01((fromX < fromY ? fromX : fromY) / 12.0);
}

std::uint32_t FamilySeed(GroundFamily family) {
    return 1000u + 17u * family;
}

int WaterPixel(int x, int y, double base, double detail) {
    const double u = x / static_cast<double>(TILE);
    const double v = y / static_cast<double>(TILE);
    double t = 0.5 + 0.22 * base + 0.12 * detail;
    const double crest = Wave(2 * u + 3 * v + 0.45 * base);
    if (crest > 0.9 && detail + base > -0.1) {
        t += 0.28;
    } else if (crest < -0.85) {
        t -= 0.08;
    }
    return ShadeAt(RAMP_DEEP_WATER, t, x, y);
}

int StripePixel(Ramp ramp, int x, int y, double base, double stripe) {
    const double grain = Hash01(x, y, 3, 77) - 0.5;
    return ShadeAt(ramp, 0.5 + 0.26 * stripe + 0.12 * base + 0.14 * grain, x, y);
}

int CobblePixel(int x, int y, double base) {
    // Five cobbles across and six rows down a tile, every other row shifted by half a cobble.
    const double rowHeight = TILE / 6.0;
    const int row = static_cast<int>(y / rowHeight);
    const double inRow = y - row * rowHeight;
    const double shifted = x + (row % 2 == 1 ? 5.5 : 0.0);
    const double inStone = shifted - 11.0 * static_cast<int>(shifted / 11.0);
    if (inRow < 1.2 || inStone < 1.2) {
        return ShadeAt(RAMP_STONE, 0.12 + 0.1 * base, x, y);
    }
    const double stone = Hash01(static_cast<int>(shifted / 11.0) % 5, row, 5, 91);
    const double bevel = (inRow < 3.0 || inStone < 3.0) ? 0.14 : 0.0;
    return ShadeAt(RAMP_STONE, 0.42 + 0.3 * stone + bevel + 0.08 * base, x, y);
}

} // namespace

int GroundPixel(GroundFamily family, int variant, int x, int y) {
    const std::uint32_t seed = FamilySeed(family);
    const double base = TileNoise(x, y, seed);
    const double detail = TileNoise(x, y, seed + 100 + 31 * variant) * EdgeWindow(x, y);
    const double grain = Hash01(x, y, variant, seed) - 0.5;
    const double u = x / static_cast<double>(TILE);
    const double v = y / static_cast<double>(TILE);
    switch (family) {
    case GROUND_WATER:
        return WaterPixel(x, y, base, detail);
    case GROUND_GRASS:
    case GROUND_MEADOW:
        return ShadeAt(RAMP_GRASS, 0.5 + 0.24 * base + 0.08 * detail + 0.22 * grain, x, y);
    case GROUND_FOREST:
        return ShadeAt(RAMP_FOREST_FLOOR, 0.5 + 0.28 * base + 0.14 * detail + 0.3 * grain, x, y);
    case GROUND_BEACH:
        return ShadeAt(RAMP_BEACH,
                       0.6 + 0.16 * base + 0.1 * Wave(5 * u + 2 * v + 0.6 * base) + 0.12 * grain, x,
                       y);
    case GROUND_DESERT:
        return ShadeAt(RAMP_DESERT,
                       0.55 + 0.12 * base + 0.2 * Wave(3 * u + v + 0.5 * base) + 0.08 * grain, x,
                       y);
    case GROUND_SNOW:
        return ShadeAt(RAMP_SNOW, 0.72 + 0.2 * base + 0.08 * detail + 0.06 * grain, x, y);
    case GROUND_ROCK: {
        const double crack = TileNoise(x, y, seed + 7);
        const double t = 0.5 + 0.26 * base + 0.14 * detail + 0.12 * grain;
        return ShadeAt(RAMP_ROCK, crack > -0.035 && crack < 0.035 ? t - 0.3 : t, x, y);
    }
    case GROUND_ICE:
        return ShadeAt(RAMP_ICE, 0.55 + 0.2 * base + 0.16 * Wave(2 * u - v + 0.3 * detail), x, y);
    case GROUND_DIRT:
        return ShadeAt(RAMP_DIRT, 0.5 + 0.2 * base + 0.1 * detail + 0.2 * grain, x, y);
    case GROUND_PAVING:
        return CobblePixel(x, y, base);
    case GROUND_WHEAT:
        return StripePixel(RAMP_WHEAT, x, y, base, Wave(10 * v + 0.15 * base));
    case GROUND_CROP: {
        const double row = Wave(7 * u);
        return row > -0.2 ? StripePixel(RAMP_LEAVES, x, y, base, row * 0.6)
                          : StripePixel(RAMP_DIRT, x, y, base, -0.6);
    }
    case GROUND_PLOUGHED:
        return StripePixel(RAMP_DIRT, x, y, base, Wave(9 * v + u));
    case GROUND_FAMILY_COUNT:
        break;
    }
    return PALETTE_BLACK;
}

namespace {

// Small decorations inside the tile, away from its edges.
void SprinkleFlowers(int variant, int count) {
    for (int n = 0; n < count; ++n) {
        const int x = 2 + static_cast<int>(Hash01(n, variant, 1, 5150) * 51);
        const int y = 2 + static_cast<int>(Hash01(n, variant, 2, 5150) * 51);
        static constexpr Accent COLOURS[] = {ACCENT_FLOWER_RED, ACCENT_FLOWER_YELLOW,
                                             ACCENT_FLOWER_VIOLET, ACCENT_FLOWER_WHITE};
        const int colour = AccentIndex(COLOURS[HashInts(n, variant, 3, 5150) % 4]);
        Plot(x, y, colour);
        Plot(x - 1, y, colour);
        Plot(x + 1, y, colour);
        Plot(x, y - 1, colour);
        Plot(x, y + 1, Shade(RAMP_GRASS, 0.1));
    }
}

void SprinkleSpecks(int variant, int count, Ramp ramp, double low, double high) {
    for (int n = 0; n < count; ++n) {
        const int x = 5 + static_cast<int>(Hash01(n, variant, 4, 6160) * 45);
        const int y = 5 + static_cast<int>(Hash01(n, variant, 5, 6160) * 45);
        const double t = low + (high - low) * Hash01(n, variant, 6, 6160);
        Plot(x, y, Shade(ramp, t));
        if (n % 3 == 0) {
            Plot(x + 1, y, Shade(ramp, t - 0.15));
        }
    }
}

void PaintGroundTile(GroundFamily family, int variant) {
    ClearCanvas(TILE, TILE);
    for (int y = 0; y < TILE; ++y) {
        for (int x = 0; x < TILE; ++x) {
            Plot(x, y, GroundPixel(family, variant, x, y));
        }
    }
    if (family == GROUND_MEADOW) {
        SprinkleFlowers(variant, 3 + variant);
    } else if (family == GROUND_FOREST) {
        SprinkleSpecks(variant, 18, RAMP_AUTUMN, 0.1, 0.6);
    } else if (family == GROUND_BEACH || family == GROUND_DESERT) {
        SprinkleSpecks(variant, 4 + 2 * variant, RAMP_ROCK, 0.3, 0.8);
    } else if (family == GROUND_GRASS) {
        SprinkleFlowers(variant, variant);
    }
}

double CornerField(int mask, int x, int y) {
    const double u = (x + 0.5) / TILE;
    const double v = (y + 0.5) / TILE;
    const double topLeft = (mask & CORNER_TOP_LEFT) ? 1.0 : 0.0;
    const double topRight = (mask & CORNER_TOP_RIGHT) ? 1.0 : 0.0;
    const double bottomLeft = (mask & CORNER_BOTTOM_LEFT) ? 1.0 : 0.0;
    const double bottomRight = (mask & CORNER_BOTTOM_RIGHT) ? 1.0 : 0.0;
    return (topLeft * (1 - u) + topRight * u) * (1 - v) +
           (bottomLeft * (1 - u) + bottomRight * u) * v;
}

int CoastPixel(EdgeSet set, double g, int x, int y) {
    if (g < 0.36) {
        return -1;
    }
    if (set == EDGE_COAST_SNOW) {
        if (g < 0.46) {
            return ShadeAt(RAMP_ICE, 0.75 + (g - 0.36) * 2.0, x, y);
        }
        if (g < 0.5) {
            return ShadeAt(RAMP_SNOW, 0.35, x, y);
        }
        return GroundPixel(GROUND_SNOW, 0, x, y);
    }
    if (g < 0.47) {
        return ShadeAt(RAMP_SHALLOW, 0.2 + (g - 0.36) * 5.0, x, y);
    }
    if (g < 0.505) {
        return ShadeAt(RAMP_FOAM, 0.3 + Hash01(x, y, 1, 404) * 0.7, x, y);
    }
    if (set == EDGE_COAST_DESERT) {
        if (g < 0.57) {
            return ShadeAt(RAMP_DIRT, 0.45 + (g - 0.505) * 3.0, x, y);
        }
        if (g < 0.7) {
            return GroundPixel(GROUND_GRASS, 0, x, y);
        }
        return GroundPixel(GROUND_DESERT, 0, x, y);
    }
    if (g < 0.63) {
        return ShadeAt(RAMP_BEACH, 0.35 + (g - 0.505) * 4.5, x, y);
    }
    return GroundPixel(GROUND_GRASS, 0, x, y);
}

int UpperPixel(EdgeSet set, double g, int x, int y) {
    const double dither = Hash01(x, y, set, 808) * 0.1 - 0.05;
    switch (set) {
    case EDGE_FOREST:
        return g + dither > 0.5 ? GroundPixel(GROUND_FOREST, 0, x, y) : -1;
    case EDGE_SAND:
        if (g + dither < 0.44) {
            return -1;
        }
        return g + dither < 0.52 ? ShadeAt(RAMP_WHEAT, 0.3 + Hash01(x, y, 2, 808) * 0.3, x, y)
                                 : GroundPixel(GROUND_DESERT, 0, x, y);
    case EDGE_ROCK:
        if (g < 0.5) {
            return -1;
        }
        return g < 0.56 ? ShadeAt(RAMP_ROCK, 0.08 + (g - 0.5) * 3.0, x, y)
                        : GroundPixel(GROUND_ROCK, 0, x, y);
    case EDGE_SNOW:
        if (g < 0.5) {
            return -1;
        }
        return g < 0.55 ? ShadeAt(RAMP_SNOW, 0.25, x, y) : GroundPixel(GROUND_SNOW, 0, x, y);
    default:
        return CoastPixel(set, g, x, y);
    }
}

void PaintEdgeTile(EdgeSet set, int mask) {
    ClearCanvas(TILE, TILE);
    for (int y = 0; y < TILE; ++y) {
        for (int x = 0; x < TILE; ++x) {
            const double field = CornerField(mask, x, y);
            const double g = field + 0.2 * TileNoise(x, y, 2200 + 13 * set);
            const int index = UpperPixel(set, g, x, y);
            if (index >= 0) {
                Plot(x, y, index);
            }
        }
    }
}

// Distance from (x, y) to the tile centre's spokes towards the linked edges.
double LinkDistance(int links, double x, double y) {
    const double centre = TILE / 2.0;
    const double dx = x - centre;
    const double dy = y - centre;
    double best = (dx * dx + dy * dy);
    const bool north = links & LINK_NORTH, south = links & LINK_SOUTH;
    const bool east = links & LINK_EAST, west = links & LINK_WEST;
    if ((north && dy < 0) || (south && dy > 0)) {
        best = best < dx * dx ? best : dx * dx;
    }
    if ((west && dx < 0) || (east && dx > 0)) {
        best = best < dy * dy ? best : dy * dy;
    }
    return std::sqrt(best); // correctly rounded everywhere, unlike sin or pow
}

void PaintRoadTile(int links) {
    ClearCanvas(TILE, TILE);
    for (int y = 0; y < TILE; ++y) {
        for (int x = 0; x < TILE; ++x) {
            const double d = LinkDistance(links, x + 0.5, y + 0.5);
            const double width = (links == 0 ? 12.0 : 8.0) + 1.4 * TileNoise(x, y, 3300);
            if (d > width) {
                continue;
            }
            const double base = TileNoise(x, y, 3301);
            const double grain = Hash01(x, y, links, 3302) - 0.5;
            double t = 0.58 + 0.14 * base + 0.16 * grain;
            if (d > width - 1.6) {
                t = 0.22 + 0.1 * grain;
            } else if (d > 2.4 && d < 4.2) {
                t -= 0.12; // wheel ruts
            }
            Plot(x, y, ShadeAt(RAMP_DIRT, t, x, y));
        }
    }
}

void PaintRiverTile(int links) {
    ClearCanvas(TILE, TILE);
    for (int y = 0; y < TILE; ++y) {
        for (int x = 0; x < TILE; ++x) {
            const double d = LinkDistance(links, x + 0.5, y + 0.5);
            const double width = 11.0 + 1.8 * TileNoise(x, y, 3400);
            if (d > width) {
                continue;
            }
            const double base = TileNoise(x, y, 3401);
            if (d > width - 2.2) {
                Plot(x, y, ShadeAt(RAMP_BEACH, 0.25 + 0.2 * base, x, y));
            } else if (d > width - 3.6) {
                Plot(x, y, ShadeAt(RAMP_SHALLOW, 0.75, x, y));
            } else {
                const double ripple = Wave(3.0 * (x + y) / TILE + 0.4 * base);
                Plot(x, y,
                     ShadeAt(RAMP_SHALLOW, 0.3 + 0.15 * base + (ripple > 0.92 ? 0.3 : 0.0), x, y));
            }
        }
    }
}

// Planks across the river, railings along both sides; `acrossEastWest` turns it a quarter.
void PaintBridgeTile(bool acrossEastWest) {
    ClearCanvas(TILE, TILE);
    for (int along = 0; along < TILE; ++along) {
        for (int across = 13; across < 42; ++across) {
            const int x = acrossEastWest ? along : across;
            const int y = acrossEastWest ? across : along;
            const bool rail = across < 16 || across > 38;
            const bool gap = along % 6 == 0;
            double t = rail ? 0.25 : (gap ? 0.2 : 0.55 + 0.2 * Hash01(along / 6, 0, 1, 3500));
            if (rail && along % 9 == 4) {
                t = 0.05; // posts
            }
            Plot(x, y, ShadeAt(RAMP_WOOD, t + 0.1 * (Hash01(x, y, 2, 3500) - 0.5), x, y));
        }
    }
}

} // namespace

void PaintGroundFamilies() {
    StartFamily("ground tiles (55 x 55, level 1)");
    for (int family = 0; family < GROUND_FAMILY_COUNT; ++family) {
        for (int variant = 0; variant < GROUND_VARIANTS; ++variant) {
            PaintGroundTile(static_cast<GroundFamily>(family), variant);
            Tiles.ground[family][variant] = PlaceCanvas(LEVEL_GROUND, 0, 0);
        }
    }
}

void PaintEdgeFamilies() {
    StartFamily("coast and terrain edges (55 x 55, level 2)");
    for (int set = 0; set < EDGE_SET_COUNT; ++set) {
        for (int mask = 1; mask < 15; ++mask) {
            PaintEdgeTile(static_cast<EdgeSet>(set), mask);
            Tiles.edge[set][mask] = PlaceCanvas(LEVEL_EDGE, 0, 0);
        }
    }
}

void PaintWayFamilies() {
    StartFamily("roads (55 x 55, level 4)");
    for (int links = 0; links < 16; ++links) {
        PaintRoadTile(links);
        Tiles.road[links] = PlaceCanvas(LEVEL_ROAD, 0, 0);
    }
    StartFamily("rivers (55 x 55, level 3) and bridges (level 5)");
    for (int links = 0; links < 16; ++links) {
        PaintRiverTile(links);
        Tiles.river[links] = PlaceCanvas(LEVEL_RIVER, 0, 0);
    }
    for (int turn = 0; turn < 2; ++turn) {
        PaintBridgeTile(turn == 1);
        Tiles.bridge[turn] = PlaceCanvas(LEVEL_BRIDGE, 0, 0);
    }
}
