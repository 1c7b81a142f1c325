#pragma once
// Shared between the painters of the tile families.

#include "tools/mkworld/tiles.h"

// The ground texture of a family at a tile pixel; the edge overlays reuse it so that they meet
// the ground tiles without a seam.
int GroundPixel(GroundFamily family, int variant, int x, int y);

void PaintGroundFamilies();
void PaintEdgeFamilies();
void PaintWayFamilies();
void PaintObjectFamilies();
void PaintPlantedRecords();
