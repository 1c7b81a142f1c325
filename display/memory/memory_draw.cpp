// The drawing operations of the frame composition on the back buffer in memory, all but the
// present.

#include "display/memory/memory_draw.h"

#include "display/draw.h"
#include "display/memory/memory_display.h"
#include "display/memory/overlay_font.h"
#include "display/memory/pixel_rows.h"

#include <algorithm>
#include <cstring>

std::uint8_t BackBufferPixels[W * H];

void ClearBackBuffer(const DrawRect &area, std::uint32_t fillValue) {
    const int left = std::max(area.left, 0);
    const int right = std::min(area.right, W);
    // On 8 bits the fill value's low byte is the palette index.
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, H) && left < right; ++y) {
        std::memset(BackBufferPixels + static_cast<long>(y) * W + left,
                    static_cast<int>(fillValue & 0xFFU), static_cast<std::size_t>(right - left));
    }
}

void CopyTile(const DrawRect &source, const DrawRect &destination) {
    // A copy that leaves a surface is refused whole, never clipped.
    if (!TileCopyTakenWhole(source, destination, W, H)) {
        return;
    }
    KeyedCopyRows(TileSheetPixels + static_cast<long>(source.top) * TILE_SHEET_WIDTH + source.left,
                  TILE_SHEET_WIDTH,
                  BackBufferPixels + static_cast<long>(destination.top) * W + destination.left, W,
                  source.right - source.left, source.bottom - source.top, TRANSPARENT_INDEX);
}

bool BeginOverlayText() {
    return true;
}

void DrawOverlayText(int x, int y, const char *text) {
    DrawOverlayGlyphs(BackBufferPixels, W, W, H, x, y, text, OverlayInkIndex, OverlayPaperIndex);
}

void EndOverlayText() {}
