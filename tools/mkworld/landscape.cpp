#include "tools/mkworld/landscape.h"

#include "tools/common/world_facts.h"
#include "tools/mkworld/noise.h"
#include "tools/mkworld/tiles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

inline constexpr int ROWS = SEGMENT_ROWS;
inline constexpr int COLUMNS = SEGMENT_COLUMNS;

// What lies under a cell, from its four corners.
enum CellTerrain : unsigned char {
    CELL_WATER, // all corners water
    CELL_COAST, // some corners water
    CELL_LAND,  // all corners land, none in the upper terrain
    CELL_EDGE,  // all land, some corners in the upper terrain
    CELL_UPPER, // all corners in the upper terrain
};

enum Landscape {
    LANDSCAPE_COAST,
    LANDSCAPE_FARMS,
    LANDSCAPE_FOREST,
    LANDSCAPE_HILLS,
    LANDSCAPE_DESERT,
    LANDSCAPE_SNOW,
};

struct Theme {
    GroundFamily water;
    GroundFamily land;
    EdgeSet coast;
    GroundFamily upper;
    EdgeSet upperEdge;
};

constexpr Theme THEMES[SEGMENT_COUNT] = {
    {GROUND_WATER, GROUND_GRASS, EDGE_COAST_GRASS, GROUND_FOREST, EDGE_FOREST},
    {GROUND_WATER, GROUND_GRASS, EDGE_COAST_GRASS, GROUND_FOREST, EDGE_FOREST},
    {GROUND_WATER, GROUND_GRASS, EDGE_COAST_GRASS, GROUND_FOREST, EDGE_FOREST},
    {GROUND_WATER, GROUND_GRASS, EDGE_COAST_GRASS, GROUND_ROCK, EDGE_ROCK},
    {GROUND_WATER, GROUND_DESERT, EDGE_COAST_DESERT, GROUND_ROCK, EDGE_ROCK},
    {GROUND_ICE, GROUND_SNOW, EDGE_COAST_SNOW, GROUND_ROCK, EDGE_ROCK},
};

struct Village {
    int row;
    int column;
    int radius;
};

inline constexpr int MAX_VILLAGES = 8;
constexpr Village VILLAGES[SEGMENT_COUNT][MAX_VILLAGES] = {
    {{6, 13, 3}, {10, 38, 3}, {28, 16, 3}, {40, 60, 4}, {22, 95, 3}, {60, 30, 3}, {70, 118, 3}},
    {{8, 10, 3}, {20, 20, 4}, {14, 52, 3}, {45, 35, 4}, {30, 90, 3}, {66, 70, 4}, {50, 130, 3}},
    {{12, 20, 2}, {40, 70, 3}, {70, 120, 2}},
    {{9, 12, 2}, {30, 50, 3}, {60, 100, 3}},
    {{8, 14, 2}, {35, 60, 3}, {64, 110, 2}},
    {{7, 11, 3}, {38, 64, 3}, {70, 118, 3}},
};

std::uint8_t Corner[ROWS + 1][COLUMNS + 1]; // 0 water, 1 land, 2 upper terrain
CellTerrain Terrain[ROWS][COLUMNS];
TileRef Layers[ROWS][COLUMNS][MAP_CELL_LAYERS];
unsigned char RoadLinks[ROWS][COLUMNS]; // LINK_ bits, as the roads were walked
unsigned char RiverLinks[ROWS][COLUMNS];
bool Road[ROWS][COLUMNS];
bool River[ROWS][COLUMNS];
Village Centres[MAX_VILLAGES]; // the villages as built, moved onto open land
bool Taken[ROWS][COLUMNS];     // something stands here already, or must stay free
int Segment;
std::uint32_t Seed;

bool Inside(int row, int column) {
    return row >= 0 && column >= 0 && row < ROWS && column < COLUMNS;
}

double Chance(int row, int column, int salt) {
    return Hash01(row, column, salt, Seed);
}

