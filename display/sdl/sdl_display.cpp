#include "display/sdl/sdl_display.h"

#include "display/bitmap_extent.h"
#include "display/bitmap_header.h"
#include "display/display_mode.h"
#include "display/draw.h"
#include "display/palette_block.h"
#include "display/palette_match.h"
#include "display/sdl/picture_sheet.h"

#include <cstddef>

SDL_Renderer *DisplayRenderer = nullptr;
bool WindowNeedsClear = true;
SDL_Texture *PresentTexture = nullptr;
SDL_Surface *BackBufferSurface = nullptr;
SDL_Surface *TileSheetSurface = nullptr;
SDL_Palette *DisplayPalette = nullptr;
std::uint8_t OverlayInkIndex = 0;
std::uint8_t OverlayPaperIndex = 0;

namespace {

bool RenderingLost = false;

// In the format of an X window's surface (32 bits, the top byte unused): a scaled copy between
// surfaces of one format is SDL's plain stretch; between two formats it converts pixel by
// pixel as well, which cost a third more per present on a 4K desktop.
SDL_Texture *MakePresentTexture(SDL_Renderer *renderer) {
    return SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, W, H);
}

SDL_Surface *MakeIndexedSurface(int width, int height) {
    SDL_Surface *surface =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 8, SDL_PIXELFORMAT_INDEX8);
    if (surface != nullptr) {
        SDL_SetSurfacePalette(surface, DisplayPalette);
    }
    return surface;
}

void ChooseOverlayColours() {
    PaletteEntry entries[PALETTE_ENTRIES];
    ReadPaletteEntries(DisplayPalette, entries);
    OverlayInkIndex = NearestPaletteIndex(entries, 0, 0, 0);
    OverlayPaperIndex = NearestPaletteIndex(entries, 255, 255, 255);
}

} // namespace

SDL_Palette *LoadTilePalette(const char *path) {
    unsigned char block[PALETTE_BLOCK_SIZE];
    (void)ReadPaletteBlock(path, block);
    PaletteEntry entries[PALETTE_ENTRIES];
    BuildShownPalette(block, entries);
    SDL_Palette *palette = SDL_AllocPalette(PALETTE_ENTRIES);
    if (palette == nullptr) {
        return nullptr;
    }
    SDL_Color colours[PALETTE_ENTRIES];
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        // The flags byte has no meaning to SDL; every entry is opaque.
        colours[i] = SDL_Color{entries[i].red, entries[i].green, entries[i].blue, 255};
    }
    SDL_SetPaletteColors(palette, colours, 0, PALETTE_ENTRIES);
    return palette;
}

SDL_Surface *LoadTilePicture(const char *path) {
    SDL_RWops *file = SDL_RWFromFile(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    unsigned char header[BITMAP_HEADERS_SIZE] = {};
    if (!PictureSizeAcceptable(header, SDL_RWread(file, header, 1, sizeof header)) ||
        SDL_RWseek(file, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(file);
        return nullptr;
    }
    return SDL_LoadBMP_RW(file, 1);
}

void LoadTileSheet() {
    // Read from disk every time, like the other platform's loader.
    SDL_Surface *picture = LoadTilePicture(TILE_SHEET_FILE);
    FillSheetFromPicture(picture, DisplayPalette, TileSheetSurface);
    SDL_FreeSurface(picture);
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
    DisplayPalette = LoadTilePalette(TILE_SHEET_FILE);
    if (DisplayPalette == nullptr) {
        return -1;
    }
    ChooseOverlayColours();
    // One palette object on both surfaces: only then does SDL copy indices one to one.
    BackBufferSurface = MakeIndexedSurface(W, H);
    if (BackBufferSurface == nullptr) {
        return -1;
    }
    TileSheetSurface = MakeIndexedSurface(TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT);
    if (TileSheetSurface == nullptr) {
        return -1;
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
    SDL_FreeSurface(TileSheetSurface);
    TileSheetSurface = nullptr;
    SDL_FreeSurface(BackBufferSurface);
    BackBufferSurface = nullptr;
    SDL_FreePalette(DisplayPalette);
    DisplayPalette = nullptr;
    DisplayRenderer = nullptr;
    RenderingLost = false;
}
