#pragma once
// One segment's map as Tiled saves it, read back into the bytes of its segment file: the map's
// four tile layers, matched by name, each cell's global ids resolved through the map's tilesets
// to the kind and level properties of their tiles.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct SegmentMap {
    std::vector<unsigned char> cells; // the whole segment, MAP_GRID_SIZE bytes
    std::uint64_t size = 0;           // how many of them the file is to hold
};

// Reads the map at path and the tilesets it names. Answers false with one line in error that
// names the file at fault (a tileset's own .tsx when the fault is there) and, for a cell, its
// row, column and layer.
bool ReadSegmentMap(const std::filesystem::path &path, SegmentMap &segment, std::string &error);