int Pick(int row, int column, int salt, int count) {
    return static_cast<int>(HashInts(row, column, salt, Seed) % static_cast<std::uint32_t>(count));
}

// Land above 0, water below.
double LandValue(double x, double y) {
    const double lakes = FieldNoise(x / 13, y / 13, Seed + 5);
    switch (static_cast<Landscape>(Segment)) {
    case LANDSCAPE_COAST: {
        const double shore = (x * 0.7 + y * 0.9 - 8.0) / 4.0 + 1.3 * FieldNoise(x / 6, y / 6, Seed);
        const double bay = 2.2 * FieldNoise(x / 30, y / 30, Seed + 9) + 1.1;
        return (shore < bay ? shore : bay) - (lakes > 0.5 ? 2 * (lakes - 0.5) * 4 : 0);
    }
    case LANDSCAPE_FARMS:
        return 0.55 - lakes;
    case LANDSCAPE_FOREST:
        return 0.5 - lakes;
    case LANDSCAPE_HILLS:
        return 0.55 - lakes;
    case LANDSCAPE_DESERT:
        return 0.62 - FieldNoise(x / 7, y / 7, Seed + 6);
    case LANDSCAPE_SNOW:
        return 0.42 - lakes;
    }
    return 1.0;
}

// The upper terrain (forest floor or rock) above 0.
double UpperValue(double x, double y) {
    switch (static_cast<Landscape>(Segment)) {
    case LANDSCAPE_COAST: {
        // A wood in the south-west of the first screen.
        const double dx = (x - 3.0) / 6.0;
        const double dy = (y - 13.0) / 4.5;
        const double wood = 1.0 - (dx * dx + dy * dy);
        return FieldNoise(x / 9, y / 9, Seed + 7) - 0.12 + (wood > 0 ? wood : 0.0);
    }
    case LANDSCAPE_FARMS:
        return FieldNoise(x / 7, y / 7, Seed + 7) - 0.4;
    case LANDSCAPE_FOREST:
        return FieldNoise(x / 11, y / 11, Seed + 7) + 0.2;
    case LANDSCAPE_HILLS:
        return FieldNoise(x / 6, y / 6, Seed + 7) - 0.12;
    case LANDSCAPE_DESERT:
        return FieldNoise(x / 8, y / 8, Seed + 7) - 0.36;
    case LANDSCAPE_SNOW:
        return FieldNoise(x / 7, y / 7, Seed + 7) - 0.3;
    }
    return -1.0;
}

void ClassifyCorners() {
    for (int y = 0; y <= ROWS; ++y) {
        for (int x = 0; x <= COLUMNS; ++x) {
            Corner[y][x] = LandValue(x, y) <= 0 ? 0 : (UpperValue(x, y) > 0 ? 2 : 1);
        }
    }
    // The upper terrain keeps a corner's distance from the water, so that no cell needs both a
    // coast and an upper edge.
    for (int y = 0; y <= ROWS; ++y) {
        for (int x = 0; x <= COLUMNS; ++x) {
            for (int dy = -1; dy <= 1 && Corner[y][x] == 2; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int ny = y + dy;
                    const int nx = x + dx;
                    if (ny >= 0 && nx >= 0 && ny <= ROWS && nx <= COLUMNS && Corner[ny][nx] == 0) {
                        Corner[y][x] = 1;
                    }
                }
            }
        }
    }
}

int CornerMask(int row, int column, int atLeast) {
    return (Corner[row][column] >= atLeast ? CORNER_TOP_LEFT : 0) |
           (Corner[row][column + 1] >= atLeast ? CORNER_TOP_RIGHT : 0) |
           (Corner[row + 1][column] >= atLeast ? CORNER_BOTTOM_LEFT : 0) |
           (Corner[row + 1][column + 1] >= atLeast ? CORNER_BOTTOM_RIGHT : 0);
}

