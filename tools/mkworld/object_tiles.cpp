// Standing objects: trees, rocks, buildings and mountains, each lifted by its anchor so that it
// rises above its cell into the row behind it.

#include "tools/common/world_facts.h"
#include "tools/mkworld/art.h"
#include "tools/mkworld/noise.h"
#include "tools/mkworld/palette.h"

namespace {

double Sin(double turns) {
    return Wave(turns);
}
double Cos(double turns) {
    return Wave(turns + 0.25);
}

double Abs(double value) {
    return value < 0 ? -value : value;
}

struct Blob {
    double x;
    double y;
    double r;
};

bool InEllipse(double x, double y, double cx, double cy, double rx, double ry) {
    const double dx = (x - cx) / rx;
    const double dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

void PaintShadow(double cx, double cy, double rx, double ry, int index) {
    for (int y = 0; y < CanvasHeight(); ++y) {
        for (int x = 0; x < CanvasWidth(); ++x) {
            if (InEllipse(x + 0.5, y + 0.5, cx, cy, rx, ry)) {
                PlotUnder(x, y, index);
            }
        }
    }
}

// A round, lumpy crown lit from the upper left; later blobs stand in front of earlier ones.
void PaintCanopy(const Blob *blobs, int count, double cx, double cy, double radius, Ramp ramp,
                 double lift, std::uint32_t seed) {
    for (int y = 0; y < CanvasHeight(); ++y) {
        for (int x = 0; x < CanvasWidth(); ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            const double wobble = 1.6 * LatticeNoise(px / 2.6, py / 2.6, 0, seed);
            int front = -1;
            for (int b = 0; b < count; ++b) {
                if (InEllipse(px, py, blobs[b].x, blobs[b].y, blobs[b].r + wobble,
                              blobs[b].r + wobble)) {
                    front = b;
                }
            }
            if (front < 0) {
                continue;
            }
            const Blob &blob = blobs[front];
            const double local = -0.5 * (px - blob.x) / blob.r - 0.7 * (py - blob.y) / blob.r;
            const double light = 0.5 - 0.22 * (px - cx) / radius - 0.3 * (py - cy) / radius +
                                 0.16 * local +
                                 0.14 * LatticeNoise(px / 2.2, py / 2.2, 0, seed + 1) +
                                 0.16 * (Hash01(x, y, 0, seed + 2) - 0.5) + lift;
            Plot(x, y, ShadeAt(ramp, light, x, y));
        }
    }
}

void PaintTrunk(double cx, int top, int bottom, double halfWidth) {
    for (int y = top; y < bottom; ++y) {
        const double spread = halfWidth + (y > bottom - 4 ? (y - bottom + 4) * 0.6 : 0.0);
        for (int x = static_cast<int>(cx - spread); x <= static_cast<int>(cx + spread); ++x) {
            const double t = 0.62 - 0.5 * (x + 0.5 - cx) / (spread + 0.5);
            Plot(x, y, ShadeAt(RAMP_WOOD, t + 0.1 * (Hash01(x, y, 1, 4400) - 0.5), x, y));
        }
    }
}

int GrassShadow() {
    return Shade(RAMP_GRASS, 0.08);
}

// A crown of `lobes` blobs around (cx, cy).
void PaintRoundTree(double cx, double cy, double radius, int lobes, Ramp ramp, double lift,
                    std::uint32_t seed, int trunkBottom) {
    PaintTrunk(cx, static_cast<int>(cy), trunkBottom, radius > 14 ? 2.6 : 2.0);
    Blob blobs[12];
    int count = 0;
    for (int lobe = 0; lobe < lobes && count < 11; ++lobe) {
        const double turn = (lobe + 0.3 * Hash01(lobe, 0, 0, seed)) / lobes;
        const double reach = radius * (0.45 + 0.12 * Hash01(lobe, 1, 0, seed));
        blobs[count++] = Blob{cx + reach * Cos(turn), cy + reach * 0.85 * Sin(turn),
                              radius * (0.5 + 0.1 * Hash01(lobe, 2, 0, seed))};
    }
    blobs[count++] = Blob{cx - radius * 0.12, cy - radius * 0.18, radius * 0.62};
    PaintCanopy(blobs, count, cx, cy, radius, ramp, lift, seed);
}

void PaintDeciduous(int variant, Ramp ramp) {
    ClearCanvas(TILE, 100);
    const std::uint32_t seed = 4500 + 10 * variant + (ramp == RAMP_AUTUMN ? 300 : 0);
    if (variant == 3) { // a pair of younger trees
        PaintRoundTree(17, 60, 12, 5, ramp, 0.02, seed, 90);
        PaintRoundTree(37, 68, 13, 6, ramp, 0.0, seed + 1, 95);
    } else {
        const double radius = 17.0 + 1.5 * variant;
        PaintRoundTree(27.5, 93 - radius - 20, radius, 7, ramp, 0.04 * variant - 0.04, seed, 93);
    }
    OutlineCanvas();
    PaintShadow(30, 93, 17, 4.5, GrassShadow());
}

// Tiers of needles from the top down, lit from the left; snow lies on each tier's upper part.
void PaintPine(int variant, bool snowy) {
    ClearCanvas(TILE, 100);
    const std::uint32_t seed = 4700 + 10 * variant + (snowy ? 50 : 0);
    const double cx = 27.5 + (variant - 1) * 1.5;
    const int tiers = 4 + variant % 2;
    const double top = 8 + 4 * variant;
    const double height = 84 - top;
    PaintTrunk(cx, 80, 94, 2.2);
    for (int tier = 0; tier < tiers; ++tier) {
        const double apex = top + tier * height / (tiers + 1.2);
        const double depth = height / (tiers - 0.4) + 2;
        const double halfWidth = 7 + tier * (14.0 / tiers) + 2 * variant;
        for (int y = static_cast<int>(apex); y < apex + depth && y < 92; ++y) {
            const double along = (y + 0.5 - apex) / depth;
            for (int x = 0; x < TILE; ++x) {
                const double across = (x + 0.5 - cx) / (halfWidth * along + 0.8);
                const double jag = 0.12 * Hash01(x / 2, y, tier, seed);
                if (Abs(across) > 1.0 - jag) {
                    continue;
                }
                double t = 0.55 - 0.38 * across - 0.2 * along +
                           0.14 * (Hash01(x, y, tier, seed + 1) - 0.5);
                const double snowLine =
                    0.45 + 0.2 * LatticeNoise(x / 3.0, tier * 5.0, 0, seed + 2) - 0.25 * across;
                if (snowy && along < snowLine) {
                    Plot(x, y, ShadeAt(RAMP_SNOW, 0.9 - 0.4 * across, x, y));
                } else {
                    Plot(x, y, ShadeAt(RAMP_CONIFER, t, x, y));
                }
            }
        }
    }
    OutlineCanvas();
    PaintShadow(31, 93, 14, 4, snowy ? Shade(RAMP_SNOW, 0.2) : GrassShadow());
}

void PaintPalm(int variant) {
    ClearCanvas(TILE, 100);
    const double lean = variant == 0 ? 9.0 : -7.0;
    double headX = 0;
    double headY = 0;
    for (int step = 0; step <= 60; ++step) {
        const double t = step / 60.0;
        const double x = 27.5 + lean * t * t;
        const double y = 93 - 62 * t;
        const double ring = (step % 5 == 0) ? 0.2 : 0.55;
        for (int dx = -3; dx <= 3; ++dx) {
            Plot(static_cast<int>(x) + dx, static_cast<int>(y),
                 ShadeAt(RAMP_WOOD, ring + 0.3 - 0.12 * dx, static_cast<int>(x) + dx,
                         static_cast<int>(y)));
        }
        headX = x;
        headY = y;
    }
    for (int frond = 0; frond < 8; ++frond) {
        const double turn = frond / 8.0 + 0.03 * variant;
        const double length = 21 + 4 * Hash01(frond, variant, 0, 4900);
        for (int step = 0; step < 40; ++step) {
            const double s = step / 40.0;
            const double x = headX + Cos(turn) * length * s;
            const double y = headY + Sin(turn) * length * 0.6 * s + 14 * s * s;
            const double thick = 3.2 * (1 - s) + 0.8;
            const int widthSteps = static_cast<int>(2 * thick / 0.7);
            for (int wStep = 0; wStep <= widthSteps; ++wStep) {
                const double w = -thick + wStep * 0.7;
                const int px = static_cast<int>(x - Sin(turn) * w);
                const int py = static_cast<int>(y + Cos(turn) * w * 0.7);
                Plot(px, py, ShadeAt(RAMP_LEAVES, 0.62 - 0.3 * s - 0.1 * w / thick, px, py));
            }
        }
    }
    OutlineCanvas();
    PaintShadow(30, 93, 15, 4, Shade(RAMP_DESERT, 0.15));
}

void PaintCactusColumn(int left, int right, int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const double across = (x + 0.5 - (left + right) / 2.0) / ((right - left) / 2.0);
            const bool cap = y < top + 3 && Abs(across) > 0.55 + (y - top) * 0.15;
            if (cap) {
                continue;
            }
            const double rib = (x - left) % 3 == 0 ? -0.18 : 0.0;
            Plot(x, y, ShadeAt(RAMP_CACTUS, 0.62 - 0.4 * across + rib, x, y));
        }
    }
}

