// Any world held in memory, checked as tileview-check checks a data folder and written out by
// both formatters: the report gives each file the size the input gave it and counts the records
// the table holds, each problem is one marked line of the text, and the JSON is valid JSON.
//
// Input, little-endian:
//   1 byte   presence bits: bit 0 terrain.db, bits 1 to 6 the segments (SegmentFiles order),
//            bit 7 tiles.bmp
//   2 + 2    terrain.db: the zero bytes it starts with (modulo LEAD_ROOM) and the length of the
//            bytes that follow them
//   2 x 5    two segment slots: the segment (modulo 6), the zero bytes its file starts with
//            (24 bits, modulo LEAD_ROOM) and the length of the bytes that follow (modulo
//            SLOT_BYTES + 1)
//   1 byte   the length of the folder's name
// then the name, terrain.db's bytes, the slots' bytes and tiles.bmp as the rest; a part takes
// what is left when its length runs past the end. A present segment no slot names is empty; a
// second slot for the same segment is skipped.
//
// Bounds, for speed: every finding is a problem written twice and read back (some 5 us under the
// sanitizers), every reference of a cell a scan of the table, and every segment with cells in
// the drawn window a walk of it. So the input is at most 4 KiB, two segments have cells, eight
// at most each, and tiles.bmp is never shorter than its palette block: a shorter one leaves 255
// entries of entry 142's colour, zero, and as many findings; it is filled up with bytes that do
// not repeat (k mod 251 at offset k). The zeros before a file's bytes keep every size reachable
// (a whole table, a whole grid, files past them) and put records and cells anywhere, the
// window's edges included. A sheet of the right shape is reached run-length encoded.

#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/check/check_report.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t SLOTS = 2;
constexpr std::size_t HEADER_SIZE = 1 + 4 + 5 * SLOTS + 1;
constexpr std::size_t LEAD_ROOM = MAP_GRID_SIZE + 1024; // past the grid and the table
constexpr std::size_t SLOT_BYTES = 8 * MAP_CELL_SIZE;

struct Input {
    const std::uint8_t *at;
    std::size_t left;

    // Takes the next part of the input as a file: zeros, then the bytes. The file's buffer is
    // kept from one input to the next, so that large files cost no allocation.
    void TakeFile(WorldFile &file, bool present, std::size_t wanted, std::size_t zeros = 0) {
        const std::size_t taken = std::min(wanted, left);
        file.present = present;
        file.reason = present ? "" : std::strerror(ENOENT);
        file.bytes.assign(present ? zeros : 0, 0);
        file.bytes.insert(file.bytes.end(), at, present ? at + taken : at);
        file.size = present ? static_cast<std::int64_t>(file.bytes.size()) : -1;
        at += taken;
        left -= taken;
    }
};

// What a second slot for the same segment takes.
WorldFile skipped;

// Whether text from at on is one JSON value (RFC 8259); at moves past it. Bytes from 0x80 up
// pass in strings unchecked: the folder's name is the file system's bytes.
bool JsonValue(const std::string &text, std::size_t &at, int depth = 0) {
    const auto skipSpace = [&] {
        while (at < text.size() &&
               (text[at] == ' ' || text[at] == '\n' || text[at] == '\t' || text[at] == '\r')) {
            ++at;
        }
    };
    const auto take = [&](char c) { return at < text.size() && text[at] == c && ++at > 0; };
    const auto digits = [&] {
        const std::size_t from = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ++at;
        }
        return at > from;
    };
    skipSpace();
    if (at >= text.size() || depth > 16) {
        return false;
    }
    const char first = text[at];
    if (first == '{' || first == '[') {
        const char close = first == '{' ? '}' : ']';
        ++at;
        skipSpace();
        if (take(close)) {
            return true;
        }
        do {
            if (first == '{') {
                skipSpace();
                if (at >= text.size() || text[at] != '"' || !JsonValue(text, at, depth + 1)) {
                    return false;
                }
                skipSpace();
                if (!take(':')) {
                    return false;
                }
            }
            if (!JsonValue(text, at, depth + 1)) {
                return false;
            }
            skipSpace();
        } while (take(','));
        return take(close);
    }
    if (take('"')) {
        // Up to a quote, a backslash or a control character in one library call: the reports
        // are long, and a loop here would cost more than the formatters.
        static const std::string stops = [] {
            std::string chars = "\"\\";
            for (char c = 1; c < 0x20; ++c) {
                chars += c;
            }
            return chars;
        }();
        for (;;) {
            at += std::strcspn(text.c_str() + at, stops.c_str());
            if (at >= text.size() || text[at] == '"') {
                return take('"');
            }
            if (text[at] != '\\' || ++at >= text.size()) {
                return false; // a control character (a NUL byte included)
            }
            const char escape = text[at++];
            if (escape == 'u') {
                if (text.size() - at < 4 ||
                    text.find_first_not_of("0123456789abcdefABCDEF", at) < at + 4) {
                    return false;
                }
                at += 4;
            } else if (escape == 0 || std::strchr("\"\\/bfnrt", escape) == nullptr) {
                return false;
            }
        }
    }
    if (first == 't' || first == 'f' || first == 'n') {
        const std::string word = first == 't' ? "true" : first == 'f' ? "false" : "null";
        at += word.size();
        return text.compare(at - word.size(), word.size(), word) == 0;
    }
    take('-');
    if (!take('0') && !digits()) {
        return false;
    }
    if (take('.') && !digits()) {
        return false;
    }
    if (take('e') || take('E')) {
        if (!take('+')) {
            take('-');
        }
        return digits();
    }
    return true;
}

