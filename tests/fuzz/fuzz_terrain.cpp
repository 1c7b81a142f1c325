// Any terrain.db: the load stays inside the table, and every record's own pair is found at or
// before that record, naming a record that holds the pair.

#include "mapdata/terrain.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::memset(TerrainTable, 0, sizeof TerrainTable);
    ReadTerrainBytes(data, size);
    for (int index = 0; index < TERRAIN_RECORD_COUNT; ++index) {
        const unsigned char *record = TerrainTable + index * TERRAIN_RECORD_SIZE;
        const int kind = record[TERRAIN_KIND_OFFSET];
        const int level = record[TERRAIN_LEVEL_OFFSET];
        const int found = FindTerrainRecord(kind, level);
        if (kind == 0 && level == 0) {
            Require(found == NO_TERRAIN, "(0, 0) names nothing");
            continue;
        }
        Require(found <= index, "the first record holding a pair is found");
        Require(TerrainRecordLevel(found) == level, "the found record holds the level");
        (void)ReadTerrainPlacement(found);
    }
    return 0;
}
