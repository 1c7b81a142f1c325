#include "tools/tiled/tmx_read.h"

#include "mapdata/segment.h"
#include "tools/tiled/layer_data.h"
#include "tools/tiled/tiled_names.h"
#include "view/commands.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t FLIP_FLAGS = 0xF0000000U; // flipped, mirrored, rotated (also hexagonal)
constexpr std::size_t CELL_COUNT = std::size_t{SEGMENT_ROWS} * SEGMENT_COLUMNS;

struct TileDefinition {
    std::uint8_t kind = 0;
    std::uint8_t level = 0;
    std::string problem; // why the tile cannot stand in a cell; empty when it can
};

struct Tileset {
    std::uint32_t firstGid = 0;
    std::string file; // where it is defined: its .tsx, or the map itself
    std::string name;
    std::uint32_t atlasCount = 0; // tiles of a tileset cut from one image, listed or not
    std::map<std::uint32_t, TileDefinition> tiles;
};

bool ParseUnsigned(const char *text, std::uint64_t &value) {
    const char *end = text + std::strlen(text);
    const auto [stop, code] = std::from_chars(text, end, value);
    return code == std::errc() && stop == end && stop != text;
}

bool ReadText(const fs::path &path, std::string &text, std::string &error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    text = bytes.str();
    return true;
}

// Parses the text of file (as errors name it) into document.
bool ParseXml(std::string_view text, const std::string &file, pugi::xml_document &document,
              std::string &error) {
    const pugi::xml_parse_result result = document.load_buffer(text.data(), text.size());
    if (!result) {
        // pugixml may place the fault past the end of a text cut short inside an attribute.
        const auto at =
            std::clamp<std::ptrdiff_t>(result.offset, 0, static_cast<std::ptrdiff_t>(text.size()));
        const auto line = 1 + std::count(text.begin(), text.begin() + at, '\n');
        error =
            file + ": malformed XML at line " + std::to_string(line) + ": " + result.description();
        return false;
    }
    return true;
}

// The integer property name of a tile: its value, or what is wrong with it.
std::string ReadByteProperty(const pugi::xml_node &tile, const char *name, std::uint8_t &value) {
    const pugi::xml_node property =
        tile.child("properties").find_child_by_attribute("property", "name", name);
    if (!property) {
        return std::string("has no property ") + name;
    }
    if (std::strcmp(property.attribute("type").as_string(), "int") != 0) {
        return std::string("has a property ") + name + " not of type int";
    }
    std::uint64_t number = 0;
    const char *text = property.attribute("value").as_string();
    if (!ParseUnsigned(text, number) || number > 255) {
        return std::string("has ") + name + " " + text + ", not 0 to 255";
    }
    value = static_cast<std::uint8_t>(number);
    return {};
}

void ReadTileDefinitions(const pugi::xml_node &node, Tileset &tileset) {
    if (node.child("image")) {
        tileset.atlasCount = node.attribute("tilecount").as_uint();
    }
    for (const pugi::xml_node &tile : node.children("tile")) {
        std::uint64_t id = 0;
        if (!ParseUnsigned(tile.attribute("id").as_string(), id) || id >= FLIP_FLAGS) {
            continue; // names no tile a cell could hold
        }
        TileDefinition &definition = tileset.tiles[static_cast<std::uint32_t>(id)];
        definition.problem = ReadByteProperty(tile, "kind", definition.kind);
        if (definition.problem.empty()) {
            definition.problem = ReadByteProperty(tile, "level", definition.level);
        }
    }
}

