#include "mapdata/segment.h"

#include "view/view_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

// The one list of the names: CMake reads it from here (cmake/DravikConstants.cmake) for the page
// and the Python tests, so it stays one initialiser of quoted names.
const char *const SegmentFiles[SEGMENT_COUNT] = {
    "seg000.db", "seg001.db", "seg005.db", "seg006.db", "seg007.db", "seg009.db",
};

unsigned char MapGrid[MAP_GRID_SIZE];
std::uint32_t MapGridLoads = 0;

void LoadMapSegment() {
    ++MapGridLoads;
    std::FILE *file = std::fopen(SegmentFiles[ViewState.segmentIndex], "rb");
    if (file == nullptr) {
        std::memset(MapGrid, 0, sizeof MapGrid);
        return;
    }
    static unsigned char bytes[MAP_GRID_SIZE];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    ReadSegmentBytes(bytes, got);
}

void ReadSegmentBytes(const unsigned char *bytes, std::size_t size) {
    if (size > 0) {
        std::memcpy(MapGrid, bytes, std::min(size, sizeof MapGrid));
    }
}

int SegmentIndexAfterStep(int index, int step) {
    if (step > 0) {
        return index + 1 > SEGMENT_COUNT - 1 ? 0 : index + 1;
    }
    if (step < 0) {
        return index - 1 < 0 ? SEGMENT_COUNT - 1 : index - 1;
    }
    return index;
}

void NextSegment() {
    ViewState.segmentIndex = SegmentIndexAfterStep(ViewState.segmentIndex, 1);
    LoadMapSegment();
}

void PreviousSegment() {
    ViewState.segmentIndex = SegmentIndexAfterStep(ViewState.segmentIndex, -1);
    LoadMapSegment();
}

void SplitMapCell(int row, int column, TerrainRef layers[MAP_CELL_LAYERS]) {
    const unsigned char *cell = MapGrid + (row * SEGMENT_COLUMNS + column) * MAP_CELL_SIZE;
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        const int levelByte = MapCellLevelByte(layer);
        layers[layer] = TerrainRef{cell[levelByte + 1], cell[levelByte]};
    }
}