GroundFamily LandGround(int row, int column) {
    const Theme &theme = THEMES[Segment];
    if (theme.land == GROUND_GRASS && Chance(row, column, 11) < 0.12) {
        return GROUND_MEADOW;
    }
    return theme.land;
}

void LayGround() {
    const Theme &theme = THEMES[Segment];
    for (int row = 0; row < ROWS; ++row) {
        for (int column = 0; column < COLUMNS; ++column) {
            const int land = CornerMask(row, column, 1);
            const int upper = CornerMask(row, column, 2);
            const int variant = Pick(row, column, 1, GROUND_VARIANTS);
            TileRef *layers = Layers[row][column];
            if (land != 15) {
                Terrain[row][column] = land == 0 ? CELL_WATER : CELL_COAST;
                layers[0] = Tiles.ground[theme.water][variant];
                if (land != 0) {
                    layers[1] = Tiles.edge[theme.coast][land];
                }
            } else if (upper == 15) {
                Terrain[row][column] = CELL_UPPER;
                layers[0] = Tiles.ground[theme.upper][variant];
            } else {
                Terrain[row][column] = upper == 0 ? CELL_LAND : CELL_EDGE;
                layers[0] = Tiles.ground[LandGround(row, column)][variant];
                if (upper != 0) {
                    layers[1] = Tiles.edge[theme.upperEdge][upper];
                }
            }
        }
    }
}

bool Dry(int row, int column) {
    return Inside(row, column) && Terrain[row][column] != CELL_WATER &&
           Terrain[row][column] != CELL_COAST;
}

// Links two neighbouring cells of a road or river, both ways.
void Connect(unsigned char (&links)[ROWS][COLUMNS], int row, int column, int nextRow,
             int nextColumn) {
    const int link = nextRow < row         ? LINK_NORTH
                     : nextRow > row       ? LINK_SOUTH
                     : nextColumn > column ? LINK_EAST
                                           : LINK_WEST;
    const int back = link == LINK_NORTH   ? LINK_SOUTH
                     : link == LINK_SOUTH ? LINK_NORTH
                     : link == LINK_EAST  ? LINK_WEST
                                          : LINK_EAST;
    links[row][column] = static_cast<unsigned char>(links[row][column] | link);
    links[nextRow][nextColumn] = static_cast<unsigned char>(links[nextRow][nextColumn] | back);
}

// A river meanders from the top of the drawn window to its bottom, ending at any water.
void RunRiver(int column) {
    Prng prng{Seed + 77u};
    for (int row = 0; row < ROWS; ++row) {
        if (!Dry(row, column)) {
            return;
        }
        River[row][column] = true;
        const int turn = RandomBelow(prng, 9);
        const int step = turn == 0 ? -1 : (turn == 1 ? 1 : 0);
        for (int n = 0; n < 1 && step != 0; ++n) {
            if (!Dry(row, column + step)) {
                break;
            }
            Connect(RiverLinks, row, column, row, column + step);
            column += step;
            River[row][column] = true;
        }
        if (Dry(row + 1, column)) {
            Connect(RiverLinks, row, column, row + 1, column);
        }
    }
}

bool Passable(int row, int column) {
    return Dry(row, column) && (Terrain[row][column] != CELL_UPPER || Segment == LANDSCAPE_FOREST);
}

