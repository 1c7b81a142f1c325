#include "tools/tiled/tile_images.h"

#include "display/memory/memory_display.h"
#include "display/memory/overlay_font.h"
#include "mapdata/terrain.h"
#include "view/commands.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr TileBox CELL_BOX{0, 0, CELL_PITCH, CELL_PITCH};

bool WithinReach(const TileBox &box) {
    return box.left >= -MAX_TILE_REACH && box.top >= -MAX_TILE_REACH &&
           box.right <= CELL_PITCH + MAX_TILE_REACH && box.bottom <= CELL_PITCH + MAX_TILE_REACH;
}

// A box of the cell's size, framed in the overlay's ink, with kind and level written in it.
void DrawPlaceholder(const ExportTile &tile, TileImage &image, int left) {
    constexpr int FRAME = 2;
    constexpr int TEXT_LEFT = 6;
    constexpr int KIND_TOP = 6;
    constexpr int LEVEL_TOP = 28;
    for (int y = 0; y < CELL_PITCH; ++y) {
        for (int x = 0; x < CELL_PITCH; ++x) {
            const bool frame = x < FRAME || y < FRAME || x >= CELL_PITCH - FRAME ||
                               y >= CELL_PITCH - FRAME || x == y || x == CELL_PITCH - 1 - y;
            image.pixels[static_cast<std::size_t>(y) * image.width + left + x] =
                frame ? OverlayInkIndex : OverlayPaperIndex;
        }
    }
    DrawOverlayGlyphs(image.pixels.data(), image.width, image.width, image.height, left + TEXT_LEFT,
                      KIND_TOP, std::to_string(tile.kind).c_str(), OverlayInkIndex,
                      OverlayPaperIndex);
    DrawOverlayGlyphs(image.pixels.data(), image.width, image.width, image.height, left + TEXT_LEFT,
                      LEVEL_TOP, std::to_string(tile.level).c_str(), OverlayInkIndex,
                      OverlayPaperIndex);
}

void CopyFromSheet(const ExportTile &tile, TileImage &image, int left) {
    const int width = tile.source.right - tile.source.left;
    for (int y = tile.source.top; y < tile.source.bottom; ++y) {
        std::memcpy(
            &image.pixels[static_cast<std::size_t>(y - tile.source.top) * image.width + left],
            &TileSheetPixels[static_cast<std::size_t>(y) * TILE_SHEET_WIDTH + tile.source.left],
            static_cast<std::size_t>(width));
    }
}

} // namespace

ExportTile RecordTile(int record) {
    const TerrainPlacement p = ReadTerrainPlacement(record);
    const std::uint8_t *fields = TerrainTable + record * TERRAIN_RECORD_SIZE;
    ExportTile tile{fields[TERRAIN_KIND_OFFSET],
                    fields[TERRAIN_LEVEL_OFFSET],
                    record,
                    {},
                    DrawRect{p.srcLeft, p.srcTop, p.srcRight, p.srcBottom},
                    CELL_BOX};
    if (!RectInsideSurface(tile.source, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT)) {
        tile.placeholder = "its source leaves the tile sheet: the viewer draws nothing of it";
        return tile;
    }
    const TileBox box{-std::int64_t{p.anchorX}, -std::int64_t{p.anchorY},
                      std::int64_t{p.srcRight} - p.srcLeft - p.anchorX,
                      std::int64_t{p.srcBottom} - p.srcTop - p.anchorY};
    if (!WithinReach(box)) {
        tile.placeholder = "it reaches more than " + std::to_string(MAX_TILE_REACH) +
                           " pixels from its cell: shown on its cell instead";
        return tile;
    }
    tile.box = box;
    return tile;
}

ExportTile PlaceholderTile(int kind, int level) {
    return ExportTile{kind,
                      level,
                      NO_TERRAIN,
                      "no record holds this pair: the viewer draws nothing of it",
                      DrawRect{0, 0, CELL_PITCH, CELL_PITCH},
                      CELL_BOX};
}

TileOffset ChooseTileOffset(const std::vector<ExportTile> &tiles) {
    if (tiles.empty()) {
        return TileOffset{0, 0};
    }
    TileOffset corner{tiles[0].box.left, tiles[0].box.bottom};
    for (const ExportTile &tile : tiles) {
        corner.x = std::min(corner.x, tile.box.left);
        corner.y = std::max(corner.y, tile.box.bottom);
    }
    return TileOffset{corner.x, corner.y - CELL_PITCH};
}

TileImage MakeTileImage(const ExportTile &tile, TileOffset offset) {
    TileImage image{static_cast<int>(tile.box.right - offset.x),
                    static_cast<int>(CELL_PITCH + offset.y - tile.box.top),
                    {}};
    image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, TRANSPARENT_INDEX);
    const int left = static_cast<int>(tile.box.left - offset.x);
    if (tile.placeholder.empty()) {
        CopyFromSheet(tile, image, left);
    } else {
        DrawPlaceholder(tile, image, left);
    }
    return image;
}
