#pragma once
// Hashing and noise for the demo world. Everything is integer hashing and plain IEEE arithmetic
// (no library transcendental functions), so the world comes out byte for byte the same on every
// machine.

#include <cstdint>

// Edge length of a ground tile in pixels; tile noise repeats with this period.
inline constexpr int TILE = 55;

std::uint32_t HashInts(std::int32_t a, std::int32_t b, std::int32_t c, std::uint32_t seed);

// Uniform in [0, 1).
double Hash01(int a, int b, int c, std::uint32_t seed);

// sin(2 pi turns), by a polynomial of our own.
double Wave(double turns);

// Smooth value noise in [-1, 1] on a lattice of `period` cells that wraps (period 0: no wrap).
double LatticeNoise(double x, double y, int period, std::uint32_t seed);

// Fractal noise about [-1, 1] over a tile's pixels; it wraps every TILE pixels, so that two tiles
// that meet along an edge agree along it.
double TileNoise(double x, double y, std::uint32_t seed);

// Fractal noise about [-1, 1] over the map, x and y in cells.
double FieldNoise(double x, double y, std::uint32_t seed);

double Clamp01(double value);
double Smoothstep(double edge0, double edge1, double value);

// A small seeded generator for choices made in sequence.
struct Prng {
    std::uint64_t state;
};
std::uint32_t NextRandom(Prng &prng);
int RandomBelow(Prng &prng, int bound);
double RandomUnit(Prng &prng);
