// tileview-check's findings on crafted data folders and on the demo world.

#include "mapdata/terrain.h"
#include "tests/unit/fixtures.h"
#include "tools/check/check_report.h"
#include "tools/common/bitmap_writer.h"
#include "tools/common/world_facts.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <tuple>

namespace {

namespace fs = std::filesystem;

constexpr int SHEET_PIXEL_BYTES = TILE_SHEET_WIDTH * TILE_SHEET_HEIGHT;

// An uncompressed bitmap whose colour entries are all distinct: entry i is (i, 255 - i, i / 2).
// Every pixel byte is the transparent index: at 8 bits, a sheet of transparent surroundings.
Bytes MakeBitmap(const BitmapLayout &layout = {}, int pixelBytes = SHEET_PIXEL_BYTES) {
    const Bytes table = BitmapColourTable(layout, PALETTE_ENTRIES, [](int i) {
        return BitmapColour{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                            static_cast<std::uint8_t>(i / 2)};
    });
    return MakeBitmapFile(layout, table,
                          Bytes(static_cast<std::size_t>(pixelBytes), TRANSPARENT_INDEX));
}

Bytes EmptySegment() {
    return Bytes(MAP_GRID_SIZE, 0);
}

// Layer 0 of the cell at (row, column) names (kind, level).
void PutRef(Bytes &segment, int row, int column, int layer, int kind, int level) {
    unsigned char *cell = &segment[(row * SEGMENT_COLUMNS + column) * MAP_CELL_SIZE];
    cell[7 - 2 * layer] = static_cast<unsigned char>(kind);
    cell[6 - 2 * layer] = static_cast<unsigned char>(level);
}

class CheckTest : public CoreTest {
  protected:
    // A folder with nothing wrong: two records, every segment naming them, a proper sheet.
    void WriteCleanFolder() {
        WriteFile(TERRAIN_FILE, MakeTerrainFile(Records, TERRAIN_TABLE_SIZE));
        for (int segment = 0; segment < SEGMENT_COUNT; ++segment) {
            Bytes bytes = EmptySegment();
            PutRef(bytes, 0, 0, 0, 1, 1);
            PutRef(bytes, 85, 144, 3, 0, 7);
            WriteFile(SegmentFiles[segment], bytes);
        }
        WriteFile(TILE_SHEET_FILE, MakeBitmap());
    }

    static std::vector<std::string> Texts(const CheckReport &report, CheckSection section) {
        std::vector<std::string> texts;
        for (const CheckProblem &problem : report.problems) {
            if (problem.section == section) {
                texts.push_back(problem.text);
            }
        }
        return texts;
    }