void PaintCactus(int variant) {
    ClearCanvas(TILE, 90);
    PaintCactusColumn(23, 32, 20 + 6 * variant, 86);
    PaintCactusColumn(12, 19, 36, 58);
    PaintCactusColumn(12, 26, 52, 58);
    if (variant == 0) {
        PaintCactusColumn(36, 43, 44, 66);
        PaintCactusColumn(29, 43, 60, 66);
    }
    Plot(27, 19 + 6 * variant, AccentIndex(ACCENT_FLOWER_RED));
    OutlineCanvas();
    PaintShadow(31, 86, 12, 3.5, Shade(RAMP_DESERT, 0.15));
}

void PaintBush(int variant) {
    ClearCanvas(TILE, TILE);
    const std::uint32_t seed = 5100 + variant;
    const Blob blobs[] = {{20, 36, 9}, {35, 35, 10}, {27, 30, 10}};
    PaintCanopy(blobs, 3, 27, 33, 15, RAMP_LEAVES, -0.05, seed);
    if (variant == 1) {
        for (int n = 0; n < 9; ++n) {
            Plot(16 + static_cast<int>(Hash01(n, 0, 0, seed) * 24),
                 24 + static_cast<int>(Hash01(n, 1, 0, seed) * 16), AccentIndex(ACCENT_FLOWER_RED));
        }
    }
    OutlineCanvas();
    PaintShadow(29, 45, 16, 4, GrassShadow());
}

