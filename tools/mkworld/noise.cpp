#include "tools/mkworld/noise.h"

#include <cmath>

std::uint32_t HashInts(std::int32_t a, std::int32_t b, std::int32_t c, std::uint32_t seed) {
    std::uint64_t h = seed * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<std::uint32_t>(a) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 31)) * 0x94D049BB133111EBull;
    h ^= static_cast<std::uint32_t>(b) * 0xD6E8FEB86659FD93ull;
    h = (h ^ (h >> 29)) * 0xBF58476D1CE4E5B9ull;
    h ^= static_cast<std::uint32_t>(c) * 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 32)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>(h >> 32);
}

double Hash01(int a, int b, int c, std::uint32_t seed) {
    return (HashInts(a, b, c, seed) >> 8) * (1.0 / 16777216.0);
}

double Wave(double turns) {
    // Reduce to [-0.5, 0.5) turns, then fold to [-0.25, 0.25] where the odd series is accurate.
    double t = turns - std::floor(turns + 0.5);
    if (t > 0.25) {
        t = 0.5 - t;
    } else if (t < -0.25) {
        t = -0.5 - t;
    }
    const double x = t * 6.283185307179586;
    const double x2 = x * x;
    return x * (1.0 - x2 / 6.0 * (1.0 - x2 / 20.0 * (1.0 - x2 / 42.0 * (1.0 - x2 / 72.0))));
}

double Clamp01(double value) {
    return value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
}

double Smoothstep(double edge0, double edge1, double value) {
    const double t = Clamp01((value - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

namespace {

int WrapLattice(int value, int period) {
    if (period <= 0) {
        return value;
    }
    const int m = value % period;
    return m < 0 ? m + period : m;
}

double LatticeValue(int x, int y, int period, std::uint32_t seed) {
    return Hash01(WrapLattice(x, period), WrapLattice(y, period), 0, seed);
}

} // namespace

double LatticeNoise(double x, double y, int period, std::uint32_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int x0 = static_cast<int>(fx);
    const int y0 = static_cast<int>(fy);
    const double tx = Smoothstep(0.0, 1.0, x - fx);
    const double ty = Smoothstep(0.0, 1.0, y - fy);
    const double a = LatticeValue(x0, y0, period, seed);
    const double b = LatticeValue(x0 + 1, y0, period, seed);
    const double c = LatticeValue(x0, y0 + 1, period, seed);
    const double d = LatticeValue(x0 + 1, y0 + 1, period, seed);
    const double top = a + (b - a) * tx;
    const double bottom = c + (d - c) * tx;
    return (top + (bottom - top) * ty) * 2.0 - 1.0;
}

double TileNoise(double x, double y, std::uint32_t seed) {
    // Lattices of 3, 5 and 11 cells across a tile: each wraps exactly once per tile.
    const double u = (x + 0.5) / TILE;
    const double v = (y + 0.5) / TILE;
    return 0.5 * LatticeNoise(u * 3, v * 3, 3, seed) +
           0.32 * LatticeNoise(u * 5, v * 5, 5, seed + 1) +
           0.18 * LatticeNoise(u * 11, v * 11, 11, seed + 2);
}

double FieldNoise(double x, double y, std::uint32_t seed) {
    return 0.55 * LatticeNoise(x, y, 0, seed) + 0.3 * LatticeNoise(x * 2.1, y * 2.1, 0, seed + 1) +
           0.15 * LatticeNoise(x * 4.3, y * 4.3, 0, seed + 2);
}

std::uint32_t NextRandom(Prng &prng) {
    // splitmix64
    prng.state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = prng.state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

int RandomBelow(Prng &prng, int bound) {
    return static_cast<int>(NextRandom(prng) % static_cast<std::uint32_t>(bound));
}

double RandomUnit(Prng &prng) {
    return (NextRandom(prng) >> 8) * (1.0 / 16777216.0);
}