// A road walks towards its goal, wandering a little, stepping round what it cannot cross.
void LayRoad(int row, int column, int goalRow, int goalColumn) {
    Prng prng{Seed + 31u * static_cast<unsigned>(row * 7 + column)};
    for (int steps = 0; steps < 600 && (row != goalRow || column != goalColumn); ++steps) {
        Road[row][column] = true;
        const int dr = goalRow > row ? 1 : (goalRow < row ? -1 : 0);
        const int dc = goalColumn > column ? 1 : (goalColumn < column ? -1 : 0);
        const int rowsLeft = goalRow > row ? goalRow - row : row - goalRow;
        const int columnsLeft = goalColumn > column ? goalColumn - column : column - goalColumn;
        bool alongRows = RandomBelow(prng, rowsLeft + columnsLeft) < rowsLeft;
        if (RandomBelow(prng, 5) == 0) {
            alongRows = !alongRows; // wander
        }
        int nextRow = alongRows ? row + dr : row;
        int nextColumn = alongRows ? column : column + dc;
        if ((nextRow == row && nextColumn == column) || !Passable(nextRow, nextColumn)) {
            nextRow = alongRows ? row : row + dr;
            nextColumn = alongRows ? column + dc : column;
        }
        if ((nextRow == row && nextColumn == column) || !Passable(nextRow, nextColumn)) {
            return;
        }
        Connect(RoadLinks, row, column, nextRow, nextColumn);
        row = nextRow;
        column = nextColumn;
    }
    Road[row][column] = true;
}

// Villages stand on the open land nearest to where they were planned.
void PlaceVillages() {
    for (int v = 0; v < MAX_VILLAGES; ++v) {
        const Village &planned = VILLAGES[Segment][v];
        Centres[v] = Village{0, 0, 0};
        for (int reach = 0; reach <= 6 && planned.radius > 0 && Centres[v].radius == 0; ++reach) {
            for (int dr = -reach; dr <= reach && Centres[v].radius == 0; ++dr) {
                for (int dc = -reach; dc <= reach; ++dc) {
                    const int row = planned.row + dr;
                    const int column = planned.column + dc;
                    if (Inside(row, column) && Terrain[row][column] == CELL_LAND) {
                        Centres[v] = Village{row, column, planned.radius};
                        break;
                    }
                }
            }
        }
    }
}

void LayRoads() {
    const Village *villages = Centres;
    for (int v = 0; v + 1 < MAX_VILLAGES && villages[v + 1].radius > 0; ++v) {
        LayRoad(villages[v].row, villages[v].column, villages[v + 1].row, villages[v + 1].column);
    }
    // Each village has its streets out from the square, and lanes into the country.
    for (int v = 0; v < MAX_VILLAGES && villages[v].radius > 0; ++v) {
        const Village &village = villages[v];
        const int row = village.row;
        const int column = village.column;
        const int radius = village.radius;
        LayRoad(row, column, row, column + radius);
        LayRoad(row, column, row, column - radius);
        LayRoad(row, column, row + radius, column);
        LayRoad(row, column, row - radius, column);
        LayRoad(row, column + radius, row + 2 * radius + 3, column + radius + 2);
        LayRoad(row - radius, column, row - radius - 2, column + 3 * radius + 4);
    }
}

void SetObject(int row, int column, TileRef ref) {
    Layers[row][column][3] = ref;
    Taken[row][column] = true;
}

TileRef Variant(ObjectKind kind, int row, int column) {
    return Tiles.object[kind][Pick(row, column, 40 + kind, Tiles.objectVariants[kind])];
}

void WriteWays() {
    for (int row = 0; row < ROWS; ++row) {
        for (int column = 0; column < COLUMNS; ++column) {
            if (River[row][column]) {
                Layers[row][column][2] = Tiles.river[RiverLinks[row][column]];
                Taken[row][column] = true;
            }
            if (!Road[row][column]) {
                continue;
            }
            const int links = RoadLinks[row][column];
            if (River[row][column]) {
                const bool northSouth = (links & (LINK_NORTH | LINK_SOUTH)) != 0 &&
                                        (links & (LINK_EAST | LINK_WEST)) == 0;
                SetObject(row, column, Tiles.bridge[northSouth ? 0 : 1]);
            } else {
                Layers[row][column][2] = Tiles.road[links];
                Taken[row][column] = true;
            }
        }
    }
}

bool NextToRoad(int row, int column) {
    return (Inside(row - 1, column) && Road[row - 1][column]) ||
           (Inside(row + 1, column) && Road[row + 1][column]) ||
           (Inside(row, column - 1) && Road[row][column - 1]) ||
           (Inside(row, column + 1) && Road[row][column + 1]);
}

