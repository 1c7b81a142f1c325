#pragma once
// The names that the exported files and the import agree on.

#include "mapdata/segment.h"

#include <string>

// A segment's map is named after its file: seg000.db is seg000.tmx.
inline std::string SegmentMapName(int segment) {
    std::string name = SegmentFiles[segment];
    return name.replace(name.rfind(".db"), 3, ".tmx");
}

// The index of the segment file named name (no folder), or -1.
inline int SegmentOfFile(const std::string &name) {
    for (int segment = 0; segment < SEGMENT_COUNT; ++segment) {
        if (name == SegmentFiles[segment]) {
            return segment;
        }
    }
    return -1;
}

// The segment files' names, for messages: "seg000.db, seg001.db, ...".
inline std::string SegmentFileNames() {
    std::string names;
    for (int segment = 0; segment < SEGMENT_COUNT; ++segment) {
        names += (segment > 0 ? ", " : "") + std::string(SegmentFiles[segment]);
    }
    return names;
}

// The tile layer of each of a cell's layers.
inline std::string TileLayerName(int layer) {
    return "layer " + std::to_string(layer);
}

// The cell layer a tile layer's name stands for, or -1.
inline int TileLayerNumber(const std::string &name) {
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        if (name == TileLayerName(layer)) {
            return layer;
        }
    }
    return -1;
}

// The map's properties: its segment file's name and byte size.
inline constexpr const char *SOURCE_PROPERTY = "source";
inline constexpr const char *SIZE_PROPERTY = "size";
