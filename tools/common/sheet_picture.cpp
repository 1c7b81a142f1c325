#include "tools/common/sheet_picture.h"

#include "display/bitmap_extent.h"
#include "display/memory/memory_display.h"

#include <SDL.h>

#include <cstdint>

bool LoadSheetPicture(const char *path, std::string &error) {
    SDL_Surface *picture = SDL_LoadBMP(path);
    if (picture == nullptr) {
        error = SDL_GetError();
        return false;
    }
    ClearTileSheet();
    // Converted to 32 bits, each pixel of an 8-bit picture carries its table entry's colour,
    // which lands on the index the viewer maps that entry to.
    SDL_Surface *rgb = std::int64_t{picture->w} * picture->h <= MAX_PICTURE_PIXELS
                           ? SDL_ConvertSurfaceFormat(picture, SDL_PIXELFORMAT_RGB888, 0)
                           : nullptr;
    if (rgb != nullptr) {
        MapColourPictureRows(static_cast<const std::uint32_t *>(rgb->pixels), rgb->pitch, rgb->w, 0,
                             rgb->h);
        SDL_FreeSurface(rgb);
    }
    SDL_FreeSurface(picture);
    return true;
}
