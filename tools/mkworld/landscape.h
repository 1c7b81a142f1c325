#pragma once
// The six demo landscapes: each segment's cells, built from the tiles that PaintAllTiles made.

#include "mapdata/segment.h"

// Fills grid with the cells of segment segmentIndex (0 to SEGMENT_COUNT - 1), planted oddities
// included.
void BuildSegment(int segmentIndex, unsigned char grid[MAP_GRID_SIZE]);
