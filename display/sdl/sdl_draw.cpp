// The drawing operations of the frame composition on the SDL surfaces.

#include "display/display_mode.h"
#include "display/draw.h"
#include "display/overlay_font.h"
#include "display/pixel_rows.h"
#include "display/sdl/sdl_display.h"

void ClearBackBuffer(const DrawRect &area, std::uint32_t fillValue) {
    SDL_Rect rect{area.left, area.top, area.right - area.left, area.bottom - area.top};
    // On 8 bits the fill value's low byte is the palette index.
    SDL_FillRect(BackBufferSurface, &rect, fillValue & 0xFFU);
}

void CopyTile(const DrawRect &source, const DrawRect &destination) {
    // SDL would clip a copy that leaves a surface; ours is refused whole instead.
    if (!TileCopyTakenWhole(source, destination, W, H)) {
        return;
    }
    const SDL_Surface *sheet = TileSheetSurface;
    SDL_Surface *back = BackBufferSurface;
    const auto *from = static_cast<const std::uint8_t *>(sheet->pixels) +
                       static_cast<long>(source.top) * sheet->pitch + source.left;
    auto *to = static_cast<std::uint8_t *>(back->pixels) +
               static_cast<long>(destination.top) * back->pitch + destination.left;
    KeyedCopyRows(from, sheet->pitch, to, back->pitch, source.right - source.left,
                  source.bottom - source.top, TRANSPARENT_INDEX);
}

bool BeginOverlayText() {
    return BackBufferSurface != nullptr;
}

void DrawOverlayText(int x, int y, const char *text) {
    DrawOverlayGlyphs(static_cast<std::uint8_t *>(BackBufferSurface->pixels),
                      BackBufferSurface->pitch, W, H, x, y, text, OverlayInkIndex,
                      OverlayPaperIndex);
}

void EndOverlayText() {}

void PresentBackBuffer() {
    if (DisplayRenderer == nullptr || PresentTexture == nullptr) {
        return;
    }
    std::uint32_t colours[256] = {};
    const SDL_Palette *palette = BackBufferSurface->format->palette;
    for (int i = 0; i < palette->ncolors && i < 256; ++i) {
        const SDL_Color c = palette->colors[i];
        colours[i] = 0xFF000000U | (static_cast<std::uint32_t>(c.r) << 16) |
                     (static_cast<std::uint32_t>(c.g) << 8) | c.b;
    }
    void *pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(PresentTexture, nullptr, &pixels, &pitch) == 0) {
        ExpandIndexedRows(static_cast<const std::uint8_t *>(BackBufferSurface->pixels),
                          BackBufferSurface->pitch, colours, static_cast<std::uint32_t *>(pixels),
                          pitch, W, H);
        SDL_UnlockTexture(PresentTexture);
    }
    // A software renderer draws on the window's own surface, which keeps the bars around the
    // picture from one present to the next; clearing 4K of them each time cost more than the
    // frame. Other renderers present a fresh buffer each time.
    SDL_RendererInfo info{};
    if (WindowNeedsClear || SDL_GetRendererInfo(DisplayRenderer, &info) != 0 ||
        (info.flags & SDL_RENDERER_SOFTWARE) == 0) {
        SDL_RenderClear(DisplayRenderer);
        WindowNeedsClear = false;
    }
    SDL_RenderCopy(DisplayRenderer, PresentTexture, nullptr, nullptr);
    SDL_RenderPresent(DisplayRenderer);
}
