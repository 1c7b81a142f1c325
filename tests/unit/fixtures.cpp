#include "tests/unit/fixtures.h"

#include "mapdata/terrain.h"
#include "view/view_state.h"

#include <cstring>
#include <fstream>
#include <random>
#include <string>

namespace {

void PutI32(unsigned char *p, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
}

void EncodeRecord(unsigned char *record, const RecordFields &fields) {
    record[4] = fields.kind;
    record[5] = fields.level;
    PutI32(record + 8, fields.srcLeft);
    PutI32(record + 12, fields.srcTop);
    PutI32(record + 16, fields.srcRight);
    PutI32(record + 20, fields.srcBottom);
    PutI32(record + 24, fields.anchorX);
    PutI32(record + 28, fields.anchorY);
}

} // namespace

void CoreTest::SetUp() {
    previous_ = std::filesystem::current_path();
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    // The test programs of the four modes run side by side and share one temporary folder (Wine's
    // prefix has one for every program): a name of this run's own keeps them apart.
    folder_ = std::filesystem::temp_directory_path() /
              ("dravik-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
               std::to_string(std::random_device{}()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
    std::memset(TerrainTable, 0, sizeof TerrainTable);
    std::memset(MapGrid, 0, sizeof MapGrid);
    ViewState = ViewStateFields{};
}

void CoreTest::TearDown() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
}

void WriteFile(const std::string &name, const Bytes &bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes MakeTerrainFile(const std::vector<RecordFields> &records, std::size_t size) {
    Bytes file(std::max<std::size_t>(size, TERRAIN_TABLE_SIZE), 0);
    for (const RecordFields &fields : records) {
        EncodeRecord(file.data() + fields.index * TERRAIN_RECORD_SIZE, fields);
    }
    file.resize(size);
    return file;
}

void PutRecords(const std::vector<RecordFields> &records) {
    for (const RecordFields &fields : records) {
        EncodeRecord(TerrainTable + fields.index * TERRAIN_RECORD_SIZE, fields);
    }
}

void PutCell(int row, int column, const TerrainRef (&layers)[MAP_CELL_LAYERS]) {
    unsigned char *cell = MapGrid + (row * SEGMENT_COLUMNS + column) * MAP_CELL_SIZE;
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        cell[7 - 2 * layer] = layers[layer].kind;
        cell[6 - 2 * layer] = layers[layer].level;
    }
}
