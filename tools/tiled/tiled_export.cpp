#include "tools/tiled/tiled_export.h"

#include "display/memory/memory_display.h"
#include "dravik_version.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "tools/common/file_bytes.h"
#include "tools/common/png_file.h"
#include "tools/common/sheet_picture.h"
#include "tools/tiled/tile_images.h"
#include "tools/tiled/tiled_names.h"
#include "tools/tiled/tileset_cache.h"
#include "view/commands.h"
#include "view/view_state.h"

#include <pugixml.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char *TILESET_FILE = "dravik.tsx";
constexpr const char *WORLD_FILE = "dravik.world";
constexpr int PAIR_COUNT = 256 * 256;
constexpr int MAP_PIXELS = SEGMENT_COLUMNS * CELL_PITCH;

struct Segment {
    int index;
    std::uint64_t size;
};

int PairKey(int kind, int level) {
    return kind * 256 + level;
}

int Fail(const std::string &line) {
    std::fprintf(stderr, "tileview-tiled: %s\n", line.c_str());
    return 1;
}

// Loads segment into the grid as the viewer reads it, its missing end (if short) empty. False
// when its file is absent (found then false) or cannot be read.
bool LoadSegment(int segment, std::uint64_t &size, bool &found, std::string &error) {
    struct stat status {};
    const char *name = SegmentFiles[segment];
    found = stat(name, &status) == 0;
    std::FILE *file = found ? std::fopen(name, "rb") : nullptr;
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    std::fclose(file);
    size = static_cast<std::uint64_t>(status.st_size);
    std::memset(MapGrid, 0, sizeof MapGrid);
    ViewState.segmentIndex = segment;
    LoadMapSegment();
    return true;
}

// Every pair a record names, then every pair a segment uses that none does.
std::vector<ExportTile> CollectTiles(const std::vector<Segment> &segments) {
    std::vector<int> recordOf(PAIR_COUNT);
    std::vector<ExportTile> tiles;
    for (int key = 1; key < PAIR_COUNT; ++key) {
        recordOf[key] = FindTerrainRecord(key / 256, key % 256);
        if (recordOf[key] != NO_TERRAIN) {
            tiles.push_back(RecordTile(recordOf[key]));
        }
    }
    std::vector<bool> placed(PAIR_COUNT, false);
    for (const Segment &segment : segments) {
        std::uint64_t size = 0;
        bool found = false;
        std::string error;
        (void)LoadSegment(segment.index, size, found, error);
        for (int cell = 0; cell < SEGMENT_ROWS * SEGMENT_COLUMNS; ++cell) {
            TerrainRef refs[MAP_CELL_LAYERS];
            SplitMapCell(cell / SEGMENT_COLUMNS, cell % SEGMENT_COLUMNS, refs);
            for (const TerrainRef &ref : refs) {
                const int key = PairKey(ref.kind, ref.level);
                if (key != 0 && recordOf[key] == NO_TERRAIN && !placed[key]) {
                    placed[key] = true;
                    tiles.push_back(PlaceholderTile(ref.kind, ref.level));
                }
            }
        }
    }
    std::sort(tiles.begin(), tiles.end(), [](const ExportTile &a, const ExportTile &b) {
        return PairKey(a.kind, a.level) < PairKey(b.kind, b.level);
    });
    return tiles;
}

std::string TileImageName(const ExportTile &tile) {
    char name[48];
    std::snprintf(name, sizeof name, "tiles/%s%03d-%03d.png",
                  tile.record == NO_TERRAIN ? "placeholder-" : "", tile.kind, tile.level);
    return name;
}

void AddProperty(pugi::xml_node &properties, const char *name, const char *type,
                 const std::string &value) {
    pugi::xml_node property = properties.append_child("property");
    property.append_attribute("name") = name;
    if (type != nullptr) {
        property.append_attribute("type") = type;
    }
    property.append_attribute("value") = value.c_str();
}

pugi::xml_node StartDocument(pugi::xml_document &document, const char *root) {
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node node = document.append_child(root);
    node.append_attribute("version") = "1.8";
    node.append_attribute("tiledversion") = "1.8.2";
    return node;
}

bool SaveDocument(const pugi::xml_document &document, const fs::path &path, std::string &error) {
    errno = 0;
    if (!document.save_file(path.c_str(), " ")) {
        error = errno != 0 ? std::strerror(errno) : "cannot be written";
        return false;
    }
    return true;
}

