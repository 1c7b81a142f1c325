#include "display/win32/ddraw_display.h"

#include "display/display_mode.h"
#include "display/draw.h"
#include "display/palette_block.h"

IDirectDraw7 *DisplayObject = nullptr;
IDirectDrawSurface7 *PrimarySurface = nullptr;
IDirectDrawSurface7 *BackBuffer = nullptr;
IDirectDrawSurface7 *TileSheetSurface = nullptr;

namespace {

constexpr DWORD DISPLAY_BITS_PER_PIXEL = 8;

// DDSURFACEDESC2 holds a pointer, so its size is 124 only in a 32-bit build; DirectDraw checks
// dwSize against its own layout, which is this one.
#if !defined(_WIN64)
static_assert(sizeof(DDSURFACEDESC2) == 124);
#endif

HRESULT CreatePrimarySurface() {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    return DisplayObject->CreateSurface(&desc, &PrimarySurface, nullptr);
}

HRESULT FetchBackBuffer() {
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    return PrimarySurface->GetAttachedSurface(&caps, &BackBuffer);
}

HRESULT CreateTileSheetSurface() {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = TILE_SHEET_WIDTH;
    desc.dwHeight = TILE_SHEET_HEIGHT;
    return DisplayObject->CreateSurface(&desc, &TileSheetSurface, nullptr);
}

void SetTileSheetColourKey() {
    DDCOLORKEY key{};
    key.dwColorSpaceLowValue = TRANSPARENT_INDEX;
    key.dwColorSpaceHighValue = TRANSPARENT_INDEX;
    (void)TileSheetSurface->SetColorKey(DDCKEY_SRCBLT, &key);
}

// Answers whether surface was lost and has been given back its memory.
bool RestoreIfLost(IDirectDrawSurface7 *surface) {
    if (surface == nullptr || surface->IsLost() == DD_OK) {
        return false;
    }
    // The back buffer's own restore is refused: it comes back with the primary surface's.
    (void)surface->Restore();
    return true;
}

template <typename Interface> void ReleaseSlot(Interface *&slot) {
    if (slot != nullptr) {
        (void)slot->Release();
        slot = nullptr;
    }
}

} // namespace

HRESULT InitDirectDraw(HWND window) {
    HRESULT code = DirectDrawCreateEx(nullptr, reinterpret_cast<void **>(&DisplayObject),
                                      IID_IDirectDraw7, nullptr);
    if (code < 0) {
        return code;
    }
    code = DisplayObject->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    if (code < 0) {
        return code;
    }
    code = DisplayObject->SetDisplayMode(W, H, DISPLAY_BITS_PER_PIXEL, 0, 0);
    if (code < 0) {
        return code;
    }
    code = CreatePrimarySurface();
    if (code < 0) {
        return code;
    }
    // Attached before the back buffer is fetched; without one the set-up goes on uncoloured.
    IDirectDrawPalette *palette = LoadTilePalette(DisplayObject, TILE_SHEET_FILE);
    if (palette != nullptr) {
        (void)PrimarySurface->SetPalette(palette);
    }
    code = FetchBackBuffer();
    if (code < 0) {
        return code;
    }
    code = CreateTileSheetSurface();
    if (code < 0) {
        return code;
    }
    // The key is set on a sheet that already holds its picture.
    LoadTileSheet();
    SetTileSheetColourKey();
    return code;
}

void RestoreLostSurfaces() {
    (void)RestoreIfLost(BackBuffer);
    (void)RestoreIfLost(PrimarySurface);
    if (RestoreIfLost(TileSheetSurface)) {
        LoadTileSheet();
    }
}

void ReleaseDirectDraw() {
    ReleaseSlot(DisplayObject);
    ReleaseSlot(TileSheetSurface);
    ReleaseSlot(BackBuffer);
    ReleaseSlot(PrimarySurface);
}
