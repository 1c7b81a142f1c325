#include "tools/check/check_report.h"

#include "mapdata/terrain.h"
#include "view/drawn_window.h"
#include "view/view_state.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string_view>
#include <utility>

namespace {

std::string PairText(int kind, int level) {
    return "(" + std::to_string(kind) + ", " + std::to_string(level) + ")";
}

void AddProblem(CheckReport &report, CheckSection section, std::string text, int segment = -1) {
    report.problems.push_back(CheckProblem{section, segment, std::move(text)});
}

// A problem's text from its pieces, grown once: there is one for each record, cell or entry at
// fault, and a text added to piece by piece grew three or four times.
void AddProblem(CheckReport &report, CheckSection section,
                std::initializer_list<std::string_view> pieces, int segment = -1) {
    std::string text;
    AppendPieces(text, pieces);
    AddProblem(report, section, std::move(text), segment);
}

// The segment into the grid as LoadMapSegment reads it (a missing file as no bytes), and zeros
// past the file's end: a short file must not show another segment's cells here. Only the grid's
// first written bytes can be other than zero: the bytes an earlier load left there. Clearing the
// whole grid for each segment cost more than the rest of the check.
std::size_t LoadSegment(const WorldFile &file, std::size_t written) {
    ++MapGridLoads;
    const std::size_t held = file.present ? std::min(file.bytes.size(), sizeof MapGrid) : 0;
    ReadSegmentBytes(file.bytes.data(), held);
    if (written > held) {
        std::memset(MapGrid + held, 0, written - held);
    }
    return held;
}

// Reads name as the checker takes it: whether it opens (the reason kept for the report when
// not), its size, and its first most bytes.
WorldFile ReadWorldFile(const char *name, std::size_t most) {
    WorldFile file;
    errno = 0;
    std::FILE *stream = std::fopen(name, "rb");
    if (stream == nullptr) {
        file.reason = errno != 0 ? std::strerror(errno) : "";
        return file;
    }
    file.present = true;
    if (std::fseek(stream, 0, SEEK_END) == 0) {
        file.size = std::ftell(stream);
    }
    std::rewind(stream);
    unsigned char chunk[1 << 16];
    while (file.bytes.size() < most) {
        const std::size_t got =
            std::fread(chunk, 1, std::min(sizeof chunk, most - file.bytes.size()), stream);
        if (got == 0) {
            break;
        }
        file.bytes.insert(file.bytes.end(), chunk, chunk + got);
    }
    // A folder opens but reads nothing (the viewer sees it empty), while its position at the
    // end is the largest number there is.
    if (std::ferror(stream) != 0) {
        file.size = static_cast<std::int64_t>(file.bytes.size());
    }
    std::fclose(stream);
    return file;
}

// What a shorter or longer file than expected means to the viewer.
void CheckFileSize(CheckReport &report, const FileCheck &file, const char *whenShort) {
    if (!file.opened || file.expected < 0 || file.size == file.expected) {
        return;
    }
    const std::string size = GroupDigits(file.size);
    const std::string expected = GroupDigits(file.expected);
    if (file.size < file.expected) {
        AddProblem(
            report, CheckSection::Files,
            {file.name, " is ", size, " bytes where ", expected, " are expected: ", whenShort});
    } else {
        AddProblem(report, CheckSection::Files,
                   {file.name, " is ", size, " bytes where ", expected,
                    " are expected: the bytes past ", expected, " are never read"});
    }
}

void AddFile(CheckReport &report, const char *name, const WorldFile &world, std::int64_t expected,
             const char *whenShort, const char *whenMissing) {
    report.files.push_back(
        FileCheck{name, world.present, world.present ? world.size : -1, expected});
    if (!world.present) {
        const std::string_view reason =
            world.reason.empty() ? std::string_view("cannot be opened") : world.reason;
        AddProblem(report, CheckSection::Files,
                   {name, " cannot be opened (", reason, "): ", whenMissing});
    }
    CheckFileSize(report, report.files.back(), whenShort);
}

void CheckRecords(CheckReport &report) {
    std::map<std::pair<int, int>, std::size_t> firstHolder; // pair -> index into duplicates
    report.recordsInUse = 0;
    for (int index = 0; index < TERRAIN_RECORD_COUNT; ++index) {
        const unsigned char *record = TerrainTable + index * TERRAIN_RECORD_SIZE;
        const int kind = record[TERRAIN_KIND_OFFSET];
        const int level = record[TERRAIN_LEVEL_OFFSET];
        if (kind == 0 && level == 0) {
            continue; // names nothing and is never looked at
        }
        ++report.recordsInUse;
        const TerrainPlacement p = ReadTerrainPlacement(index);
        const DrawRect source{p.srcLeft, p.srcTop, p.srcRight, p.srcBottom};
        if (!RectInsideSurface(source, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT)) {
            const bool noArea = source.right <= source.left || source.bottom <= source.top;
            report.badSources.push_back(BadSourceRecord{index, kind, level, source, noArea});
        }
        const auto [at, first] = firstHolder.try_emplace({kind, level}, report.duplicates.size());
        if (first) {
            report.duplicates.push_back(DuplicatePair{kind, level, index, {}});
        } else {
            report.duplicates[at->second].later.push_back(index);
        }
    }
    std::erase_if(report.duplicates, [](const DuplicatePair &d) { return d.later.empty(); });

    for (const BadSourceRecord &bad : report.badSources) {
        const DrawRect &s = bad.source;
        AddProblem(report, CheckSection::Records,
                   {"record ", std::to_string(bad.record), " ", PairText(bad.kind, bad.level),
                    ": source (", std::to_string(s.left), ", ", std::to_string(s.top), ", ",
                    std::to_string(s.right), ", ", std::to_string(s.bottom), ") ",
                    bad.noArea ? "has no area" : "leaves the 1300 x 3900 sheet",
                    ", so its tile is never drawn"});
    }
    for (const DuplicatePair &d : report.duplicates) {
        std::string later;
        for (int index : d.later) {
            later += (later.empty() ? "" : ", ") + std::to_string(index);
        }
        AddProblem(report, CheckSection::Records,
                   PairText(d.kind, d.level) + " is held by record " + std::to_string(d.first) +
                       " and again by record" + (d.later.size() > 1 ? "s " : " ") + later +
                       ", which " + (d.later.size() > 1 ? "are" : "is") + " never found");
    }
}

// Notes the references of one cell that no record holds, and counts the cell once for each
// record it uses.
void CheckCell(int row, int column, SegmentCheck &check, std::map<int, int> &cellsPerRecord) {
    TerrainRef layers[MAP_CELL_LAYERS];
    SplitMapCell(row, column, layers);
    int found[MAP_CELL_LAYERS];
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        const TerrainRef ref = layers[layer];
        found[layer] = FindTerrainRecord(ref.kind, ref.level);
        if (found[layer] == NO_TERRAIN && (ref.kind != 0 || ref.level != 0)) {
            check.missing.push_back(MissingReference{row, column, layer, ref.kind, ref.level});
        }
        // A cell that names one record on two layers counts once for it.
        bool counted = found[layer] == NO_TERRAIN;
        for (int earlier = 0; earlier < layer && !counted; ++earlier) {
            counted = found[earlier] == found[layer];
        }
        if (!counted) {
            ++cellsPerRecord[found[layer]];
        }
    }
}

