// Loading the terrain table and the map segments, the record lookup, and the cell layers.

#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "tests/unit/fixtures.h"
#include "view/view_state.h"

#include <cstring>

namespace {

using TerrainTableTest = CoreTest;
using MapSegmentTest = CoreTest;

RecordFields Record(int index, std::uint8_t kind, std::uint8_t level) {
    return RecordFields{index, kind, level, 0, 0, 55, 55, 0, 0};
}

Bytes SegmentFilled(unsigned char value, std::size_t size) {
    return Bytes(size, value);
}

TEST_F(TerrainTableTest, LookupFollowsTheTableRules) {
    PutRecords({Record(0, 0, 0), Record(3, 0, 7), Record(10, 4, 2), Record(20, 4, 2),
                Record(465, 255, 255)});
    // (0, 0) names nothing, even with a zero record at index 0.
    EXPECT_EQ(FindTerrainRecord(0, 0), NO_TERRAIN);
    // Only both bytes zero make a reference empty.
    EXPECT_EQ(FindTerrainRecord(0, 7), 3);
    // The first of two equal pairs wins.
    EXPECT_EQ(FindTerrainRecord(4, 2), 10);
    // The last record is searched, and nothing after it.
    EXPECT_EQ(FindTerrainRecord(255, 255), 465);
    EXPECT_EQ(FindTerrainRecord(9, 9), NO_TERRAIN);
    // Bytes are compared as unsigned values with the whole integer.
    EXPECT_EQ(FindTerrainRecord(-1, -1), NO_TERRAIN);
    EXPECT_EQ(FindTerrainRecord(255 + 256, 255), NO_TERRAIN);
}

TEST_F(TerrainTableTest, PlacementFieldsAreLittleEndianSigned) {
    PutRecords({RecordFields{5, 1, 2, -1, 0x12345678, INT32_MIN, INT32_MAX, -55, 110}});
    const TerrainPlacement p = ReadTerrainPlacement(5);
    EXPECT_EQ(p.srcLeft, -1);
    EXPECT_EQ(p.srcTop, 0x12345678);
    EXPECT_EQ(p.srcRight, INT32_MIN);
    EXPECT_EQ(p.srcBottom, INT32_MAX);
    EXPECT_EQ(p.anchorX, -55);
    EXPECT_EQ(p.anchorY, 110);
    EXPECT_EQ(TerrainRecordLevel(5), 2);
    EXPECT_EQ(TerrainTable[5 * 88 + 12], 0x78);
}

TEST_F(TerrainTableTest, MissingFileIsReportedAndLoadsNothing) {
    WriteFile("seg000.db", SegmentFilled(1, MAP_GRID_SIZE));
    EXPECT_FALSE(LoadTerrainTable());
    EXPECT_EQ(MapGrid[0], 0) << "no segment is loaded without a table";
}

TEST_F(TerrainTableTest, ShortFileLeavesTheRestZeroAndLoadsTheSegment) {
    WriteFile("terrain.db", MakeTerrainFile({Record(0, 1, 1), Record(2, 3, 3)}, 2 * 88 + 5));
    WriteFile("seg000.db", SegmentFilled(9, MAP_GRID_SIZE));
    ASSERT_TRUE(LoadTerrainTable());
    EXPECT_EQ(FindTerrainRecord(1, 1), 0);
    EXPECT_EQ(TerrainTable[2 * 88 + 4], 3) << "the partial record's kind arrived";
    EXPECT_EQ(FindTerrainRecord(3, 3), NO_TERRAIN) << "its level byte lay past the end";
    EXPECT_EQ(MapGrid[MAP_GRID_SIZE - 1], 9);
}

TEST_F(TerrainTableTest, LongFileExcessIsIgnored) {
    Bytes file = MakeTerrainFile({Record(465, 8, 8)}, TERRAIN_TABLE_SIZE + 88);
    file[TERRAIN_TABLE_SIZE + 4] = 6; // a 467th record
    file[TERRAIN_TABLE_SIZE + 5] = 6;
    WriteFile("terrain.db", file);
    ASSERT_TRUE(LoadTerrainTable());
    EXPECT_EQ(FindTerrainRecord(8, 8), 465);
    EXPECT_EQ(FindTerrainRecord(6, 6), NO_TERRAIN);
}

TEST_F(MapSegmentTest, CellBytesSplitIntoFourLayers) {
    unsigned char *cell = MapGrid + (2 * 255 + 3) * 8;
    cell[7] = 3;
    cell[6] = 1;
    TerrainRef layers[MAP_CELL_LAYERS];
    SplitMapCell(2, 3, layers);
    EXPECT_EQ(layers[0].kind, 3);
    EXPECT_EQ(layers[0].level, 1);
    for (int layer = 1; layer < MAP_CELL_LAYERS; ++layer) {
        EXPECT_EQ(layers[layer].kind, 0);
        EXPECT_EQ(layers[layer].level, 0);
    }
    // As two little-endian words: w0 = bytes 0..3, w1 = bytes 4..7.
    const unsigned char distinct[8] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
    std::memcpy(MapGrid + (254 * 255 + 254) * 8, distinct, 8);
    SplitMapCell(254, 254, layers);
    const int expected[MAP_CELL_LAYERS][2] = {
        {0x17, 0x16}, {0x15, 0x14}, {0x13, 0x12}, {0x11, 0x10}};
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        EXPECT_EQ(layers[layer].kind, expected[layer][0]) << "layer " << layer;
        EXPECT_EQ(layers[layer].level, expected[layer][1]) << "layer " << layer;
    }
}