bool ReadTileset(const pugi::xml_node &reference, const std::string &mapFile,
                 const TilesetReader &readTileset, Tileset &tileset, pugi::xml_document &external,
                 std::string &error) {
    std::uint64_t firstGid = 0;
    if (!ParseUnsigned(reference.attribute("firstgid").as_string(), firstGid) || firstGid == 0 ||
        firstGid >= FLIP_FLAGS) {
        error = mapFile + ": a tileset without a valid firstgid";
        return false;
    }
    tileset.firstGid = static_cast<std::uint32_t>(firstGid);
    pugi::xml_node node = reference;
    tileset.file = mapFile;
    if (const char *source = reference.attribute("source").value(); *source != '\0') {
        TilesetText text;
        if (!readTileset(source, text, error)) {
            return false;
        }
        tileset.file = text.file;
        if (!ParseXml(text.text, tileset.file, external, error)) {
            return false;
        }
        node = external.child("tileset");
        if (!node) {
            error = tileset.file + ": not a Tiled tileset (no <tileset> element)";
            return false;
        }
    }
    tileset.name = node.attribute("name").as_string();
    ReadTileDefinitions(node, tileset);
    return true;
}

bool ReadTilesets(const pugi::xml_node &map, const std::string &file,
                  const TilesetReader &readTileset, std::vector<Tileset> &tilesets,
                  std::string &error) {
    for (const pugi::xml_node &reference : map.children("tileset")) {
        Tileset tileset;
        pugi::xml_document external;
        if (!ReadTileset(reference, file, readTileset, tileset, external, error)) {
            return false;
        }
        tilesets.push_back(std::move(tileset));
    }
    std::sort(tilesets.begin(), tilesets.end(),
              [](const Tileset &a, const Tileset &b) { return a.firstGid < b.firstGid; });
    for (std::size_t i = 1; i < tilesets.size(); ++i) {
        if (tilesets[i].firstGid == tilesets[i - 1].firstGid) {
            error =
                file + ": two tilesets start at firstgid " + std::to_string(tilesets[i].firstGid);
            return false;
        }
    }
    return true;
}

bool AttributeIs(const pugi::xml_node &node, const char *name, std::uint64_t expected) {
    std::uint64_t value = 0;
    return ParseUnsigned(node.attribute(name).as_string(), value) && value == expected;
}

bool CheckMapShape(const pugi::xml_node &map, const std::string &file, std::string &error) {
    if (map.attribute("infinite").as_int() != 0) {
        error = file + ": an infinite map; a segment's map has a fixed size";
        return false;
    }
    if (std::strcmp(map.attribute("orientation").as_string(), "orthogonal") != 0 ||
        !AttributeIs(map, "width", SEGMENT_COLUMNS) || !AttributeIs(map, "height", SEGMENT_ROWS) ||
        !AttributeIs(map, "tilewidth", CELL_PITCH) || !AttributeIs(map, "tileheight", CELL_PITCH)) {
        error = file + ": " + map.attribute("orientation").as_string() + " map of " +
                map.attribute("width").as_string() + " x " + map.attribute("height").as_string() +
                " cells of " + map.attribute("tilewidth").as_string() + " x " +
                map.attribute("tileheight").as_string() +
                " pixels; a segment's map is orthogonal, 255 x 255 cells of 55 x 55 pixels";
        return false;
    }
    return true;
}

// Tile layers anywhere in the map, groups' included; object and image layers are notes.
void CollectTileLayers(const pugi::xml_node &parent, std::vector<pugi::xml_node> &layers) {
    for (const pugi::xml_node &child : parent.children()) {
        if (std::strcmp(child.name(), "layer") == 0) {
            layers.push_back(child);
        } else if (std::strcmp(child.name(), "group") == 0) {
            CollectTileLayers(child, layers);
        }
    }
}

bool FindLayers(const pugi::xml_node &map, const std::string &file,
                std::array<pugi::xml_node, MAP_CELL_LAYERS> &found, std::string &error) {
    std::vector<pugi::xml_node> layers;
    CollectTileLayers(map, layers);
    for (const pugi::xml_node &layer : layers) {
        const std::string name = layer.attribute("name").as_string();
        const int number = TileLayerNumber(name);
        if (number < 0) {
            error = file + ": tile layer '";
            error += name + "' is none of 'layer 0' to 'layer 3'";
            return false;
        }
        if (found[number]) {
            error = file + ": two tile layers named '";
            error += name + "'";
            return false;
        }
        found[number] = layer;
    }
    for (int number = 0; number < MAP_CELL_LAYERS; ++number) {
        if (!found[number]) {
            error = file + ": no tile layer '" + TileLayerName(number) + "'";
            return false;
        }
    }
    return true;
}

