#pragma once
// One segment's map as Tiled saves it, read back into the bytes of its segment file: the map's
// four tile layers, matched by name, each cell's global ids resolved through the map's tilesets
// to the kind and level properties of their tiles.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SegmentMap {
    std::vector<unsigned char> cells; // the whole segment, MAP_GRID_SIZE bytes
    std::uint64_t size = 0;           // how many of them the file is to hold
};

// A tileset file that a map names: the name errors give it, and its text.
struct TilesetText {
    std::string file;
    std::string text;
};

// Gives the tileset a map names by its source attribute; answers false with error set to one
// line that names the file.
using TilesetReader =
    std::function<bool(const std::string &source, TilesetText &tileset, std::string &error)>;

// Reads a map from its text, file naming it in errors, and the tilesets it names through
// readTileset. Answers as ReadSegmentMap does.
bool ReadSegmentMapText(std::string_view text, const std::string &file,
                        const TilesetReader &readTileset, SegmentMap &segment, std::string &error);

// Reads the map at path and the tilesets it names. Answers false with one line in error that
// names the file at fault (a tileset's own .tsx when the fault is there) and, for a cell, its
// row, column and layer.
bool ReadSegmentMap(const std::filesystem::path &path, SegmentMap &segment, std::string &error);