TEST_F(MapSegmentTest, StepsWrapAroundAndReloadEveryTime) {
    const char *names[SEGMENT_COUNT] = {"seg000.db", "seg001.db", "seg005.db",
                                        "seg006.db", "seg007.db", "seg009.db"};
    for (int i = 0; i < SEGMENT_COUNT; ++i) {
        WriteFile(names[i], SegmentFilled(static_cast<unsigned char>(i + 1), MAP_GRID_SIZE));
    }
    ViewState.scrollX = 110;
    ViewState.pickRow = 7;
    PreviousSegment();
    EXPECT_EQ(ViewState.segmentIndex, 5);
    EXPECT_EQ(MapGrid[0], 6) << "stepping back from 0 loads seg009.db";
    NextSegment();
    EXPECT_EQ(ViewState.segmentIndex, 0);
    EXPECT_EQ(MapGrid[100], 1) << "stepping forward from 5 loads seg000.db";
    for (int step = 1; step <= SEGMENT_COUNT; ++step) {
        // Changing the file between visits proves that a return to a segment reads it again.
        WriteFile(names[step % SEGMENT_COUNT],
                  SegmentFilled(static_cast<unsigned char>(40 + step), MAP_GRID_SIZE));
        NextSegment();
        EXPECT_EQ(ViewState.segmentIndex, step % SEGMENT_COUNT);
        EXPECT_EQ(MapGrid[MAP_GRID_SIZE - 1], 40 + step);
    }
    EXPECT_EQ(ViewState.scrollX, 110);
    EXPECT_EQ(ViewState.pickRow, 7);
}

TEST_F(MapSegmentTest, ShortFileKeepsThePreviousTail) {
    WriteFile("seg000.db", SegmentFilled(1, MAP_GRID_SIZE + 100));
    WriteFile("seg001.db", SegmentFilled(2, 1001));
    LoadMapSegment();
    NextSegment();
    EXPECT_EQ(MapGrid[1000], 2);
    EXPECT_EQ(MapGrid[1001], 1);
    EXPECT_EQ(MapGrid[MAP_GRID_SIZE - 1], 1);
}

TEST_F(MapSegmentTest, MissingFileClearsTheGrid) {
    WriteFile("seg000.db", SegmentFilled(1, MAP_GRID_SIZE));
    LoadMapSegment();
    NextSegment(); // seg001.db does not exist
    EXPECT_EQ(ViewState.segmentIndex, 1);
    EXPECT_EQ(MapGrid[0], 0);
    EXPECT_EQ(MapGrid[MAP_GRID_SIZE - 1], 0);
}

} // namespace