    std::vector<RecordFields> Records = {
        {0, 1, 1, 0, 0, 55, 55, 0, 0},
        {1, 0, 7, 1245, 3845, 1300, 3900, 0, 40},
    };
};

bool Contains(const std::vector<std::string> &texts, const std::string &part) {
    return std::any_of(texts.begin(), texts.end(), [&](const std::string &text) {
        return text.find(part) != std::string::npos;
    });
}

TEST_F(CheckTest, CleanFolderHasNoProblemsAndCountsUses) {
    WriteCleanFolder();
    const CheckReport report = CheckDataFolder();
    EXPECT_TRUE(report.problems.empty()) << FormatCheckText(report, ".");
    EXPECT_EQ(report.recordsInUse, 2);
    ASSERT_EQ(report.files.size(), static_cast<std::size_t>(CHECKED_FILE_COUNT));
    EXPECT_EQ(report.files.back().size, PALETTE_BLOCK_SIZE + SHEET_PIXEL_BYTES);
    EXPECT_EQ(report.files.back().expected, report.files.back().size);
    ASSERT_EQ(report.segments.size(), static_cast<std::size_t>(SEGMENT_COUNT));
    for (const SegmentCheck &segment : report.segments) {
        ASSERT_EQ(segment.uses.size(), 2u);
        EXPECT_EQ(segment.uses[0].record, 0);
        EXPECT_EQ(segment.uses[0].cells, 1);
        EXPECT_EQ(segment.uses[1].record, 1); // (0, 7) names a record: not an empty layer
    }
    EXPECT_NE(FormatCheckText(report, ".").find("nothing wrong"), std::string::npos);
}

TEST_F(CheckTest, FileSizesAgainstTheExpectedOnes) {
    WriteCleanFolder();
    WriteFile(TERRAIN_FILE, MakeTerrainFile(Records, 40000));
    Bytes longer = EmptySegment();
    longer.resize(MAP_GRID_SIZE + 8);
    WriteFile(SegmentFiles[2], longer);
    fs::remove(SegmentFiles[5]);
    WriteFile(TILE_SHEET_FILE, MakeBitmap({}, 1000));
    const CheckReport report = CheckDataFolder();
    const std::vector<std::string> files = Texts(report, CheckSection::Files);
    ASSERT_EQ(files.size(), 4u) << FormatCheckText(report, ".");
    EXPECT_TRUE(Contains(files, "terrain.db is 40,000 bytes where 41,008 are expected"));
    EXPECT_TRUE(Contains(files, std::string(SegmentFiles[2]) +
                                    " is 520,208 bytes where 520,200 are expected: the bytes "
                                    "past 520,200 are never read"));
    EXPECT_TRUE(Contains(files, std::string(SegmentFiles[5]) + " cannot be opened"));
    EXPECT_TRUE(Contains(files, "tiles.bmp is 2,078 bytes where 5,071,078 are expected"));
    EXPECT_FALSE(report.files[6].opened);
    EXPECT_EQ(report.files[6].size, -1);
}

TEST_F(CheckTest, ShortSegmentIsCheckedOnItsOwnCells) {
    // The viewer would show the previous segment's cells past a short file's end; the check
    // must not blame this segment for them.
    WriteCleanFolder();
    Bytes first = EmptySegment();
    PutRef(first, 80, 100, 0, 9, 9); // held by no record
    WriteFile(SegmentFiles[0], first);
    WriteFile(SegmentFiles[1], Bytes(8, 0));
    const CheckReport report = CheckDataFolder();
    EXPECT_EQ(report.segments[0].missing.size(), 1u);
    EXPECT_TRUE(report.segments[1].missing.empty());
}

TEST_F(CheckTest, SourceRectanglesOutsideTheSheetOrWithoutArea) {
    Records.push_back({2, 2, 1, 1250, 0, 1301, 50, 0, 0});     // one pixel too wide
    Records.push_back({3, 2, 2, 0, -1, 55, 54, 0, 0});         // above the sheet
    Records.push_back({4, 2, 3, 10, 10, 10, 60, 0, 0});        // no width
    Records.push_back({5, 2, 4, 10, 60, 20, 10, 0, 0});        // upside down
    Records.push_back({6, 0, 0, 5000, 5000, 0, 0, 0, 0});      // (0, 0): never looked at
    Records.push_back({465, 2, 5, 0, 3899, 1300, 3900, 0, 0}); // last record, last row: fine
    WriteCleanFolder();
    const CheckReport report = CheckDataFolder();
    std::vector<std::tuple<int, bool>> bad;
    for (const BadSourceRecord &record : report.badSources) {
        bad.emplace_back(record.record, record.noArea);
    }
    const std::vector<std::tuple<int, bool>> expected = {
        {2, false}, {3, false}, {4, true}, {5, true}};
    EXPECT_EQ(bad, expected);
    const std::vector<std::string> texts = Texts(report, CheckSection::Records);
    EXPECT_TRUE(Contains(texts, "record 2 (2, 1): source (1250, 0, 1301, 50) leaves the 1300 x "
                                "3900 sheet"));
    EXPECT_TRUE(Contains(texts, "record 4 (2, 3): source (10, 10, 10, 60) has no area"));
    EXPECT_EQ(report.recordsInUse, 7); // the two of the clean folder, five more
}

TEST_F(CheckTest, PairsHeldTwiceNameTheRecordsNeverFound) {
    Records.push_back({10, 1, 1, 0, 0, 55, 55, 0, 0});
    Records.push_back({20, 3, 3, 0, 0, 55, 55, 0, 0});
    Records.push_back({30, 1, 1, 0, 0, 55, 55, 0, 0});
    Records.push_back({40, 3, 4, 0, 0, 55, 55, 0, 0}); // same kind, other level: no duplicate
    WriteCleanFolder();
    const CheckReport report = CheckDataFolder();
    ASSERT_EQ(report.duplicates.size(), 1u);
    EXPECT_EQ(report.duplicates[0].first, 0);
    EXPECT_EQ(report.duplicates[0].later, (std::vector<int>{10, 30}));
    EXPECT_EQ(Texts(report, CheckSection::Records),
              (std::vector<std::string>{"(1, 1) is held by record 0 and again by records 10, 30, "
                                        "which are never found"}));
}

TEST_F(CheckTest, MissingReferencesInTheDrawnWindowOnly) {
    WriteCleanFolder();
    Bytes bytes = EmptySegment();
    PutRef(bytes, 3, 4, 2, 200, 1);   // held by no record
    PutRef(bytes, 3, 4, 0, 1, 1);     // the same cell's other layer draws
    PutRef(bytes, 3, 4, 1, 1, 1);     // the same record twice in one cell: one cell
    PutRef(bytes, 85, 144, 1, 0, 3);  // (0, 3): not empty, held by no record
    PutRef(bytes, 86, 0, 0, 200, 1);  // below the drawn window: never looked at
    PutRef(bytes, 0, 145, 0, 200, 1); // right of it
    WriteFile(SegmentFiles[3], bytes);
    const CheckReport report = CheckDataFolder();
    const SegmentCheck &segment = report.segments[3];
    ASSERT_EQ(segment.missing.size(), 2u);
    EXPECT_EQ(std::make_tuple(segment.missing[0].row, segment.missing[0].column,
                              segment.missing[0].layer, segment.missing[0].kind,
                              segment.missing[0].level),
              std::make_tuple(3, 4, 2, 200, 1));
    EXPECT_EQ(std::make_tuple(segment.missing[1].row, segment.missing[1].column,
                              segment.missing[1].layer, segment.missing[1].kind),
              std::make_tuple(85, 144, 1, 0));
    ASSERT_EQ(segment.uses.size(), 1u);
    EXPECT_EQ(segment.uses[0].cells, 1);
    const std::vector<std::string> texts = Texts(report, CheckSection::Segment);
    EXPECT_EQ(texts.size(), 2u);
    EXPECT_TRUE(Contains(texts, std::string(SegmentFiles[3]) +
                                    " row 3, column 4, layer 2: (200, 1) is held by no record"));
}

TEST_F(CheckTest, PaletteHeadersThatGiveNoUsablePalette) {
    struct Case {
        BitmapLayout layout;
        int pixelBytes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{.infoSize = 124}, SHEET_PIXEL_BYTES, "the information header is 124 bytes, not 40"},
        {{.bitCount = 24}, 3 * SHEET_PIXEL_BYTES, "24 bits per pixel"},
        {{.coloursUsed = 300}, SHEET_PIXEL_BYTES, "colours used is 300, outside 1 to 256"},
        {{.coloursUsed = 16}, SHEET_PIXEL_BYTES, "only 16 colours: entries 16 to 255"},
        // Padded rows; no pixel can reach entry 142 (the corners are the second finding).
        {{.bitCount = 4, .coloursUsed = 0}, 652 * TILE_SHEET_HEIGHT, "only 16 colours"},
        {{.width = 1296}, 1296 * TILE_SHEET_HEIGHT, "1296 x 3900 pixels"},
    };
    for (const auto &[layout, pixelBytes, expected] : cases) {
        WriteCleanFolder();
        WriteFile(TILE_SHEET_FILE, MakeBitmap(layout, pixelBytes));
        const CheckReport report = CheckDataFolder();
        const std::vector<std::string> texts = Texts(report, CheckSection::Palette);
        EXPECT_EQ(texts.size(), layout.bitCount == 4 ? 2u : 1u) << expected << "\n"
                                                                << FormatCheckText(report, ".");
        EXPECT_TRUE(Contains(texts, expected)) << FormatCheckText(report, ".");
        EXPECT_TRUE(Texts(report, CheckSection::Files).empty()) << expected;
    }
}