void PaintBoulder(int variant, bool snowy) {
    ClearCanvas(TILE, 65);
    const std::uint32_t seed = 5200 + variant + (snowy ? 20 : 0);
    const double cx = 27.5;
    const double cy = 46;
    const double radius = 14 + 3 * variant;
    for (int y = 0; y < 65; ++y) {
        for (int x = 0; x < TILE; ++x) {
            const double dx = (x + 0.5 - cx) / radius;
            const double dy = (y + 0.5 - cy) / (radius * 0.8);
            const double edge = 1.0 + 0.22 * LatticeNoise(dx * 2.2 + 5, dy * 2.2, 0, seed);
            if (dx * dx + dy * dy > edge * edge || y > 59) {
                continue;
            }
            const double facet = 0.12 * LatticeNoise(x / 4.0, y / 4.0, 0, seed + 1);
            const double t = 0.58 - 0.3 * dx - 0.35 * dy + facet;
            if (snowy && dy < -0.25 + 0.3 * LatticeNoise(x / 3.0, 0, 0, seed + 2)) {
                Plot(x, y, ShadeAt(RAMP_SNOW, 0.85 - 0.3 * dx, x, y));
            } else {
                Plot(x, y, ShadeAt(RAMP_ROCK, t, x, y));
            }
        }
    }
    OutlineCanvas();
    PaintShadow(31, 58, radius + 3, 4, snowy ? Shade(RAMP_SNOW, 0.2) : GrassShadow());
}

struct HouseStyle {
    Ramp wall;
    Ramp roof;
    int halfWidth;
    int wallHeight;
    int roofHeight;
    bool timber;
    bool snowRoof;
    bool litWindows;
};

void PaintWall(const HouseStyle &style, int left, int right, int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            double t =
                0.66 - 0.22 * (x - left) / (right - left) + 0.08 * (Hash01(x, y, 0, 5300) - 0.5);
            if (style.wall == RAMP_STONE &&
                ((y - top) % 5 == 0 || (x + (y - top) / 5 * 4) % 8 == 0)) {
                t -= 0.25;
            }
            const bool beam = style.timber && (x == left + 1 || x == right - 1 || x == 27 ||
                                               y == top + 1 || y == (top + bottom) / 2);
            Plot(x, y, beam ? ShadeAt(RAMP_WOOD, 0.2, x, y) : ShadeAt(style.wall, t, x, y));
        }
    }
}

void PaintWindow(int left, int top, bool lit) {
    for (int y = top; y < top + 8; ++y) {
        for (int x = left; x < left + 7; ++x) {
            const bool frame = x == left || x == left + 6 || y == top || y == top + 7 ||
                               x == left + 3 || y == top + 4;
            Plot(x, y,
                 frame ? Shade(RAMP_PLASTER, 0.9)
                       : AccentIndex(lit ? ACCENT_WINDOW_LIT : ACCENT_WINDOW));
        }
    }
}

void PaintRoof(const HouseStyle &style, int ridgeHalf, int top, int bottom, int eaveHalf) {
    for (int y = top; y < bottom; ++y) {
        const double along = (y - top) / static_cast<double>(bottom - top);
        const double half = ridgeHalf + along * (eaveHalf - ridgeHalf);
        const int row = (y - top) / 4;
        for (int x = static_cast<int>(27.5 - half); x <= static_cast<int>(27.5 + half); ++x) {
            double t = 0.66 - 0.3 * (x + 0.5 - 27.5) / (half + 1) - 0.12 * along;
            if ((y - top) % 4 == 3 || (x + row * 3) % 6 == 0) {
                t -= 0.22;
            }
            const double snowLine = 0.7 + 0.15 * LatticeNoise(x / 3.0, 0, 0, 5400);
            if (style.snowRoof && along < snowLine) {
                Plot(x, y, ShadeAt(RAMP_SNOW, 0.95 - 0.35 * (x - 27.5) / half, x, y));
            } else {
                Plot(x, y, ShadeAt(style.roof, t, x, y));
            }
        }
    }
}