void BuildVillage(const Village &village) {
    const bool snow = Segment == LANDSCAPE_SNOW;
    const bool desert = Segment == LANDSCAPE_DESERT;
    if (!desert) {
        Layers[village.row][village.column][0] =
            Tiles.ground[GROUND_PAVING][Pick(village.row, village.column, 2, GROUND_VARIANTS)];
    }
    for (int row = village.row - village.radius; row <= village.row + village.radius; ++row) {
        for (int column = village.column - village.radius;
             column <= village.column + village.radius; ++column) {
            if (!Inside(row, column) || Taken[row][column] || !Dry(row, column) ||
                Terrain[row][column] == CELL_UPPER || !NextToRoad(row, column) ||
                Chance(row, column, 3) < 0.2) {
                continue;
            }
            const double roll = Chance(row, column, 4);
            ObjectKind kind = snow          ? (roll < 0.25 ? OBJECT_IGLOO : OBJECT_SNOW_HOUSE)
                              : desert      ? OBJECT_TENT
                              : roll < 0.08 ? OBJECT_CHURCH
                              : roll < 0.14 ? OBJECT_BARN
                              : roll < 0.18 ? OBJECT_TOWER
                                            : OBJECT_HOUSE;
            SetObject(row, column, Variant(kind, row, column));
        }
    }
}

void LayField(Prng &prng, int top, int left) {
    static constexpr GroundFamily CROPS[] = {GROUND_WHEAT, GROUND_CROP, GROUND_PLOUGHED,
                                             GROUND_WHEAT};
    const int height = 2 + RandomBelow(prng, 3);
    const int width = 2 + RandomBelow(prng, 4);
    const GroundFamily crop = CROPS[RandomBelow(prng, 4)];
    {
        for (int row = top; row < top + height; ++row) {
            for (int column = left; column < left + width; ++column) {
                if (!Inside(row, column) || Terrain[row][column] != CELL_LAND ||
                    Taken[row][column]) {
                    continue;
                }
                Layers[row][column][0] = Tiles.ground[crop][Pick(row, column, 5, GROUND_VARIANTS)];
                Taken[row][column] = true;
                if (crop == GROUND_WHEAT && Chance(row, column, 6) < 0.12) {
                    Layers[row][column][3] = Variant(OBJECT_HAYSTACK, row, column);
                } else if (crop != GROUND_WHEAT && Chance(row, column, 6) < 0.015) {
                    Layers[row][column][3] = Variant(OBJECT_WINDMILL, row, column);
                }
            }
        }
    }
}

// Rectangles of crops round the villages of farming country, and some out in the country.
void LayFields() {
    if (Segment != LANDSCAPE_FARMS && Segment != LANDSCAPE_COAST) {
        return;
    }
    Prng prng{Seed + 500u};
    for (const Village &village : Centres) {
        for (int n = 0; n < 6 && village.radius > 0; ++n) {
            const int reach = village.radius + 5;
            // One draw per statement: the order of a call's arguments differs by compiler.
            const int top = village.row - reach + RandomBelow(prng, 2 * reach);
            const int left = village.column - reach + RandomBelow(prng, 2 * reach);
            LayField(prng, top, left);
        }
    }
    const int patches = Segment == LANDSCAPE_FARMS ? 1400 : 150;
    for (int n = 0; n < patches; ++n) {
        const int top = RandomBelow(prng, ROWS - 4);
        const int left = RandomBelow(prng, COLUMNS - 5);
        LayField(prng, top, left);
    }
}

// What grows or stands on open ground, by landscape: (kind, chance) pairs tried in order.
struct Growth {
    ObjectKind kind;
    double chance;
};

