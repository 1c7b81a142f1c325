#pragma once
// The DirectDraw display: exclusive full screen in the build's mode, a flipping primary surface
// with one back buffer, and the off-screen tile sheet filled from tiles.bmp.

#include "display/setup_step.h"

#include <windows.h>

#include <ddraw.h>

// Each slot is empty before InitDirectDraw and emptied again by ReleaseDirectDraw. A failed set-up
// leaves what it made in its slot.
extern IDirectDraw7 *DisplayObject;
extern IDirectDrawSurface7 *PrimarySurface;
extern IDirectDrawSurface7 *BackBuffer;
extern IDirectDrawSurface7 *TileSheetSurface;

// Takes the display for window. Stops at the first step that answers a negative code and
// returns it; otherwise returns the (non-negative) code of the tile sheet's creation.
HRESULT InitDirectDraw(HWND window);

// The set-up step InitDirectDraw took last: after a failure, the one that failed.
extern SetUpStep LastSetUpStep;

// After a failed set-up: gives the screen back (the desktop's mode, the normal cooperative
// level) and releases whatever set-up made, emptying every slot.
void GiveBackDisplay(HWND window);

// The DDERR_ name of a DirectDraw error code, or "an unknown error".
const char *DirectDrawErrorName(HRESULT code);

// On activation: restores whichever existing surfaces are lost, reloading the tile sheet's
// picture when the sheet was among them.
void RestoreLostSurfaces();

// Releases the display object, the tile sheet, the back buffer and the primary surface, in that
// order. Only after a successful InitDirectDraw.
void ReleaseDirectDraw();

// A 256-entry palette from the colour table in the header of the bitmap at path (nullptr: none),
// or nullptr when DirectDraw does not make it.
IDirectDrawPalette *LoadTilePalette(IDirectDraw7 *displayObject, const char *path);

// Copies tiles.bmp into the tile sheet surface through GDI, so that each pixel lands on its
// palette index.
void LoadTileSheet();