void PaintHouse(const HouseStyle &style) {
    ClearCanvas(TILE, 85);
    const int left = 27 - style.halfWidth;
    const int right = 27 + style.halfWidth;
    const int ground = 82;
    const int wallTop = ground - style.wallHeight;
    const int roofTop = wallTop - style.roofHeight;
    PaintWall(style, left, right, wallTop, ground);
    for (int y = ground - 14; y < ground; ++y) { // the door
        for (int x = 24; x < 31; ++x) {
            Plot(x, y, ShadeAt(RAMP_WOOD, x == 24 || y == ground - 14 ? 0.1 : 0.45, x, y));
        }
    }
    PaintWindow(left + 4, wallTop + 6, style.litWindows);
    PaintWindow(right - 10, wallTop + 6, false);
    PaintRoof(style, style.halfWidth - 8, roofTop, wallTop + 3, style.halfWidth + 4);
    for (int y = roofTop - 5; y < roofTop + 7; ++y) { // the chimney
        for (int x = right - 11; x < right - 6; ++x) {
            Plot(x, y,
                 ShadeAt(RAMP_STONE, y < roofTop - 3 ? 0.2 : 0.55 - 0.1 * (x - right + 11), x, y));
        }
    }
    OutlineCanvas();
    PaintShadow(31, 82, style.halfWidth + 5, 3, GrassShadow());
}

void PaintBarn() {
    ClearCanvas(TILE, 85);
    for (int y = 48; y < 82; ++y) {
        for (int x = 4; x < 51; ++x) {
            const double t = 0.45 - 0.15 * (x - 4) / 47.0 - ((x % 5 == 0) ? 0.15 : 0.0);
            Plot(x, y, ShadeAt(RAMP_ROOF, t, x, y));
        }
    }
    for (int y = 58; y < 82; ++y) { // the big door with its cross brace
        for (int x = 17; x < 38; ++x) {
            const bool brace = Abs((x - 17) * 24.0 / 21.0 - (y - 58)) < 1.5 ||
                               Abs((37 - x) * 24.0 / 21.0 - (y - 58)) < 1.5 || x == 17 || x == 37 ||
                               y == 58;
            Plot(x, y, brace ? Shade(RAMP_PLASTER, 0.95) : ShadeAt(RAMP_ROOF, 0.22, x, y));
        }
    }
    const HouseStyle style{RAMP_ROOF, RAMP_SLATE, 23, 34, 26, false, false, false};
    PaintRoof(style, 12, 22, 51, 27);
    OutlineCanvas();
    PaintShadow(30, 82, 27, 3, GrassShadow());
}

// A round stone tower, shaded as a cylinder, with battlements and a flag.
void PaintTowerBody(int left, int right, int top, int bottom) {
    const double cx = (left + right) / 2.0;
    const double radius = (right - left) / 2.0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const double across = (x + 0.5 - cx) / radius;
            const int course = (y - top) / 5;
            const bool joint = (y - top) % 5 == 0 || (x + course * 4) % 8 == 0;
            const double t = 0.68 - 0.45 * across - 0.3 * across * across - (joint ? 0.18 : 0.0);
            Plot(x, y, ShadeAt(RAMP_STONE, t, x, y));
        }
    }
}

void PaintTower() {
    ClearCanvas(TILE, 130);
    PaintTowerBody(13, 42, 30, 127);
    for (int y = 18; y < 32; ++y) { // battlements
        for (int x = 9; x < 46; ++x) {
            if (y < 24 && ((x - 9) / 5) % 2 == 1) {
                continue;
            }
            Plot(x, y, ShadeAt(RAMP_STONE, 0.72 - 0.5 * (x - 27.5) / 18.5, x, y));
        }
    }
    for (int slot = 0; slot < 3; ++slot) { // arrow slits and the door
        for (int y = 45 + slot * 22; y < 53 + slot * 22; ++y) {
            Plot(26, y, PALETTE_BLACK);
            Plot(27, y, PALETTE_BLACK);
        }
    }
    for (int y = 110; y < 127; ++y) {
        for (int x = 22; x < 33; ++x) {
            Plot(x, y, ShadeAt(RAMP_WOOD, y < 112 ? 0.05 : 0.35, x, y));
        }
    }
    for (int y = 2; y < 18; ++y) { // the flag
        Plot(27, y, Shade(RAMP_WOOD, 0.1));
        for (int x = 28; x < 40 && y < 10; ++x) {
            Plot(x, y + (x - 28) / 5, AccentIndex(ACCENT_FLOWER_RED));
        }
    }
    OutlineCanvas();
    PaintShadow(31, 127, 19, 3, GrassShadow());
}

