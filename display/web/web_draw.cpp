// The present of the frame composition: the memory module's frame, through its palette, onto
// the page's canvas.

#include "display/draw.h"
#include "display/memory/memory_display.h"
#include "display/memory/memory_draw.h"
#include "display/memory/pixel_rows.h"
#include "display/web/web_display.h"

// The page's part of presenting: it puts PresentPixels on its canvas.
extern "C" __attribute__((import_module("page"), import_name("showFrame"))) void PageShowFrame();

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
