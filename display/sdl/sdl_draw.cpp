// The present of the frame composition: the memory module's frame, through its palette, into
// the texture, scaled onto the window.

#include "display/display_mode.h"
#include "display/draw.h"
#include "display/memory/memory_display.h"
#include "display/memory/memory_draw.h"
#include "display/memory/pixel_rows.h"
#include "display/sdl/sdl_display.h"

void PresentBackBuffer() {
    if (DisplayRenderer == nullptr || PresentTexture == nullptr) {
        return;
    }
    std::uint32_t colours[PALETTE_ENTRIES];
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const PaletteEntry &e = DisplayPalette[i];
        colours[i] =
            0xFF000000U | (std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue;
    }
    void *pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(PresentTexture, nullptr, &pixels, &pitch) == 0) {
        ExpandIndexedRows(BackBufferPixels, W, colours, static_cast<std::uint32_t *>(pixels), pitch,
                          W, H);
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
