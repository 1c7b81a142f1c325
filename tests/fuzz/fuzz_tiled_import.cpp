// tileview-tiled's import of one map: the input up to its first NUL byte is the map, the rest the
// tileset given for whatever source the map names (none when the input has no NUL). A map read
// is a whole segment whose cells hold only tiles the tilesets define and whose file keeps every
// painted cell; a map refused says why on one line.
// The format fixes a map at 255 x 255 cells in four layers, so a map read whole is costly; the
// input's length bounds how often the fuzzer gets that far (compressed layers only: CSV or plain
// base64 of a whole layer is longer than any input here).

#include "mapdata/segment.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/tiled/tmx_read.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>

namespace {

// Which kind and level pairs some tile gives, by kind then level.
using Defined = std::array<std::array<bool, 256>, 256>;

// Every kind and level pair a tile element anywhere in text gives, read loosely: the import
// takes no tile that is not among them.
void CollectPairs(std::string_view text, Defined &defined) {
    pugi::xml_document document;
    document.load_buffer(text.data(), text.size());
    for (const pugi::xpath_node &found : document.select_nodes("//tile")) {
        const pugi::xml_node properties = found.node().child("properties");
        const auto value = [&](const char *name) {
            return properties.find_child_by_attribute("property", "name", name)
                .attribute("value")
                .as_uint();
        };
        const unsigned kind = value("kind");
        const unsigned level = value("level");
        if (kind < 256 && level < 256) {
            defined[kind][level] = true;
        }
    }
}

void RequireDefinedTiles(const SegmentMap &segment, std::string_view map,
                         std::string_view tileset) {
    Defined defined{};
    defined[0][0] = true;
    CollectPairs(map, defined);
    CollectPairs(tileset, defined);
    for (std::size_t cell = 0; cell < segment.cells.size(); cell += MAP_CELL_SIZE) {
        for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
            const unsigned char *bytes = &segment.cells[cell + MapCellLevelByte(layer)];
            Require(defined[bytes[1]][bytes[0]], "each cell holds a tile defined");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view map = input.substr(0, split);
    const std::string_view tileset = split == std::string_view::npos ? "" : input.substr(split + 1);
    const auto readTileset = [&](const std::string &source, TilesetText &text, std::string &error) {
        text.file = source;
        text.text = tileset;
        if (split == std::string_view::npos) {
            error = source + ": no such file";
        }
        return split != std::string_view::npos;
    };
    SegmentMap segment;
    std::string error;
    if (!ReadSegmentMapText(map, "map.tmx", readTileset, segment, error)) {
        Require(!error.empty() && error.find_first_of("\r\n") == std::string::npos,
                "a map refused says why on one line");
        return 0;
    }
    Require(segment.cells.size() == MAP_GRID_SIZE && segment.size <= MAP_GRID_SIZE,
            "a map read is one segment, its file no longer");
    Require(std::all_of(segment.cells.begin() + static_cast<std::ptrdiff_t>(segment.size),
                        segment.cells.end(), [](unsigned char b) { return b == 0; }),
            "no painted cell lies past the file's end");
    RequireDefinedTiles(segment, map, tileset);
    return 0;
}