// Whether the cell's eight bytes are all zero: its four layers then name nothing.
bool EmptyCell(const unsigned char *cell) {
    static_assert(MAP_CELL_SIZE == sizeof(std::uint64_t));
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, cell, sizeof bytes);
    return bytes == 0;
}

// The cells of the drawn window (those ForEachWindowCell visits; where they stand on the screen
// does not matter here), row by row, the grid's first held bytes loaded from the file and zeros
// past them. A cell of zeros names nothing: the rows past the file's end are not looked at, a row
// of the window that holds only zeros is passed over with one comparison, and in the others each
// cell of zeros. Most cells of a short or sparse file are zero, and the walk is the checker's
// costliest part.
SegmentCheck CheckSegmentWindow(int segment, std::size_t held) {
    constexpr std::size_t ROW_BYTES = GRID_WINDOW_COLUMNS * MAP_CELL_SIZE;
    static const unsigned char zeros[ROW_BYTES] = {};
    SegmentCheck check{segment, {}, {}};
    std::map<int, int> cellsPerRecord;
    for (int row = 0; row < GRID_WINDOW_ROWS; ++row) {
        const std::size_t start = static_cast<std::size_t>(row) * SEGMENT_COLUMNS * MAP_CELL_SIZE;
        if (start >= held) {
            break;
        }
        const unsigned char *cells = MapGrid + start;
        if (std::memcmp(cells, zeros, ROW_BYTES) == 0) {
            continue;
        }
        for (int column = 0; column < GRID_WINDOW_COLUMNS; ++column) {
            if (!EmptyCell(cells + column * MAP_CELL_SIZE)) {
                CheckCell(row, column, check, cellsPerRecord);
            }
        }
    }
    for (const auto &[record, cells] : cellsPerRecord) {
        check.uses.push_back(RecordUse{record, cells});
    }
    return check;
}