void PaintChurch() {
    ClearCanvas(TILE, 125);
    const HouseStyle nave{RAMP_PLASTER, RAMP_ROOF, 19, 24, 20, false, false, true};
    PaintWall(nave, 3, 34, 98, 122);
    PaintRoof(nave, 10, 76, 100, 19);
    PaintTowerBody(31, 50, 44, 122);
    for (int y = 6; y < 46; ++y) { // the spire
        const double half = (y - 6) / 40.0 * 11.0;
        for (int x = static_cast<int>(40.5 - half); x <= static_cast<int>(40.5 + half); ++x) {
            Plot(x, y, ShadeAt(RAMP_SLATE, 0.75 - 0.5 * (x - 40.5) / (half + 1), x, y));
        }
    }
    for (int y = 55; y < 65; ++y) { // the belfry window
        for (int x = 37; x < 44; ++x) {
            Plot(x, y, AccentIndex(ACCENT_WINDOW));
        }
    }
    for (int y = 106; y < 122; ++y) {
        for (int x = 12; x < 19; ++x) {
            Plot(x, y, ShadeAt(RAMP_WOOD, 0.35, x, y));
        }
    }
    for (int y = 3; y < 6; ++y) {
        Plot(40, y, AccentIndex(ACCENT_LAMP));
    }
    OutlineCanvas();
    PaintShadow(30, 122, 26, 3, GrassShadow());
}

void PaintWindmill() {
    ClearCanvas(TILE, 115);
    for (int y = 50; y < 112; ++y) {
        const double half = 7 + (y - 50) * 0.14;
        for (int x = static_cast<int>(27.5 - half); x <= static_cast<int>(27.5 + half); ++x) {
            Plot(x, y, ShadeAt(RAMP_PLASTER, 0.75 - 0.45 * (x - 27.5) / half, x, y));
        }
    }
    for (int y = 98; y < 112; ++y) {
        for (int x = 24; x < 31; ++x) {
            Plot(x, y, ShadeAt(RAMP_WOOD, 0.3, x, y));
        }
    }
    PaintWindow(24, 70, false);
    for (int y = 38; y < 52; ++y) { // the cap
        const double half = 4 + (y - 38) * 0.55;
        for (int x = static_cast<int>(27.5 - half); x <= static_cast<int>(27.5 + half); ++x) {
            Plot(x, y, ShadeAt(RAMP_ROOF, 0.7 - 0.4 * (x - 27.5) / half, x, y));
        }
    }
    for (int arm = 0; arm < 4; ++arm) {
        const double turn = 0.125 + arm * 0.25;
        for (int sStep = 0; sStep < 46; ++sStep) {
            const double s = 3 + sStep * 0.5;
            for (int wStep = 0; wStep <= 12; ++wStep) {
                const double w = -1 + wStep * 0.5;
                const int x = static_cast<int>(27.5 + Cos(turn) * s - Sin(turn) * w);
                const int y = static_cast<int>(45 + Sin(turn) * s + Cos(turn) * w);
                const bool frame = w < 0 || w > 4.5 || static_cast<int>(s) % 5 == 0;
                Plot(x, y, frame ? Shade(RAMP_WOOD, 0.2) : Shade(RAMP_PLASTER, 0.85));
            }
        }
    }
    OutlineCanvas();
    PaintShadow(30, 112, 15, 3, GrassShadow());
}

void PaintMountain(int variant, bool snowy) {
    ClearCanvas(110, 110);
    const std::uint32_t seed = 5600 + variant + (snowy ? 10 : 0);
    const double peakX = 55 + 8 * (Hash01(variant, 0, 0, seed) - 0.5);
    const double peakY = 10 + 8 * variant;
    const double snowDepth = snowy ? 40 : 14;
    for (int y = 0; y < 110; ++y) {
        for (int x = 1; x < 109; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            const double distance = Abs(px - peakX);
            const double slope = px < peakX ? 1.55 : 1.75;
            const double crag = 7 * LatticeNoise(px / 8, 0.5, 0, seed) * Clamp01(distance / 12);
            const double foot = 108 - 14 * (distance / 54) * (distance / 54);
            if (py < peakY + distance * slope + crag || py > foot) {
                continue;
            }
            const double ridge =
                peakX + (py - peakY) * 0.22 + 6 * LatticeNoise(0.5, py / 10, 0, seed + 1);
            const bool lit = px < ridge;
            double t = (lit ? 0.66 : 0.24) + 0.12 * LatticeNoise(px / 5, py / 5, 0, seed + 2) +
                       0.07 * Wave(py / 9 + 0.5 * LatticeNoise(px / 9, py / 9, 0, seed + 3));
            if (LatticeNoise(px / 3, py / 12, 0, seed + 4) > 0.55) {
                t -= 0.16; // gullies
            }
            const double snowLine = peakY + snowDepth + 9 * LatticeNoise(px / 5, 0.5, 0, seed + 5);
            if (py < snowLine) {
                Plot(x, y, ShadeAt(RAMP_SNOW, lit ? 0.95 : 0.45, x, y));
            } else {
                Plot(x, y, ShadeAt(RAMP_ROCK, t, x, y));
            }
        }
    }
    OutlineCanvas();
}

