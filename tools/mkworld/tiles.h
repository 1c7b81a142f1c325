#pragma once
// Every tile of the demo world, painted procedurally onto the sheet, and the references that the
// landscapes use to name them.

#include "tools/mkworld/sheet.h"

// Stacking levels: ground first, then edges, rivers, roads, bridges, standing objects.
inline constexpr int LEVEL_GROUND = 1;
inline constexpr int LEVEL_EDGE = 2;
inline constexpr int LEVEL_RIVER = 3;
inline constexpr int LEVEL_ROAD = 4;
inline constexpr int LEVEL_BRIDGE = 5;
inline constexpr int LEVEL_OBJECT = 6;

enum GroundFamily {
    GROUND_WATER,
    GROUND_GRASS,
    GROUND_MEADOW,
    GROUND_FOREST,
    GROUND_BEACH,
    GROUND_DESERT,
    GROUND_SNOW,
    GROUND_ROCK,
    GROUND_ICE,
    GROUND_DIRT,
    GROUND_PAVING,
    GROUND_WHEAT,
    GROUND_CROP,
    GROUND_PLOUGHED,
    GROUND_FAMILY_COUNT
};
inline constexpr int GROUND_VARIANTS = 4;

// Transition overlays chosen by which of a cell's four corners lie inside the upper terrain
// (bit 0 top left, bit 1 top right, bit 2 bottom left, bit 3 bottom right). Coast sets draw land
// over water; the others draw one terrain over whatever lies below.
enum EdgeSet {
    EDGE_COAST_GRASS,
    EDGE_COAST_DESERT,
    EDGE_COAST_SNOW,
    EDGE_FOREST,
    EDGE_ROCK,
    EDGE_SNOW,
    EDGE_SAND,
    EDGE_SET_COUNT
};
inline constexpr int CORNER_TOP_LEFT = 1;
inline constexpr int CORNER_TOP_RIGHT = 2;
inline constexpr int CORNER_BOTTOM_LEFT = 4;
inline constexpr int CORNER_BOTTOM_RIGHT = 8;

// Roads and rivers are chosen by the neighbours they connect to.
inline constexpr int LINK_NORTH = 1;
inline constexpr int LINK_EAST = 2;
inline constexpr int LINK_SOUTH = 4;
inline constexpr int LINK_WEST = 8;

enum ObjectKind {
    OBJECT_OAK,
    OBJECT_AUTUMN,
    OBJECT_PINE,
    OBJECT_SNOW_PINE,
    OBJECT_PALM,
    OBJECT_CACTUS,
    OBJECT_BUSH,
    OBJECT_BOULDER,
    OBJECT_SNOW_BOULDER,
    OBJECT_HOUSE,
    OBJECT_SNOW_HOUSE,
    OBJECT_BARN,
    OBJECT_CHURCH,
    OBJECT_TOWER,
    OBJECT_WINDMILL,
    OBJECT_MOUNTAIN,
    OBJECT_SNOW_MOUNTAIN,
    OBJECT_BOAT,
    OBJECT_HAYSTACK,
    OBJECT_TENT,
    OBJECT_IGLOO,
    OBJECT_REEDS,
    OBJECT_KIND_COUNT
};
inline constexpr int MAX_OBJECT_VARIANTS = 4;

struct WorldTileSet {
    TileRef ground[GROUND_FAMILY_COUNT][GROUND_VARIANTS];
    TileRef edge[EDGE_SET_COUNT][16];
    TileRef road[16];
    TileRef river[16];
    TileRef bridge[2]; // 0: a road running north-south over the river, 1: east-west
    TileRef object[OBJECT_KIND_COUNT][MAX_OBJECT_VARIANTS];
    int objectVariants[OBJECT_KIND_COUNT];
    TileRef well;       // the kind 0 record
    TileRef lighthouse; // the last record
};

extern WorldTileSet Tiles;

// Builds the palette's users: paints every tile on a fresh sheet and fills the terrain table,
// including the planted records.
void PaintAllTiles();