std::string CellText(std::size_t cell, int layer) {
    return "row " + std::to_string(cell / SEGMENT_COLUMNS) + ", column " +
           std::to_string(cell % SEGMENT_COLUMNS) + ", layer " + std::to_string(layer);
}

// The tile a global id names: its definition, or nullptr with the reason in error.
const TileDefinition *FindTile(const std::vector<Tileset> &tilesets, std::uint32_t gid,
                               const Tileset *&owner) {
    const auto after = std::upper_bound(
        tilesets.begin(), tilesets.end(), gid,
        [](std::uint32_t id, const Tileset &tileset) { return id < tileset.firstGid; });
    if (after == tilesets.begin()) {
        return nullptr;
    }
    owner = &*(after - 1);
    const std::uint32_t id = gid - owner->firstGid;
    static const TileDefinition unlisted{0, 0, "has no properties kind and level"};
    const auto tile = owner->tiles.find(id);
    if (tile != owner->tiles.end()) {
        return &tile->second;
    }
    return id < owner->atlasCount ? &unlisted : nullptr;
}

// The reference a cell's global id stands for. On failure error says why, and faulty is the
// tileset at fault when its tile is.
bool ResolveCell(const std::vector<Tileset> &tilesets, std::uint32_t gid, TerrainRef &ref,
                 const Tileset *&faulty, std::string &error) {
    ref = TerrainRef{0, 0};
    if (gid == 0) {
        return true;
    }
    if ((gid & FLIP_FLAGS) != 0) {
        error = "the tile is flipped or rotated (global id " + std::to_string(gid) +
                "); the viewer draws tiles only as they are";
        return false;
    }
    const Tileset *owner = nullptr;
    const TileDefinition *tile = FindTile(tilesets, gid, owner);
    if (tile == nullptr) {
        error = "global id " + std::to_string(gid) + " names no tile";
        return false;
    }
    if (!tile->problem.empty()) {
        faulty = owner;
        error = "tileset '" + owner->name + "', tile " + std::to_string(gid - owner->firstGid) +
                " " + tile->problem;
        return false;
    }
    ref = TerrainRef{tile->kind, tile->level};
    return true;
}

// The one line for a cell that cannot be read. A faulty tile is its tileset's fault, so the
// tileset's file leads the line.
std::string CellFault(const std::string &file, std::size_t cell, int layer, const Tileset *faulty,
                      const std::string &reason) {
    const std::string where = CellText(cell, layer);
    if (faulty != nullptr) {
        return faulty->file + ": " + reason + "; used at " + file + " " + where;
    }
    return file + ": " + where + ": " + reason;
}

bool DecodeLayer(const pugi::xml_node &layer, std::vector<std::uint32_t> &ids, std::string &error) {
    if (!AttributeIs(layer, "width", SEGMENT_COLUMNS) ||
        !AttributeIs(layer, "height", SEGMENT_ROWS)) {
        error = "not 255 x 255 cells";
        return false;
    }
    const pugi::xml_node data = layer.child("data");
    return DecodeLayerData(data.attribute("encoding").as_string(),
                           data.attribute("compression").as_string(), data.text().get(), CELL_COUNT,
                           ids, error);
}

bool FillLayer(const pugi::xml_node &layer, int number, const std::vector<Tileset> &tilesets,
               const std::string &file, SegmentMap &map, std::string &error) {
    std::vector<std::uint32_t> ids;
    if (!DecodeLayer(layer, ids, error)) {
        error = file + ": layer " + std::to_string(number) + ": " + error;
        return false;
    }
    const int levelByte = MapCellLevelByte(number);
    TerrainRef ref{};
    for (std::size_t cell = 0; cell < CELL_COUNT; ++cell) {
        // Neighbours mostly hold the same tile: a run of one id is looked up once.
        const Tileset *faulty = nullptr;
        if ((cell == 0 || ids[cell] != ids[cell - 1]) &&
            !ResolveCell(tilesets, ids[cell], ref, faulty, error)) {
            error = CellFault(file, cell, number, faulty, error);
            return false;
        }
        map.cells[cell * MAP_CELL_SIZE + levelByte] = ref.level;
        map.cells[cell * MAP_CELL_SIZE + levelByte + 1] = ref.kind;
    }
    return true;
}