void PaintBoat(int variant) {
    ClearCanvas(TILE, 70);
    for (int y = 50; y < 60; ++y) { // the hull
        const double inset = (y - 50) * 0.9;
        for (int x = static_cast<int>(8 + inset); x < static_cast<int>(47 - inset); ++x) {
            Plot(x, y, ShadeAt(RAMP_WOOD, y == 50 ? 0.8 : 0.5 - (y - 50) * 0.03, x, y));
        }
    }
    for (int y = 10; y < 50; ++y) {
        Plot(27, y, Shade(RAMP_WOOD, 0.15));
    }
    for (int y = 12; y < 47; ++y) { // the sail
        const double reach = (y - 12) * (variant == 0 ? 0.5 : 0.42);
        for (int x = 29; x < static_cast<int>(29 + reach); ++x) {
            Plot(x, y,
                 variant == 1 && (y / 6) % 2 == 0
                     ? ShadeAt(RAMP_ROOF, 0.6, x, y)
                     : ShadeAt(RAMP_PLASTER, 0.95 - 0.012 * (x - 29), x, y));
        }
    }
    OutlineCanvas();
    for (int x = 10; x < 46; ++x) { // the wake
        if (Hash01(x, 0, variant, 5700) < 0.6) {
            PlotUnder(x, 61 + (x % 3), Shade(RAMP_FOAM, 0.6));
        }
    }
}

void PaintHaystack() {
    ClearCanvas(TILE, 70);
    for (int y = 20; y < 64; ++y) {
        for (int x = 8; x < 48; ++x) {
            const double dx = (x + 0.5 - 27.5) / 19.0;
            const double dy = (y + 0.5 - 64) / 42.0;
            if (dx * dx + dy * dy > 1.0) {
                continue;
            }
            const double straw = 0.1 * (Hash01(x, y / 2, 0, 5800) - 0.5);
            Plot(x, y, ShadeAt(RAMP_WHEAT, 0.72 - 0.4 * dx + 0.3 * dy + straw, x, y));
        }
    }
    OutlineCanvas();
    PaintShadow(31, 64, 21, 3.5, Shade(RAMP_WHEAT, 0.0));
}

void PaintTent(int variant) {
    ClearCanvas(TILE, 70);
    const Ramp stripe = variant == 0 ? RAMP_ROOF : RAMP_SLATE;
    for (int y = 18; y < 64; ++y) {
        const double half = (y - 18) * 0.5;
        for (int x = static_cast<int>(27.5 - half); x <= static_cast<int>(27.5 + half); ++x) {
            const double across = (x + 0.5 - 27.5) / (half + 1);
            const bool door = Abs(across) < 0.22 && y > 44;
            const bool band = static_cast<int>((across + 1) * 4) % 2 == 0;
            const int index = door   ? PALETTE_BLACK
                              : band ? ShadeAt(stripe, 0.6 - 0.3 * across, x, y)
                                     : ShadeAt(RAMP_PLASTER, 0.8 - 0.3 * across, x, y);
            Plot(x, y, index);
        }
    }
    OutlineCanvas();
    PaintShadow(31, 64, 25, 3.5, Shade(RAMP_DESERT, 0.15));
}

void PaintIgloo() {
    ClearCanvas(TILE, 60);
    for (int y = 20; y < 56; ++y) {
        for (int x = 6; x < 50; ++x) {
            const double dx = (x + 0.5 - 27.5) / 21.0;
            const double dy = (y + 0.5 - 56) / 34.0;
            if (dx * dx + dy * dy > 1.0) {
                continue;
            }
            const bool joint = (y - 20) % 7 == 0 || (x + ((y - 20) / 7) * 5) % 10 == 0;
            const bool door = Abs(dx) < 0.25 && y > 42;
            const double t = 0.9 - 0.4 * dx - 0.2 * (dy + 1) - (joint ? 0.3 : 0.0);
            Plot(x, y, door ? Shade(RAMP_ICE, 0.0) : ShadeAt(RAMP_SNOW, t, x, y));
        }
    }
    OutlineCanvas();
    PaintShadow(30, 56, 24, 3.5, Shade(RAMP_SNOW, 0.2));
}

void PaintReeds(int variant) {
    ClearCanvas(TILE, 70);
    for (int stalk = 0; stalk < 14; ++stalk) {
        const double x0 = 8 + 39 * Hash01(stalk, variant, 0, 5900);
        const double height = 24 + 22 * Hash01(stalk, variant, 1, 5900);
        const double bend = 6 * (Hash01(stalk, variant, 2, 5900) - 0.5);
        for (int step = 0; step < static_cast<int>(height); ++step) {
            const double s = step / height;
            const int x = static_cast<int>(x0 + bend * s * s);
            const int y = 64 - step;
            Plot(x, y, ShadeAt(RAMP_GRASS, 0.3 + 0.5 * s, x, y));
            if (s > 0.8 && stalk % 3 == 0) {
                Plot(x + 1, y, Shade(RAMP_WOOD, 0.3));
            }
        }
    }
    OutlineCanvas();
}