void CheckSegments(CheckReport &report, const WorldFiles &world) {
    std::size_t written = sizeof MapGrid; // what the grid held before is not known
    for (int segment = 0; segment < SEGMENT_COUNT; ++segment) {
        ViewState.segmentIndex = segment;
        written = LoadSegment(world.segments[static_cast<std::size_t>(segment)], written);
        report.segments.push_back(CheckSegmentWindow(segment, written));
        for (const MissingReference &m : report.segments.back().missing) {
            AddProblem(report, CheckSection::Segment,
                       {SegmentFiles[segment], " row ", std::to_string(m.row), ", column ",
                        std::to_string(m.column), ", layer ", std::to_string(m.layer), ": ",
                        PairText(m.kind, m.level), " is held by no record"},
                       segment);
        }
    }
}

// The size the bitmap's own header promises, or -1 when it cannot tell.
std::int64_t ExpectedBitmapSize(const BitmapHeader &header) {
    if (!header.signature || header.infoSize < BMP_INFO_HEADER_SIZE ||
        header.compression != BMP_UNCOMPRESSED || header.width <= 0 || header.bitCount == 0 ||
        header.bitCount > 32) {
        return -1;
    }
    return static_cast<std::int64_t>(header.pixelOffset + BitmapPixelBytes(header));
}

void FindTransparentTwins(const PaletteEntry entries[PALETTE_ENTRIES], PaletteCheck &palette) {
    palette.transparent = entries[TRANSPARENT_INDEX];
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const PaletteEntry &e = entries[i];
        if (i != TRANSPARENT_INDEX && e.red == palette.transparent.red &&
            e.green == palette.transparent.green && e.blue == palette.transparent.blue) {
            palette.sameAsTransparent.push_back(i);
        }
    }
}

std::string ColourText(const PaletteEntry &e) {
    return "(" + std::to_string(e.red) + ", " + std::to_string(e.green) + ", " +
           std::to_string(e.blue) + ")";
}

void ReportTileCorners(CheckReport &report) {
    const PaletteCheck &p = report.palette;
    const TileCorners &c = p.corners;
    if (!CornersDisownEntry142(c, p.transparent)) {
        return;
    }
    char key[8];
    std::snprintf(key, sizeof key, "%02X%02X%02X", c.most.red, c.most.green, c.most.blue);
    AddProblem(report, CheckSection::Palette,
               "the tiles' corners are mostly " + ColourText(c.most) + ", entry " +
                   std::to_string(c.mostEntry) + " (" + GroupDigits(c.mostCount) + " of " +
                   GroupDigits(c.pixels) + " corner pixels), not entry 142's " +
                   ColourText(p.transparent) +
                   ": the tiles' surroundings show as solid blocks and entry 142's pixels as "
                   "holes; tileview-sheet tiles.bmp -o tiles.bmp --key " +
                   key + " puts that colour at entry 142");
}

void ReportPalette(CheckReport &report) {
    const PaletteCheck &p = report.palette;
    const BitmapHeader &h = p.header;
    if (!p.opened) {
        return; // reported with the files
    }
    if (!h.signature) {
        AddProblem(report, CheckSection::Palette,
                   "tiles.bmp does not start with \"BM\": it is not read as a picture");
    }
    if (h.infoSize != BMP_INFO_HEADER_SIZE) {
        AddProblem(report, CheckSection::Palette,
                   "the information header is " + GroupDigits(h.infoSize) +
                       " bytes, not 40: it gives no usable palette (the 256 entries are "
                       "taken as read, red and blue swapped)");
    } else if (h.bitCount > 8) {
        AddProblem(report, CheckSection::Palette,
                   std::to_string(h.bitCount) +
                       " bits per pixel: the picture has no colour table and the header gives no "
                       "usable palette");
    } else if (p.colourCount < 1 || p.colourCount > PALETTE_ENTRIES) {
        AddProblem(report, CheckSection::Palette,
                   "colours used is " + GroupDigits(h.coloursUsed) +
                       ", outside 1 to 256: only 256 entries are read");
    } else if (p.colourCount < PALETTE_ENTRIES) {
        AddProblem(report, CheckSection::Palette,
                   "only " + std::to_string(p.colourCount) + " colours: entries " +
                       std::to_string(p.colourCount) +
                       " to 255 are made of the bytes after the colour table");
    }
    if (h.infoSize >= BMP_INFO_HEADER_SIZE &&
        (h.width != TILE_SHEET_WIDTH ||
         (h.height != TILE_SHEET_HEIGHT && h.height != -TILE_SHEET_HEIGHT))) {
        AddProblem(report, CheckSection::Palette,
                   "the picture is " + std::to_string(h.width) + " x " + std::to_string(h.height) +
                       " pixels, not 1300 x 3900");
    }
    for (int entry : p.sameAsTransparent) {
        AddProblem(report, CheckSection::Palette,
                   {"entry ", std::to_string(entry),
                    " has the transparent colour of entry 142: its pixels and those of 142 "
                    "cannot be told apart"});
    }
    ReportTileCorners(report);
}

