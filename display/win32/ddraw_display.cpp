#include "display/win32/ddraw_display.h"

#include "display/display_mode.h"
#include "display/draw.h"
#include "display/palette_block.h"

IDirectDraw7 *DisplayObject = nullptr;
IDirectDrawSurface7 *PrimarySurface = nullptr;
IDirectDrawSurface7 *BackBuffer = nullptr;
IDirectDrawSurface7 *TileSheetSurface = nullptr;
SetUpStep LastSetUpStep = SetUpStep::CREATE_DISPLAY_OBJECT;

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
    LastSetUpStep = SetUpStep::CREATE_DISPLAY_OBJECT;
    HRESULT code = DirectDrawCreateEx(nullptr, reinterpret_cast<void **>(&DisplayObject),
                                      IID_IDirectDraw7, nullptr);
    if (code < 0) {
        return code;
    }
    LastSetUpStep = SetUpStep::SET_COOPERATIVE_LEVEL;
    code = DisplayObject->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    if (code < 0) {
        return code;
    }
    LastSetUpStep = SetUpStep::SET_DISPLAY_MODE;
    code = DisplayObject->SetDisplayMode(W, H, DISPLAY_BITS_PER_PIXEL, 0, 0);
    if (code < 0) {
        return code;
    }
    LastSetUpStep = SetUpStep::CREATE_PRIMARY_SURFACE;
    code = CreatePrimarySurface();
    if (code < 0) {
        return code;
    }
    // Attached before the back buffer is fetched; without one the set-up goes on uncoloured.
    IDirectDrawPalette *palette = LoadTilePalette(DisplayObject, TILE_SHEET_FILE);
    if (palette != nullptr) {
        (void)PrimarySurface->SetPalette(palette);
    }
    LastSetUpStep = SetUpStep::FETCH_BACK_BUFFER;
    code = FetchBackBuffer();
    if (code < 0) {
        return code;
    }
    LastSetUpStep = SetUpStep::CREATE_TILE_SHEET;
    code = CreateTileSheetSurface();
    if (code < 0) {
        return code;
    }
    // The key is set on a sheet that already holds its picture.
    LoadTileSheet();
    SetTileSheetColourKey();
    return code;
}

void GiveBackDisplay(HWND window) {
    if (DisplayObject != nullptr) {
        (void)DisplayObject->RestoreDisplayMode();
        (void)DisplayObject->SetCooperativeLevel(window, DDSCL_NORMAL);
    }
    ReleaseSlot(TileSheetSurface);
    ReleaseSlot(BackBuffer);
    ReleaseSlot(PrimarySurface);
    ReleaseSlot(DisplayObject);
}

const char *DirectDrawErrorName(HRESULT code) {
    struct NamedError {
        HRESULT code;
        const char *name;
    };
    static constexpr NamedError NAMES[] = {
        {DDERR_INVALIDMODE, "DDERR_INVALIDMODE"},
        {DDERR_UNSUPPORTEDMODE, "DDERR_UNSUPPORTEDMODE"},
        {DDERR_EXCLUSIVEMODEALREADYSET, "DDERR_EXCLUSIVEMODEALREADYSET"},
        {DDERR_NOEXCLUSIVEMODE, "DDERR_NOEXCLUSIVEMODE"},
        {DDERR_HWNDALREADYSET, "DDERR_HWNDALREADYSET"},
        {DDERR_HWNDSUBCLASSED, "DDERR_HWNDSUBCLASSED"},
        {DDERR_NOCOOPERATIVELEVELSET, "DDERR_NOCOOPERATIVELEVELSET"},
        {DDERR_PRIMARYSURFACEALREADYEXISTS, "DDERR_PRIMARYSURFACEALREADYEXISTS"},
        {DDERR_NOFLIPHW, "DDERR_NOFLIPHW"},
        {DDERR_NODIRECTDRAWHW, "DDERR_NODIRECTDRAWHW"},
        {DDERR_OUTOFVIDEOMEMORY, "DDERR_OUTOFVIDEOMEMORY"},
        {DDERR_OUTOFMEMORY, "DDERR_OUTOFMEMORY"},
        {DDERR_INVALIDCAPS, "DDERR_INVALIDCAPS"},
        {DDERR_INVALIDPIXELFORMAT, "DDERR_INVALIDPIXELFORMAT"},
        {DDERR_INVALIDPARAMS, "DDERR_INVALIDPARAMS"},
        {DDERR_INVALIDOBJECT, "DDERR_INVALIDOBJECT"},
        {DDERR_WRONGMODE, "DDERR_WRONGMODE"},
        {DDERR_NOTFOUND, "DDERR_NOTFOUND"},
        {DDERR_UNSUPPORTED, "DDERR_UNSUPPORTED"},
        {DDERR_GENERIC, "DDERR_GENERIC"},
    };
    for (const NamedError &error : NAMES) {
        if (error.code == code) {
            return error.name;
        }
    }
    return "an unknown error";
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
