#pragma once
// The drawing operations that the frame composition issues, in this order within a frame: one
// clear, any number of keyed tile copies, the overlay text, one present. display/win32 defines
// them on DirectDraw; display/memory defines all but the present on plain memory, and whoever
// draws there presents in its own way (display/sdl, display/web, the export, the benchmarks).
// The tests define a recording fake.

#include <cstdint>

// Left, top, right, bottom in pixels; right and bottom exclusive.
struct DrawRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

inline constexpr std::uint32_t CLEAR_FILL_VALUE = 0xAAAAAA; // palette index 170 on 8 bits
inline constexpr int TRANSPARENT_INDEX = 142;
inline constexpr int TILE_SHEET_WIDTH = 1300;
inline constexpr int TILE_SHEET_HEIGHT = 3900;

// Fills the whole back buffer rectangle with the fill value's low byte as the palette index.
void ClearBackBuffer(const DrawRect &area, std::uint32_t fillValue);

// Copies source (on the tile sheet) to destination (on the back buffer) one to one, skipping
// pixels of TRANSPARENT_INDEX. A copy whose rectangle leaves either surface is refused whole.
void CopyTile(const DrawRect &source, const DrawRect &destination);

// The overlay: BeginOverlayText answers whether text can be written this frame; only then are
// DrawOverlayText and EndOverlayText called.
bool BeginOverlayText();
void DrawOverlayText(int x, int y, const char *text);
void EndOverlayText();

// Shows the back buffer.
void PresentBackBuffer();

// Whether rect is non-empty and lies wholly inside a surface of width by height pixels. The
// platforms refuse copies that fail this, so that a tile crossing an edge is left out, not cut.
inline bool RectInsideSurface(const DrawRect &rect, int width, int height) {
    return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom &&
           rect.right <= width && rect.bottom <= height;
}

// Whether a copy from the sheet to a back buffer of width by height is taken: both rectangles
// lie wholly inside their surfaces and are of one size, so that nothing is cut or stretched.
inline bool TileCopyTakenWhole(const DrawRect &source, const DrawRect &destination, int width,
                               int height) {
    return RectInsideSurface(source, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT) &&
           RectInsideSurface(destination, width, height) &&
           source.right - source.left == destination.right - destination.left &&
           source.bottom - source.top == destination.bottom - destination.top;
}
