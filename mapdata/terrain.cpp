#include "mapdata/terrain.h"

#include "mapdata/bytes.h"
#include "mapdata/segment.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

unsigned char TerrainTable[TERRAIN_TABLE_SIZE];
std::uint32_t TerrainTableLoads = 0;

bool LoadTerrainTable() {
    std::FILE *file = std::fopen(TERRAIN_FILE, "rb");
    if (file == nullptr) {
        return false;
    }
    // One read of at most the table's size: whatever lies past the table is never read.
    static unsigned char bytes[TERRAIN_TABLE_SIZE];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    ++TerrainTableLoads;
    ReadTerrainBytes(bytes, got);
    LoadMapSegment();
    return true;
}

void ReadTerrainBytes(const unsigned char *bytes, std::size_t size) {
    if (size > 0) {
        std::memcpy(TerrainTable, bytes, std::min(size, sizeof TerrainTable));
    }
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
