#pragma once
// tileview-tiled import: the segment maps of a folder, read and checked as a whole, written as
// segment files into a world folder only when every one of them is sound.

#include <string>

// Answers the exit code: 0 when the files were written, 1 when anything was refused or could
// not be written (WORLD then holds what it held before).
int ImportMaps(const std::string &maps, const std::string &world);
