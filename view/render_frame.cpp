#include "view/render_frame.h"

#include "display/display_mode.h"
#include "display/draw.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "view/commands.h"
#include "view/view_state.h"

#include <cstdint>
#include <limits>

namespace {

struct LayerTile {
    int index; // record found, or NO_TERRAIN once drawn or when absent
    DrawRect source;
    DrawRect destination;
};

bool FitsInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
}

// Record fields are arbitrary 32-bit values, so the destination is computed in 64 bits; a
// rectangle that cannot be represented is left out, like any copy that leaves its surface.
bool PlaceTile(int index, std::int64_t originX, std::int64_t originY, LayerTile &tile) {
    const TerrainPlacement p = ReadTerrainPlacement(index);
    const std::int64_t left = originX - p.anchorX;
    const std::int64_t top = originY - p.anchorY;
    const std::int64_t right = left + (static_cast<std::int64_t>(p.srcRight) - p.srcLeft);
    const std::int64_t bottom = top + (static_cast<std::int64_t>(p.srcBottom) - p.srcTop);
    if (!FitsInt32(left) || !FitsInt32(top) || !FitsInt32(right) || !FitsInt32(bottom)) {
        return false;
    }
    tile.source = DrawRect{p.srcLeft, p.srcTop, p.srcRight, p.srcBottom};
    tile.destination =
        DrawRect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                 static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    return true;
}

// The layer drawn next: the lowest remaining level, ties settled as the stacking has always
// settled them (the highest-numbered remaining layer is the first candidate).
int ChooseNextLayer(const LayerTile tiles[MAP_CELL_LAYERS]) {
    int chosen = 0;
    for (int layer = MAP_CELL_LAYERS - 1; layer >= 0; --layer) {
        if (tiles[layer].index != NO_TERRAIN) {
            chosen = layer;
            break;
        }
    }
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        if (tiles[layer].index != NO_TERRAIN && tiles[chosen].index != NO_TERRAIN &&
            TerrainRecordLevel(tiles[chosen].index) > TerrainRecordLevel(tiles[layer].index)) {
            chosen = layer;
        }
    }
    return chosen;
}

void DrawCell(int row, int column, std::int64_t originX, std::int64_t originY) {
    TerrainRef refs[MAP_CELL_LAYERS];
    SplitMapCell(row, column, refs);
    LayerTile tiles[MAP_CELL_LAYERS];
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        tiles[layer].index = FindTerrainRecord(refs[layer].kind, refs[layer].level);
    }
    for (int pass = 0; pass < MAP_CELL_LAYERS; ++pass) {
        LayerTile &tile = tiles[ChooseNextLayer(tiles)];
        if (tile.index == NO_TERRAIN) {
            continue;
        }
        if (PlaceTile(tile.index, originX, originY, tile)) {
            CopyTile(tile.source, tile.destination);
        }
        tile.index = NO_TERRAIN;
    }
}

void DrawVisibleCells() {
    for (int row = 0; row < GRID_WINDOW_ROWS; ++row) {
        const std::int64_t originY =
            static_cast<std::int64_t>(ViewState.scrollY) + row * CELL_PITCH;
        if (originY < 0 || originY > H) {
            continue;
        }
        for (int column = 0; column < GRID_WINDOW_COLUMNS; ++column) {
            const std::int64_t originX =
                static_cast<std::int64_t>(ViewState.scrollX) + column * CELL_PITCH;
            // Visibility depends on the cell's origin alone; both upper bounds are inclusive.
            if (originX >= 0 && originX <= W) {
                DrawCell(row, column, originX, originY);
            }
        }
    }
}

// Decimal text of a 32-bit value: a leading minus for negatives, no padding.
void FormatDecimal(std::int32_t value, char text[12]) {
    char digits[11];
    int count = 0;
    std::int64_t rest = value < 0 ? -static_cast<std::int64_t>(value) : value;
    do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    int length = 0;
    if (value < 0) {
        text[length++] = '-';
    }
    while (count > 0) {
        text[length++] = digits[--count];
    }
    text[length] = '\0';
}

void DrawOverlay() {
    if (!BeginOverlayText()) {
        return;
    }
    char text[12];
    FormatDecimal(ViewState.pickColumn, text);
    DrawOverlayText(0, 20, text);
    FormatDecimal(ViewState.pickRow, text);
    DrawOverlayText(0, 40, text);
    EndOverlayText();
}

} // namespace

int RenderFrame() {
    ClearBackBuffer(DrawRect{0, 0, W, H}, CLEAR_FILL_VALUE);
    DrawVisibleCells();
    DrawOverlay();
    PresentBackBuffer();
    return 1;
}