int Growths(CellTerrain terrain, Growth out[4]) {
    const bool upper = terrain == CELL_UPPER;
    const bool edge = terrain == CELL_EDGE;
    switch (static_cast<Landscape>(Segment)) {
    case LANDSCAPE_COAST:
    case LANDSCAPE_FARMS:
        if (upper || edge) {
            out[0] = {OBJECT_OAK, upper ? 0.62 : 0.35};
            out[1] = {OBJECT_AUTUMN, upper ? 0.12 : 0.05};
            out[2] = {OBJECT_PINE, upper ? 0.18 : 0.05};
            return 3;
        }
        out[0] = {OBJECT_OAK, 0.07};
        out[1] = {OBJECT_BUSH, 0.04};
        out[2] = {OBJECT_BOULDER, 0.005};
        return 3;
    case LANDSCAPE_FOREST:
        out[0] = {OBJECT_PINE, upper ? 0.45 : 0.12};
        out[1] = {OBJECT_OAK, upper ? 0.35 : 0.12};
        out[2] = {OBJECT_AUTUMN, upper ? 0.1 : 0.03};
        out[3] = {OBJECT_BUSH, 0.05};
        return 4;
    case LANDSCAPE_HILLS:
        if (upper) {
            out[0] = {OBJECT_MOUNTAIN, 0.3};
            out[1] = {OBJECT_BOULDER, 0.2};
            out[2] = {OBJECT_PINE, 0.1};
            return 3;
        }
        out[0] = {OBJECT_PINE, edge ? 0.25 : 0.12};
        out[1] = {OBJECT_BOULDER, edge ? 0.15 : 0.04};
        out[2] = {OBJECT_OAK, 0.04};
        return 3;
    case LANDSCAPE_DESERT:
        if (upper) {
            out[0] = {OBJECT_BOULDER, 0.3};
            out[1] = {OBJECT_MOUNTAIN, 0.12};
            return 2;
        }
        out[0] = {OBJECT_CACTUS, 0.07};
        out[1] = {OBJECT_BOULDER, edge ? 0.12 : 0.01};
        return 2;
    case LANDSCAPE_SNOW:
        if (upper) {
            out[0] = {OBJECT_SNOW_MOUNTAIN, 0.3};
            out[1] = {OBJECT_SNOW_BOULDER, 0.2};
            return 2;
        }
        out[0] = {OBJECT_SNOW_PINE, edge ? 0.4 : 0.18};
        out[1] = {OBJECT_SNOW_BOULDER, 0.03};
        return 2;
    }
    return 0;
}

bool NearWater(int row, int column, int reach) {
    for (int dr = -reach; dr <= reach; ++dr) {
        for (int dc = -reach; dc <= reach; ++dc) {
            if (Inside(row + dr, column + dc) && !Dry(row + dr, column + dc)) {
                return true;
            }
        }
    }
    return false;
}

void PlantShoreLife(int row, int column) {
    const CellTerrain terrain = Terrain[row][column];
    const double roll = Chance(row, column, 8);
    if (terrain == CELL_WATER && Segment == LANDSCAPE_COAST && roll < 0.04 &&
        NearWater(row, column, 2)) {
        SetObject(row, column, Variant(OBJECT_BOAT, row, column));
    } else if (terrain == CELL_COAST && Segment != LANDSCAPE_SNOW && Segment != LANDSCAPE_COAST &&
               roll < 0.25) {
        SetObject(row, column,
                  Variant(Segment == LANDSCAPE_DESERT ? OBJECT_PALM : OBJECT_REEDS, row, column));
    }
}

