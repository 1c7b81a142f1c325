// Any segment file over the previous segment's cells: the load overwrites exactly the cells the
// file holds, each cell splits into its four (kind, level) pairs, layer 0 the last pair, and a
// segment step is undone by a step back. Input: one byte choosing the segment, then the file.

#include "mapdata/segment.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t PREVIOUS = 0xA5; // every byte of the segment shown before

void RequireStepsWrap(int index) {
    const int next = SegmentIndexAfterStep(index, 1);
    Require(next >= 0 && next < SEGMENT_COUNT, "a step lands on one of the segments");
    Require(SegmentIndexAfterStep(next, -1) == index, "a step back undoes a step");
    int around = index;
    for (int i = 0; i < SEGMENT_COUNT; ++i) {
        around = SegmentIndexAfterStep(around, 1);
    }
    Require(around == index, "as many steps as segments come back round");
}

// The byte at offset of the grid after the load: the file's where it reaches, else the previous.
std::uint8_t Expected(FuzzBytes file, std::size_t offset) {
    return offset < file.size ? file.data[offset] : PREVIOUS;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzBytes input{data, size};
    const FuzzBytes choice = TakeBytes(input, 1);
    RequireStepsWrap(choice.size > 0 ? choice.data[0] % SEGMENT_COUNT : 0);
    std::memset(MapGrid, PREVIOUS, sizeof MapGrid);
    ReadSegmentBytes(input.data, input.size);
    // The cells the file reaches, the one after them and the last one: beyond that the grid is
    // only more of the previous segment, and splitting all of it would slow every run down.
    const int cells = SEGMENT_ROWS * SEGMENT_COLUMNS;
    const int reached = static_cast<int>(std::min<std::size_t>(input.size / MAP_CELL_SIZE, cells));
    for (int cell = 0; cell <= std::min(reached, cells - 1); ++cell) {
        const int row = cell == reached ? SEGMENT_ROWS - 1 : cell / SEGMENT_COLUMNS;
        const int column = cell == reached ? SEGMENT_COLUMNS - 1 : cell % SEGMENT_COLUMNS;
        TerrainRef layers[MAP_CELL_LAYERS];
        SplitMapCell(row, column, layers);
        const std::size_t at = (std::size_t{1} * row * SEGMENT_COLUMNS + column) * MAP_CELL_SIZE;
        for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
            const std::size_t pair = at + 2 * (MAP_CELL_LAYERS - 1 - layer);
            Require(layers[layer].level == Expected(input, pair),
                    "a layer's level is its pair's first byte");
            Require(layers[layer].kind == Expected(input, pair + 1),
                    "a layer's kind is its pair's second byte");
        }
    }
    return 0;
}
