#pragma once
// The tiles of the exported tileset and their pictures. Tiled draws a tile of an image collection
// with its picture's bottom-left corner on its cell's bottom-left corner, moved by the one draw
// offset of its tileset; the viewer draws a tile with its top-left corner its anchor's pixels up
// and left of its cell's top-left corner. So every picture gets its bottom-left corner at the
// same point relative to its cell, the offset of that point from the cell's bottom-left corner is
// the tileset's offset, and each picture is padded with transparent pixels from its tile out to
// that corner.

#include "display/draw.h"

#include <cstdint>
#include <string>
#include <vector>

// How far a tile may reach from its cell and still be drawn by Tiled as the viewer draws it. A
// tile reaching further would pad every picture of the tileset as far.
inline constexpr int MAX_TILE_REACH = 1024;

// A rectangle relative to a cell's top-left corner; right and bottom exclusive.
struct TileBox {
    std::int64_t left;
    std::int64_t top;
    std::int64_t right;
    std::int64_t bottom;
};

struct ExportTile {
    int kind;
    int level;
    int record;              // the record the viewer finds for (kind, level), or NO_TERRAIN
    std::string placeholder; // why a marked stand-in takes the tile's place; empty for the tile
    DrawRect source;         // in the tile sheet
    TileBox box;             // where the tile (or its stand-in) lands
};

// The tile of a record, or a stand-in when the viewer draws nothing of it or Tiled cannot draw
// it in its place.
ExportTile RecordTile(int record);

// The stand-in for a pair that no record holds: it covers its cell and shows kind and level.
ExportTile PlaceholderTile(int kind, int level);

// The corner shared by every picture, relative to its cell's bottom-left corner (Tiled's
// tileoffset).
struct TileOffset {
    std::int64_t x;
    std::int64_t y;
};

TileOffset ChooseTileOffset(const std::vector<ExportTile> &tiles);

// The tile's padded picture in the palette's indices, the padding transparent.
struct TileImage {
    int width;
    int height;
    std::vector<std::uint8_t> pixels;
};

TileImage MakeTileImage(const ExportTile &tile, TileOffset offset);
