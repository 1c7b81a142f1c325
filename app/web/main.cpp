// The web page's entry points: start-up, one pass of the main loop, and the buffers the page
// fills and reads. The page owns the timer; the pass keeps the native loop's shape.

#include "display/display_mode.h"
#include "display/draw.h"
#include "display/web/web_display.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "view/commands.h"
#include "view/render_frame.h"
#include "view/shown_frame.h"
#include "view/view_state.h"

#include <cstdint>

#define PAGE_EXPORT(name) extern "C" __attribute__((export_name(name)))

namespace {

// The page's message for a missing or unreadable terrain.db, in its own words.
constexpr const char *TERRAIN_MISSING_PAGE_TEXT =
    "Cannot open terrain.db. Choose the folder that holds terrain.db, the six segment files and "
    "tiles.bmp.";

// What the page hands over with a pass: nothing, a typed character, a left click.
enum PageEvent { NO_EVENT = 0, CHARACTER_EVENT = 1, CLICK_EVENT = 2 };

// The rows of decoded picture the page hands over at a time: one sheet's width of RGBA pixels.
constexpr int PICTURE_BAND_ROWS = 64;
std::uint8_t PictureBand[TILE_SHEET_WIDTH * PICTURE_BAND_ROWS * 4];

int ClampInto(int value, int size) {
    return value < 0 ? 0 : value >= size ? size - 1 : value;
}

} // namespace

PAGE_EXPORT("width") int PageWidth() {
    return W;
}

PAGE_EXPORT("height") int PageHeight() {
    return H;
}

PAGE_EXPORT("terrainMissingText") const char *PageTerrainMissingText() {
    return TERRAIN_MISSING_PAGE_TEXT;
}

PAGE_EXPORT("presentPixels") std::uint32_t *PagePresentPixels() {
    return PresentPixels;
}

PAGE_EXPORT("pictureBand") std::uint8_t *PagePictureBand() {
    return PictureBand;
}

PAGE_EXPORT("pictureBandRows") int PagePictureBandRows() {
    return PICTURE_BAND_ROWS;
}

// Loads the table and the first segment, then takes the display. 0 when terrain.db cannot be
// opened: nothing is shown then but the page's message.
PAGE_EXPORT("start") int PageStart() {
    if (!LoadTerrainTable()) {
        return 0;
    }
    InitDisplay();
    return 1;
}

// The segment file the start reads. The page fetches the data folder while the viewer runs, and
// must hold the viewer until the file it is about to read has come (or is known to be missing).
PAGE_EXPORT("shownSegmentFile") const char *PageShownSegmentFile() {
    return SegmentFiles[ViewState.segmentIndex];
}

// The segment file the typed character would read if it came next; null for a character that
// steps no segment.
PAGE_EXPORT("steppedSegmentFile") const char *PageSteppedSegmentFile(int code) {
    const int step = SegmentStepOf(static_cast<std::uint32_t>(code));
    return step == 0 ? nullptr : SegmentFiles[SegmentIndexAfterStep(ViewState.segmentIndex, step)];
}

// Where the view is, for the page's link to it: the scroll in pixels, and the step one key
// makes. The segment is shownSegmentFile's.
PAGE_EXPORT("scrollX") int PageScrollX() {
    return ViewState.scrollX;
}

PAGE_EXPORT("scrollY") int PageScrollY() {
    return ViewState.scrollY;
}

PAGE_EXPORT("cellPitch") int PageCellPitch() {
    return CELL_PITCH;
}

// A character handled with no frame after it: the keys a link stands for, replayed before the
// first frame, which is then the one those keys typed would show.
PAGE_EXPORT("replayCharacter") void PageReplayCharacter(int code) {
    OnCharacter(static_cast<std::uint32_t>(code));
}

PAGE_EXPORT("pictureLoadable") int PagePictureLoadable() {
    return TilePictureLoadable() ? 1 : 0;
}

// 1 when the picture was mapped from the file directly; 0 leaves it to the browser's decoder.
PAGE_EXPORT("mapIndexedPicture") int PageMapIndexedPicture() {
    return MapIndexedPicture() ? 1 : 0;
}

// rows rows of width pixels, in PictureBand, go to the sheet from row top.
PAGE_EXPORT("mapPictureBand") void PageMapPictureBand(int width, int top, int rows) {
    if (width > 0 && width <= TILE_SHEET_WIDTH && rows > 0 && rows <= PICTURE_BAND_ROWS) {
        MapPictureRows(PictureBand, width, top, rows);
    }
}

// One pass of the main loop: at most one event, then the frame, unless it would equal the one
// on the canvas. Answers whether a frame was presented.
PAGE_EXPORT("pass") int PagePass(int event, int first, int second) {
    if (event == CHARACTER_EVENT) {
        OnCharacter(static_cast<std::uint32_t>(first));
    } else if (event == CLICK_EVENT) {
        const auto x = static_cast<std::uint32_t>(ClampInto(first, W));
        const auto y = static_cast<std::uint32_t>(ClampInto(second, H));
        OnLeftButtonDown(x | (y << 16));
    }
    if (ShownFrameIsCurrent()) {
        return 0;
    }
    RenderFrame();
    NoteFrameShown();
    return 1;
}
