#include "display/sdl/picture_sheet.h"

#include "display/draw.h"
#include "display/palette_match.h"

#include <algorithm>

namespace {

// An 8-bit picture: one mapping per colour-table entry.
void MapIndexedPicture(SDL_Surface *picture, const PaletteEntry palette[PALETTE_ENTRIES],
                       SDL_Surface *sheet, int width, int height) {
    PaletteEntry own[PALETTE_ENTRIES];
    ReadPaletteEntries(picture->format->palette, own);
    std::uint8_t map[PALETTE_ENTRIES];
    MapColourTable(own, std::min(picture->format->palette->ncolors, PALETTE_ENTRIES), palette, map);
    for (int y = 0; y < height; ++y) {
        const auto *in = static_cast<const std::uint8_t *>(picture->pixels) + y * picture->pitch;
        auto *out = static_cast<std::uint8_t *>(sheet->pixels) + y * sheet->pitch;
        for (int x = 0; x < width; ++x) {
            out[x] = map[in[x]];
        }
    }
}

// Any other picture: converted to 32 bits first.
bool MapTrueColourPicture(SDL_Surface *picture, const PaletteEntry palette[PALETTE_ENTRIES],
                          SDL_Surface *sheet, int width, int height) {
    SDL_Surface *rgb = SDL_ConvertSurfaceFormat(picture, SDL_PIXELFORMAT_RGB888, 0);
    if (rgb == nullptr) {
        return false;
    }
    MapColourRows(static_cast<const std::uint32_t *>(rgb->pixels), rgb->pitch, palette,
                  static_cast<std::uint8_t *>(sheet->pixels), sheet->pitch, width, height);
    SDL_FreeSurface(rgb);
    return true;
}

} // namespace

void ReadPaletteEntries(const SDL_Palette *palette, PaletteEntry entries[PALETTE_ENTRIES]) {
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const SDL_Color c = i < palette->ncolors ? palette->colors[i] : SDL_Color{0, 0, 0, 255};
        entries[i] = PaletteEntry{c.r, c.g, c.b, 0};
    }
}

bool FillSheetFromPicture(SDL_Surface *picture, const SDL_Palette *palette, SDL_Surface *sheet) {
    SDL_FillRect(sheet, nullptr, TRANSPARENT_INDEX);
    if (picture == nullptr) {
        return false;
    }
    PaletteEntry entries[PALETTE_ENTRIES];
    ReadPaletteEntries(palette, entries);
    const int width = std::min(picture->w, sheet->w);
    const int height = std::min(picture->h, sheet->h);
    if (picture->format->format == SDL_PIXELFORMAT_INDEX8 && picture->format->palette != nullptr) {
        MapIndexedPicture(picture, entries, sheet, width, height);
        return true;
    }
    return MapTrueColourPicture(picture, entries, sheet, width, height);
}
