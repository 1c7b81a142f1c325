#pragma once
// Where the tileset of a segment opened in Tiled is kept: outside the world folder, in the user's
// cache, one folder per world and in it one per tileset. A tileset's folder is named after what
// it was made from, so it never changes once written: a map still open in Tiled keeps the
// tileset it was painted with, and a changed terrain.db or tiles.bmp gets a folder of its own.

#include <cstdint>
#include <filesystem>
#include <string>

// $XDG_CACHE_HOME/dravik/tiled, or ~/.cache/dravik/tiled. False with error set when neither
// XDG_CACHE_HOME nor HOME names a folder.
bool TiledCacheRoot(std::filesystem::path &root, std::string &error);

// Adds bytes to a running 64-bit FNV-1a digest.
std::uint64_t DigestBytes(std::uint64_t digest, const void *bytes, std::size_t size);
inline constexpr std::uint64_t DIGEST_START = 0xcbf29ce484222325ULL;

// The folder of the tileset with that digest, for the world at worldFolder (absolute).
std::filesystem::path TilesetFolder(const std::filesystem::path &root,
                                    const std::filesystem::path &worldFolder,
                                    std::uint64_t tilesetDigest);

// How many tileset folders a world keeps: a map still open in Tiled whose tileset has gone can no
// longer be saved (the save says which file is missing), so a few are kept.
inline constexpr std::size_t KEPT_TILESETS = 4;

// Marks folder as just used, and removes its world's other tileset folders but the
// KEPT_TILESETS - 1 used last. What cannot be removed is left.
void KeepTileset(const std::filesystem::path &folder);
