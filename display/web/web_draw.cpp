// The drawing operations of the frame composition on the web display's memory.

#include "display/display_mode.h"
#include "display/draw.h"
#include "display/overlay_font.h"
#include "display/pixel_rows.h"
#include "display/web/web_display.h"

#include <algorithm>
#include <cstring>

// The page's part of presenting: it puts PresentPixels on its canvas.
extern "C" __attribute__((import_module("page"), import_name("showFrame"))) void PageShowFrame();

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

void PresentBackBuffer() {
    // Little-endian words whose bytes are red, green, blue and opaque alpha, in canvas order.
    std::uint32_t colours[PALETTE_ENTRIES];
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const PaletteEntry &e = DisplayPalette[i];
        colours[i] =
            0xFF000000U | (std::uint32_t{e.blue} << 16) | (std::uint32_t{e.green} << 8) | e.red;
    }
    ExpandIndexedRows(BackBufferPixels, W, colours, PresentPixels, W * 4, W, H);
    PageShowFrame();
}
