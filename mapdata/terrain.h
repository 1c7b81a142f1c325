#pragma once
// The terrain table: where each tile lies in the tile sheet and how it is anchored to its cell.

#include <cstddef>
#include <cstdint>

inline constexpr int TERRAIN_RECORD_COUNT = 466;
inline constexpr int TERRAIN_RECORD_SIZE = 88;
inline constexpr int TERRAIN_TABLE_SIZE = TERRAIN_RECORD_COUNT * TERRAIN_RECORD_SIZE; // 41,008
inline constexpr int NO_TERRAIN = 999;
inline constexpr const char *TERRAIN_FILE = "terrain.db";

// Byte offsets of the fields within one record.
inline constexpr int TERRAIN_KIND_OFFSET = 4;
inline constexpr int TERRAIN_LEVEL_OFFSET = 5;
inline constexpr int TERRAIN_SRC_LEFT_OFFSET = 8;
inline constexpr int TERRAIN_SRC_TOP_OFFSET = 12;
inline constexpr int TERRAIN_SRC_RIGHT_OFFSET = 16;
inline constexpr int TERRAIN_SRC_BOTTOM_OFFSET = 20;
inline constexpr int TERRAIN_ANCHOR_X_OFFSET = 24;
inline constexpr int TERRAIN_ANCHOR_Y_OFFSET = 28;

// The file's bytes as they are; zero before the load.
extern unsigned char TerrainTable[TERRAIN_TABLE_SIZE];

// How many times LoadTerrainTable has read the file: a reload may move or anchor tiles anew.
extern std::uint32_t TerrainTableLoads;

// The placement fields of one record, read out of the table.
struct TerrainPlacement {
    std::int32_t srcLeft;
    std::int32_t srcTop;
    std::int32_t srcRight;
    std::int32_t srcBottom;
    std::int32_t anchorX;
    std::int32_t anchorY;
};

// Reads terrain.db into the table, then loads the current map segment. Returns false, having
// loaded nothing, when terrain.db cannot be opened, so that the caller can tell the user (at
// start) or keep the table it has (when the file goes away while the viewer runs).
bool LoadTerrainTable();

// What the load does with the file's bytes: at most the table's size of them over the table, a
// short file leaving the rest as it was. The segment is not loaded.
void ReadTerrainBytes(const unsigned char *bytes, std::size_t size);

// The index of the first record holding (kind, level), or NO_TERRAIN. (0, 0) names nothing.
int FindTerrainRecord(int kind, int level);

// Fields of the record at index (0 to TERRAIN_RECORD_COUNT - 1).
std::uint8_t TerrainRecordLevel(int index);
TerrainPlacement ReadTerrainPlacement(int index);