// The village well: a stone ring under a little roof.
void PaintWell() {
    ClearCanvas(TILE, 70);
    for (int y = 44; y < 66; ++y) {
        for (int x = 12; x < 43; ++x) {
            if (!InEllipse(x + 0.5, y + 0.5, 27.5, 55, 15.5, 10.5)) {
                continue;
            }
            const bool water = InEllipse(x + 0.5, y + 0.5, 27.5, 52, 11, 5);
            const bool joint = (x + (y / 4) * 3) % 6 == 0 || y % 4 == 0;
            Plot(x, y,
                 water ? ShadeAt(RAMP_DEEP_WATER, 0.2, x, y)
                       : ShadeAt(RAMP_STONE, 0.7 - 0.4 * (x - 27.5) / 15.5 - (joint ? 0.2 : 0), x,
                                 y));
        }
    }
    for (int y = 20; y < 52; ++y) { // posts
        Plot(14, y, Shade(RAMP_WOOD, 0.45));
        Plot(15, y, Shade(RAMP_WOOD, 0.3));
        Plot(40, y, Shade(RAMP_WOOD, 0.45));
        Plot(41, y, Shade(RAMP_WOOD, 0.3));
    }
    const HouseStyle roof{RAMP_PLASTER, RAMP_ROOF, 13, 0, 0, false, false, false};
    PaintRoof(roof, 6, 10, 24, 18);
    OutlineCanvas();
    PaintShadow(30, 65, 18, 3, GrassShadow());
}

void PaintLighthouse() {
    ClearCanvas(TILE, 150);
    for (int y = 130; y < 149; ++y) { // rocks at its foot
        for (int x = 4; x < 51; ++x) {
            if (InEllipse(x + 0.5, y + 0.5, 27.5, 149, 23,
                          19 + 4 * LatticeNoise(x / 4.0, 0, 0, 6000))) {
                Plot(x, y, ShadeAt(RAMP_ROCK, 0.6 - 0.4 * (x - 27.5) / 23, x, y));
            }
        }
    }
    for (int y = 42; y < 136; ++y) {
        const double half = 7 + (y - 42) * 0.045;
        const bool red = ((y - 42) / 16) % 2 == 0;
        for (int x = static_cast<int>(27.5 - half); x <= static_cast<int>(27.5 + half); ++x) {
            const double t = 0.78 - 0.5 * (x + 0.5 - 27.5) / half;
            Plot(x, y,
                 red ? ShadeAt(RAMP_ROOF, t - 0.05, x, y) : ShadeAt(RAMP_PLASTER, t + 0.1, x, y));
        }
    }
    for (int y = 36; y < 42; ++y) { // the gallery
        for (int x = 15; x < 41; ++x) {
            Plot(x, y, (x % 3 == 0 || y == 36) ? Shade(RAMP_SLATE, 0.1) : Shade(RAMP_SLATE, 0.5));
        }
    }
    for (int y = 22; y < 36; ++y) { // the lantern
        for (int x = 20; x < 36; ++x) {
            Plot(x, y, x % 5 == 0 ? Shade(RAMP_SLATE, 0.2) : AccentIndex(ACCENT_LAMP));
        }
    }
    for (int y = 10; y < 22; ++y) {
        const double half = (y - 10) * 0.8;
        for (int x = static_cast<int>(27.5 - half); x <= static_cast<int>(27.5 + half); ++x) {
            Plot(x, y, ShadeAt(RAMP_ROOF, 0.6 - 0.4 * (x - 27.5) / (half + 1), x, y));
        }
    }
    Plot(27, 8, Shade(RAMP_SLATE, 0.2));
    Plot(27, 9, Shade(RAMP_SLATE, 0.2));
    OutlineCanvas();
}

// Stripes that must never be seen: a duplicate record that the lookup cannot reach shows them.
void PaintWarning() {
    ClearCanvas(TILE, TILE);
    for (int y = 0; y < TILE; ++y) {
        for (int x = 0; x < TILE; ++x) {
            Plot(x, y, ((x + y) / 8) % 2 == 0 ? AccentIndex(ACCENT_WARNING) : PALETTE_BLACK);
        }
    }
}

// Registers the canvas as the next variant of kind.
void Keep(ObjectKind kind, int anchorX, int anchorY) {
    const int variant = Tiles.objectVariants[kind]++;
    Tiles.object[kind][variant] = PlaceCanvas(LEVEL_OBJECT, anchorX, anchorY);
}

void KeepStanding(ObjectKind kind) {
    // The tile's foot sits on the cell's bottom edge; everything above rises into the row behind.
    Keep(kind, 0, CanvasHeight() - TILE);
}

