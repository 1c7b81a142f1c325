// The frame as the exact sequence of drawing operations, built and run once per display mode.

#include "display/display_mode.h"
#include "tests/unit/fixtures.h"
#include "tests/unit/recording_draw.h"
#include "view/commands.h"
#include "view/drawn_window.h"
#include "view/render_frame.h"
#include "view/view_state.h"

#include <climits>
#include <set>

namespace {

class RenderFrameTest : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        ResetDrawCalls();
    }
};

constexpr TerrainRef EMPTY{0, 0};

// One record per layer, told apart by the source row: layer l's tile is taken from y = 55 * l.
void PutLayerRecords(const int levels[MAP_CELL_LAYERS]) {
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        PutRecords({RecordFields{layer, static_cast<std::uint8_t>(10 + layer),
                                 static_cast<std::uint8_t>(levels[layer]), 0, 55 * layer, 55,
                                 55 * layer + 55, 0, 0}});
    }
}

TerrainRef LayerRef(int layer, const int levels[MAP_CELL_LAYERS]) {
    return TerrainRef{static_cast<std::uint8_t>(10 + layer),
                      static_cast<std::uint8_t>(levels[layer])};
}

// The layers of cell (0, 0) in the order the frame copies them.
std::vector<int> DrawnLayerOrder(const int levels[MAP_CELL_LAYERS], const bool present[4]) {
    PutLayerRecords(levels);
    TerrainRef refs[MAP_CELL_LAYERS];
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        refs[layer] = present[layer] ? LayerRef(layer, levels) : EMPTY;
    }
    PutCell(0, 0, {refs[0], refs[1], refs[2], refs[3]});
    ResetDrawCalls();
    RenderFrame();
    std::vector<int> order;
    for (const DrawCall &copy : RecordedCopies()) {
        order.push_back(copy.source.top / 55);
    }
    return order;
}

std::vector<int> DrawnLayerOrder(std::initializer_list<int> levelList) {
    int levels[MAP_CELL_LAYERS];
    std::copy(levelList.begin(), levelList.end(), levels);
    const bool all[4] = {true, true, true, true};
    return DrawnLayerOrder(levels, all);
}

// Every cell of the drawn window holds one 1 x 1 tile; answers the cells the frame copied.
std::set<std::pair<int, int>> VisibleCells() {
    PutRecords({RecordFields{0, 1, 1, 0, 0, 1, 1, 0, 0}});
    for (int row = 0; row < GRID_WINDOW_ROWS; ++row) {
        for (int column = 0; column < GRID_WINDOW_COLUMNS; ++column) {
            PutCell(row, column, {TerrainRef{1, 1}, EMPTY, EMPTY, EMPTY});
        }
    }
    ResetDrawCalls();
    RenderFrame();
    std::set<std::pair<int, int>> cells;
    for (const DrawCall &copy : RecordedCopies()) {
        const int column = (copy.destination.left - ViewState.scrollX) / 55;
        const int row = (copy.destination.top - ViewState.scrollY) / 55;
        cells.insert({row, column});
    }
    return cells;
}

std::set<std::pair<int, int>> CellRange(int firstRow, int lastRow, int firstColumn,
                                        int lastColumn) {
    std::set<std::pair<int, int>> cells;
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            cells.insert({row, column});
        }
    }
    return cells;
}

TEST_F(RenderFrameTest, EmptyMapFrameIsClearTextAndPresent) {
    RenderFrame();
    ASSERT_EQ(DrawCalls.size(), 6U);
    EXPECT_EQ(DrawCalls[0].op, DrawOp::Clear);
    EXPECT_EQ(DrawCalls[0].destination, (DrawRect{0, 0, W, H}));
    EXPECT_EQ(DrawCalls[0].fill, 0xAAAAAAU);
    EXPECT_EQ(DrawCalls[1].op, DrawOp::BeginText);
    EXPECT_EQ(DrawCalls[2].op, DrawOp::Text);
    EXPECT_EQ(DrawCalls[2].x, 0);
    EXPECT_EQ(DrawCalls[2].y, 20);
    EXPECT_EQ(DrawCalls[2].text, "0");
    EXPECT_EQ(DrawCalls[3].op, DrawOp::Text);
    EXPECT_EQ(DrawCalls[3].x, 0);
    EXPECT_EQ(DrawCalls[3].y, 40);
    EXPECT_EQ(DrawCalls[3].text, "0");
    EXPECT_EQ(DrawCalls[4].op, DrawOp::EndText);
    EXPECT_EQ(DrawCalls[5].op, DrawOp::Present);
}

