// Any terrain table, segment file and view state composed into a frame: no arithmetic
// overflows, every copy is one to one with a representable rectangle, and the frame keeps its
// order of operations.
//
// Input: 20 bytes of view state, a 16-bit little-endian length L, L bytes of terrain.db, a
// 32-bit offset, and the rest as cells of the segment the view state shows from that offset
// on, the others empty: a frame scrolled deep into the segment needs no input of half a megabyte.

#include "mapdata/bytes.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/unit/recording_draw.h"
#include "view/render_frame.h"
#include "view/view_state.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t VIEW_BYTES = 20;

void TakeViewState(const std::uint8_t *data) {
    ViewState.scrollX = ReadI32LE(data);
    ViewState.scrollY = ReadI32LE(data + 4);
    // Between commands the segment index is always one of the six.
    ViewState.segmentIndex = static_cast<std::int32_t>(ReadU32LE(data + 8) % SEGMENT_COUNT);
    ViewState.pickColumn = ReadI32LE(data + 12);
    ViewState.pickRow = ReadI32LE(data + 16);
}

void CheckFrame() {
    Require(!DrawCalls.empty() && DrawCalls.front().op == DrawOp::Clear, "the frame opens clear");
    Require(DrawCalls.back().op == DrawOp::Present, "the frame ends with the present");
    for (const DrawCall &call : DrawCalls) {
        if (call.op != DrawOp::Copy) {
            continue;
        }
        const auto width = [](const DrawRect &r) {
            return static_cast<std::int64_t>(r.right) - r.left;
        };
        const auto height = [](const DrawRect &r) {
            return static_cast<std::int64_t>(r.bottom) - r.top;
        };
        Require(width(call.source) == width(call.destination), "copies are one to one across");
        Require(height(call.source) == height(call.destination), "copies are one to one down");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < VIEW_BYTES) {
        return 0;
    }
    TakeViewState(data);
    FuzzBytes input{data + VIEW_BYTES, size - VIEW_BYTES};
    const FuzzBytes table = TakeBytes(input, TakeU16(input));
    const std::size_t offset = TakeU32(input) % MAP_GRID_SIZE;
    static std::uint8_t segment[MAP_GRID_SIZE];
    std::memset(segment, 0, sizeof segment);
    std::memcpy(segment + offset, input.data, std::min(input.size, MAP_GRID_SIZE - offset));
    // Each input starts from the state of a fresh process, so that a finding replays alone.
    std::memset(TerrainTable, 0, sizeof TerrainTable);
    ReadTerrainBytes(table.data, table.size);
    ReadSegmentBytes(segment, sizeof segment);
    ResetDrawCalls();
    RenderFrame();
    CheckFrame();
    return 0;
}