// Writes the tile's picture and its entry in the tileset.
bool AddTile(pugi::xml_node &tileset, int id, const ExportTile &tile, TileOffset offset,
             const fs::path &out, std::string &error) {
    const TileImage image = MakeTileImage(tile, offset);
    const std::string name = TileImageName(tile);
    if (!WriteIndexedPng((out / name).c_str(), image.pixels.data(), image.width, image.width,
                         image.height, DisplayPalette, error, TRANSPARENT_INDEX)) {
        error = (out / name).string() + ": " + error;
        return false;
    }
    pugi::xml_node node = tileset.append_child("tile");
    node.append_attribute("id") = id;
    pugi::xml_node properties = node.append_child("properties");
    AddProperty(properties, "kind", "int", std::to_string(tile.kind));
    AddProperty(properties, "level", "int", std::to_string(tile.level));
    if (tile.record != NO_TERRAIN) {
        AddProperty(properties, "record", "int", std::to_string(tile.record));
    }
    if (!tile.placeholder.empty()) {
        AddProperty(properties, "placeholder", nullptr, tile.placeholder);
    }
    pugi::xml_node picture = node.append_child("image");
    picture.append_attribute("width") = image.width;
    picture.append_attribute("height") = image.height;
    picture.append_attribute("source") = name.c_str();
    return true;
}

bool WriteTileset(const std::vector<ExportTile> &tiles, TileOffset offset, const fs::path &out,
                  std::string &error) {
    pugi::xml_document document;
    pugi::xml_node tileset = StartDocument(document, "tileset");
    tileset.append_attribute("name") = "dravik";
    pugi::xml_attribute width = tileset.append_attribute("tilewidth");
    pugi::xml_attribute height = tileset.append_attribute("tileheight");
    tileset.append_attribute("tilecount") = static_cast<unsigned>(tiles.size());
    tileset.append_attribute("columns") = 0;
    pugi::xml_node corner = tileset.append_child("tileoffset");
    corner.append_attribute("x") = static_cast<long long>(offset.x);
    corner.append_attribute("y") = static_cast<long long>(offset.y);
    pugi::xml_node grid = tileset.append_child("grid");
    grid.append_attribute("orientation") = "orthogonal";
    grid.append_attribute("width") = 1;
    grid.append_attribute("height") = 1;
    int widest = 1;
    int tallest = 1;
    for (std::size_t id = 0; id < tiles.size(); ++id) {
        if (!AddTile(tileset, static_cast<int>(id), tiles[id], offset, out, error)) {
            return false;
        }
        const pugi::xml_node image = tileset.last_child().child("image");
        widest = std::max(widest, image.attribute("width").as_int());
        tallest = std::max(tallest, image.attribute("height").as_int());
    }
    width = widest;
    height = tallest;
    if (!SaveDocument(document, out / TILESET_FILE, error)) {
        error = (out / TILESET_FILE).string() + ": " + error;
        return false;
    }
    return true;
}

// One layer's global ids as Tiled writes CSV: a line per row.
std::string LayerCsv(int layer, const std::vector<std::uint32_t> &gidOf) {
    std::string text = "\n";
    text.reserve(std::size_t{SEGMENT_ROWS} * SEGMENT_COLUMNS * 4);
    char number[16];
    for (int row = 0; row < SEGMENT_ROWS; ++row) {
        for (int column = 0; column < SEGMENT_COLUMNS; ++column) {
            TerrainRef refs[MAP_CELL_LAYERS];
            SplitMapCell(row, column, refs);
            const std::uint32_t gid = gidOf[PairKey(refs[layer].kind, refs[layer].level)];
            text.append(number, std::to_chars(number, number + sizeof number, gid).ptr);
            const bool last = row == SEGMENT_ROWS - 1 && column == SEGMENT_COLUMNS - 1;
            text += last ? "\n" : column == SEGMENT_COLUMNS - 1 ? ",\n" : ",";
        }
    }
    return text;
}

// The map of the segment in the grid, at path, its tileset at tilesetSource.
bool WriteMap(const Segment &segment, const std::vector<std::uint32_t> &gidOf, const fs::path &path,
              const std::string &tilesetSource, std::string &error) {
    pugi::xml_document document;
    pugi::xml_node map = StartDocument(document, "map");
    const std::pair<const char *, const char *> fixed[] = {{"orientation", "orthogonal"},
                                                           {"renderorder", "right-down"},
                                                           {"width", "255"},
                                                           {"height", "255"},
                                                           {"tilewidth", "55"},
                                                           {"tileheight", "55"},
                                                           {"infinite", "0"},
                                                           {"nextlayerid", "5"},
                                                           {"nextobjectid", "1"}};
    for (const auto &[name, value] : fixed) {
        map.append_attribute(name) = value;
    }
    pugi::xml_node properties = map.append_child("properties");
    AddProperty(properties, SIZE_PROPERTY, "int", std::to_string(segment.size));
    AddProperty(properties, SOURCE_PROPERTY, nullptr, SegmentFiles[segment.index]);
    pugi::xml_node tileset = map.append_child("tileset");
    tileset.append_attribute("firstgid") = 1;
    tileset.append_attribute("source") = tilesetSource.c_str();
    // Lower layers mostly hold lower levels, so Tiled stacks them as the viewer mostly does.
    for (int layer = 0; layer < MAP_CELL_LAYERS; ++layer) {
        pugi::xml_node node = map.append_child("layer");
        node.append_attribute("id") = layer + 1;
        node.append_attribute("name") = TileLayerName(layer).c_str();
        node.append_attribute("width") = SEGMENT_COLUMNS;
        node.append_attribute("height") = SEGMENT_ROWS;
        pugi::xml_node data = node.append_child("data");
        data.append_attribute("encoding") = "csv";
        data.append_child(pugi::node_pcdata).set_value(LayerCsv(layer, gidOf).c_str());
    }
    if (!SaveDocument(document, path, error)) {
        error = path.string() + ": " + error;
        return false;
    }
    return true;
}