void RequireReport(const CheckReport &report, const WorldFiles &world, const std::string &folder) {
    const auto sizeOf = [](const WorldFile &f) {
        return f.present ? static_cast<std::int64_t>(f.bytes.size()) : -1;
    };
    Require(report.files.size() == CHECKED_FILE_COUNT, "every file is listed");
    Require(report.files.front().size == sizeOf(world.terrain) &&
                report.files.back().size == sizeOf(world.tileSheet),
            "a file's size is its length");
    for (std::size_t s = 0; s < SEGMENT_COUNT; ++s) {
        Require(report.files[1 + s].size == sizeOf(world.segments[s]), "a segment's size too");
    }

    int inUse = 0;
    const std::size_t tableBytes =
        std::min<std::size_t>(world.terrain.bytes.size(), TERRAIN_TABLE_SIZE);
    for (std::size_t at = 0; world.terrain.present && at < tableBytes; at += TERRAIN_RECORD_SIZE) {
        const auto byte = [&](std::size_t i) {
            return i < tableBytes ? world.terrain.bytes[i] : 0;
        };
        inUse += byte(at + TERRAIN_KIND_OFFSET) != 0 || byte(at + TERRAIN_LEVEL_OFFSET) != 0;
    }
    Require(report.recordsInUse == inUse, "the records in use are those the table holds");
    const TileCorners &corners = report.palette.corners;
    Require(!corners.read ||
                corners.pixels == 4 * (inUse - static_cast<int>(report.badSources.size())),
            "four corners are read for each record in use inside the sheet");

    for (const CheckProblem &problem : report.problems) {
        Require(!problem.text.empty() && std::none_of(problem.text.begin(), problem.text.end(),
                                                      [](char c) { return c == '\n'; }),
                "every problem is one line of text");
    }
    const std::string text = FormatCheckText(report, folder);
    std::size_t marked = 0;
    const std::size_t firstLine = std::string("data folder ").size() + folder.size();
    for (std::size_t at = text.find("\n  ! ", firstLine); at != std::string::npos;
         at = text.find("\n  ! ", at + 1)) {
        ++marked;
    }
    const std::size_t n = report.problems.size();
    const std::string last =
        n == 0 ? "nothing wrong\n"
               : std::to_string(n) + " problem" + (n == 1 ? "" : "s") + " found\n";
    Require(marked == n && text.size() >= last.size() &&
                text.compare(text.size() - last.size(), last.size(), last) == 0,
            "the text marks every problem once and ends with their count");

    const std::string json = FormatCheckJson(report, folder);
    std::size_t at = 0;
    Require(JsonValue(json, at) && json.find_first_not_of(" \t\r\n", at) == std::string::npos,
            "the JSON report is one JSON value");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < HEADER_SIZE) {
        return 0;
    }
    const auto field = [&](std::size_t at, int bytes) {
        std::size_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            value = value << 8 | data[at + static_cast<std::size_t>(i)];
        }
        return value;
    };
    Input input{data + HEADER_SIZE, size - HEADER_SIZE};
    const std::size_t nameLength = std::min<std::size_t>(data[HEADER_SIZE - 1], input.left);
    const std::string folder(input.at, input.at + nameLength);
    input.TakeFile(skipped, false, nameLength);
    static WorldFiles world;
    const auto present = [&](int bit) { return (data[0] >> bit & 1U) != 0; };
    input.TakeFile(world.terrain, present(0), field(3, 2), field(1, 2) % LEAD_ROOM);
    bool named[SEGMENT_COUNT] = {};
    for (std::size_t slot = 0; slot < SLOTS; ++slot) {
        const std::size_t at = 5 + 5 * slot;
        const std::size_t s = data[at] % SEGMENT_COUNT;
        input.TakeFile(named[s] ? skipped : world.segments[s], present(1 + static_cast<int>(s)),
                       data[at + 4] % (SLOT_BYTES + 1), field(at + 1, 3) % LEAD_ROOM);
        named[s] = true;
    }
    for (std::size_t s = 0; s < SEGMENT_COUNT; ++s) {
        if (!named[s]) {
            input.TakeFile(world.segments[s], present(1 + static_cast<int>(s)), 0);
        }
    }
    input.TakeFile(world.tileSheet, present(7), input.left);
    std::vector<unsigned char> &sheet = world.tileSheet.bytes;
    if (present(7) && sheet.size() < PALETTE_BLOCK_SIZE) {
        for (std::size_t k = sheet.size(); k < PALETTE_BLOCK_SIZE; ++k) {
            sheet.push_back(static_cast<unsigned char>(k % 251));
        }
        world.tileSheet.size = PALETTE_BLOCK_SIZE;
    }

    RequireReport(CheckWorld(world), world, folder);
    return 0;
}
