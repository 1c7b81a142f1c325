#include "mapdata/terrain.h"

#include "mapdata/bytes.h"
#include "mapdata/segment.h"

#include <cstdio>

unsigned char TerrainTable[TERRAIN_TABLE_SIZE];

bool LoadTerrainTable() {
    std::FILE *file = std::fopen(TERRAIN_FILE, "rb");
    if (file == nullptr) {
        return false;
    }
    // One read of at most the table's size: a short file leaves the rest zero, and whatever
    // lies past the table is never read.
    (void)std::fread(TerrainTable, 1, sizeof TerrainTable, file);
    std::fclose(file);
    LoadMapSegment();
    return true;
}

int FindTerrainRecord(int kind, int level) {
    if (kind == 0 && level == 0) {
        return NO_TERRAIN;
    }
    for (int index = 0; index < TERRAIN_RECORD_COUNT; ++index) {
        const unsigned char *record = TerrainTable + index * TERRAIN_RECORD_SIZE;
        if (record[TERRAIN_KIND_OFFSET] == kind && record[TERRAIN_LEVEL_OFFSET] == level) {
            return index;
        }
    }
    return NO_TERRAIN;
}

std::uint8_t TerrainRecordLevel(int index) {
    return TerrainTable[index * TERRAIN_RECORD_SIZE + TERRAIN_LEVEL_OFFSET];
}

TerrainPlacement ReadTerrainPlacement(int index) {
    const unsigned char *record = TerrainTable + index * TERRAIN_RECORD_SIZE;
    return TerrainPlacement{
        ReadI32LE(record + TERRAIN_SRC_LEFT_OFFSET),  ReadI32LE(record + TERRAIN_SRC_TOP_OFFSET),
        ReadI32LE(record + TERRAIN_SRC_RIGHT_OFFSET), ReadI32LE(record + TERRAIN_SRC_BOTTOM_OFFSET),
        ReadI32LE(record + TERRAIN_ANCHOR_X_OFFSET),  ReadI32LE(record + TERRAIN_ANCHOR_Y_OFFSET),
    };
}