bool ReadSizeProperty(const pugi::xml_node &map, const std::string &file, SegmentMap &segment,
                      std::string &error) {
    const pugi::xml_node property =
        map.child("properties").find_child_by_attribute("property", "name", SIZE_PROPERTY);
    segment.size = MAP_GRID_SIZE;
    if (!property) {
        return true;
    }
    std::uint64_t size = 0;
    if (std::strcmp(property.attribute("type").as_string(), "int") != 0 ||
        !ParseUnsigned(property.attribute("value").as_string(), size)) {
        error =
            file + ": map property " + SIZE_PROPERTY + " is not a whole number of bytes (type int)";
        return false;
    }
    segment.size = std::min<std::uint64_t>(size, MAP_GRID_SIZE);
    // Cells painted past a short file's end are kept: the file grows to hold them.
    const auto painted =
        std::find_if(segment.cells.begin() + static_cast<std::ptrdiff_t>(segment.size),
                     segment.cells.end(), [](unsigned char b) { return b != 0; });
    if (painted != segment.cells.end()) {
        segment.size = MAP_GRID_SIZE;
    }
    return true;
}

bool ReadMap(std::string_view text, const std::string &file, const TilesetReader &readTileset,
             SegmentMap &segment, std::string &error) {
    pugi::xml_document document;
    if (!ParseXml(text, file, document, error)) {
        return false;
    }
    const pugi::xml_node map = document.child("map");
    if (!map) {
        error = file + ": not a Tiled map (no <map> element)";
        return false;
    }
    std::vector<Tileset> tilesets;
    std::array<pugi::xml_node, MAP_CELL_LAYERS> layers{};
    if (!CheckMapShape(map, file, error) ||
        !ReadTilesets(map, file, readTileset, tilesets, error) ||
        !FindLayers(map, file, layers, error)) {
        return false;
    }
    segment.cells.assign(MAP_GRID_SIZE, 0);
    for (int number = 0; number < MAP_CELL_LAYERS; ++number) {
        if (!FillLayer(layers[number], number, tilesets, file, segment, error)) {
            return false;
        }
    }
    return ReadSizeProperty(map, file, segment, error);
}

// Names and values quoted from the files may hold line breaks and other control characters;
// they are shown escaped, so that the error stays one line.
std::string OneLine(const std::string &text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= ' ' && byte != 0x7F) {
            shown += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            shown += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else {
            constexpr char HEX[] = "0123456789ABCDEF";
            shown += {'\\', 'x', HEX[byte >> 4], HEX[byte & 15]};
        }
    }
    return shown;
}

} // namespace

bool ReadSegmentMapText(std::string_view text, const std::string &file,
                        const TilesetReader &readTileset, SegmentMap &segment, std::string &error) {
    if (!ReadMap(text, file, readTileset, segment, error)) {
        error = OneLine(error);
        return false;
    }
    return true;
}

bool ReadSegmentMap(const fs::path &path, SegmentMap &segment, std::string &error) {
    std::string text;
    if (!ReadText(path, text, error)) {
        return false;
    }
    // A tileset's source is a path relative to the map's folder.
    const auto readTileset = [&](const std::string &source, TilesetText &tileset,
                                 std::string &reason) {
        const fs::path tilesetPath = (path.parent_path() / source).lexically_normal();
        tileset.file = tilesetPath.string();
        return ReadText(tilesetPath, tileset.text, reason);
    };
    return ReadSegmentMapText(text, path.string(), readTileset, segment, error);
}
