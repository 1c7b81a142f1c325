#pragma once
// The tile sheet being painted and the terrain table that points into it. Tiles are painted on a
// small canvas, then placed on the sheet shelf by shelf, each with its record.

#include "display/draw.h"
#include "mapdata/terrain.h"

#include <cstdint>

struct TileRef {
    std::uint8_t kind;
    std::uint8_t level;
};

// Sheet pixels as palette indices, top row first.
extern std::uint8_t SheetPixels[TILE_SHEET_HEIGHT][TILE_SHEET_WIDTH];

// The terrain table as it will be written.
extern unsigned char TerrainBytes[TERRAIN_TABLE_SIZE];

// Sheet regions by tile family, for the record of the layout.
struct SheetRegion {
    const char *family;
    int top;
    int bottom;
};
inline constexpr int MAX_SHEET_REGIONS = 32;
extern SheetRegion SheetRegions[MAX_SHEET_REGIONS];
extern int SheetRegionCount;

// Everything transparent, no records, kinds counted from 1 on every level.
void ResetSheet();

// Starts a new shelf for the next family of tiles.
void StartFamily(const char *family);

// The painting canvas: -1 is empty (transparent on the sheet).
inline constexpr int CANVAS_MAX = 160;
void ClearCanvas(int width, int height);
int CanvasWidth();
int CanvasHeight();
void Plot(int x, int y, int index);
// Plots only where the canvas is still empty.
void PlotUnder(int x, int y, int index);
int Peek(int x, int y);
// Rings the painted shape with a one-pixel outline in the darkest shade of each neighbour's ramp.
void OutlineCanvas();

// Places the canvas on the sheet and appends its record under the next free kind of level.
TileRef PlaceCanvas(int level, int anchorX, int anchorY);
// The same under a given reference.
TileRef PlaceCanvasAs(TileRef ref, int anchorX, int anchorY);
// Places the canvas with its record at a given index, for the planted records at the table's end.
TileRef PlaceCanvasAtRecord(int index, TileRef ref, int anchorX, int anchorY);

// Records from here on are left to the planted ones; ordinary tiles come before.
inline constexpr int PLANTED_RECORDS_FIRST = 450;

// Writes a record at index directly, for the planted ones.
void WriteRecord(int index, TileRef ref, const DrawRect &source, int anchorX, int anchorY);
// The source rectangle of the record placed last.
DrawRect LastPlacedSource();
int PlacedRecordCount();