void PaintTrees() {
    StartFamily("trees and plants (level 6, lifted by their anchors)");
    for (int variant = 0; variant < 4; ++variant) {
        PaintDeciduous(variant, RAMP_LEAVES);
        KeepStanding(OBJECT_OAK);
    }
    for (int variant = 0; variant < 2; ++variant) {
        PaintDeciduous(variant + 1, RAMP_AUTUMN);
        KeepStanding(OBJECT_AUTUMN);
    }
    for (int variant = 0; variant < 3; ++variant) {
        PaintPine(variant, false);
        KeepStanding(OBJECT_PINE);
        PaintPine(variant, true);
        KeepStanding(OBJECT_SNOW_PINE);
    }
    for (int variant = 0; variant < 2; ++variant) {
        PaintPalm(variant);
        KeepStanding(OBJECT_PALM);
        PaintCactus(variant);
        KeepStanding(OBJECT_CACTUS);
        PaintBush(variant);
        KeepStanding(OBJECT_BUSH);
        PaintReeds(variant);
        KeepStanding(OBJECT_REEDS);
    }
}

void PaintRocks() {
    StartFamily("rocks and mountains (level 6; mountains 110 x 110 also reach one cell left)");
    for (int variant = 0; variant < 3; ++variant) {
        PaintBoulder(variant, false);
        KeepStanding(OBJECT_BOULDER);
    }
    for (int variant = 0; variant < 2; ++variant) {
        PaintBoulder(variant + 1, true);
        KeepStanding(OBJECT_SNOW_BOULDER);
    }
    for (int variant = 0; variant < 3; ++variant) {
        PaintMountain(variant, false);
        Keep(OBJECT_MOUNTAIN, TILE, TILE);
    }
    for (int variant = 0; variant < 2; ++variant) {
        PaintMountain(variant + 1, true);
        Keep(OBJECT_SNOW_MOUNTAIN, TILE, TILE);
    }
}

void PaintBuildings() {
    StartFamily("buildings, boats and camps (level 6, lifted by their anchors)");
    const HouseStyle houses[] = {
        {RAMP_PLASTER, RAMP_ROOF, 20, 28, 22, false, false, false},
        {RAMP_PLASTER, RAMP_ROOF, 19, 26, 24, true, false, true},
        {RAMP_STONE, RAMP_SLATE, 20, 28, 20, false, false, false},
        {RAMP_PLASTER, RAMP_ROOF, 22, 30, 26, false, false, true},
    };
    for (const HouseStyle &style : houses) {
        PaintHouse(style);
        KeepStanding(OBJECT_HOUSE);
    }
    const HouseStyle snowHouses[] = {
        {RAMP_WOOD, RAMP_SLATE, 19, 26, 24, false, true, true},
        {RAMP_STONE, RAMP_SLATE, 21, 28, 22, false, true, false},
    };
    for (const HouseStyle &style : snowHouses) {
        PaintHouse(style);
        KeepStanding(OBJECT_SNOW_HOUSE);
    }
    PaintBarn();
    KeepStanding(OBJECT_BARN);
    PaintChurch();
    KeepStanding(OBJECT_CHURCH);
    PaintTower();
    KeepStanding(OBJECT_TOWER);
    PaintWindmill();
    KeepStanding(OBJECT_WINDMILL);
    for (int variant = 0; variant < 2; ++variant) {
        PaintBoat(variant);
        KeepStanding(OBJECT_BOAT);
        PaintTent(variant);
        KeepStanding(OBJECT_TENT);
    }
    PaintHaystack();
    KeepStanding(OBJECT_HAYSTACK);
    PaintIgloo();
    KeepStanding(OBJECT_IGLOO);
}

} // namespace

void PaintObjectFamilies() {
    PaintTrees();
    PaintRocks();
    PaintBuildings();
}

void PaintPlantedRecords() {
    StartFamily("planted records: the well (0, 7), the lighthouse (last record), warnings");
    PaintWell();
    Tiles.well = PlaceCanvasAtRecord(WORLD_ZERO_KIND_RECORD,
                                     TileRef{0, static_cast<std::uint8_t>(WORLD_ZERO_KIND_LEVEL)},
                                     0, CanvasHeight() - TILE);
    PaintLighthouse();
    Tiles.lighthouse =
        PlaceCanvasAtRecord(WORLD_LAST_RECORD,
                            TileRef{static_cast<std::uint8_t>(WORLD_LAST_RECORD_KIND),
                                    static_cast<std::uint8_t>(WORLD_LAST_RECORD_LEVEL)},
                            0, CanvasHeight() - TILE);
    for (const WorldDuplicate &duplicate : WORLD_DUPLICATES) {
        const unsigned char *first = TerrainBytes + duplicate.first * TERRAIN_RECORD_SIZE;
        PaintWarning();
        PlaceCanvasAtRecord(duplicate.later,
                            TileRef{first[TERRAIN_KIND_OFFSET], first[TERRAIN_LEVEL_OFFSET]}, 0, 0);
    }
}

WorldTileSet Tiles;

void PaintAllTiles() {
    ResetSheet();
    Tiles = WorldTileSet{};
    PaintGroundFamilies();
    PaintEdgeFamilies();
    PaintWayFamilies();
    PaintObjectFamilies();
    PaintPlantedRecords();
}