TEST_F(RenderFrameTest, OverlayWritesDecimalValuesOnlyWithADeviceContext) {
    const std::pair<std::int32_t, const char *> cases[] = {
        {-2, "-2"}, {43, "43"}, {1000, "1000"}, {INT_MIN, "-2147483648"}, {INT_MAX, "2147483647"}};
    for (const auto &[value, text] : cases) {
        ViewState.pickColumn = value;
        ViewState.pickRow = -value / 10;
        ResetDrawCalls();
        RenderFrame();
        ASSERT_EQ(DrawCalls.size(), 6U);
        EXPECT_EQ(DrawCalls[2].text, text);
        EXPECT_EQ(DrawCalls[3].text, std::to_string(-value / 10));
    }
    ResetDrawCalls();
    OverlayAvailable = false;
    RenderFrame();
    ASSERT_EQ(DrawCalls.size(), 3U);
    EXPECT_EQ(DrawCalls[1].op, DrawOp::BeginText);
    EXPECT_EQ(DrawCalls[2].op, DrawOp::Present);
}

TEST_F(RenderFrameTest, VisibleCellsOfThisModeAtTheOrigin) {
    struct ModeRange {
        int width, lastColumn, lastRow;
    };
    const ModeRange ranges[] = {{1024, 18, 13}, {1600, 29, 21}, {1280, 23, 18}, {640, 11, 8}};
    for (const ModeRange &range : ranges) {
        if (range.width == W) {
            EXPECT_EQ(VisibleCells(), CellRange(0, range.lastRow, 0, range.lastColumn));
            return;
        }
    }
    FAIL() << "no expected range for width " << W;
}

TEST_F(RenderFrameTest, OriginOnTheRightOrBottomEdgeIsStillDrawn) {
    ViewState.scrollX = W;
    ViewState.scrollY = H;
    EXPECT_EQ(VisibleCells(), CellRange(0, 0, 0, 0));
    ViewState.scrollX = W + 1;
    EXPECT_TRUE(VisibleCells().empty());
    ViewState.scrollX = W;
    ViewState.scrollY = H + 1;
    EXPECT_TRUE(VisibleCells().empty());
}

TEST_F(RenderFrameTest, OffScreenOriginsAreSkippedWhateverTheirTiles) {
    // A tile hanging into the screen from an origin just off its left edge is not drawn.
    ViewState.scrollX = -1;
    PutRecords({RecordFields{0, 1, 1, 0, 0, 55, 55, -30, 0}});
    PutCell(0, 0, {TerrainRef{1, 1}, EMPTY, EMPTY, EMPTY});
    RenderFrame();
    EXPECT_TRUE(RecordedCopies().empty());

    ViewState.scrollX = -55;
    const auto cells = VisibleCells();
    EXPECT_EQ(cells.count({0, 0}), 0U);
    EXPECT_EQ(cells.count({0, 1}), 1U);
    ViewState.scrollX = -1;
    ViewState.scrollY = -(GRID_WINDOW_ROWS - 1) * 55;
    EXPECT_EQ(VisibleCells(), CellRange(GRID_WINDOW_ROWS - 1, GRID_WINDOW_ROWS - 1, 1,
                                        std::min(GRID_WINDOW_COLUMNS - 1, W / 55)));
}

TEST_F(RenderFrameTest, FarScrollLeavesOnlyClearAndText) {
    VisibleCells();
    for (const auto &[x, y] : {std::pair{INT_MAX, 0},
                               {INT_MIN, 0},
                               {0, INT_MAX},
                               {0, INT_MIN},
                               {-GRID_WINDOW_COLUMNS * 55, 0},
                               {INT_MIN, INT_MIN}}) {
        ViewState.scrollX = x;
        ViewState.scrollY = y;
        ResetDrawCalls();
        RenderFrame();
        EXPECT_EQ(DrawCalls.size(), 6U) << x << ", " << y;
    }
}

TEST_F(RenderFrameTest, DestinationFollowsTheAnchor) {
    PutRecords({RecordFields{0, 2, 1, 0, 0, 55, 55, 0, 0},
                RecordFields{1, 3, 1, 0, 0, 55, 55, 10, 0},
                RecordFields{2, 4, 1, 100, 200, 155, 310, -5, 55}});
    PutCell(0, 0, {TerrainRef{2, 1}, EMPTY, EMPTY, EMPTY});
    RenderFrame();
    ASSERT_EQ(RecordedCopies().size(), 1U);
    EXPECT_EQ(RecordedCopies()[0].source, (DrawRect{0, 0, 55, 55}));
    EXPECT_EQ(RecordedCopies()[0].destination, (DrawRect{0, 0, 55, 55}));

    // Issued as computed even across the left edge: the platform refuses it whole.
    PutCell(0, 0, {TerrainRef{3, 1}, EMPTY, EMPTY, EMPTY});
    ResetDrawCalls();
    RenderFrame();
    ASSERT_EQ(RecordedCopies().size(), 1U);
    EXPECT_EQ(RecordedCopies()[0].destination, (DrawRect{-10, 0, 45, 55}));
    OnCharacter('a');
    ResetDrawCalls();
    RenderFrame();
    ASSERT_EQ(RecordedCopies().size(), 1U);
    EXPECT_EQ(RecordedCopies()[0].destination, (DrawRect{45, 0, 100, 55}));

    // A tall tile lifted above its cell, in row 2, column 3.
    ViewState.scrollX = 0;
    PutCell(0, 0, {EMPTY, EMPTY, EMPTY, EMPTY});
    PutCell(2, 3, {TerrainRef{4, 1}, EMPTY, EMPTY, EMPTY});
    ResetDrawCalls();
    RenderFrame();
    ASSERT_EQ(RecordedCopies().size(), 1U);
    EXPECT_EQ(RecordedCopies()[0].source, (DrawRect{100, 200, 155, 310}));
    EXPECT_EQ(RecordedCopies()[0].destination, (DrawRect{170, 55, 225, 165}));
}