TEST_F(CheckTest, CoreHeaderIsReportedWithItsOwnFields) {
    WriteCleanFolder();
    WriteFile(TILE_SHEET_FILE, MakeBitmap({.infoSize = 12}));
    const CheckReport report = CheckDataFolder();
    const std::string text = FormatCheckText(report, ".");
    EXPECT_NE(text.find("12-byte information header, 8 bits per pixel, colours used 0; 1300 x 3900 "
                        "pixels"),
              std::string::npos)
        << text;
    EXPECT_EQ(Texts(report, CheckSection::Palette),
              (std::vector<std::string>{"the information header is 12 bytes, not 40: it gives no "
                                        "usable palette (the 256 entries are taken as read, red "
                                        "and blue swapped)"}));
}

TEST_F(CheckTest, EntriesWithTheTransparentColour) {
    WriteCleanFolder();
    Bytes bitmap = MakeBitmap();
    unsigned char *colours = &bitmap[BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE];
    std::copy_n(colours + 4 * TRANSPARENT_INDEX, 3, colours + 4 * 7);
    std::copy_n(colours + 4 * TRANSPARENT_INDEX, 3, colours + 4 * 255);
    WriteFile(TILE_SHEET_FILE, bitmap);
    const CheckReport report = CheckDataFolder();
    EXPECT_EQ(report.palette.sameAsTransparent, (std::vector<int>{7, 255}));
    const std::vector<std::string> texts = Texts(report, CheckSection::Palette);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(Contains(texts, "entry 7 has the transparent colour of entry 142"));
    EXPECT_EQ(report.palette.transparent.red, TRANSPARENT_INDEX);
    EXPECT_EQ(report.palette.transparent.green, 255 - TRANSPARENT_INDEX);
}

