#include "view/shown_frame.h"

#include "display/palette_block.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "view/view_state.h"

#include <cstdint>

namespace {

// How many times each file the frame is composed from had been loaded.
struct DataLoads {
    std::uint32_t grid;
    std::uint32_t table;
    std::uint32_t sheet;
};

// What the frame on the screen was composed from; nothing is shown before the first frame.
struct ShownFrameState {
    bool valid;
    ViewStateFields view;
    DataLoads loads;
};

ShownFrameState ShownFrame{};

bool SameView(const ViewStateFields &a, const ViewStateFields &b) {
    return a.scrollX == b.scrollX && a.scrollY == b.scrollY && a.segmentIndex == b.segmentIndex &&
           a.pickColumn == b.pickColumn && a.pickRow == b.pickRow;
}

// A file loaded again may hold other bytes (it changed, or several steps in one text event came
// back to the same segment), so every load counts, not only which file it was.
DataLoads CurrentLoads() {
    return DataLoads{MapGridLoads, TerrainTableLoads, TileSheetLoads};
}

bool SameLoads(const DataLoads &a, const DataLoads &b) {
    return a.grid == b.grid && a.table == b.table && a.sheet == b.sheet;
}

} // namespace

void NoteScreenDamaged() {
    ShownFrame.valid = false;
}

bool ShownFrameIsCurrent() {
    return ShownFrame.valid && SameView(ShownFrame.view, ViewState) &&
           SameLoads(ShownFrame.loads, CurrentLoads());
}

void NoteFrameShown() {
    ShownFrame = ShownFrameState{true, ViewState, CurrentLoads()};
}
