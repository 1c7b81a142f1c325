// The demo world: mkworld is run into fresh folders and what it wrote is read back the way the
// viewer reads it.

#include "display/draw.h"
#include "display/palette_block.h"
#include "mapdata/bytes.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "tools/common/world_facts.h"
#include "view/commands.h"
#include "view/drawn_window.h"
#include "view/view_state.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> WorldFiles() {
    std::vector<std::string> names = {TERRAIN_FILE, TILE_SHEET_FILE};
    names.insert(names.end(), std::begin(SegmentFiles), std::end(SegmentFiles));
    return names;
}

constexpr int SHEET_PIXEL_BYTES = TILE_SHEET_WIDTH * TILE_SHEET_HEIGHT;

std::vector<unsigned char> ReadAll(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

fs::path MakeWorld(const std::string &name) {
    fs::path folder =
        fs::temp_directory_path() / ("dravik-world-" + std::to_string(getpid()) + "-" + name);
    fs::remove_all(folder);
    const std::string command = std::string("\"") + MKWORLD_PATH + "\" \"" + folder.string() + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return folder;
}

using CellLayer = std::tuple<int, int, int, int>; // segment, row, column, layer

CellLayer Key(const WorldCellLayer &cell) {
    return {cell.segment, cell.row, cell.column, cell.layer};
}

class DemoWorld : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        Folder = MakeWorld("a");
        Previous = fs::current_path();
        fs::current_path(Folder);
        ASSERT_TRUE(LoadTerrainTable());
        Sheet = ReadAll(Folder / "tiles.bmp");
    }

    static void TearDownTestSuite() {
        fs::current_path(Previous);
        fs::remove_all(Folder);
    }

    static void LoadSegment(int segment) {
        ViewState.segmentIndex = segment;
        LoadMapSegment();
    }

    // Calls visit(segment, row, column, layer, ref) for every non-empty layer of every cell of
    // the drawn window, or of the whole segment.
    template <class Visit> static void ForEachLayer(bool drawnWindowOnly, Visit visit) {
        for (int segment = 0; segment < SEGMENT_COUNT; ++segment) {
            LoadSegment(segment);
            const auto visitCell = [&](int row, int column) {
                TerrainRef layers[MAP_CELL_LAYERS];
                SplitMapCell(row, column, layers);
                for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
                    if (layers[layer].kind != 0 || layers[layer].level != 0) {
                        visit(segment, row, column, layer, layers[layer]);
                    }
                }
            };
            if (drawnWindowOnly) {
                ForEachWindowCell(
                    [&](const WindowCell &cell) { visitCell(cell.row, cell.column); });
                continue;
            }
            for (int row = 0; row < SEGMENT_ROWS; ++row) {
                for (int column = 0; column < SEGMENT_COLUMNS; ++column) {
                    visitCell(row, column);
                }
            }
        }
    }

    static std::set<CellLayer> CellsHolding(int kind, int level) {
        std::set<CellLayer> cells;
        ForEachLayer(false, [&](int segment, int row, int column, int layer, TerrainRef ref) {
            if (ref.kind == kind && ref.level == level) {
                cells.insert({segment, row, column, layer});
            }
        });
        return cells;
    }

    static std::uint8_t SheetPixel(int x, int y) {
        // Bottom-up rows of TILE_SHEET_WIDTH bytes after the header and colour table.
        const int row = TILE_SHEET_HEIGHT - 1 - y;
        return Sheet[PALETTE_BLOCK_SIZE + row * TILE_SHEET_WIDTH + x];
    }

    static bool IsZeroRecord(int index) {
        for (int byte = 0; byte < TERRAIN_RECORD_SIZE; ++byte) {
            if (TerrainTable[index * TERRAIN_RECORD_SIZE + byte] != 0) {
                return false;
            }
        }
        return true;
    }

    static std::pair<int, int> RecordPair(int index) {
        const unsigned char *record = TerrainTable + index * TERRAIN_RECORD_SIZE;
        return {record[TERRAIN_KIND_OFFSET], record[TERRAIN_LEVEL_OFFSET]};
    }

    static inline fs::path Folder;
    static inline fs::path Previous;
    static inline std::vector<unsigned char> Sheet;
};

TEST(DemoWorldFiles, TwoRunsWriteTheSameBytes) {
    const fs::path first = MakeWorld("first");
    const fs::path second = MakeWorld("second");
    for (const std::string &name : WorldFiles()) {
        const std::vector<unsigned char> a = ReadAll(first / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == ReadAll(second / name)) << name << " differs between two runs";
    }
    fs::remove_all(first);
    fs::remove_all(second);
}

