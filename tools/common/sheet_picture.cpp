#include "tools/common/sheet_picture.h"

#include "display/bitmap_extent.h"
#include "display/memory/memory_display.h"

#include <SDL.h>

#include <cstdint>

namespace {

// Converted to 32 bits, each pixel of an 8-bit picture carries its table entry's colour, which
// lands on the index the viewer maps that entry to.
void MapPicture(SDL_Surface *picture) {
    SDL_Surface *rgb = SDL_ConvertSurfaceFormat(picture, SDL_PIXELFORMAT_RGB888, 0);
    if (rgb != nullptr) {
        MapColourPictureRows(static_cast<const std::uint32_t *>(rgb->pixels), rgb->pitch, rgb->w, 0,
                             rgb->h);
        SDL_FreeSurface(rgb);
    }
}

// The picture from a file or from memory, closing source either way.
bool LoadSheetPictureFrom(SDL_RWops *source, std::string &error) {
    if (source == nullptr) {
        error = SDL_GetError();
        return false;
    }
    ClearTileSheet();
    // The claimed size is refused before SDL's loader allocates it: a few bytes that claim
    // 60000 x 60000 pixels cost gigabytes and seconds there.
    unsigned char header[BITMAP_HEADERS_SIZE] = {};
    const std::size_t got = SDL_RWread(source, header, 1, sizeof header);
    if (got >= BMP_FILE_HEADER_SIZE + BMP_CORE_HEADER_SIZE && !PictureSizeAcceptable(header, got)) {
        SDL_RWclose(source);
        return true;
    }
    SDL_Surface *picture =
        SDL_RWseek(source, 0, RW_SEEK_SET) == 0 ? SDL_LoadBMP_RW(source, 0) : nullptr;
    SDL_RWclose(source);
    if (picture == nullptr) {
        error = SDL_GetError();
        return false;
    }
    MapPicture(picture);
    SDL_FreeSurface(picture);
    return true;
}

} // namespace

bool LoadSheetPicture(const char *path, std::string &error) {
    return LoadSheetPictureFrom(SDL_RWFromFile(path, "rb"), error);
}

bool LoadSheetPictureBytes(const unsigned char *bytes, std::size_t size, std::string &error) {
    return LoadSheetPictureFrom(SDL_RWFromConstMem(bytes, static_cast<int>(size)), error);
}
