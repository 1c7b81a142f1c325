#include "view/render_frame.h"

#include "display/display_mode.h"
#include "display/draw.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "view/drawn_window.h"
#include "view/view_state.h"

#include <cstdint>

namespace {

// The layer drawn next: the lowest remaining level, ties settled as the stacking has always
// settled them (the highest-numbered remaining layer is the first candidate). found holds each
// layer's record, or NO_TERRAIN once drawn or when absent.
int ChooseNextLayer(const int found[MAP_CELL_LAYERS]) {
    int chosen = 0;
    for (int layer = MAP_CELL_LAYERS - 1; layer >= 0; --layer) {
        if (found[layer] != NO_TERRAIN) {
            chosen = layer;
            break;
        }
    }
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        if (found[layer] != NO_TERRAIN && found[chosen] != NO_TERRAIN &&
            TerrainRecordLevel(found[chosen]) > TerrainRecordLevel(found[layer])) {
            chosen = layer;
        }
    }
    return chosen;
}

void DrawCell(const WindowCell &cell) {
    TerrainRef refs[MAP_CELL_LAYERS];
    SplitMapCell(cell.row, cell.column, refs);
    int found[MAP_CELL_LAYERS];
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        found[layer] = FindTerrainRecord(refs[layer].kind, refs[layer].level);
    }
    for (int pass = 0; pass < MAP_CELL_LAYERS; ++pass) {
        const int layer = ChooseNextLayer(found);
        if (found[layer] == NO_TERRAIN) {
            continue;
        }
        TilePlacement tile{};
        if (PlaceTile(found[layer], cell.originX, cell.originY, tile)) {
            CopyTile(tile.source, tile.destination);
        }
        found[layer] = NO_TERRAIN;
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
    ForEachVisibleCell(W, H, DrawCell);
    DrawOverlay();
    PresentBackBuffer();
    return 1;
}
