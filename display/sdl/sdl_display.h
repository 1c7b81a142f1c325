#pragma once
// The SDL2 display: an 8-bit indexed back buffer of the build's W x H and a 1300 x 3900 tile
// sheet sharing one palette, shown through a streaming texture at logical size W x H.

#include "display/draw.h"

#include <SDL.h>

#include <cstdint>

// The process-wide display slots; empty before InitDisplay and after ReleaseDisplay.
extern SDL_Renderer *DisplayRenderer;  // not owned: the shell makes and destroys it
extern SDL_Texture *PresentTexture;    // the back buffer's colours, W x H, 32-bit RGB
extern SDL_Surface *BackBufferSurface; // INDEX8, W x H, target of all drawing
extern SDL_Surface *TileSheetSurface;  // INDEX8, 1300 x 3900
extern SDL_Palette *DisplayPalette;    // shared by both surfaces

// Takes the display: shows the window, sets the renderer's logical size, and makes the texture,
// the surfaces, the palette and the sheet's contents. Returns a negative code on failure,
// leaving what was made in its slot. With no window and renderer (tests, benchmarks) only the
// surfaces and palette are made and presenting does nothing.
int InitDisplay(SDL_Window *window, SDL_Renderer *renderer);

// Fits the picture to the window's present size, its aspect kept: in whole multiples where the
// window holds the mode at least once, so that every map pixel is drawn the same size. Called
// whenever the window was resized, exposed or restored: the next present also draws the bars
// around the picture again, which the software renderer otherwise leaves as they are.
void FitPresentation();

// Whether the next present must clear the whole window first.
extern bool WindowNeedsClear;

// Called for SDL's reports that render targets or the whole device were reset.
void NoteRenderingLost();

// Recreates what was reported lost since the last call: the presentation texture. The
// surfaces live in system memory and are never lost.
void RestoreLostSurfaces();

// Frees the texture, the surfaces and the palette, and empties their slots.
void ReleaseDisplay();

// The palette shown for the header of path by the portable rule (BuildShownPalette), or nullptr
// when none can be allocated. A file that cannot be opened gives the palette of a block of zero
// bytes, as the Windows build makes it: black but for entry 255.
SDL_Palette *LoadTilePalette(const char *path);

// The picture in the bitmap file at path, or nullptr when SDL cannot read it or its header
// claims more than MAX_PICTURE_PIXELS.
SDL_Surface *LoadTilePicture(const char *path);

// Fills the tile sheet from tiles.bmp; without a picture the sheet holds the transparent index.
void LoadTileSheet();

// Overlay colours: the palette entries nearest to black and to white.
extern std::uint8_t OverlayInkIndex;
extern std::uint8_t OverlayPaperIndex;
