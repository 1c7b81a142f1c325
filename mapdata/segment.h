#pragma once
// Map segments: one 255 x 255 grid of cells in memory at a time, each cell naming up to four
// tiles by terrain reference.

#include <cstddef>
#include <cstdint>

inline constexpr int SEGMENT_COUNT = 6;
inline constexpr int SEGMENT_ROWS = 255;
inline constexpr int SEGMENT_COLUMNS = 255;
inline constexpr int MAP_CELL_SIZE = 8;
inline constexpr int MAP_GRID_SIZE = SEGMENT_ROWS * SEGMENT_COLUMNS * MAP_CELL_SIZE; // 520,200
inline constexpr int MAP_CELL_LAYERS = 4;

// Indexed by the view's segmentIndex; the numbers in the names are not consecutive.
extern const char *const SegmentFiles[SEGMENT_COUNT];

// The current segment's bytes as they are; zero before the first load.
extern unsigned char MapGrid[MAP_GRID_SIZE];

// How many times LoadMapSegment has run: a reload may bring other cells under the same index.
extern std::uint32_t MapGridLoads;

// A (kind, level) pair naming a terrain record; (0, 0) names nothing.
struct TerrainRef {
    std::uint8_t kind;
    std::uint8_t level;
};

// Where a layer's level byte lies in its cell, the kind in the byte after it: each layer is a
// (level, kind) byte pair and layer 0 is the last pair.
inline constexpr int MapCellLevelByte(int layer) {
    return 6 - 2 * layer;
}

// Reads SegmentFiles[segmentIndex] over the grid. A file that cannot be opened clears the grid,
// so that the segment shows empty rather than as a stale copy of another one.
void LoadMapSegment();

// What the load does with the file's bytes: at most the grid's size of them over the grid. A
// short file overwrites only what it holds; the rest keeps the previous segment's cells.
void ReadSegmentBytes(const unsigned char *bytes, std::size_t size);
// The index one step on (step > 0) or back (step < 0) from index, wrapping round; a page that
// must fetch a segment before the step reads it asks which one it will be.
int SegmentIndexAfterStep(int index, int step);
void NextSegment();
void PreviousSegment();

// The four layers of the cell at (row, column), both 0 to 254.
void SplitMapCell(int row, int column, TerrainRef layers[MAP_CELL_LAYERS]);