TEST_F(CheckTest, CornersOfAnotherColourThanEntry142) {
    // The corners of the two records: (0, 0, 55, 55) and (1245, 3845, 1300, 3900).
    const int corners[8][2] = {{0, 0},       {54, 0},      {0, 54},      {54, 54},
                               {1245, 3845}, {1299, 3845}, {1245, 3899}, {1299, 3899}};
    struct Case {
        std::vector<int> indices; // one per corner
        bool flagged;
    };
    const std::vector<Case> cases = {
        {{7, 7, 7, 7, 7, 7, 7, 7}, true},
        {{7, 7, 142, 8, 9, 10, 11, 12}, true},         // a quarter is enough
        {{7, 7, 142, 142, 8, 9, 10, 11}, false},       // a tie goes to entry 142
        {{7, 8, 9, 10, 11, 12, 13, 14}, false},        // no colour fills a quarter
        {{142, 142, 142, 142, 142, 142, 7, 7}, false}, // as it should be
    };
    for (const Case &c : cases) {
        WriteCleanFolder();
        Bytes bitmap = MakeBitmap();
        for (int i = 0; i < 8; ++i) {
            const auto [x, y] = corners[i];
            bitmap[PALETTE_BLOCK_SIZE + (TILE_SHEET_HEIGHT - 1 - y) * TILE_SHEET_WIDTH + x] =
                static_cast<unsigned char>(c.indices[static_cast<std::size_t>(i)]);
        }
        WriteFile(TILE_SHEET_FILE, bitmap);
        const CheckReport report = CheckDataFolder();
        EXPECT_EQ(report.palette.corners.pixels, 8);
        const std::vector<std::string> texts = Texts(report, CheckSection::Palette);
        EXPECT_EQ(texts.size(), c.flagged ? 1u : 0u) << FormatCheckText(report, ".");
        if (c.flagged) {
            EXPECT_TRUE(Contains(texts, "the tiles' corners are mostly (7, 248, 3), entry 7 ("))
                << texts[0];
            EXPECT_TRUE(Contains(texts, "tileview-sheet tiles.bmp -o tiles.bmp --key 07F803"));
        }
    }
    // Entry 7 with the transparent colour as well: its own finding, not this one.
    Bytes bitmap = MakeBitmap();
    std::copy_n(&bitmap[BITMAP_HEADERS_SIZE + 4 * TRANSPARENT_INDEX], 3,
                &bitmap[BITMAP_HEADERS_SIZE + 4 * 7]);
    std::fill(bitmap.begin() + PALETTE_BLOCK_SIZE, bitmap.end(), 7);
    WriteFile(TILE_SHEET_FILE, bitmap);
    const CheckReport twin = CheckDataFolder();
    EXPECT_EQ(Texts(twin, CheckSection::Palette).size(), 1u) << FormatCheckText(twin, ".");
    EXPECT_EQ(twin.palette.corners.mostEntry, 7);
}

