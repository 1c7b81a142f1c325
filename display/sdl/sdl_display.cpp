#include "display/sdl/sdl_display.h"

#include "display/bitmap_extent.h"
#include "display/bitmap_header.h"
#include "display/display_mode.h"
#include "display/memory/memory_display.h"
#include "display/palette_block.h"
#include "display/sdl/picture_sheet.h"

#include <cstddef>

SDL_Renderer *DisplayRenderer = nullptr;
bool WindowNeedsClear = true;
SDL_Texture *PresentTexture = nullptr;

namespace {

bool RenderingLost = false;

// In the format of an X window's surface (32 bits, the top byte unused): a scaled copy between
// surfaces of one format is SDL's plain stretch; between two formats it converts pixel by
// pixel as well, which cost a third more per present on a 4K desktop.
SDL_Texture *MakePresentTexture(SDL_Renderer *renderer) {
    return SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, W, H);
}

// The picture from a file or from memory, closing source either way.
SDL_Surface *LoadPictureFrom(SDL_RWops *source) {
    if (source == nullptr) {
        return nullptr;
    }
    unsigned char header[BITMAP_HEADERS_SIZE] = {};
    if (!PictureSizeAcceptable(header, SDL_RWread(source, header, 1, sizeof header)) ||
        SDL_RWseek(source, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(source);
        return nullptr;
    }
    return SDL_LoadBMP_RW(source, 1);
}

} // namespace

SDL_Surface *LoadTilePicture(const char *path) {
    return LoadPictureFrom(SDL_RWFromFile(path, "rb"));
}

SDL_Surface *DecodeTilePicture(const unsigned char *bytes, std::size_t size) {
    return LoadPictureFrom(SDL_RWFromConstMem(bytes, static_cast<int>(size)));
}

void LoadTileSheet() {
    // The sheet's pixels are mapped by colour onto the palette, so the palette comes first.
    LoadDisplayPalette(TILE_SHEET_FILE);
    // Read from disk every time, like the other platform's loader.
    SDL_Surface *picture = LoadTilePicture(TILE_SHEET_FILE);
    FillSheetFromPicture(picture);
    SDL_FreeSurface(picture);
    ++TileSheetLoads;
}

int InitDisplay(SDL_Window *window, SDL_Renderer *renderer) {
    if (renderer != nullptr) {
        SDL_ShowWindow(window);
        if (SDL_RenderSetLogicalSize(renderer, W, H) < 0) {
            return -1;
        }
        DisplayRenderer = renderer;
        FitPresentation();
        PresentTexture = MakePresentTexture(renderer);
        if (PresentTexture == nullptr) {
            return -1;
        }
    }
    LoadTileSheet();
    return 0;
}

void FitPresentation() {
    if (DisplayRenderer == nullptr) {
        return;
    }
    int width = 0;
    int height = 0;
    if (SDL_GetRendererOutputSize(DisplayRenderer, &width, &height) != 0) {
        return;
    }
    SDL_RenderSetIntegerScale(DisplayRenderer, width >= W && height >= H ? SDL_TRUE : SDL_FALSE);
    WindowNeedsClear = true;
}

void NoteRenderingLost() {
    RenderingLost = true;
}

void RestoreLostSurfaces() {
    if (!RenderingLost || DisplayRenderer == nullptr) {
        return;
    }
    RenderingLost = false;
    if (PresentTexture != nullptr) {
        SDL_DestroyTexture(PresentTexture);
    }
    PresentTexture = MakePresentTexture(DisplayRenderer);
}

void ReleaseDisplay() {
    if (PresentTexture != nullptr) {
        SDL_DestroyTexture(PresentTexture);
        PresentTexture = nullptr;
    }
    DisplayRenderer = nullptr;
    RenderingLost = false;
}