TEST_F(RenderFrameTest, StackingByLevelWithTheFixedTieRule) {
    EXPECT_EQ(DrawnLayerOrder({3, 3, 5, 3}), (std::vector<int>{3, 0, 1, 2}));
    EXPECT_EQ(DrawnLayerOrder({5, 3, 3, 4}), (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ(DrawnLayerOrder({6, 6, 6, 6}), (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(DrawnLayerOrder({1, 2, 3, 4}), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(DrawnLayerOrder({4, 3, 2, 1}), (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(DrawnLayerOrder({200, 7, 255, 0}), (std::vector<int>{3, 1, 0, 2}))
        << "levels compare as unsigned bytes";
    const int sevens[4] = {7, 0, 7, 0};
    const bool zeroAndTwo[4] = {true, false, true, false};
    EXPECT_EQ(DrawnLayerOrder(sevens, zeroAndTwo), (std::vector<int>{2, 0}));
}

TEST_F(RenderFrameTest, SameRecordTwiceAndAbsentReferences) {
    PutRecords(
        {RecordFields{0, 5, 2, 0, 0, 55, 55, 0, 0}, RecordFields{1, 6, 1, 0, 55, 55, 110, 0, 0}});
    // Layers 1 and 3 name the same record; layer 2 names a pair no record holds.
    PutCell(0, 0, {TerrainRef{6, 1}, TerrainRef{5, 2}, TerrainRef{9, 9}, TerrainRef{5, 2}});
    RenderFrame();
    const auto copies = RecordedCopies();
    ASSERT_EQ(copies.size(), 3U);
    EXPECT_EQ(copies[0].source.top, 55) << "level 1 first";
    EXPECT_EQ(copies[1].source.top, 0);
    EXPECT_EQ(copies[2].source.top, 0);
}

TEST_F(RenderFrameTest, CellsAreDrawnRowByRowAndEachCellWhole) {
    PutRecords({RecordFields{0, 1, 9, 0, 0, 1, 1, 0, 0}, RecordFields{1, 2, 1, 0, 0, 1, 1, 0, 0}});
    PutCell(0, 1, {TerrainRef{1, 9}, TerrainRef{2, 1}, EMPTY, EMPTY});
    PutCell(0, 0, {TerrainRef{1, 9}, EMPTY, EMPTY, EMPTY});
    PutCell(1, 0, {TerrainRef{2, 1}, EMPTY, EMPTY, EMPTY});
    RenderFrame();
    std::vector<std::pair<int, int>> origins;
    for (const DrawCall &copy : RecordedCopies()) {
        origins.emplace_back(copy.destination.left, copy.destination.top);
    }
    EXPECT_EQ(origins, (std::vector<std::pair<int, int>>{{0, 0}, {55, 0}, {55, 0}, {0, 55}}));
}

TEST_F(RenderFrameTest, ExtremeRecordsNeverOverflow) {
    PutRecords({
        RecordFields{0, 1, 1, 0, 0, 55, 55, INT_MIN, 0},             // left past INT_MAX
        RecordFields{1, 2, 1, INT_MIN, 0, INT_MAX, 55, 0, 0},        // width past INT_MAX
        RecordFields{2, 3, 1, 0, INT_MAX, 55, INT_MIN, 0, INT_MIN},  // top past, negative height
        RecordFields{3, 4, 1, 10, 20, 0, 0, INT_MAX, INT_MAX - 100}, // representable, negative size
    });
    ViewState.scrollX = 55;
    PutCell(0, 0, {TerrainRef{1, 1}, TerrainRef{2, 1}, TerrainRef{3, 1}, TerrainRef{4, 1}});
    RenderFrame();
    const auto copies = RecordedCopies();
    ASSERT_EQ(copies.size(), 1U) << "only the representable rectangle is issued";
    EXPECT_EQ(copies[0].source, (DrawRect{10, 20, 0, 0}));
    EXPECT_EQ(copies[0].destination,
              (DrawRect{55 - INT_MAX, 100 - INT_MAX, 45 - INT_MAX, 80 - INT_MAX}));
}

} // namespace