TEST_F(CheckTest, MissingFilesAreProblemsNotFailures) {
    const CheckReport report = CheckDataFolder();
    EXPECT_EQ(Texts(report, CheckSection::Files).size(),
              static_cast<std::size_t>(CHECKED_FILE_COUNT));
    EXPECT_TRUE(Texts(report, CheckSection::Palette).empty());
    EXPECT_EQ(report.recordsInUse, 0);
}

TEST_F(CheckTest, WorldInMemoryIsReportedAsTheSameFolder) {
    // Files of every kind: short, long, missing, a sheet with a finding of its own.
    Records.push_back({9, 1, 1, 0, 0, 55, 55, 0, 0});
    Records.push_back({12, 4, 4, 0, 0, 1301, 55, 0, 0});
    WriteCleanFolder();
    WorldFiles world;
    world.terrain = WorldFileOf(MakeTerrainFile(Records, 40000));
    Bytes shortSegment(3000, 0);
    PutRef(shortSegment, 1, 2, 0, 77, 7);
    world.segments[1] = WorldFileOf(shortSegment);
    Bytes longSegment = EmptySegment();
    PutRef(longSegment, 5, 6, 0, 1, 1);
    longSegment.resize(MAP_GRID_SIZE + 8, 9);
    world.segments[2] = WorldFileOf(longSegment);
    world.segments[4].reason = std::strerror(ENOENT);
    Bytes clean = EmptySegment();
    PutRef(clean, 0, 0, 0, 1, 1);
    for (const int segment : {0, 3, 5}) {
        world.segments[static_cast<std::size_t>(segment)] = WorldFileOf(clean);
    }
    Bytes bitmap = MakeBitmap({.coloursUsed = 16});
    bitmap.resize(bitmap.size() - 100);
    world.tileSheet = WorldFileOf(bitmap);

    WriteFile(TERRAIN_FILE, world.terrain.bytes);
    for (int segment = 0; segment < SEGMENT_COUNT; ++segment) {
        const WorldFile &file = world.segments[static_cast<std::size_t>(segment)];
        if (file.present) {
            WriteFile(SegmentFiles[segment], file.bytes);
        } else {
            fs::remove(SegmentFiles[segment]);
        }
    }
    WriteFile(TILE_SHEET_FILE, world.tileSheet.bytes);

    const CheckReport fromFolder = CheckDataFolder();
    const CheckReport fromMemory = CheckWorld(world);
    EXPECT_EQ(FormatCheckJson(fromMemory, "."), FormatCheckJson(fromFolder, "."));
    EXPECT_EQ(FormatCheckText(fromMemory, "."), FormatCheckText(fromFolder, "."));
    EXPECT_GE(fromMemory.problems.size(), 6u) << FormatCheckText(fromMemory, ".");
}

