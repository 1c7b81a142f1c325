#include "tools/export/compose.h"

#include "display/display_mode.h"
#include "display/draw.h"
#include "display/memory/memory_display.h"
#include "display/memory/memory_draw.h"
#include "display/memory/overlay_font.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "tools/common/png_file.h"
#include "tools/common/sheet_picture.h"
#include "view/commands.h"
#include "view/drawn_window.h"
#include "view/render_frame.h"
#include "view/view_state.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The drawn window in pixels, from the first cell's origin to the far edge of the last cell.
constexpr int WINDOW_WIDTH = GRID_WINDOW_COLUMNS * CELL_PITCH;
constexpr int WINDOW_HEIGHT = GRID_WINDOW_ROWS * CELL_PITCH;

// A poster build's surface holds the window with the same margin on every side.
constexpr int POSTER_MARGIN = (W - WINDOW_WIDTH) / 2;

// The overlay's boxes stand at x 0 for the two zeros of a poster; a poster's picture starts
// right of them, so that only the map is in it.
constexpr int POSTER_LEFTMOST = OVERLAY_CELL_WIDTH;

struct PictureArea {
    int left;
    int top;
    int right;
    int bottom;
    int notWhole; // tiles that the picture does not show whole
};

void Report(const fs::path &file, const std::string &reason) {
    std::fprintf(stderr, "tileview-export: %s: %s\n", file.string().c_str(), reason.c_str());
}

// Widens area to hold the tiles of cell that the picture shows whole; counts the others.
void TakeCellTiles(const WindowCell &cell, PictureArea &area) {
    TerrainRef refs[MAP_CELL_LAYERS];
    SplitMapCell(cell.row, cell.column, refs);
    for (const TerrainRef &ref : refs) {
        const int index = FindTerrainRecord(ref.kind, ref.level);
        if (index == NO_TERRAIN) {
            continue;
        }
        TilePlacement tile{};
        const bool placed = PlaceTile(index, cell.originX, cell.originY, tile);
        if (!RectInsideSurface(tile.source, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT)) {
            continue; // never drawn anywhere
        }
        const DrawRect &d = tile.destination;
        if (!placed || d.left < POSTER_LEFTMOST || d.top < 0 || d.right > W || d.bottom > H) {
            ++area.notWhole;
            continue;
        }
        area.left = std::min(area.left, d.left);
        area.top = std::min(area.top, d.top);
        area.right = std::max(area.right, d.right);
        area.bottom = std::max(area.bottom, d.bottom);
    }
}

// The part of a poster build's back buffer that holds every tile of the window whole, as far as
// the margin allows.
PictureArea FindPosterArea() {
    PictureArea area{POSTER_MARGIN, POSTER_MARGIN, POSTER_MARGIN + WINDOW_WIDTH,
                     POSTER_MARGIN + WINDOW_HEIGHT, 0};
    ForEachVisibleCell(W, H, [&](const WindowCell &cell) { TakeCellTiles(cell, area); });
    return area;
}

// Applies the view that options describe, the way the viewer would reach it.
void SetUpView(const ExportOptions &options) {
    if (options.poster) {
        ViewState.scrollX = POSTER_MARGIN;
        ViewState.scrollY = POSTER_MARGIN;
        return;
    }
    if (options.scrollGiven) {
        ViewState.scrollX = options.scrollX;
        ViewState.scrollY = options.scrollY;
    }
    for (const char key : options.keys) {
        OnCharacter(static_cast<unsigned char>(key));
    }
    if (options.clickGiven) {
        OnLeftButtonDown(static_cast<std::uint32_t>(options.clickY) << 16U | options.clickX);
    }
}

// The data files the picture needs, opened as the viewer opens them. Loads the terrain table
// and the first segment, the palette and the sheet on the way.
bool LoadData(const ExportOptions &options, const fs::path &data) {
    errno = 0;
    ViewState.segmentIndex = options.segment;
    if (!LoadTerrainTable()) {
        Report(data / TERRAIN_FILE, std::strerror(errno));
        return false;
    }
    LoadDisplayPalette(TILE_SHEET_FILE);
    std::string error;
    if (!LoadSheetPicture(TILE_SHEET_FILE, error)) {
        Report(data / TILE_SHEET_FILE, error);
        return false;
    }
    return true;
}

// A segment file that cannot be opened shows as an empty map in the viewer; a picture of that
// is no use to anyone, so it is an error here.
bool ShownSegmentReadable(const fs::path &data) {
    const char *name = SegmentFiles[ViewState.segmentIndex];
    errno = 0;
    std::FILE *file = std::fopen(name, "rb");
    if (file == nullptr) {
        Report(data / name, std::strerror(errno));
        return false;
    }
    std::fclose(file);
    return true;
}

bool WriteBackBuffer(const fs::path &output, const PictureArea &area) {
    const std::uint8_t *pixels =
        BackBufferPixels + static_cast<std::ptrdiff_t>(area.top) * W + area.left;
    std::string error;
    if (!WriteIndexedPng(output.string().c_str(), pixels, W, area.right - area.left,
                         area.bottom - area.top, DisplayPalette, error)) {
        Report(output, error);
        return false;
    }
    return true;
}

int Compose(const ExportOptions &options, const fs::path &data, const fs::path &output) {
    if (!LoadData(options, data)) {
        return EXPORT_EXIT_FILE;
    }
    SetUpView(options);
    if (!ShownSegmentReadable(data)) {
        return EXPORT_EXIT_FILE;
    }
    PictureArea area{0, 0, W, H, 0};
    if (options.poster) {
        area = FindPosterArea();
        std::fprintf(stderr, "tileview-export: poster of %s, %d x %d cells: %d x %d pixels...\n",
                     SegmentFiles[ViewState.segmentIndex], GRID_WINDOW_COLUMNS, GRID_WINDOW_ROWS,
                     area.right - area.left, area.bottom - area.top);
        if (area.notWhole > 0) {
            std::fprintf(stderr,
                         "tileview-export: warning: %d tiles reach past the poster's margin of "
                         "%d pixels and are not shown whole\n",
                         area.notWhole, POSTER_MARGIN - POSTER_LEFTMOST);
        }
    }
    RenderFrame();
    if (!WriteBackBuffer(output, area)) {
        return EXPORT_EXIT_FILE;
    }
    if (options.poster) {
        std::fprintf(stderr, "tileview-export: wrote %s\n", output.string().c_str());
    }
    return EXPORT_EXIT_OK;
}

} // namespace

int ComposeAndExport(const ExportOptions &options) {
    std::error_code error;
    const fs::path output =
        fs::absolute(options.output.empty() ? DefaultExportOutput(options) : options.output, error);
    const fs::path data = options.data;
    // The viewer names its files relative to the working directory: work in the data folder.
    fs::current_path(data, error);
    if (error) {
        Report(data, error.message());
        return EXPORT_EXIT_FILE;
    }
    return Compose(options, data, output);
}

// The export shows nothing: the frame is written out once it is composed.
void PresentBackBuffer() {}