void CheckTileSheet(CheckReport &report, const WorldFile &sheet) {
    unsigned char block[PALETTE_BLOCK_SIZE];
    PaletteCheck &palette = report.palette;
    palette = PaletteCheck{};
    palette.opened = sheet.present;
    PaletteBlockFromBytes(sheet.bytes.data(), sheet.bytes.size(), block);
    palette.header = ReadBitmapHeader(block);
    palette.colourCount = StatedColourCount(palette.header);
    PaletteEntry entries[PALETTE_ENTRIES];
    BuildPaletteEntries(block, entries);
    FindTransparentTwins(entries, palette);
    palette.corners = ReadTileCorners(sheet.bytes, entries);
    AddFile(report, TILE_SHEET_FILE, sheet,
            palette.opened ? ExpectedBitmapSize(palette.header) : -1, "the picture is cut short",
            "no palette and an empty tile sheet");
    ReportPalette(report);
}

} // namespace

WorldFile WorldFileOf(std::vector<unsigned char> bytes) {
    WorldFile file;
    file.present = true;
    file.size = static_cast<std::int64_t>(bytes.size());
    file.bytes = std::move(bytes);
    return file;
}

WorldFiles ReadWorldFiles() {
    WorldFiles world;
    world.terrain = ReadWorldFile(TERRAIN_FILE, TERRAIN_TABLE_SIZE);
    for (std::size_t segment = 0; segment < world.segments.size(); ++segment) {
        world.segments[segment] = ReadWorldFile(SegmentFiles[segment], MAP_GRID_SIZE);
    }
    world.tileSheet = ReadWorldFile(TILE_SHEET_FILE, SIZE_MAX);
    return world;
}

CheckReport CheckWorld(const WorldFiles &world) {
    CheckReport report{};
    report.files.reserve(CHECKED_FILE_COUNT);
    report.segments.reserve(SEGMENT_COUNT);
    std::memset(TerrainTable, 0, sizeof TerrainTable);
    AddFile(report, TERRAIN_FILE, world.terrain, TERRAIN_TABLE_SIZE,
            "the records past its end read as zero", "the viewer does not start");
    for (std::size_t segment = 0; segment < world.segments.size(); ++segment) {
        AddFile(report, SegmentFiles[segment], world.segments[segment], MAP_GRID_SIZE,
                "the cells past its end keep what the segment shown before held",
                "the segment shows empty");
    }
    if (world.terrain.present) {
        ReadTerrainBytes(world.terrain.bytes.data(), world.terrain.bytes.size());
        CheckRecords(report);
    }
    CheckSegments(report, world);
    CheckTileSheet(report, world.tileSheet);
    return report;
}

CheckReport CheckDataFolder() {
    return CheckWorld(ReadWorldFiles());
}

void AppendPieces(std::string &out, std::initializer_list<std::string_view> pieces) {
    std::size_t size = out.size();
    for (const std::string_view piece : pieces) {
        size += piece.size();
    }
    if (size > out.capacity()) {
        out.reserve(std::max(size, 2 * out.capacity())); // still twice as large at a time
    }
    for (const std::string_view piece : pieces) {
        out += piece;
    }
}

std::string GroupDigits(std::int64_t value) {
    const std::string digits = std::to_string(value);
    const std::size_t sign = value < 0 ? 1 : 0;
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > sign && (digits.size() - i) % 3 == 0) {
            out.push_back(',');
        }
        out.push_back(digits[i]);
    }
    return out;
}
