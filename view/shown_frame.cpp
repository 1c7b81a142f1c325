#include "view/shown_frame.h"

#include "mapdata/segment.h"
#include "view/view_state.h"

namespace {

// What the frame on the screen was composed from; nothing is shown before the first frame.
struct ShownFrameState {
    bool valid;
    ViewStateFields view;
    std::uint32_t gridLoads;
};

ShownFrameState ShownFrame{};

bool SameView(const ViewStateFields &a, const ViewStateFields &b) {
    return a.scrollX == b.scrollX && a.scrollY == b.scrollY && a.segmentIndex == b.segmentIndex &&
           a.pickColumn == b.pickColumn && a.pickRow == b.pickRow;
}

} // namespace

void NoteScreenDamaged() {
    ShownFrame.valid = false;
}

bool ShownFrameIsCurrent() {
    // A segment loaded again may hold other cells (its file changed, or several steps in one
    // text event came back to it), so every load counts, not only the index.
    return ShownFrame.valid && SameView(ShownFrame.view, ViewState) &&
           ShownFrame.gridLoads == MapGridLoads;
}

void NoteFrameShown() {
    ShownFrame = ShownFrameState{true, ViewState, MapGridLoads};
}
