#pragma once
// The SDL2 display: the memory module's frame (display/memory) shown through a streaming texture
// at logical size W x H, and the tile picture loaded by SDL onto the memory module's sheet.

#include <SDL.h>

#include <cstddef>

// The process-wide display slots; empty before InitDisplay and after ReleaseDisplay.
extern SDL_Renderer *DisplayRenderer; // not owned: the shell makes and destroys it
extern SDL_Texture *PresentTexture;   // the back buffer's colours, W x H, 32-bit RGB

// Takes the display: shows the window, sets the renderer's logical size and makes the texture,
// then the palette and the sheet's contents. Returns a negative code on failure, leaving what
// was made in its slot. With no window and renderer (tests) only the palette and the sheet are
// made and presenting does nothing.
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

// Recreates what was reported lost since the last call: the presentation texture. The frame and
// the sheet live in plain memory and are never lost.
void RestoreLostSurfaces();

// Frees the texture and empties the slots.
void ReleaseDisplay();

// The picture in the bitmap file at path, or nullptr when SDL cannot read it or its header
// claims more than MAX_PICTURE_PIXELS.
SDL_Surface *LoadTilePicture(const char *path);

// The same for the file's bytes held in memory.
SDL_Surface *DecodeTilePicture(const unsigned char *bytes, std::size_t size);

// Makes the palette from tiles.bmp's header and fills the tile sheet from its picture, as at
// start and whenever the file changed: without a file the palette is that of a block of zeros,
// and without a picture the sheet holds the transparent index.
void LoadTileSheet();