TEST_F(DemoWorld, FilesHaveTheirExactSizes) {
    EXPECT_EQ(fs::file_size(Folder / TERRAIN_FILE),
              static_cast<std::uintmax_t>(TERRAIN_TABLE_SIZE));
    for (const char *name : SegmentFiles) {
        EXPECT_EQ(fs::file_size(Folder / name), static_cast<std::uintmax_t>(MAP_GRID_SIZE)) << name;
    }
    EXPECT_EQ(Sheet.size(), static_cast<std::size_t>(PALETTE_BLOCK_SIZE + SHEET_PIXEL_BYTES));
}

TEST_F(DemoWorld, TileSheetHeaderDescribesABottomUp8BitPicture) {
    ASSERT_GE(Sheet.size(), static_cast<std::size_t>(PALETTE_BLOCK_SIZE));
    const unsigned char *file = Sheet.data();
    const unsigned char *info = file + BMP_FILE_HEADER_SIZE;
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(ReadU32LE(file + 2), Sheet.size());
    EXPECT_EQ(ReadU32LE(file + 10), static_cast<std::uint32_t>(PALETTE_BLOCK_SIZE));
    EXPECT_EQ(ReadU32LE(info + 0), static_cast<std::uint32_t>(BMP_INFO_HEADER_SIZE));
    EXPECT_EQ(ReadI32LE(info + 4), TILE_SHEET_WIDTH);
    EXPECT_EQ(ReadI32LE(info + 8), TILE_SHEET_HEIGHT); // positive: bottom-up
    EXPECT_EQ(ReadU16LE(info + 12), 1);
    EXPECT_EQ(ReadU16LE(info + 14), 8);
    EXPECT_EQ(ReadU32LE(info + 16), 0u); // uncompressed
    const std::uint32_t coloursUsed = ReadU32LE(info + 32);
    EXPECT_TRUE(coloursUsed == 256 || coloursUsed == 0) << coloursUsed;
}

TEST_F(DemoWorld, PaletteHasDistinctColoursAndAUniqueTransparentEntry) {
    unsigned char block[PALETTE_BLOCK_SIZE];
    ASSERT_TRUE(ReadPaletteBlock(TILE_SHEET_FILE, block));
    ASSERT_EQ(PaletteColourCount(block), PALETTE_ENTRIES);
    PaletteEntry entries[PALETTE_ENTRIES];
    BuildPaletteEntries(block, entries);
    std::set<std::tuple<int, int, int>> colours;
    for (const PaletteEntry &entry : entries) {
        colours.insert({entry.red, entry.green, entry.blue});
    }
    EXPECT_EQ(colours.size(), static_cast<std::size_t>(PALETTE_ENTRIES));
    EXPECT_EQ(std::make_tuple(entries[0].red, entries[0].green, entries[0].blue),
              std::make_tuple(0, 0, 0));
    EXPECT_EQ(std::make_tuple(entries[255].red, entries[255].green, entries[255].blue),
              std::make_tuple(255, 255, 255));
}

TEST_F(DemoWorld, EveryRecordInUseLiesInsideTheSheet) {
    for (int index = 0; index < TERRAIN_RECORD_COUNT; ++index) {
        if (IsZeroRecord(index)) {
            continue;
        }
        const TerrainPlacement p = ReadTerrainPlacement(index);
        EXPECT_TRUE(RectInsideSurface(DrawRect{p.srcLeft, p.srcTop, p.srcRight, p.srcBottom},
                                      TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT))
            << "record " << index;
    }
}

TEST_F(DemoWorld, LiftedTilesRiseFromTransparentTops) {
    // A tile that reaches into the row behind must not paint a box over it.
    int lifted = 0;
    for (int index = 0; index < TERRAIN_RECORD_COUNT; ++index) {
        const TerrainPlacement p = ReadTerrainPlacement(index);
        if (IsZeroRecord(index) || p.anchorY <= 0) {
            continue;
        }
        ++lifted;
        for (int x = p.srcLeft; x < p.srcRight; ++x) {
            ASSERT_EQ(SheetPixel(x, p.srcTop), TRANSPARENT_INDEX) << "record " << index;
        }
    }
    EXPECT_GT(lifted, 20);
}

TEST_F(DemoWorld, EveryDrawnCellStandsOnOpaqueGround) {
    // Some layer of each cell is a whole, anchor-free cell-sized tile without a transparent pixel,
    // so that the clear colour never shows through the map.
    std::vector<bool> opaque(TERRAIN_RECORD_COUNT, false);
    for (int index = 0; index < TERRAIN_RECORD_COUNT; ++index) {
        const TerrainPlacement p = ReadTerrainPlacement(index);
        bool whole = !IsZeroRecord(index) && p.anchorX == 0 && p.anchorY == 0 &&
                     p.srcRight - p.srcLeft == CELL_PITCH && p.srcBottom - p.srcTop == CELL_PITCH;
        for (int y = p.srcTop; whole && y < p.srcBottom; ++y) {
            for (int x = p.srcLeft; whole && x < p.srcRight; ++x) {
                whole = SheetPixel(x, y) != TRANSPARENT_INDEX;
            }
        }
        opaque[index] = whole;
    }
    std::set<std::tuple<int, int, int>> grounded;
    ForEachLayer(true, [&](int segment, int row, int column, int, TerrainRef ref) {
        const int index = FindTerrainRecord(ref.kind, ref.level);
        if (index != NO_TERRAIN && opaque[index]) {
            grounded.insert({segment, row, column});
        }
    });
    EXPECT_EQ(grounded.size(),
              static_cast<std::size_t>(SEGMENT_COUNT * GRID_WINDOW_ROWS * GRID_WINDOW_COLUMNS));
}