void PlantGrowth() {
    for (int row = 0; row < ROWS; ++row) {
        for (int column = 0; column < COLUMNS; ++column) {
            if (Taken[row][column]) {
                continue;
            }
            const CellTerrain terrain = Terrain[row][column];
            if (terrain == CELL_WATER || terrain == CELL_COAST) {
                PlantShoreLife(row, column);
                continue;
            }
            if (Segment == LANDSCAPE_DESERT && NearWater(row, column, 1) &&
                Chance(row, column, 9) < 0.4) {
                SetObject(row, column, Variant(OBJECT_PALM, row, column));
                continue;
            }
            Growth growths[4];
            const int count = Growths(terrain, growths);
            double roll = Chance(row, column, 10);
            for (int g = 0; g < count; ++g) {
                const bool mountain =
                    growths[g].kind == OBJECT_MOUNTAIN || growths[g].kind == OBJECT_SNOW_MOUNTAIN;
                if (roll < growths[g].chance && !(mountain && column == 0)) {
                    SetObject(row, column, Variant(growths[g].kind, row, column));
                    break;
                }
                roll -= growths[g].chance;
            }
        }
    }
}

// The planted cells stay clear of fields and growth.
void ReserveFactCells() {
    for (const WorldCellLayer &cell : WORLD_ZERO_KIND_CELLS) {
        Taken[cell.row][cell.column] = cell.segment == Segment || Taken[cell.row][cell.column];
    }
    for (const WorldCellLayer &cell : WORLD_LAST_RECORD_CELLS) {
        Taken[cell.row][cell.column] = cell.segment == Segment || Taken[cell.row][cell.column];
    }
}

void PlantFacts() {
    for (const WorldCellLayer &cell : WORLD_ZERO_KIND_CELLS) {
        if (cell.segment == Segment) {
            Layers[cell.row][cell.column][cell.layer] = Tiles.well;
        }
    }
    for (const WorldCellLayer &cell : WORLD_LAST_RECORD_CELLS) {
        if (cell.segment == Segment) {
            Layers[cell.row][cell.column][cell.layer] = Tiles.lighthouse;
        }
    }
    for (const WorldMissingRef &missing : WORLD_MISSING_REFS) {
        if (missing.where.segment == Segment) {
            const TileRef &held =
                Layers[missing.where.row][missing.where.column][missing.where.layer];
            if (held.kind != 0 || held.level != 0) {
                std::fprintf(stderr,
                             "mkworld: the planted reference at segment %d, row %d, column "
                             "%d would cover a tile\n",
                             Segment, missing.where.row, missing.where.column);
                std::exit(1);
            }
            Layers[missing.where.row][missing.where.column][missing.where.layer] = TileRef{
                static_cast<std::uint8_t>(missing.kind), static_cast<std::uint8_t>(missing.level)};
        }
    }
}

void Encode(unsigned char grid[MAP_GRID_SIZE]) {
    for (int row = 0; row < ROWS; ++row) {
        for (int column = 0; column < COLUMNS; ++column) {
            unsigned char *cell = grid + (row * COLUMNS + column) * MAP_CELL_SIZE;
            for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
                // Kind in the higher byte of each pair; layer 0 is the last pair.
                cell[7 - 2 * layer] = Layers[row][column][layer].kind;
                cell[6 - 2 * layer] = Layers[row][column][layer].level;
            }
        }
    }
}

} // namespace

void BuildSegment(int segmentIndex, unsigned char grid[MAP_GRID_SIZE]) {
    Segment = segmentIndex;
    Seed = 7919u * static_cast<unsigned>(segmentIndex + 1);
    std::memset(Layers, 0, sizeof Layers);
    std::memset(Road, 0, sizeof Road);
    std::memset(River, 0, sizeof River);
    std::memset(RoadLinks, 0, sizeof RoadLinks);
    std::memset(RiverLinks, 0, sizeof RiverLinks);
    std::memset(Taken, 0, sizeof Taken);
    ClassifyCorners();
    LayGround();
    if (Segment == LANDSCAPE_FARMS || Segment == LANDSCAPE_FOREST) {
        RunRiver(Segment == LANDSCAPE_FARMS ? 60 : 45);
    }
    PlaceVillages();
    LayRoads();
    WriteWays();
    ReserveFactCells();
    for (const Village &village : Centres) {
        if (village.radius > 0) {
            BuildVillage(village);
        }
    }
    LayFields();
    PlantGrowth();
    PlantFacts();
    Encode(grid);
}
