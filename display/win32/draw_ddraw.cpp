// The drawing operations of a frame, on the DirectDraw surfaces.

#include "display/draw.h"
#include "display/display_mode.h"
#include "display/win32/ddraw_display.h"

#include <cstring>

namespace {

HDC OverlayContext = nullptr; // the back buffer's device context between Begin and End

// Like DDSURFACEDESC2, DDBLTFX holds pointers: 100 bytes in a 32-bit build, more in a 64-bit one.
#if !defined(_WIN64)
static_assert(sizeof(DDBLTFX) == 100);
#endif

RECT ToRect(const DrawRect &rect) {
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

} // namespace

void ClearBackBuffer(const DrawRect &area, std::uint32_t fillValue) {
    RECT rect = ToRect(area);
    DDBLTFX effects{};
    effects.dwSize = sizeof(effects);
    effects.dwFillColor = fillValue;
    (void)BackBuffer->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &effects);
}

void CopyTile(const DrawRect &source, const DrawRect &destination) {
    // Refused here rather than left to DirectDraw, whose implementations differ on rectangles
    // that leave a surface: a tile that crosses an edge is missing, never cut.
    if (!RectInsideSurface(source, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT) ||
        !RectInsideSurface(destination, W, H)) {
        return;
    }
    RECT from = ToRect(source);
    RECT to = ToRect(destination);
    (void)BackBuffer->Blt(&to, TileSheetSurface, &from, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);
}

bool BeginOverlayText() {
    OverlayContext = nullptr;
    return SUCCEEDED(BackBuffer->GetDC(&OverlayContext));
}

void DrawOverlayText(int x, int y, const char *text) {
    (void)TextOutA(OverlayContext, x, y, text, static_cast<int>(std::strlen(text)));
}

void EndOverlayText() {
    (void)BackBuffer->ReleaseDC(OverlayContext);
    OverlayContext = nullptr;
}

void PresentBackBuffer() {
    (void)PrimarySurface->Flip(nullptr, DDFLIP_WAIT);
}