// Tiled's world: the maps side by side, each where its segment's index puts it.
bool WriteWorld(const std::vector<Segment> &segments, const fs::path &out, std::string &error) {
    const fs::path path = out / WORLD_FILE;
    std::FILE *file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    std::fprintf(file, "{\n    \"maps\": [\n");
    for (std::size_t i = 0; i < segments.size(); ++i) {
        std::fprintf(file,
                     "        {\n            \"fileName\": \"%s\",\n            \"height\": %d,\n"
                     "            \"width\": %d,\n            \"x\": %d,\n            \"y\": 0\n"
                     "        }%s\n",
                     SegmentMapName(segments[i].index).c_str(), MAP_PIXELS, MAP_PIXELS,
                     segments[i].index * MAP_PIXELS, i + 1 < segments.size() ? "," : "");
    }
    std::fprintf(file,
                 "    ],\n    \"onlyShowAdjacentMaps\": false,\n    \"type\": \"world\"\n}\n");
    if (std::fclose(file) != 0) {
        error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool FindSegments(const fs::path &world, std::vector<Segment> &segments, std::string &error) {
    for (int index = 0; index < SEGMENT_COUNT; ++index) {
        Segment segment{index, 0};
        bool found = false;
        if (LoadSegment(index, segment.size, found, error)) {
            segments.push_back(segment);
        } else if (found) {
            error.insert(0, (world / SegmentFiles[index]).string().append(": "));
            return false;
        }
    }
    return true;
}

bool LoadWorld(const fs::path &world, std::vector<Segment> &segments, std::string &error) {
    if (chdir(world.c_str()) != 0) {
        error = world.string() + ": " + std::strerror(errno);
        return false;
    }
    errno = 0;
    if (!LoadTerrainTable()) {
        error = (world / TERRAIN_FILE).string() + ": " + std::strerror(errno);
        return false;
    }
    LoadDisplayPalette(TILE_SHEET_FILE);
    if (!LoadSheetPicture(TILE_SHEET_FILE, error)) {
        error = (world / TILE_SHEET_FILE).string() + ": " + error;
        return false;
    }
    return FindSegments(world, segments, error);
}

std::vector<std::uint32_t> GlobalIds(const std::vector<ExportTile> &tiles) {
    std::vector<std::uint32_t> gidOf(PAIR_COUNT, 0);
    for (std::size_t id = 0; id < tiles.size(); ++id) {
        gidOf[PairKey(tiles[id].kind, tiles[id].level)] = static_cast<std::uint32_t>(id + 1);
    }
    return gidOf;
}

bool WriteMaps(const std::vector<Segment> &segments, const std::vector<ExportTile> &tiles,
               const fs::path &out, std::string &error) {
    const std::vector<std::uint32_t> gidOf = GlobalIds(tiles);
    for (const Segment &segment : segments) {
        std::uint64_t size = 0;
        bool found = false;
        if (!LoadSegment(segment.index, size, found, error) ||
            !WriteMap(segment, gidOf, out / SegmentMapName(segment.index), TILESET_FILE, error)) {
            return false;
        }
    }
    return WriteWorld(segments, out, error);
}

// What the tileset is made from: the terrain table, the sheet, the stand-ins the segments ask
// for, and this program, which draws them. Called in the world folder, after LoadWorld.
bool TilesetDigest(const std::vector<ExportTile> &tiles, std::uint64_t &digest,
                   std::string &error) {
    digest = DigestBytes(DIGEST_START, DRAVIK_VERSION, sizeof DRAVIK_VERSION);
    for (const char *name : {TERRAIN_FILE, TILE_SHEET_FILE}) {
        std::vector<std::uint8_t> bytes;
        if (!ReadWholeFile(name, bytes, error)) {
            error.insert(0, std::string(name).append(": "));
            return false;
        }
        digest = DigestBytes(digest, bytes.data(), bytes.size());
    }
    for (const ExportTile &tile : tiles) {
        const int entry[] = {tile.kind, tile.level, tile.record};
        digest = DigestBytes(digest, entry, sizeof entry);
    }
    return true;
}

// The tileset's folder in the cache, written unless it is there already. It is written beside
// under another name and renamed into place, so that no map ever finds half a tileset.
bool CacheTileset(const fs::path &world, const std::vector<ExportTile> &tiles, fs::path &folder,
                  std::string &error) {
    fs::path root;
    std::uint64_t digest = 0;
    if (!TiledCacheRoot(root, error) || !TilesetDigest(tiles, digest, error)) {
        return false;
    }
    folder = TilesetFolder(root, world, digest);
    std::error_code code;
    if (fs::exists(folder / TILESET_FILE, code)) {
        KeepTileset(folder);
        return true;
    }
    const fs::path made = folder.string() + ".tmp-" + std::to_string(getpid());
    fs::remove_all(made, code);
    if (fs::create_directories(made / "tiles", code); code) {
        error = made.string() + ": " + code.message();
        return false;
    }
    if (!WriteTileset(tiles, ChooseTileOffset(tiles), made, error)) {
        fs::remove_all(made, code);
        return false;
    }
    fs::rename(made, folder, code);
    if (code) {
        fs::remove_all(made, code);
        if (!fs::exists(folder / TILESET_FILE, code)) { // not another run's, made meanwhile
            error = folder.string() + ": cannot be written";
            return false;
        }
    }
    KeepTileset(folder);
    return true;
}

} // namespace

int ExportSegmentMap(const std::string &segmentFile, const std::string &outFile) {
    std::error_code code;
    const fs::path segmentPath = fs::absolute(segmentFile, code);
    const fs::path out = fs::absolute(outFile, code);
    const fs::path world = segmentPath.parent_path();
    const int index = SegmentOfFile(segmentPath.filename().string());
    if (index < 0) {
        return Fail(segmentFile + ": not a segment file (" + SegmentFileNames() + ")");
    }
    if (!fs::exists(world / TERRAIN_FILE, code)) {
        return Fail(segmentFile + ": no " + TERRAIN_FILE +
                    " beside it; a segment opens from its world folder, which holds " +
                    TERRAIN_FILE + " and " + TILE_SHEET_FILE);
    }
    std::vector<Segment> segments;
    std::string error;
    if (!LoadWorld(world, segments, error)) {
        return Fail(error);
    }
    const auto segment = std::find_if(segments.begin(), segments.end(),
                                      [&](const Segment &s) { return s.index == index; });
    if (segment == segments.end()) {
        return Fail(segmentFile + ": " + std::strerror(ENOENT));
    }
    const std::vector<ExportTile> tiles = CollectTiles(segments);
    fs::path folder;
    std::uint64_t size = 0;
    bool found = false;
    if (!CacheTileset(world, tiles, folder, error) || !LoadSegment(index, size, found, error) ||
        !WriteMap(*segment, GlobalIds(tiles), out, (folder / TILESET_FILE).string(), error)) {
        return Fail(error);
    }
    std::printf("tileview-tiled: wrote %s from %s, its tileset %s\n", out.c_str(),
                segmentPath.c_str(), (folder / TILESET_FILE).c_str());
    return 0;
}

int ExportWorld(const std::string &worldFolder, const std::string &outFolder) {
    std::error_code code;
    const fs::path out = fs::absolute(outFolder, code);
    const fs::path world = fs::absolute(worldFolder, code);
    if (fs::create_directories(out / "tiles", code); code) {
        return Fail(outFolder + ": " + code.message());
    }
    std::vector<Segment> segments;
    std::string error;
    if (!LoadWorld(world, segments, error)) {
        return Fail(error);
    }
    const std::vector<ExportTile> tiles = CollectTiles(segments);
    const TileOffset offset = ChooseTileOffset(tiles);
    if (!WriteTileset(tiles, offset, out, error) || !WriteMaps(segments, tiles, out, error)) {
        return Fail(error);
    }
    const auto placeholders = std::count_if(
        tiles.begin(), tiles.end(), [](const ExportTile &t) { return !t.placeholder.empty(); });
    std::printf("tileview-tiled: wrote %s: %zu tiles (%td of them marked stand-ins), %zu maps, "
                "tile offset (%lld, %lld)\n",
                out.c_str(), tiles.size(), placeholders, segments.size(),
                static_cast<long long>(offset.x), static_cast<long long>(offset.y));
    return 0;
}
