// The drawn window's cells, their visibility and where a tile lands from its cell.

#include "tests/unit/fixtures.h"
#include "view/drawn_window.h"

#include <climits>
#include <set>
#include <utility>

namespace {

using DrawnWindowTest = CoreTest;

bool SameRect(const DrawRect &a, const DrawRect &b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(DrawnWindowTest, EveryCellOfTheWindowRowByRowAtItsOrigin) {
    ViewState.scrollX = -7;
    ViewState.scrollY = 30;
    int visited = 0;
    ForEachWindowCell([&](const WindowCell &cell) {
        EXPECT_EQ(cell.row, visited / GRID_WINDOW_COLUMNS);
        EXPECT_EQ(cell.column, visited % GRID_WINDOW_COLUMNS);
        EXPECT_EQ(cell.originX, -7 + 55 * cell.column);
        EXPECT_EQ(cell.originY, 30 + 55 * cell.row);
        ++visited;
    });
    EXPECT_EQ(visited, 86 * 145);
}

TEST_F(DrawnWindowTest, OriginsPastThe32BitRangeDoNotWrap) {
    ViewState.scrollX = INT_MAX;
    ViewState.scrollY = INT_MIN;
    std::int64_t lastX = 0;
    std::int64_t firstY = 0;
    ForEachWindowCell([&](const WindowCell &cell) {
        lastX = cell.originX;
        firstY = cell.row == 0 ? cell.originY : firstY;
    });
    EXPECT_EQ(lastX, std::int64_t{INT_MAX} + 144 * 55);
    EXPECT_EQ(firstY, INT_MIN);
}

TEST_F(DrawnWindowTest, VisibilityIsTheOriginInsideBothBoundsInclusive) {
    EXPECT_TRUE(CellOriginVisible(0, 0, 640, 480));
    EXPECT_TRUE(CellOriginVisible(640, 480, 640, 480));
    EXPECT_FALSE(CellOriginVisible(-1, 0, 640, 480));
    EXPECT_FALSE(CellOriginVisible(0, -1, 640, 480));
    EXPECT_FALSE(CellOriginVisible(641, 0, 640, 480));
    EXPECT_FALSE(CellOriginVisible(0, 481, 640, 480));
}

TEST_F(DrawnWindowTest, VisibleCellsAreThoseWhoseOriginsTheScreenHolds) {
    ViewState.scrollX = -55;
    ViewState.scrollY = -110;
    std::set<std::pair<int, int>> cells;
    ForEachVisibleCell(110, 100, [&](const WindowCell &cell) {
        cells.insert({cell.row, cell.column});
    });
    // Rows 2 and 3 stand at y 0 and 55; columns 1 to 3 at x 0, 55 and 110.
    const std::set<std::pair<int, int>> expected = {{2, 1}, {2, 2}, {2, 3}, {3, 1}, {3, 2}, {3, 3}};
    EXPECT_EQ(cells, expected);
}

TEST_F(DrawnWindowTest, TileLandsTheAnchorUpAndLeftOfTheOrigin) {
    PutRecords({RecordFields{3, 1, 1, 100, 200, 155, 310, -5, 55}});
    TilePlacement tile{};
    ASSERT_TRUE(PlaceTile(3, 1000, 2000, tile));
    EXPECT_TRUE(SameRect(tile.source, DrawRect{100, 200, 155, 310}));
    EXPECT_TRUE(SameRect(tile.destination, DrawRect{1005, 1945, 1060, 2055}));
}

TEST_F(DrawnWindowTest, UnrepresentableDestinationIsRefusedWithItsSourceKnown) {
    PutRecords({
        RecordFields{0, 1, 1, 0, 0, 55, 55, INT_MIN, 0},      // left past INT_MAX
        RecordFields{1, 2, 1, INT_MIN, 0, INT_MAX, 55, 0, 0}, // width past INT_MAX
        RecordFields{2, 3, 1, 0, 0, 55, 55, 0, 0},
    });
    TilePlacement tile{};
    EXPECT_FALSE(PlaceTile(0, 0, 0, tile));
    EXPECT_TRUE(SameRect(tile.source, DrawRect{0, 0, 55, 55}));
    EXPECT_FALSE(PlaceTile(1, 0, 0, tile));
    EXPECT_TRUE(SameRect(tile.source, DrawRect{INT_MIN, 0, INT_MAX, 55}));
    EXPECT_FALSE(PlaceTile(2, std::int64_t{INT_MAX} + 1, 0, tile)) << "an origin past the range";
    EXPECT_TRUE(PlaceTile(2, INT_MAX - 55, INT_MIN, tile));
    EXPECT_TRUE(SameRect(tile.destination, DrawRect{INT_MAX - 55, INT_MIN, INT_MAX, INT_MIN + 55}));
}

} // namespace
