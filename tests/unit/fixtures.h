#pragma once
// Shared helpers for the core's tests: a fresh working folder per test, files written into it,
// crafted terrain records and cells, and the process-wide state reset between tests.

#include "mapdata/segment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Each test runs in an empty temporary folder that becomes the working directory, with the
// terrain table, the grid and the view state back at their start values.
class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

  private:
    std::filesystem::path previous_;
    std::filesystem::path folder_;
};

void WriteFile(const std::string &name, const Bytes &bytes);

struct RecordFields {
    int index;
    std::uint8_t kind;
    std::uint8_t level;
    std::int32_t srcLeft, srcTop, srcRight, srcBottom;
    std::int32_t anchorX, anchorY;
};

// A terrain.db image of size bytes holding the given records (everything else zero).
Bytes MakeTerrainFile(const std::vector<RecordFields> &records, std::size_t size);

// Puts records straight into the loaded table, as a load of such a file would.
void PutRecords(const std::vector<RecordFields> &records);

// Sets the four layers of a grid cell in memory, layer 0 first.
void PutCell(int row, int column, const TerrainRef (&layers)[MAP_CELL_LAYERS]);