TEST_F(DemoWorld, DuplicatePairsAreExactlyThePlantedOnes) {
    std::set<std::pair<int, int>> found;
    for (int later = 0; later < TERRAIN_RECORD_COUNT; ++later) {
        for (int first = 0; first < later; ++first) {
            if (!IsZeroRecord(later) && RecordPair(first) == RecordPair(later)) {
                found.insert({first, later});
            }
        }
    }
    std::set<std::pair<int, int>> planted;
    for (const WorldDuplicate &duplicate : WORLD_DUPLICATES) {
        planted.insert({duplicate.first, duplicate.later});
        const auto [kind, level] = RecordPair(duplicate.first);
        EXPECT_EQ(FindTerrainRecord(kind, level), duplicate.first);
        const TerrainPlacement a = ReadTerrainPlacement(duplicate.first);
        const TerrainPlacement b = ReadTerrainPlacement(duplicate.later);
        EXPECT_NE(a.srcTop * TILE_SHEET_WIDTH + a.srcLeft, b.srcTop * TILE_SHEET_WIDTH + b.srcLeft)
            << "a duplicate that looked the same would hide a lookup taking the later record";
        // The pair is on the first screen, where a wrong lookup would show.
        bool onFirstScreen = false;
        for (const CellLayer &cell : CellsHolding(kind, level)) {
            onFirstScreen = onFirstScreen || (std::get<0>(cell) == 0 && std::get<1>(cell) < 13 &&
                                              std::get<2>(cell) < 18);
        }
        EXPECT_TRUE(onFirstScreen) << "record " << duplicate.first;
    }
    EXPECT_EQ(found, planted);
}

TEST_F(DemoWorld, KindZeroRecordIsFoundAndUsedExactlyWhereListed) {
    EXPECT_EQ(FindTerrainRecord(0, WORLD_ZERO_KIND_LEVEL), WORLD_ZERO_KIND_RECORD);
    EXPECT_EQ(RecordPair(WORLD_ZERO_KIND_RECORD), std::make_pair(0, WORLD_ZERO_KIND_LEVEL));
    std::set<CellLayer> listed;
    for (const WorldCellLayer &cell : WORLD_ZERO_KIND_CELLS) {
        listed.insert(Key(cell));
    }
    EXPECT_EQ(CellsHolding(0, WORLD_ZERO_KIND_LEVEL), listed);
}

TEST_F(DemoWorld, LastRecordIsUsedExactlyWhereListed) {
    EXPECT_EQ(FindTerrainRecord(WORLD_LAST_RECORD_KIND, WORLD_LAST_RECORD_LEVEL),
              TERRAIN_RECORD_COUNT - 1);
    EXPECT_EQ(WORLD_LAST_RECORD, TERRAIN_RECORD_COUNT - 1);
    std::set<CellLayer> listed;
    for (const WorldCellLayer &cell : WORLD_LAST_RECORD_CELLS) {
        listed.insert(Key(cell));
    }
    EXPECT_EQ(CellsHolding(WORLD_LAST_RECORD_KIND, WORLD_LAST_RECORD_LEVEL), listed);
}

TEST_F(DemoWorld, UnresolvedReferencesAreExactlyTheListedOnes) {
    std::set<std::tuple<int, int, int, int, int, int>> found;
    ForEachLayer(false, [&](int segment, int row, int column, int layer, TerrainRef ref) {
        if (FindTerrainRecord(ref.kind, ref.level) == NO_TERRAIN) {
            found.insert({segment, row, column, layer, ref.kind, ref.level});
        }
    });
    std::set<std::tuple<int, int, int, int, int, int>> listed;
    for (const WorldMissingRef &missing : WORLD_MISSING_REFS) {
        const WorldCellLayer &at = missing.where;
        listed.insert({at.segment, at.row, at.column, at.layer, missing.kind, missing.level});
        EXPECT_LT(at.row, GRID_WINDOW_ROWS);
        EXPECT_LT(at.column, GRID_WINDOW_COLUMNS);
    }
    EXPECT_EQ(found, listed);
}

} // namespace
