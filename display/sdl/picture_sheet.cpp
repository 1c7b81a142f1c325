#include "display/sdl/picture_sheet.h"

#include "display/memory/memory_display.h"
#include "display/palette_block.h"

#include <cstdint>

namespace {

// A picture's own colour table as colour matching takes it.
void ReadPaletteEntries(const SDL_Palette *palette, PaletteEntry entries[PALETTE_ENTRIES]) {
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const SDL_Color c = i < palette->ncolors ? palette->colors[i] : SDL_Color{0, 0, 0, 255};
        entries[i] = PaletteEntry{c.r, c.g, c.b, 0};
    }
}

// Any picture but an 8-bit one: converted to 32 bits first.
bool MapTrueColourPicture(SDL_Surface *picture) {
    SDL_Surface *rgb = SDL_ConvertSurfaceFormat(picture, SDL_PIXELFORMAT_RGB888, 0);
    if (rgb == nullptr) {
        return false;
    }
    MapColourPictureRows(static_cast<const std::uint32_t *>(rgb->pixels), rgb->pitch, rgb->w, 0,
                         rgb->h);
    SDL_FreeSurface(rgb);
    return true;
}

} // namespace

bool FillSheetFromPicture(SDL_Surface *picture) {
    ClearTileSheet();
    if (picture == nullptr) {
        return false;
    }
    const SDL_Palette *own = picture->format->palette;
    if (picture->format->format != SDL_PIXELFORMAT_INDEX8 || own == nullptr) {
        return MapTrueColourPicture(picture);
    }
    // An 8-bit picture: one mapping per colour-table entry.
    PaletteEntry table[PALETTE_ENTRIES];
    ReadPaletteEntries(own, table);
    MapIndexedPicture(static_cast<const std::uint8_t *>(picture->pixels), picture->pitch,
                      picture->w, picture->h, table, own->ncolors);
    return true;
}
