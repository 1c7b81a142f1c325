#pragma once
// What tileview-check finds in a data folder, read the way the viewer reads it: the terrain
// table, the six segments and the header of tiles.bmp, from the working directory or from a
// world held in memory.

#include "display/bitmap_header.h"
#include "display/draw.h"
#include "display/palette_block.h"
#include "mapdata/segment.h"
#include "tools/check/tile_corners.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int CHECKED_FILE_COUNT = 2 + SEGMENT_COUNT; // terrain.db, segments, tiles.bmp

struct FileCheck {
    std::string name;
    bool opened;
    std::int64_t size;     // -1 when the file cannot be opened
    std::int64_t expected; // -1 when the header does not tell
};

struct BadSourceRecord {
    int record;
    int kind;
    int level;
    DrawRect source;
    bool noArea; // otherwise: it leaves the sheet
};

struct DuplicatePair {
    int kind;
    int level;
    int first;
    std::vector<int> later; // never found
};

struct MissingReference {
    int row;
    int column;
    int layer;
    int kind;
    int level;
};

struct RecordUse {
    int record;
    int cells;
};

struct SegmentCheck {
    int index;
    std::vector<MissingReference> missing; // in the drawn window, row-major, layer by layer
    std::vector<RecordUse> uses;           // records used by cells of the drawn window, by index
};

struct PaletteCheck {
    bool opened;
    BitmapHeader header;
    std::int64_t colourCount; // what the header says (the field, or 1 << bit count); 0: unusable
    PaletteEntry transparent; // entry 142 as the display takes it
    std::vector<int> sameAsTransparent; // other entries of that colour
    TileCorners corners;                // the colour the tiles' rectangles are filled out with
};

enum class CheckSection { Files, Records, Segment, Palette };

struct CheckProblem {
    CheckSection section;
    int segment; // for CheckSection::Segment
    std::string text;
};

struct CheckReport {
    std::vector<FileCheck> files; // terrain.db, the segments in SegmentFiles order, tiles.bmp
    int recordsInUse;             // records whose pair is not (0, 0)
    std::vector<BadSourceRecord> badSources;
    std::vector<DuplicatePair> duplicates;
    std::vector<SegmentCheck> segments;
    PaletteCheck palette;
    std::vector<CheckProblem> problems; // empty when nothing is wrong
};

// One data file as the checker takes it: whether it opens (and why not), the size the file
// system gives it, and the bytes of it that the checker reads.
struct WorldFile {
    bool present = false;
    std::string reason;               // why it cannot be opened, when not present ("" says no more)
    std::int64_t size = -1;           // its end's offset when present; -1 when that cannot be told
    std::vector<unsigned char> bytes; // held in memory: as many as size
};

// The files of a data folder, in the order of the report.
struct WorldFiles {
    WorldFile terrain;                             // terrain.db
    std::array<WorldFile, SEGMENT_COUNT> segments; // in SegmentFiles order
    WorldFile tileSheet;                           // tiles.bmp
};

// A file held in memory, whole.
WorldFile WorldFileOf(std::vector<unsigned char> bytes);

// Reads the data files of the working directory: what the viewer can read of terrain.db and
// each segment (at most the table's and the grid's size), and all of tiles.bmp.
WorldFiles ReadWorldFiles();

// Checks a world. Loads the terrain table and each segment into the core's blocks (leaving the
// last segment in the grid).
CheckReport CheckWorld(const WorldFiles &world);

// Checks the data files of the working directory: CheckWorld(ReadWorldFiles()).
CheckReport CheckDataFolder();

// The report for a person (sections, findings marked) or for machines (one JSON object).
std::string FormatCheckText(const CheckReport &report, const std::string &folder);
std::string FormatCheckJson(const CheckReport &report, const std::string &folder);

// Appends the pieces to out one after the other, growing it once: the reports are made of many
// short pieces.
void AppendPieces(std::string &out, std::initializer_list<std::string_view> pieces);

// A count with thousands separated by commas: 41,008.
std::string GroupDigits(std::int64_t value);
