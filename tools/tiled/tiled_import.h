#pragma once
// tileview-tiled import: the segment maps of a folder, read and checked as a whole, written as
// segment files into a world folder only when every one of them is sound.

#include <string>

// Answers the exit code: 0 when the files were written, 1 when anything was refused or could
// not be written (WORLD then holds what it held before).
int ImportMaps(const std::string &maps, const std::string &world);

// tileview-tiled segment: one map written as the segment file segmentFile, with the bytes and
// after the checks of ImportMaps, into a world folder (one that holds terrain.db). Answers as
// ImportMaps does; on a refusal the file is as it was.
int ImportSegment(const std::string &mapFile, const std::string &segmentFile);
