#pragma once
// tileview-tiled export: a world folder as a Tiled tileset, one map per segment file and a Tiled
// world that shows the maps side by side.

#include <string>

// Answers the exit code: 0 when everything was written, 1 when a data file cannot be read or an
// output cannot be written.
int ExportWorld(const std::string &world, const std::string &out);

// tileview-tiled map: one segment's map for Tiled to open, its tileset in the user's cache (see
// tileset_cache.h). Reads the world folder that holds segmentFile and writes only outFile and
// the cache. Answers the exit code as ExportWorld does.
int ExportSegmentMap(const std::string &segmentFile, const std::string &outFile);
