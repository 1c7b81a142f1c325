#pragma once
// Where the map sits on the screen, which segment is shown, and the last picked column and row.

#include <cstdint>

struct ViewStateFields {
    std::int32_t scrollX;      // screen x of the grid's cell (0, 0)
    std::int32_t scrollY;      // screen y of the grid's cell (0, 0)
    std::int32_t segmentIndex; // 0 to 5, an index into SegmentFiles
    std::int32_t pickColumn;   // shown at (0, 20)
    std::int32_t pickRow;      // shown at (0, 40)
};

// The one view of the process, all zero at start.
extern ViewStateFields ViewState;