TEST_F(CheckTest, JsonEscapesTheFolderAndListsEveryFinding) {
    Records.push_back({9, 1, 1, 0, 0, 55, 55, 0, 0});
    WriteCleanFolder();
    const CheckReport report = CheckDataFolder();
    const std::string json = FormatCheckJson(report, "a \"b\"\\c");
    EXPECT_EQ(json.rfind("{\"folder\":\"a \\\"b\\\"\\\\c\",\"ok\":false,", 0), 0u) << json;
    EXPECT_NE(json.find("\"duplicates\":[{\"kind\":1,\"level\":1,\"first\":0,\"later\":[9]}]"),
              std::string::npos);
    EXPECT_NE(json.find("{\"section\":\"records\",\"segment\":null,\"text\":"), std::string::npos);
}

// The demo world holds exactly the oddities mkworld plants, and nothing else is reported.
TEST(CheckDemoWorld, ReportsExactlyWhatWasPlanted) {
    const fs::path folder =
        fs::temp_directory_path() / ("dravik-check-world-" + std::to_string(getpid()));
    fs::remove_all(folder);
    const std::string command = std::string("\"") + MKWORLD_PATH + "\" \"" + folder.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    const CheckReport report = CheckDataFolder();
    fs::current_path(previous);
    fs::remove_all(folder);

    std::set<std::pair<int, int>> duplicates;
    for (const DuplicatePair &d : report.duplicates) {
        for (int later : d.later) {
            duplicates.insert({d.first, later});
        }
    }
    std::set<std::pair<int, int>> planted;
    for (const WorldDuplicate &d : WORLD_DUPLICATES) {
        planted.insert({d.first, d.later});
    }
    EXPECT_EQ(duplicates, planted);

    std::set<std::tuple<int, int, int, int, int, int>> missing;
    for (const SegmentCheck &segment : report.segments) {
        for (const MissingReference &m : segment.missing) {
            missing.insert({segment.index, m.row, m.column, m.layer, m.kind, m.level});
        }
    }
    std::set<std::tuple<int, int, int, int, int, int>> plantedMissing;
    for (const WorldMissingRef &m : WORLD_MISSING_REFS) {
        plantedMissing.insert(
            {m.where.segment, m.where.row, m.where.column, m.where.layer, m.kind, m.level});
    }
    EXPECT_EQ(missing, plantedMissing);

    EXPECT_TRUE(report.badSources.empty());
    EXPECT_TRUE(report.palette.sameAsTransparent.empty());
    EXPECT_EQ(report.problems.size(), std::size(WORLD_DUPLICATES) + std::size(WORLD_MISSING_REFS))
        << FormatCheckText(report, folder.string());
    EXPECT_TRUE(Contains(
        [&] {
            std::vector<std::string> all;
            for (const CheckProblem &p : report.problems) {
                all.push_back(p.text);
            }
            return all;
        }(),
        "record 450, which is never found"));

    // The last record and the (0, kind) record are in use where they were placed.
    const auto uses = [&](int segment, int record) {
        for (const RecordUse &use : report.segments[static_cast<std::size_t>(segment)].uses) {
            if (use.record == record) {
                return use.cells;
            }
        }
        return 0;
    };
    EXPECT_GE(uses(WORLD_LAST_RECORD_CELLS[0].segment, WORLD_LAST_RECORD), 1);
    for (const WorldCellLayer &cell : WORLD_ZERO_KIND_CELLS) {
        EXPECT_GE(uses(cell.segment, WORLD_ZERO_KIND_RECORD), 1);
    }
}

} // namespace
