#pragma once
// The part of the grid a frame draws, where its cells stand on the screen under the current
// view, and where a tile lands from its cell. The frame composition draws by these; the export,
// the checker, the bench and the tests walk the same cells and place the same tiles through them.

#include "display/draw.h"
#include "view/commands.h"
#include "view/view_state.h"

#include <cstdint>

inline constexpr int GRID_WINDOW_ROWS = 86;     // rows 0 to 85 of the grid are drawn
inline constexpr int GRID_WINDOW_COLUMNS = 145; // columns 0 to 144

struct WindowCell {
    int row;
    int column;
    std::int64_t originX; // the cell's top-left corner on the screen, under the current view
    std::int64_t originY;
};

// Whether a cell whose origin is (originX, originY) is drawn on a screen of width x height. The
// origin alone decides and both upper bounds are inclusive: the anchors let a tile reach far from
// its cell, so a cell is offered whole and each of its tiles is kept or left out on its own.
bool CellOriginVisible(std::int64_t originX, std::int64_t originY, int width, int height);

// Calls visit(const WindowCell &) for every cell of the drawn window, row by row.
template <typename Visit> void ForEachWindowCell(Visit visit) {
    for (int row = 0; row < GRID_WINDOW_ROWS; ++row) {
        const std::int64_t originY = std::int64_t{ViewState.scrollY} + row * CELL_PITCH;
        for (int column = 0; column < GRID_WINDOW_COLUMNS; ++column) {
            visit(WindowCell{row, column, std::int64_t{ViewState.scrollX} + column * CELL_PITCH,
                             originY});
        }
    }
}

// The same for the cells that a screen of width x height shows.
template <typename Visit> void ForEachVisibleCell(int width, int height, Visit visit) {
    ForEachWindowCell([&](const WindowCell &cell) {
        if (CellOriginVisible(cell.originX, cell.originY, width, height)) {
            visit(cell);
        }
    });
}

struct TilePlacement {
    DrawRect source;      // in the tile sheet, as the record gives it
    DrawRect destination; // on the screen
};

// Where the tile of record index lands for a cell whose origin is (originX, originY): the source
// rectangle's size, its top-left corner the anchor's pixels up and left of the origin. Record
// fields are arbitrary 32-bit values, so this is computed in 64 bits; false when the destination
// cannot be represented in 32, and the tile is then left out like any copy that leaves its
// surface. The source is filled in either way.
bool PlaceTile(int index, std::int64_t originX, std::int64_t originY, TilePlacement &placement);
