#include "view/commands.h"

#include "mapdata/segment.h"
#include "view/view_state.h"

#include <cstdint>
#include <limits>

namespace {

// The scroll is unbounded, but a step that would leave the 32-bit range is not taken.
void ScrollBy(std::int32_t &offset, int step) {
    const std::int64_t moved = static_cast<std::int64_t>(offset) + step;
    if (moved < std::numeric_limits<std::int32_t>::min() ||
        moved > std::numeric_limits<std::int32_t>::max()) {
        return;
    }
    offset = static_cast<std::int32_t>(moved);
}

// Truncating division of a click coordinate relative to the grid's origin. In 64 bits the
// difference cannot overflow, and the quotient always fits back into 32 bits.
std::int32_t CellOf(std::uint32_t position, std::int32_t scroll) {
    return static_cast<std::int32_t>((static_cast<std::int64_t>(position) - scroll) / CELL_PITCH);
}

} // namespace

void OnCharacter(std::uint32_t code) {
    switch (code) {
    case 'a':
        ScrollBy(ViewState.scrollX, CELL_PITCH);
        break;
    case 'd':
        ScrollBy(ViewState.scrollX, -CELL_PITCH);
        break;
    case 'w':
        ScrollBy(ViewState.scrollY, CELL_PITCH);
        break;
    case 's':
        ScrollBy(ViewState.scrollY, -CELL_PITCH);
        break;
    default:
        break;
    }
    const int step = SegmentStepOf(code);
    if (step > 0) {
        NextSegment();
    } else if (step < 0) {
        PreviousSegment();
    }
}

int SegmentStepOf(std::uint32_t code) {
    return code == 'e' ? 1 : code == 'q' ? -1 : 0;
}

void OnLeftButtonDown(std::uint32_t packedPosition) {
    const std::uint32_t mx = packedPosition & 0xFFFFU;
    const std::uint32_t my = (packedPosition >> 16) & 0xFFFFU;
    ViewState.pickColumn = CellOf(mx, ViewState.scrollX);
    const std::int32_t row = CellOf(my, ViewState.scrollY);
    ViewState.pickRow = row <= PICK_ROW_FOLD ? PICK_ROW_FOLD - row : row;
}
