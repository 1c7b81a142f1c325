#include "tools/tiled/tileset_cache.h"

#include "tools/common/user_folder.h"

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// A tileset folder's name: sixteen hexadecimal digits (a folder being written has more).
bool IsTilesetFolder(const fs::directory_entry &entry) {
    const std::string name = entry.path().filename().string();
    std::error_code code;
    return entry.is_directory(code) && name.size() == 16 &&
           name.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

bool TiledCacheRoot(fs::path &root, std::string &error) {
    if (!XdgFolder("XDG_CACHE_HOME", ".cache", root)) {
        error = "no cache folder for the tileset: neither XDG_CACHE_HOME nor HOME is set";
        return false;
    }
    root /= "dravik/tiled";
    return true;
}

std::uint64_t DigestBytes(std::uint64_t digest, const void *bytes, std::size_t size) {
    constexpr std::uint64_t PRIME = 0x100000001b3ULL;
    const auto *byte = static_cast<const unsigned char *>(bytes);
    for (std::size_t i = 0; i < size; ++i) {
        digest = (digest ^ byte[i]) * PRIME;
    }
    return digest;
}

fs::path TilesetFolder(const fs::path &root, const fs::path &worldFolder,
                       std::uint64_t tilesetDigest) {
    // The same world reached by another path is the same world.
    std::error_code code;
    fs::path world = fs::canonical(worldFolder, code);
    if (code) {
        world = worldFolder.lexically_normal();
    }
    const std::string text = world.string();
    const std::uint64_t worldDigest = DigestBytes(DIGEST_START, text.data(), text.size());
    return root / (world.filename().string() + "-" + Hex(worldDigest)) / Hex(tilesetDigest);
}

void KeepTileset(const fs::path &folder) {
    std::error_code code;
    fs::last_write_time(folder, fs::file_time_type::clock::now(), code);
    std::vector<std::pair<fs::file_time_type, fs::path>> others;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder.parent_path(), code)) {
        if (IsTilesetFolder(entry) && entry.path() != folder) {
            others.emplace_back(entry.last_write_time(code), entry.path());
        }
    }
    std::sort(others.begin(), others.end(), [](const auto &a, const auto &b) { return a > b; });
    for (std::size_t i = KEPT_TILESETS - 1; i < others.size(); ++i) {
        fs::remove_all(others[i].second, code);
    }
}
